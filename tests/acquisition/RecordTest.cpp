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

TEST_F(Record, FormatSampleConvertsTheDifferenceWithTheZeroIntoVolts) {
    auto& ch1 = record.Channel(1);
    ch1.Sensitivity = 0.2f;
    record.RawData[0] = 127;
    record.RawData[1] = 152;
    record.RawData[2] = 102;
    EXPECT_EQ(FormatSample(record, ch1, 0), "0");
    EXPECT_EQ(FormatSample(record, ch1, 1), "0.2");
    EXPECT_EQ(FormatSample(record, ch1, 2), "-0.2");
    SetDecimalSeparator(',');
    EXPECT_EQ(FormatSample(record, ch1, 1), "0,2");

    record.ZeroData[3] = 130;
    record.RawData[3] = 130;
    EXPECT_EQ(FormatSample(record, ch1, 3), "0"); // a raw byte equal to its own zero
}

TEST_F(Record, FormatSampleCoversTheWholeRangeOfTheTables) {
    auto& ch1 = record.Channel(1);
    ch1.Sensitivity = 5.0f;
    record.RawData[0] = 255;
    record.ZeroData[0] = 0;
    EXPECT_EQ(FormatSample(record, ch1, 0), "51");
    ch1.Sensitivity = 0.005f;
    record.RawData[0] = 128;
    record.ZeroData[0] = 127;
    EXPECT_EQ(FormatSample(record, ch1, 0), "0.0002");
    ch1.Sensitivity = 0.002f; // only an HM 408 header gives such a value
    EXPECT_EQ(FormatSample(record, ch1, 0), "8E-5");
}

TEST_F(Record, ChannelsReadTheirOwnPartOfTheImage) {
    auto& ch2 = record.Channel(2);
    record.RawData[2048] = 177; // HM 305: channel 2 starts at 2048
    record.RawData[4095] = 77;
    EXPECT_EQ(FormatSample(record, ch2, 0), "2");
    EXPECT_EQ(FormatSample(record, ch2, 2047), "-2");
    ch2.Offset = 2304; // HM 408: after the header and channel 1
    record.RawData[2304] = 152;
    record.RawData[4351] = 102;
    EXPECT_EQ(FormatSample(record, ch2, 0), "1");
    EXPECT_EQ(FormatSample(record, ch2, 2047), "-1");
}

TEST_F(Record, FormatSampleRefusesSamplesOutsideTheArrays) {
    EXPECT_NO_THROW(FormatSample(record, record.Channel(2), 5000 - 2048));
    EXPECT_THROW(FormatSample(record, record.Channel(2), 5001 - 2048), std::out_of_range);
    EXPECT_THROW(FormatSample(record, record.Channel(1), 65535), std::out_of_range);
    record.Channel(1).Offset = -1;
    EXPECT_THROW(FormatSample(record, record.Channel(1), 0), std::out_of_range);
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
