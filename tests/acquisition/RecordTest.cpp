#include "acquisition/Record.h"

#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

#include "common/NumberText.h"

namespace {

class Record : public ::testing::Test {
protected:
    void TearDown() override { SetDecimalSeparator('.'); }
    AcquisitionRecord record;
};

} // namespace

TEST_F(Record, StartsWithTheChannelDefaultsAndACentredZero) {
    EXPECT_EQ(record.Channel(1).Name, "V1");
    EXPECT_EQ(record.Channel(2).Name, "V2");
    EXPECT_EQ(record.Channel(1).Offset, 0);
    EXPECT_EQ(record.Channel(2).Offset, 2048);
    EXPECT_EQ(record.Channel(1).Meaning, "tension");
    EXPECT_EQ(record.Channel(2).Sensitivity, 1.0f);
    EXPECT_EQ(record.ChannelCount, 2);
    EXPECT_FALSE(record.DataComplete);
    for (int32_t zero : record.ZeroData) ASSERT_EQ(zero, 127);
    EXPECT_THROW(record.Channel(0), std::out_of_range);
    EXPECT_THROW(record.Channel(3), std::out_of_range);
}

// Sample i of channel `n` as the files write it: (raw - zero) x sensitivity / 25 volts, in G(5, 1)
// with the user's decimal separator.
std::string SampleText(const AcquisitionRecord& record, int n, int i) {
    return FormatSample(
        AcquisitionOf(record, false, {}, "")->Samples(std::size_t(n - 1)).Values[std::size_t(i)]);
}

TEST_F(Record, ASampleIsTheDifferenceWithTheZeroInVolts) {
    auto& ch1 = record.Channel(1);
    ch1.Sensitivity = 0.2f;
    record.RawData[0] = 127;
    record.RawData[1] = 152;
    record.RawData[2] = 102;
    EXPECT_EQ(SampleText(record, 1, 0), "0");
    EXPECT_EQ(SampleText(record, 1, 1), "0.2");
    EXPECT_EQ(SampleText(record, 1, 2), "-0.2");
    SetDecimalSeparator(',');
    EXPECT_EQ(SampleText(record, 1, 1), "0,2");

    record.ZeroData[3] = 130;
    record.RawData[3] = 130;
    EXPECT_EQ(SampleText(record, 1, 3), "0"); // a raw byte equal to its own zero
}

TEST_F(Record, SamplesCoverTheWholeRangeOfTheTables) {
    auto& ch1 = record.Channel(1);
    ch1.Sensitivity = 5.0f;
    record.RawData[0] = 255;
    record.ZeroData[0] = 0;
    EXPECT_EQ(SampleText(record, 1, 0), "51");
    ch1.Sensitivity = 0.005f;
    record.RawData[0] = 128;
    record.ZeroData[0] = 127;
    EXPECT_EQ(SampleText(record, 1, 0), "0.0002");
    ch1.Sensitivity = 0.002f; // only an HM 408 header gives such a value
    EXPECT_EQ(SampleText(record, 1, 0), "8E-5");
}

TEST_F(Record, ChannelsReadTheirOwnPartOfTheImage) {
    auto& ch2 = record.Channel(2);
    record.RawData[2048] = 177; // HM 305: channel 2 starts at 2048
    record.RawData[4095] = 77;
    EXPECT_EQ(SampleText(record, 2, 0), "2");
    EXPECT_EQ(SampleText(record, 2, 2047), "-2");
    ch2.Offset = 2304; // HM 408: after the header and channel 1
    record.RawData[2304] = 152;
    record.RawData[4351] = 102;
    EXPECT_EQ(SampleText(record, 2, 0), "1");
    EXPECT_EQ(SampleText(record, 2, 2047), "-1");
}

TEST_F(Record, AChannelOutsideTheArraysIsRefused) {
    record.Channel(2).Offset = 5001 - 2048;
    EXPECT_NO_THROW(AcquisitionOf(record, false, {}, ""));
    record.Channel(2).Offset = 5002 - 2048;
    EXPECT_THROW(AcquisitionOf(record, false, {}, ""), std::out_of_range);
    record.Channel(2).Offset = 2048;
    record.Channel(1).Offset = -1;
    EXPECT_THROW(AcquisitionOf(record, false, {}, ""), std::out_of_range);
}

TEST_F(Record, RowsAndTimesFollowTheShortRecordFlagAndTheStoredStep) {
    EXPECT_EQ(record.RowCount(), 2048);
    record.ShortRecord = true;
    EXPECT_EQ(record.RowCount(), 205);
    record.TimeStep = 0.000005f;
    EXPECT_EQ(FormatRealDot(record.SampleTime(0)), "0");
    EXPECT_EQ(FormatRealDot(record.SampleTime(1)), "5E-06");
    EXPECT_EQ(FormatRealDot(record.SampleTime(204)), "0.00102");
}
