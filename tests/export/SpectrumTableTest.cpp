// A spectrum and its harmonic table as the files, the transfers and the copied table give them.
#include <gtest/gtest.h>

#include <cmath>

#include "app/MeasureTexts.h"
#include "app/SpectrumTexts.h"
#include "common/Text1252.h"
#include "export/SpectrumTable.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// `periods` of a 1 V peak sine with `third` of its third harmonic over `count` samples of 1 µs.
ChannelSamples Sine(double periods, double third, std::size_t count = 4096) {
    ChannelSamples samples;
    for (std::size_t i = 0; i < count; ++i) {
        double w = 2 * kPi * periods * double(i) / double(count);
        samples.Times.push_back(double(i) * 1e-6);
        samples.Values.push_back(std::sin(w) + third * std::sin(3 * w));
    }
    return samples;
}

} // namespace

TEST(SpectrumTable, ColumnsPerChannelInTheUnitChosen) {
    Spectrum a = SpectrumOf(Sine(40.5, 0.1), SpectrumWindow::FlatTop);
    Spectrum b = SpectrumOf(Sine(40.5, 0), SpectrumWindow::FlatTop);
    for (SpectrumUnit unit : {SpectrumUnit::Dbv, SpectrumUnit::VoltsRms}) {
        DataTable table = SpectrumTable({&a, &b}, {"V1", "V2"}, unit, "C:\\vexor.exe");
        ASSERT_EQ(table.Variables.size(), 3u);
        EXPECT_EQ(table.Variables[0].Name, "f");
        EXPECT_EQ(table.Variables[2].Unit, unit == SpectrumUnit::Dbv ? "dBV" : "V");
        ASSERT_EQ(table.RowCount(), a.Levels.size());
        EXPECT_DOUBLE_EQ(table.Columns[0][10], 10 * a.BinWidth);
        std::size_t peak = std::size_t(std::lround(40.5 * double(a.Length) / 4096));
        EXPECT_NEAR(table.Columns[1][peak], LevelIn(unit, std::sqrt(0.5)), 0.01);
    }
    EXPECT_EQ(LevelIn(SpectrumUnit::Dbv, 0), -200);
    Spectrum shorter = SpectrumOf(Sine(40.5, 0, 2048), SpectrumWindow::FlatTop);
    EXPECT_THROW(SpectrumTable({&a, &shorter}, {"V1", "V2"}, SpectrumUnit::Dbv, ""),
                 std::invalid_argument);
}

// A row per harmonic below half the sampling rate, in the file and in the copied table; what
// has no value says why.
TEST(SpectrumTable, TheHarmonicTableAsFileAndAsText) {
    // 1/7 of the sampling rate: H1 to H3 below half of it.
    Spectrum spectrum = SpectrumOf(Sine(4096 / 7.0, 0.1), SpectrumWindow::FlatTop);
    HarmonicTable harmonics = HarmonicsOf(spectrum);
    DataTable table = HarmonicDataTable(harmonics, "V1", "");
    ASSERT_EQ(table.RowCount(), 3u);
    EXPECT_EQ(table.Comment, "Harmoniques de V1");
    EXPECT_NEAR(table.Columns[3][2], -20, 0.05);

    TextRows rows = HarmonicRows(harmonics, true);
    ASSERT_EQ(rows.size(), 1u + 10 + 3);
    EXPECT_EQ(rows[3][0], "H3");
    EXPECT_EQ(rows[4][2], "\x97");                                   // "—" in 1252
    EXPECT_NE(rows[4][3].find(Cp1252("moitié")), std::string::npos); // its reason
    EXPECT_EQ(rows[12][0], "THD (%)");
    std::string text = TabSeparated(rows);
    EXPECT_EQ(text.substr(0, 5), "Rang\t");
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    HarmonicTable few = HarmonicsOf(SpectrumOf(Sine(3, 0), SpectrumWindow::Hann));
    EXPECT_EQ(HarmonicDataTable(few, "V1", "").RowCount(), 0u);
    TextRows said = HarmonicRows(few, false);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0][0].find(ReasonText(Why::FewerThanFourPeriods)), std::string::npos);
}
