#include "acquisition/Selectors.h"

#include <cmath>

#include <algorithm>

#include "common/Text1252.h"

const SelectorRange TimeBaseTable[kTimeBasePositions] = {
    {5, "5"},      {2, "2"},      {1, "1"},         {0.5, "500m"},    {0.2, "200m"},
    {0.1, "100m"}, {0.05, "50m"}, {0.02, "20m"},    {0.01, "10m"},    {0.005, "5m"},
    {0.002, "2m"}, {0.001, "1m"}, {0.0005, "500µ"}, {0.0002, "200µ"}, {0.0001, "100µ"},
    {5e-5, "50µ"}, {2e-5, "20µ"}, {1e-5, "10µ"},    {5e-6, "5µ"},     {2e-6, "2µ"},
    {1e-6, "1µ"},
};

const SelectorRange SensitivityTable[kSensitivityPositions] = {
    {5, "5"},      {2, "2"},      {1, "1"},      {0.5, "500m"}, {0.2, "200m"},
    {0.1, "100m"}, {0.05, "50m"}, {0.02, "20m"}, {0.01, "10m"}, {0.005, "5m"},
};

namespace {

const SelectorRange& At(const SelectorRange* table, int count, int position) {
    return table[std::clamp(position, 1, count) - 1];
}

int NearestPosition(const SelectorRange* table, int count, double value) {
    int best = 1;
    for (int position = 1; position <= count; ++position)
        if (std::abs(std::log(table[position - 1].Value / value)) <
            std::abs(std::log(table[best - 1].Value / value)))
            best = position;
    return best;
}

} // namespace

int TimeBasePositionOf(double secondsPerDivision) {
    return NearestPosition(TimeBaseTable, kTimeBasePositions, secondsPerDivision);
}

int SensitivityPositionOf(double voltsPerDivision) {
    return NearestPosition(SensitivityTable, kSensitivityPositions, voltsPerDivision);
}

std::string TimeBaseTextOf(double secondsPerDivision) {
    return Cp1252(TimeBaseTable[TimeBasePositionOf(secondsPerDivision) - 1].Text) + "s/div";
}

std::string SensitivityTextOf(double voltsPerDivision) {
    return Cp1252(SensitivityTable[SensitivityPositionOf(voltsPerDivision) - 1].Text) + "V/div";
}

float TimeStepFor(double secondsPerDivision) {
    return float(secondsPerDivision * kScreenDivisions / kScreenSamples);
}

SelectorTexts ApplySelectors(AcquisitionRecord& record, const SelectorPositions& positions) {
    const auto& timeBase = At(TimeBaseTable, kTimeBasePositions, positions.BaseDeTemps);
    const auto& gamme1 = At(SensitivityTable, kSensitivityPositions, positions.GammeCH1);
    const auto& gamme2 = At(SensitivityTable, kSensitivityPositions, positions.GammeCH2);
    record.TimeStep = TimeStepFor(timeBase.Value);
    record.Channel(1).Sensitivity = float(gamme1.Value);
    record.Channel(2).Sensitivity = float(gamme2.Value);
    return {TimeBaseTextOf(timeBase.Value), SensitivityTextOf(gamme1.Value),
            SensitivityTextOf(gamme2.Value)};
}

void SetChannelName(AcquisitionRecord& record, int tag, const std::string& text) {
    if (tag != 1 && tag != 2) return;
    record.Channel(tag).Name = text.substr(0, kMaxChannelName);
}
