#include "export/SeriesTable.h"

#include <gtest/gtest.h>

#include "common/Text1252.h"
#include "export/DataReader.h"

namespace {

SeriesRow Row(int number, double frequency, double gain, double phase) {
    SeriesRow row;
    row.Number = number;
    row.Time = "10:0" + std::to_string(number) + ":00";
    row.TimeBase = Cp1252("500µs/div");
    row.Frequency = {frequency, Why::None};
    row.PeakToPeak = {Measure{2.0, Why::None}, Measure{2.0 / 3, Why::None}};
    row.Gain = {gain, Why::None};
    row.Phase = {phase, Why::None};
    return row;
}

bool Same(const Measure& a, const Measure& b) { return a.Value == b.Value && a.Reason == b.Reason; }

} // namespace

// The file and the page take the complete rows in order of frequency.
TEST(SeriesTable, ItsPointsAreTheCompleteRowsInOrderOfFrequency) {
    SeriesRow missing = Row(3, 50, 0, 0);
    missing.Phase = {std::nullopt, Why::DifferentPeriods};
    Series series =
        SeriesOfRows({"Ue", "Us"}, {Row(1, 2000, -7, -63), Row(2, 100, 0, -3), missing});
    ASSERT_EQ(series.Points.size(), 2u);
    EXPECT_EQ(series.Points[0].Frequency, 100);
    EXPECT_EQ(series.Points[1].Gain, -7);
    EXPECT_EQ(series.ChannelNames, (std::vector<std::string>{"Ue", "Us"}));
}

// A running series kept between its rows comes back whole: values to the last bit, the reasons of
// missing ones, the flags; a damaged line is left out, another text is not a series.
TEST(SeriesTable, ARunningSeriesComesBackAsItWas) {
    SeriesRow coarse = Row(2, 123.456789012345, -0.1, 179.99);
    coarse.Gain = {std::nullopt, Why::Clipped};
    coarse.Coarse = {false, true};
    std::vector<SeriesRow> rows = {Row(1, 1590.2, -3.0103, -45.001), coarse};
    std::string text = SeriesRecoveryText({"V1", "V\t2"}, rows);
    text += "4\tdamaged\r\n";
    auto back = ReadSeriesRecovery(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ChannelNames, (std::vector<std::string>{"V1", "V 2"}));
    ASSERT_EQ(back->Rows.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const SeriesRow &a = rows[i], &b = back->Rows[i];
        EXPECT_EQ(a.Number, b.Number);
        EXPECT_EQ(a.Time, b.Time);
        EXPECT_EQ(a.TimeBase, b.TimeBase);
        EXPECT_EQ(a.Coarse, b.Coarse);
        for (auto field : {&SeriesRow::Frequency, &SeriesRow::Gain, &SeriesRow::Phase})
            EXPECT_TRUE(Same(a.*field, b.*field)) << i;
        EXPECT_TRUE(Same(a.PeakToPeak[1], b.PeakToPeak[1])) << i;
    }
    EXPECT_FALSE(ReadSeriesRecovery("MORVANET CURVILAB WINDOWS 1.0\r\n"));
    EXPECT_FALSE(ReadSeriesRecovery(""));
}

// Another program may write a phase unwrapped past -360°: it comes back within ]-180°, 180°]. A
// phase no filter gives, or a frequency no axis of decades holds, refuses the file with its row.
TEST(SeriesTable, AFilesPhasesAreWrappedAndImpossibleRowsRefuseIt) {
    auto table = [](double frequency, double phase) {
        Series series{{"V1", "V2"}, {{100, {1, 1}, 0, -10}, {frequency, {1, 0.5}, -6, phase}}};
        return SeriesTable(series, "");
    };
    const std::pair<double, double> wrapped[] = {{-400, -40}, {190, -170}, {-180, 180},
                                                 {540, 180},  {-3599, 1},  {3600, 0}};
    for (auto [phase, within] : wrapped) {
        std::optional<Series> found = FindSeries(table(1000, phase));
        ASSERT_TRUE(found);
        EXPECT_NEAR(found->Points[1].Phase, within, 1e-9) << phase;
    }
    for (auto [frequency, phase] : {std::pair{1000.0, 3600.5}, {1000, -1e20}, {0, 0}, {-50, 0}}) {
        try {
            FindSeries(table(frequency, phase));
            ADD_FAILURE() << frequency << " " << phase;
        } catch (const EDataFileError& e) {
            EXPECT_NE(std::string(e.what()).find("ligne de valeurs 2"), std::string::npos)
                << e.what();
        }
    }
}

// Names are kept in their places, empty ones too; a row whose phase no filter gives is damaged.
TEST(SeriesTable, ARecoveredSeriesKeepsEmptyNamesAndLeavesOutDamagedPhases) {
    SeriesRow far = Row(2, 200, -1, 0);
    far.Phase = {1e20, Why::None};
    for (const std::vector<std::string>& names :
         {std::vector<std::string>{"", ""}, {"", "V2"}, {"V1", ""}, {""}}) {
        auto back = ReadSeriesRecovery(SeriesRecoveryText(names, {Row(1, 100, 0, -10), far}));
        ASSERT_TRUE(back) << names.size();
        EXPECT_EQ(back->ChannelNames, names);
        ASSERT_EQ(back->Rows.size(), 1u);
        EXPECT_EQ(back->Rows[0].Number, 1);
    }
}
