#include "export/TransferText.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

#include "acquisition/Record.h"
#include "common/NumberText.h"
#include "common/Text1252.h"

namespace {

// The acquisition a read of `record` hands on, as an HM 305 read publishes it.
AcquisitionPtr Acquired(const AcquisitionRecord& record) {
    return AcquisitionOf(record, false, {}, "");
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) return {"<no CR LF at the end>"};
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

class Transfer : public ::testing::Test {
protected:
    void SetUp() override {
        record.TimeStep = 0.000005f;
        record.Channel(1).Sensitivity = 0.2f;
        record.Channel(2).Sensitivity = 0.2f;
        record.RawData[0] = 152;
        record.RawData[2048] = 102;
        record.RawData[1] = 128;
        record.RawData[2049] = 127;
    }
    void TearDown() override { SetDecimalSeparator('.'); }
    AcquisitionRecord record;
};

} // namespace

TEST_F(Transfer, TwoChannelsNewFileWithoutComment) {
    auto lines = Lines(TransferText(*Acquired(record), "C:\\prog\\vexor.exe", {}));
    ASSERT_EQ(lines.size(), 6u + 2048u);
    EXPECT_EQ(lines[0], "C:\\prog\\vexor.exe");
    EXPECT_EQ(lines[1], "Acquisition avec oscillo HAMEG");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "t\tV1\tV2");
    EXPECT_EQ(lines[4], "s\tV\tV");
    EXPECT_EQ(lines[5], "temps\ttension\ttension");
    EXPECT_EQ(lines[6], "0\t0.2\t-0.2");
    EXPECT_EQ(lines[7], "5E-06\t0.008\t0"); // no TAB at the end of a row
}

TEST_F(Transfer, NewPageHasAnEmptyTitleAndOneChannelTwoFields) {
    record.ChannelCount = 1;
    PageInformation page;
    page.NewFile = false;
    auto lines = Lines(TransferText(*Acquired(record), "x", page));
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[3], "t\tV1");
    EXPECT_EQ(lines[4], "s\tV");
    EXPECT_EQ(lines[6], "0\t0.2");
}

TEST_F(Transfer, TheTimeKeepsTheDotAndValuesTakeTheUsersSeparator) {
    SetDecimalSeparator(',');
    auto lines = Lines(TransferText(*Acquired(record), "x", {}));
    EXPECT_EQ(lines[6], "0\t0,2\t-0,2");
    EXPECT_EQ(lines[7], "5E-06\t0,008\t0");
}

TEST_F(Transfer, AShortRecordGives205Rows) {
    record.ShortRecord = true;
    EXPECT_EQ(Lines(TransferText(*Acquired(record), "x", {})).size(), 6u + 205u);
}

TEST_F(Transfer, TheParameterBlockNeedsANameAndANumber) {
    SetDecimalSeparator(',');
    PageInformation page;
    page.ParameterName = "g";
    page.ParameterUnit = Cp1252("m/s²");
    for (const char* typed : {"9,81", "9.81"}) {
        page.ParameterValue = typed;
        auto lines = Lines(TransferText(*Acquired(record), "x", page));
        ASSERT_EQ(lines.size(), 6u + 2048u + 4u) << typed;
        EXPECT_EQ(lines[6 + 2048], "");
        EXPECT_EQ(lines[6 + 2049], "g");
        EXPECT_EQ(lines[6 + 2050], "m/s\xB2");
        EXPECT_EQ(lines[6 + 2051], "9,81");
    }
    for (const char* bad : {"abc", ""}) {
        page.ParameterValue = bad;
        EXPECT_EQ(Lines(TransferText(*Acquired(record), "x", page)).size(), 6u + 2048u) << bad;
    }
    page.ParameterName = "";
    page.ParameterValue = "3";
    EXPECT_EQ(Lines(TransferText(*Acquired(record), "x", page)).size(), 6u + 2048u);
}

TEST_F(Transfer, LongNamesAreCutAt255CharactersPerLine) {
    record.Channel(1).Name = std::string(200, 'a');
    record.Channel(2).Name = std::string(200, 'b');
    auto lines = Lines(TransferText(*Acquired(record), "x", {}));
    EXPECT_EQ(lines[3].size(), 255u);
}
