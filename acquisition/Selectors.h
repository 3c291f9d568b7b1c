#pragma once
// The time-base and sensitivity selectors of the main window and the channel names: the tables
// behind them and what a change of selector does to the acquisition record.
#include <string>

#include "acquisition/Record.h"

struct SelectorRange {
    double Value;     // seconds or volts per division
    const char* Text; // UTF-8 in the source; shown through Cp1252
};

constexpr int kTimeBasePositions = 21;
constexpr int kSensitivityPositions = 10;
constexpr int kStartTimeBasePosition = 10;   // 5 ms per division
constexpr int kStartSensitivityPosition = 5; // 0.2 V per division

// Positions 1..21 and 1..10 at index position - 1.
extern const SelectorRange TimeBaseTable[kTimeBasePositions];
extern const SelectorRange SensitivityTable[kSensitivityPositions];

// The position (1..count) of the table's value nearest `value` on a log scale.
int TimeBasePositionOf(double secondsPerDivision);
int SensitivityPositionOf(double voltsPerDivision);
// That value's text as the fields show it (1252): "500µs/div", "100mV/div".
std::string TimeBaseTextOf(double secondsPerDivision);
std::string SensitivityTextOf(double voltsPerDivision);

// One two-hundredth of a division, as the 32-bit float the record stores.
float TimeStepFor(double secondsPerDivision);

struct SelectorPositions {
    int BaseDeTemps = kStartTimeBasePosition;
    int GammeCH1 = kStartSensitivityPosition;
    int GammeCH2 = kStartSensitivityPosition;
};

// The texts of BaseDeTempsEdit, GammeEditCH1 and GammeEditCH2 (1252 bytes).
struct SelectorTexts {
    std::string BaseDeTemps;
    std::string GammeCH1;
    std::string GammeCH2;
};

// Takes the time step and both sensitivities from the selector positions and returns the texts
// to show. Positions outside the tables are clamped to them.
SelectorTexts ApplySelectors(AcquisitionRecord& record, const SelectorPositions& positions);

// The name field with `tag` changed: channel `tag` (1 or 2) takes the first 32 characters of the
// text; any other tag changes nothing.
void SetChannelName(AcquisitionRecord& record, int tag, const std::string& text);
