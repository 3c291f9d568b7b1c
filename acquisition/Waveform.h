#pragma once
// A channel's samples read as a waveform, with positions counted in samples (sample i lies at
// position i) and values in the samples' own unit: its levels, its noise, its crossings of the
// middle level and the period they give. Measurements.cpp turns these into seconds and volts.
//
// The period is found as a scope finds it: top and base from the samples' histogram, crossings
// of the level halfway between them taken with a hysteresis of a few times the noise the record
// shows, each crossing placed by a straight line fitted to the samples of its edge, crossings
// that break the rhythm of the others dropped, and one line through what is left. The record's
// autocorrelation, which knows nothing of crossings, must find the same period within 1 %; it
// looks at 4096 points at most, so that a long record costs no more than a short one.
#include <optional>
#include <vector>

#include "acquisition/Why.h"

struct WaveLevels {
    double Minimum = 0, Maximum = 0;
    double Top = 0, Base = 0; // the histogram's modes when both states are flat, else the extremes
    double Noise = 0;         // standard deviation of the noise, from second differences
    double Resolution = 0;    // the histogram's bin: a converter step, when values have one
    double Middle() const { return (Top + Base) / 2; }
};

struct Waveform {
    WaveLevels Levels;
    // Crossings of the middle level that keep the period's rhythm, in samples.
    std::vector<double> Rising, Falling;
    // Every crossing of the middle level, those that break the rhythm too: they bound the pulses.
    std::vector<double> AllRising, AllFalling;
    std::optional<double> Period; // in samples
    Why Reason = Why::None;       // why there is none
    // Where the period's line puts the first rising and falling crossings, for the widths.
    std::optional<double> RisingAt, FallingAt;
};

// `quantum` is the step between two values the converter can give; 0 when unknown. The values
// must be finite.
Waveform AnalyseWaveform(const std::vector<double>& values, double quantum);

// From 10 % to 90 % of the way from base to top (rising) or back (falling), averaged over the
// record's whole edges of that direction, in samples; absent with the reason. An edge with fewer
// than two samples between those levels is faster than the sampling can tell.
std::optional<double> EdgeDuration(const std::vector<double>& values, const Waveform& wave,
                                   bool rising, Why& reason);
