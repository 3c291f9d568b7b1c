#include "acquisition/Hm408Header.h"

#include <gtest/gtest.h>
#include <random>

#include "acquisition/Selectors.h"
#include "common/NumberText.h"
#include "common/Text1252.h"

namespace {

// A header whose text (bytes 1..255) starts with `text`; the flag bytes are set afterwards.
AcquisitionRecord WithHeader(const std::string& text) {
    AcquisitionRecord record;
    for (int i = 0; i < kHm408HeaderBytes; ++i) record.RawData[std::size_t(i)] = ' ';
    for (std::size_t i = 0; i < text.size(); ++i)
        record.RawData[i + 1] = static_cast<unsigned char>(text[i]);
    return record;
}

std::string Padded(const std::string& text) {
    std::string header = text;
    header.resize(kHeaderTextLength, ' ');
    return header;
}

} // namespace

TEST(FindHeaderValue, TakesTheValueCharactersAfterTheKey) {
    std::string header = Padded("xxCH1=500mV CH2=2V TB=2us");
    EXPECT_EQ(FindHeaderValue(header, "CH1="), "500m");
    EXPECT_EQ(FindHeaderValue(header, "CH2="), "2");
    EXPECT_EQ(FindHeaderValue(header, "TB="), Cp1252("2µ"));
    EXPECT_NE(header.find(Cp1252("TB=2µs")), std::string::npos); // the text itself changed
    EXPECT_EQ(FindHeaderValue(header, "E1="), "");
    EXPECT_EQ(FindHeaderValue(header, "ch1="), ""); // case-sensitive
}

TEST(FindHeaderValue, AlwaysTakesTheFirstCharacterWhateverItIs) {
    std::string header = Padded("CH1=V5 TB=u5u");
    EXPECT_EQ(FindHeaderValue(header, "CH1="), "V5");
    EXPECT_EQ(FindHeaderValue(header, "TB="), Cp1252("u5µ")); // the first "u" stays
}

TEST(FindHeaderValue, IsEmptyWhenTheKeyEndsTheText) {
    std::string header = Padded("");
    header.replace(kHeaderTextLength - 3, 3, "TB=");
    EXPECT_EQ(FindHeaderValue(header, "TB="), "");
    header.replace(kHeaderTextLength - 4, 4, "TB=7");
    EXPECT_EQ(FindHeaderValue(header, "TB="), "7");
    header.replace(kHeaderTextLength - 5, 5, "TB=77");
    EXPECT_EQ(FindHeaderValue(header, "TB="), "77");
}

TEST(ParseHeader, ReadsTheFlagBytes) {
    AcquisitionRecord record = WithHeader("");
    record.RawData[2] = 1;
    record.RawData[8] = 1;
    record.RawData[9] = 1;
    HeaderSettings settings = ParseHeader(record);
    EXPECT_EQ(record.ChannelCount, 2);
    EXPECT_TRUE(record.ShortRecord);
    EXPECT_TRUE(settings.HoldNotPressed);

    record.RawData[2] = 2;
    record.RawData[8] = 0;
    record.RawData[9] = 257;
    settings = ParseHeader(record);
    EXPECT_EQ(record.ChannelCount, 1);
    EXPECT_FALSE(record.ShortRecord);
    EXPECT_FALSE(settings.HoldNotPressed);
}

TEST(ParseHeader, TakesSensitivitiesAndTimeBaseFromTheText) {
    AcquisitionRecord record = WithHeader("         CH1=500mV CH2=20mV TB=2us ");
    HeaderSettings settings = ParseHeader(record);
    EXPECT_EQ(record.Channel(1).Sensitivity, 0.5f);
    EXPECT_EQ(record.Channel(2).Sensitivity, 0.02f);
    EXPECT_EQ(settings.GammeCH1, "500mV/div");
    EXPECT_EQ(settings.GammeCH2, "20mV/div");
    EXPECT_EQ(settings.BaseDeTemps, Cp1252("2µs/div"));
    EXPECT_EQ(record.TimeStep, 1e-8f);
}

TEST(ParseHeader, MissingKeysKeepTheSensitivityAndGiveOneMillisecond) {
    AcquisitionRecord record = WithHeader("         CH1=2V");
    record.Channel(2).Sensitivity = 0.1f;
    HeaderSettings settings = ParseHeader(record);
    EXPECT_EQ(record.Channel(2).Sensitivity, 0.1f);
    EXPECT_EQ(settings.GammeCH2, "1V/div");
    EXPECT_EQ(settings.BaseDeTemps, "1ms/div");
    EXPECT_EQ(record.TimeStep, 0.000005f);
}

TEST(ParseHeader, FallsBackToTheEKeysInTheirOrder) {
    AcquisitionRecord record = WithHeader("         E1=5m E3=1");
    HeaderSettings settings = ParseHeader(record);
    EXPECT_EQ(settings.BaseDeTemps, "5ms/div");
    EXPECT_EQ(record.TimeStep, 2.5e-5f);

    record = WithHeader("         E3=1 E0=2m E2=5");
    EXPECT_EQ(ParseHeader(record).BaseDeTemps, "2ms/div");
}

TEST(ParseHeader, AValueThatIsNotANumberGivesNoValue) {
    AcquisitionRecord record = WithHeader("         CH1=.V TB=-s");
    HeaderSettings settings = ParseHeader(record);
    EXPECT_EQ(record.Channel(1).Sensitivity, float(NoValue));
    EXPECT_EQ(settings.GammeCH1, ".V/div");
    EXPECT_EQ(record.TimeStep, TimeStepFor(NoValue));
}

TEST(ParseHeader, SurvivesRandomHeaders) {
    std::mt19937 random(408);
    const std::string keys[] = {"CH1=", "CH2=", "TB=", "E0=", "E1=", "E2=", "E3=", "u", "m", "."};
    for (int round = 0; round < 5000; ++round) {
        AcquisitionRecord record;
        for (int i = 0; i < kHm408HeaderBytes; ++i)
            record.RawData[std::size_t(i)] = int32_t(random() % 512) - 128;
        // Plant some keys so that the value paths run too.
        for (int k = 0; k < 6; ++k) {
            const std::string& key = keys[random() % std::size(keys)];
            std::size_t at = 1 + random() % 255;
            for (std::size_t j = 0; j < key.size() && at + j < 256; ++j)
                record.RawData[at + j] = static_cast<unsigned char>(key[j]);
        }
        auto before = record.RawData;
        HeaderSettings settings = ParseHeader(record);
        EXPECT_LE(settings.BaseDeTemps.size(), 255u + 5);
        EXPECT_TRUE(record.ChannelCount == 1 || record.ChannelCount == 2);
        ASSERT_EQ(record.RawData, before); // the image itself is never written
    }
}
