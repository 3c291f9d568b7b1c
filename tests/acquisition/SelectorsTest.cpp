#include "acquisition/Selectors.h"

#include <gtest/gtest.h>

#include "common/Text1252.h"

TEST(Selectors, EveryTimeBasePositionGivesItsTimeStepAsA32BitFloat) {
    const float expected[kTimeBasePositions] = {0.025f,   0.01f,   0.005f, 0.0025f, 0.001f, 0.0005f,
                                                0.00025f, 0.0001f, 5e-5f,  2.5e-5f, 1e-5f,  5e-6f,
                                                2.5e-6f,  1e-6f,   5e-7f,  2.5e-7f, 1e-7f,  5e-8f,
                                                2.5e-8f,  1e-8f,   5e-9f};
    AcquisitionRecord record;
    for (int position = 1; position <= kTimeBasePositions; ++position) {
        ApplySelectors(record, {position, 5, 5});
        EXPECT_EQ(record.TimeStep, expected[position - 1]) << "position " << position;
    }
}

TEST(Selectors, DisplayTextsComeFromTheTables) {
    AcquisitionRecord record;
    SelectorTexts texts = ApplySelectors(record, {13, 1, 10});
    EXPECT_EQ(texts.BaseDeTemps, "500\xB5s/div");
    EXPECT_EQ(texts.GammeCH1, "5V/div");
    EXPECT_EQ(texts.GammeCH2, "5mV/div");
    EXPECT_EQ(record.Channel(1).Sensitivity, 5.0f);
    EXPECT_EQ(record.Channel(2).Sensitivity, 0.005f);
    EXPECT_EQ(ApplySelectors(record, {1, 3, 4}).BaseDeTemps, "5s/div");
    EXPECT_EQ(ApplySelectors(record, {21, 3, 4}).BaseDeTemps, Cp1252("1µs/div"));
    for (const auto& range : SensitivityTable) EXPECT_LE(Cp1252(range.Text).size(), 5u);
    for (const auto& range : TimeBaseTable) EXPECT_LE(Cp1252(range.Text).size(), 5u);
}

TEST(Selectors, StartPositionsGive25MicrosecondsAnd200Millivolts) {
    AcquisitionRecord record;
    SelectorTexts texts = ApplySelectors(record, SelectorPositions{});
    EXPECT_EQ(record.TimeStep, 2.5e-5f);
    EXPECT_EQ(record.Channel(1).Sensitivity, 0.2f);
    EXPECT_EQ(record.Channel(2).Sensitivity, 0.2f);
    EXPECT_EQ(texts.BaseDeTemps, "5ms/div");
    EXPECT_EQ(texts.GammeCH1, "200mV/div");
    EXPECT_EQ(texts.GammeCH2, "200mV/div");
}

TEST(Selectors, PositionsOutsideTheTablesAreClamped) {
    AcquisitionRecord record;
    SelectorTexts texts = ApplySelectors(record, {0, 11, -4});
    EXPECT_EQ(texts.BaseDeTemps, "5s/div");
    EXPECT_EQ(texts.GammeCH1, "5mV/div");
    EXPECT_EQ(texts.GammeCH2, "5V/div");
}

TEST(Selectors, ChannelNamesKeepTheirFirst32Characters) {
    AcquisitionRecord record;
    SetChannelName(record, 1, std::string(40, 'x'));
    EXPECT_EQ(record.Channel(1).Name, std::string(32, 'x'));
    SetChannelName(record, 2, "");
    EXPECT_EQ(record.Channel(2).Name, "");
    SetChannelName(record, 2, Cp1252("Intensité µA"));
    EXPECT_EQ(record.Channel(2).Name, "Intensit\xE9 \xB5"
                                      "A");
    SetChannelName(record, 0, "nothing");
    SetChannelName(record, 3, "nothing");
    EXPECT_EQ(record.Channel(1).Name, std::string(32, 'x'));
}
