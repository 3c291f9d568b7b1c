// The saved files against reference texts written from the format's tables.
#include "export/DataFile.h"

#include <gtest/gtest.h>

#include "acquisition/Record.h"
#include "common/NumberText.h"
#include "common/Text1252.h"

namespace {

// The acquisition a read of `record` hands on, as an HM 305 read publishes it.
AcquisitionPtr Acquired(const AcquisitionRecord& record) {
    return AcquisitionOf(record, false, {}, "");
}

class DataFile : public ::testing::Test {
protected:
    void SetUp() override {
        record.TimeStep = 0.000005f;
        record.Channel(1).Sensitivity = 0.2f;
        record.Channel(2).Sensitivity = 0.2f;
        record.RawData.fill(127);       // every value 0 except the rows set below
        record.RawData[1] = 130;        // 0.024
        record.RawData[2048 + 1] = 126; // -0.008
        record.RawData[20] = 152;       // 0.2 at 0.0001 s
    }
    void TearDown() override { SetDecimalSeparator('.'); }

    std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::size_t at = 0;
        while (at < text.size()) {
            std::size_t end = text.find("\r\n", at);
            if (end == std::string::npos) return {"<unterminated line>"};
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return lines;
    }

    AcquisitionRecord record;
};

} // namespace

TEST(DataFileName, TheExtensionAloneChoosesTheFormat) {
    for (const char* name : {"C:\\a\\b.cv3", "x.Cv3", "X.CV3", "d.txt.cv3"})
        EXPECT_TRUE(IsCurvilabFileName(name)) << name;
    for (const char* name :
         {"a.txt", "a.csv", "a", "C:\\dir.cv3\\file", "a.cv3.txt", "a.cv", ".cv"})
        EXPECT_FALSE(IsCurvilabFileName(name)) << name;
}

TEST_F(DataFile, TheCurvilabFileForTwoChannels) {
    record.Channel(1).Name = Cp1252("Tension résistance");
    std::string expectedHeader = Cp1252("MORVANET CURVILAB WINDOWS 1.0\r\n"
                                        "£3 NOM VAR\r\n"
                                        "t\r\n"
                                        "Tension résistance\r\n"
                                        "V2\r\n"
                                        "£3 UNITE VAR\r\n"
                                        "s\r\n"
                                        "V\r\n"
                                        "V\r\n"
                                        "£3 SIGNIF VAR\r\n"
                                        "temps\r\n"
                                        "tension\r\n"
                                        "tension\r\n"
                                        "£1 ACQUISITION\r\n"
                                        "C:\\Programmes\\vexor.exe\r\n"
                                        "£1 PAGE COMMENT\r\n"
                                        "\r\n"
                                        "&2048 VALEUR VAR\r\n");
    std::string text = DataFileText(*Acquired(record), "C:\\Programmes\\vexor.exe", true);
    ASSERT_EQ(text.substr(0, expectedHeader.size()), expectedHeader);
    auto rows = Lines(text.substr(expectedHeader.size()));
    ASSERT_EQ(rows.size(), 2048u);
    EXPECT_EQ(rows[0], "0\t0\t0\t");
    EXPECT_EQ(rows[1], "5E-06\t0.024\t-0.008\t");
    EXPECT_EQ(rows[20], "0.0001\t0.2\t0\t");
    EXPECT_EQ(rows[2047], "0.010235\t0\t0\t");
}

TEST_F(DataFile, OneChannelCountsTwoVariables) {
    record.ChannelCount = 1;
    auto lines = Lines(DataFileText(*Acquired(record), "p", true));
    EXPECT_EQ(lines[1], "\xA3"
                        "2 NOM VAR");
    EXPECT_EQ(lines[3], "V1");
    EXPECT_EQ(lines[4], "\xA3"
                        "2 UNITE VAR");
    EXPECT_EQ(lines[6], "V");
    EXPECT_EQ(lines[7], "\xA3"
                        "2 SIGNIF VAR");
    EXPECT_EQ(lines[16], "5E-06\t0.024\t");
}

TEST_F(DataFile, AShortRecordHas205RowsInTheCurvilabFileAnd2048InTheTable) {
    record.ShortRecord = true;
    auto cv3 = Lines(DataFileText(*Acquired(record), "p", true));
    EXPECT_EQ(cv3[17], "&205 VALEUR VAR");
    EXPECT_EQ(cv3.size(), 18u + 205u);
    EXPECT_EQ(Lines(DataFileText(*Acquired(record), "p", false)).size(), 4u + 2048u);
}

TEST_F(DataFile, AFrenchSeparatorLeavesTheCurvilabTimeWithADot) {
    SetDecimalSeparator(',');
    auto cv3 = Lines(DataFileText(*Acquired(record), "p", true));
    EXPECT_EQ(cv3[18 + 1], "5E-06\t0,024\t-0,008\t");
    EXPECT_EQ(cv3[18 + 20], "0.0001\t0,2\t0\t");
    auto txt = Lines(DataFileText(*Acquired(record), "p", false));
    EXPECT_EQ(txt[4 + 20], "0,0001\t0,2\t0\t");
}

TEST_F(DataFile, TheAsciiTable) {
    record.Channel(2).Name = "I ampli";
    record.Channel(2).Meaning = Cp1252("intensité");
    std::string text = DataFileText(*Acquired(record), "p", false);
    std::string expectedHeader = Cp1252("Hameg\r\n"
                                        "t\tV1\tI ampli\t\r\n"
                                        "s\tV\tV\t\r\n"
                                        "temps\ttension\tintensité\t\r\n");
    ASSERT_EQ(text.substr(0, expectedHeader.size()), expectedHeader);
    auto rows = Lines(text.substr(expectedHeader.size()));
    ASSERT_EQ(rows.size(), 2048u);
    EXPECT_EQ(rows[1], "5E-06\t0.024\t-0.008\t");
    record.ChannelCount = 1;
    auto one = Lines(DataFileText(*Acquired(record), "p", false));
    EXPECT_EQ(one[2], "s\tV\t");
    EXPECT_EQ(one[5], "5E-06\t0.024\t");
}
