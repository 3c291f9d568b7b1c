#pragma once
// What the preview window shows of an acquisition: a channel's samples in volts, its
// measurements and their texts.
#include <optional>
#include <string>
#include <vector>

#include "acquisition/Record.h"

// One channel's samples: the values the exports write, as doubles, and the time of each in
// seconds. Samples read back from a file have only those; a record also gives its converter's
// step and whether the trace left the converter's range.
struct ChannelSamples {
    std::vector<double> Times;
    std::vector<double> Values;
    double Step = 0;          // volts between two converter counts (sensitivity / 25); 0: unknown
    bool ClippedLow = false;  // a sample at count 0: the trace ran off the screen's bottom
    bool ClippedHigh = false; // a sample at count 255: off its top
};

// record.RowCount() samples of channel 1..record.ChannelCount; throws std::out_of_range for any
// other number or for a channel whose samples lie outside the arrays.
ChannelSamples SamplesInVolts(const AcquisitionRecord& record, int channel);

// Whether a time step or a sensitivity can come from an instrument at all (with a probe of up to
// x100): what an unreadable header gives (NoValue, 5E-30 s) cannot.
bool BelievableTimeStep(double seconds);
bool BelievableSensitivity(double voltsPerDivision);

// A measured value, or why there is none: a short lower-case text in 1252 ("signal constant").
struct Measure {
    std::optional<double> Value;
    std::string Reason; // empty when Value holds
};

// Volts, seconds, hertz; the duty cycle in percent. Top and base are the histogram's two modes
// when the record has two flat states, else the extremes. Rise and fall times go from 10 % to 90 %
// of the way between base and top, averaged over the record's whole edges, when at least two
// samples lie on each edge between those levels. The widths are taken at the middle level and
// averaged over every whole pulse of the record; the duty cycle is the positive width over the
// period, or over the one whole cycle a shorter record holds.
struct ChannelMeasures {
    Measure Minimum, Maximum, PeakToPeak;
    Measure Top, Base;
    Measure Mean, Rms;
    bool OverWholePeriods = false; // Mean and Rms cover the whole periods, else the whole record
    Measure Period, Frequency;
    Measure RiseTime, FallTime;
    Measure PositiveWidth, NegativeWidth, DutyCycle;
    bool Clipped = false; // the values at the clipped side are the screen's edge, not the signal's
};

// The period comes from crossings of the level halfway between base and top, with a hysteresis
// taken from the record's noise, and must agree within 1 % with the record's autocorrelation. It
// is given only over two whole periods or more and five samples a period or more.
ChannelMeasures MeasureChannel(const ChannelSamples& samples);

// u1 = U1 cos(wt) on the first channel, u2 = U2 cos(wt + Degrees) on the second: Degrees in
// ]-180, 180], negative when the second channel lags. Delay = t2 - t1 between corresponding
// crossings in ]-T/2, T/2], positive when it lags: Degrees = -360 Delay / T. Both are averaged
// over every pair of corresponding crossings, and given only when both channels have periods
// within 1 % of each other.
struct PhaseMeasures {
    Measure Degrees;
    Measure Delay;
};
PhaseMeasures MeasurePhase(const ChannelSamples& first, const ChannelSamples& second);

// The measures of one or two channels of a record, each channel analysed once for its own and for
// the phase between the two.
struct RecordMeasures {
    std::vector<ChannelMeasures> Channels;
    std::optional<PhaseMeasures> Phase; // with two channels
};
RecordMeasures MeasureRecord(const std::vector<const ChannelSamples*>& channels);

// "(V2 en retard)", "(V2 en avance)", "(en phase)" within half a degree of 0, "(en opposition de
// phase)" within half a degree of 180; `secondName` stands for V2.
std::string PhaseWords(double degrees, const std::string& secondName);

// "Déphasage de V2 par rapport à V1 : -45° (V2 en retard)", with "-" for the minus; without a
// phase, "— (reason)" after the colon.
std::string PhaseSentence(const PhaseMeasures& phase, const std::string& firstName,
                          const std::string& secondName);

// Three significant digits, a prefix from n to M and the unit: "-1,5 V", "250 µs", "2,5 kHz",
// with the user's decimal separator. An absent value is "—".
std::string EngineeringText(double value, const std::string& unit);
std::string EngineeringText(std::optional<double> value, const std::string& unit);
std::string EngineeringText(const Measure& measure, const std::string& unit);

// "45°", "-90°", one decimal when needed ("12,5°"); an absent value is "—". What rounds to -180°
// reads "180°", the same opposition.
std::string DegreeText(std::optional<double> degrees);
