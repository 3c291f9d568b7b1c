#include "export/SeriesTable.h"

#include <gtest/gtest.h>

#include "common/Text1252.h"

namespace {

SeriesRow Row(int number, double frequency, double gain, double phase) {
    SeriesRow row;
    row.Number = number;
    row.Time = "10:0" + std::to_string(number) + ":00";
    row.TimeBase = Cp1252("500µs/div");
    row.Frequency = {frequency, ""};
    row.PeakToPeak = {Measure{2.0, ""}, Measure{2.0 / 3, ""}};
    row.Gain = {gain, ""};
    row.Phase = {phase, ""};
    return row;
}

bool Same(const Measure& a, const Measure& b) { return a.Value == b.Value && a.Reason == b.Reason; }

} // namespace

// The file and the page take the complete rows in order of frequency.
TEST(SeriesTable, ItsPointsAreTheCompleteRowsInOrderOfFrequency) {
    SeriesRow missing = Row(3, 50, 0, 0);
    missing.Phase = {std::nullopt, Cp1252("périodes différentes")};
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
    coarse.Gain = {std::nullopt, Cp1252("signal écrêté")};
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
