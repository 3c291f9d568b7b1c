#pragma once
// What the preview window draws and shows: a channel's samples in volts, its measurements and
// their texts, and the place of a time or a voltage on a screen of 10 x 8 divisions.
#include <optional>
#include <string>
#include <vector>

#include "acquisition/Record.h"

// One channel's record.RowCount() samples: the values the exports write, as doubles, and the
// time of each in seconds.
struct ChannelSamples {
    std::vector<double> Times;
    std::vector<double> Values;
};

// Channel 1..record.ChannelCount; throws std::out_of_range for any other number or for a channel
// whose samples lie outside the arrays.
ChannelSamples SamplesInVolts(const AcquisitionRecord& record, int channel);

struct ChannelMeasures {
    double Minimum = 0;
    double Maximum = 0;
    double PeakToPeak = 0;
    double Mean = 0;
    double Rms = 0;
    // Absent without two crossings of the mean in the same direction.
    std::optional<double> Period;
    std::optional<double> Frequency;
};

// The period is the average over the whole periods of the record, between crossings of the mean
// taken with a hysteresis of a tenth of the peak to peak, so noise cannot add crossings.
ChannelMeasures MeasureChannel(const ChannelSamples& samples);

// Degrees in (-180, 180] by which `other` lags `reference`: positive when other's crossings of
// its mean come after reference's, rising and falling ones alike, taking for each reference's
// first crossing and other's nearest. Absent unless both periods exist within 1 % of each other.
std::optional<double> PhaseShift(const ChannelSamples& reference, const ChannelSamples& other);

// Three significant digits, a prefix from n to M and the unit: "-1,5 V", "250 µs", "2,5 kHz",
// with the user's decimal separator. An absent value is "—".
std::string EngineeringText(double value, const std::string& unit);
std::string EngineeringText(std::optional<double> value, const std::string& unit);

// "45°", "-90°", one decimal when needed ("12,5°"); an absent value is "—".
std::string DegreeText(std::optional<double> degrees);

// The screen: 10 divisions across for 10 x secondsPerDivision from time 0, 8 divisions up with
// 0 V on the centre line. Its edges are the area's first and last pixels.
constexpr int kDivisionsAcross = 10;
constexpr int kDivisionsUp = 8;

struct PlotArea {
    int Left, Top, Width, Height;
};

// Pixel of a time or a voltage, kept within the area: a trace off the screen runs along its edge.
int PlotX(const PlotArea& area, double seconds, double secondsPerDivision);
int PlotY(const PlotArea& area, double volts, double voltsPerDivision);

// The sample whose time lies nearest to pixel column x, within 0..record.RowCount() - 1.
int SampleNearX(const PlotArea& area, int x, double secondsPerDivision,
                const AcquisitionRecord& record);
