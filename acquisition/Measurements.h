#pragma once
// The measurements of a record's channels, as a bench scope takes them: levels, periods, edges,
// pulses, the phase between two channels. Portable arithmetic on samples in volts; when a value
// cannot be trusted it is absent, with the reason why.
#include <optional>
#include <vector>

#include "acquisition/Why.h"

// One channel's samples: volts, and the time of each in seconds. Samples read back from a file
// have only those; an instrument also gives its converter's step and whether the trace left the
// converter's range.
struct ChannelSamples {
    std::vector<double> Times;
    std::vector<double> Values;
    double Step = 0;          // volts between two converter counts; 0: unknown
    bool ClippedLow = false;  // a sample at the converter's lowest count: off the screen's bottom
    bool ClippedHigh = false; // at its highest: off its top
};

// Whether a time step or a sensitivity can come from an instrument at all (with a probe of up to
// x100): what an unreadable header gives (NoValue, 5E-30 s) cannot.
bool BelievableTimeStep(double seconds);
bool BelievableSensitivity(double voltsPerDivision);

// A measured value, or why there is none.
struct Measure {
    std::optional<double> Value;
    Why Reason = Why::None; // None when Value holds
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

// The measures of a record's channels, each channel analysed once for its own and for the phase
// between the first two.
struct RecordMeasures {
    std::vector<ChannelMeasures> Channels;
    std::optional<PhaseMeasures> Phase; // with two channels or more
};
RecordMeasures MeasureRecord(const std::vector<const ChannelSamples*>& channels);
