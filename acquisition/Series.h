#pragma once
// A series of measurements for a frequency response: one row a read, with the generator's
// frequency (channel 1's), each channel's peak to peak, the gain and the phase of channel 2
// against channel 1; and what a Bode diagram shows of the rows: the points in order of
// frequency, the phase unwrapped along them, the -3 dB cut-off frequencies.
#include <array>
#include <string>
#include <vector>

#include "acquisition/Acquisition.h"

// A channel whose samples span fewer converter counts than this reads its peak to peak too
// coarsely for a gain: its sensitivity should be raised.
constexpr double kCoarseSpanCounts = 40;

struct SeriesRow {
    int Number = 0;
    std::string Time;     // "14:32:05"
    std::string TimeBase; // 1252: "5ms/div", the setting in force
    Measure Frequency;    // channel 1's, the generator's
    std::array<Measure, 2> PeakToPeak;
    std::array<bool, 2> Coarse{}; // the channel spans fewer than kCoarseSpanCounts counts
    Measure Gain;                 // dB: 20 log10(V2pp / V1pp)
    Measure Phase;      // degrees in ]-180, 180]: phi(V2) - phi(V1), negative when channel 2 lags
    bool Swept = false; // an automatic sweep's point: gain and phase of the fundamentals
    bool Distorted = false; // a sweep's point whose signals are more than their fundamental
    bool Disagrees = false; // a sweep's point whose crossings say otherwise

    // Every value measured: the row can be a point of the diagram and of the series' file.
    bool Complete() const;
};

// A row of a read's acquisition: its time, time base and measures, the channel of input `input`
// (its first channel when it has none of that input) against that of `output`.
SeriesRow MeasureSeriesRow(const Acquisition& acquisition, int input = 1, int output = 2);

struct BodePoint {
    double Frequency, Gain, Phase;
};
// The complete rows in order of frequency, rows within 1 % of one frequency merged into one point
// (the mean gain, the circular mean of the phases), each phase taken within 180° of the one
// before: a second-order filter's phase goes on past -180° instead of jumping to +180°.
std::vector<BodePoint> BodePoints(const std::vector<SeriesRow>& rows);
// Where the gain crosses its highest value less 3 dB, interpolated on the logarithmic frequency
// axis: on each side of the highest gain the first crossing going outward, so one for a low- or a
// high-pass filter, two for a band-pass or a band-stop.
std::vector<double> CutOffFrequencies(const std::vector<BodePoint>& points);
// The highest gain lies between the first and the last points (a band-pass, a resonance): the
// cut-off frequencies are then taken from it, not from a pass band's level.
bool GainPeaksInside(const std::vector<BodePoint>& points);
