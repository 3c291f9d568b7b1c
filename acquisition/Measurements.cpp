#include "acquisition/Measurements.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <stdexcept>

#include "common/NumberText.h"
#include "common/Text1252.h"

ChannelSamples SamplesInVolts(const AcquisitionRecord& record, int channel) {
    if (channel < 1 || channel > record.ChannelCount) throw std::out_of_range("channel number");
    const auto& settings = record.Channel(channel);
    int count = record.RowCount();
    if (settings.Offset < 0 || (long long)settings.Offset + count > kSampleSlots)
        throw std::out_of_range("channel outside the record");
    ChannelSamples samples;
    samples.Times.reserve(std::size_t(count));
    samples.Values.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        auto k = std::size_t(settings.Offset + i);
        long long difference = (long long)record.RawData[k] - record.ZeroData[k];
        // The same extended arithmetic as the exports' FormatSample.
        long double volts =
            (long double)difference * (long double)settings.Sensitivity / kCountsPerDivision;
        samples.Times.push_back(record.SampleTime(i));
        samples.Values.push_back(double(volts));
    }
    return samples;
}

namespace {

struct Crossings {
    std::vector<double> Rising, Falling;
};

// Time where the line between samples i and i + 1 meets the level.
double CrossingTime(const ChannelSamples& s, std::size_t i, double level) {
    double fraction = (level - s.Values[i]) / (s.Values[i + 1] - s.Values[i]);
    return s.Times[i] + fraction * (s.Times[i + 1] - s.Times[i]);
}

// A crossing counts once the signal has gone from one side of the band level ± band / 2 to the
// other; its time is that of the signal's last pass through the level itself on the way.
Crossings FindCrossings(const ChannelSamples& s, double level, double band) {
    enum class Side { Unknown, Below, Above } side = Side::Unknown;
    Crossings found;
    double lastUp = 0, lastDown = 0;
    for (std::size_t i = 0; i < s.Values.size(); ++i) {
        double value = s.Values[i];
        if (i > 0 && s.Values[i - 1] <= level && value > level)
            lastUp = CrossingTime(s, i - 1, level);
        if (i > 0 && s.Values[i - 1] >= level && value < level)
            lastDown = CrossingTime(s, i - 1, level);
        if (value > level + band / 2) {
            if (side == Side::Below) found.Rising.push_back(lastUp);
            side = Side::Above;
        } else if (value < level - band / 2) {
            if (side == Side::Above) found.Falling.push_back(lastDown);
            side = Side::Below;
        }
    }
    return found;
}

std::optional<double> AveragePeriod(const std::vector<double>& times) {
    if (times.size() < 2) return std::nullopt;
    return (times.back() - times.front()) / double(times.size() - 1);
}

struct Analysis {
    ChannelMeasures Measures;
    Crossings Found;
};

Analysis Analyse(const ChannelSamples& samples) {
    Analysis result;
    const std::vector<double>& values = samples.Values;
    if (values.empty()) return result;
    ChannelMeasures& m = result.Measures;
    auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    m.Minimum = *lowest;
    m.Maximum = *highest;
    m.PeakToPeak = m.Maximum - m.Minimum;
    long double sum = 0, sumOfSquares = 0;
    for (long double value : values) sum += value, sumOfSquares += value * value;
    m.Mean = double(sum / values.size());
    m.Rms = double(std::sqrt(sumOfSquares / values.size()));
    if (m.PeakToPeak == 0) return result;

    result.Found = FindCrossings(samples, m.Mean, m.PeakToPeak / 10);
    auto rising = AveragePeriod(result.Found.Rising);
    auto falling = AveragePeriod(result.Found.Falling);
    m.Period = rising && falling ? (*rising + *falling) / 2 : rising ? rising : falling;
    if (m.Period && !(*m.Period > 0)) m.Period.reset(); // a record without a time step
    if (m.Period) m.Frequency = 1 / *m.Period;
    return result;
}

} // namespace

ChannelMeasures MeasureChannel(const ChannelSamples& samples) { return Analyse(samples).Measures; }

namespace {

double Normalised(double degrees) {
    degrees = std::fmod(degrees, 360.0);
    if (degrees > 180) degrees -= 360;
    if (degrees <= -180) degrees += 360;
    return degrees;
}

// From reference's first crossing to other's crossing nearest to it, in degrees.
double Shift(const std::vector<double>& reference, const std::vector<double>& other,
             double period) {
    double start = reference.front();
    auto nearest = std::min_element(other.begin(), other.end(), [start](double a, double b) {
        return std::fabs(a - start) < std::fabs(b - start);
    });
    return Normalised(360 * (*nearest - start) / period);
}

} // namespace

// A channel with a period has crossings of both directions: between two of one direction lies
// one of the other. A mean level off the signal's true centre, as a record ending within a
// period gives, moves its rising and falling crossings opposite ways: their average cancels it.
std::optional<double> PhaseShift(const ChannelSamples& reference, const ChannelSamples& other) {
    Analysis first = Analyse(reference), second = Analyse(other);
    auto period1 = first.Measures.Period, period2 = second.Measures.Period;
    if (!period1 || !period2 || std::fabs(*period1 - *period2) > 0.01 * *period1)
        return std::nullopt;
    double period = (*period1 + *period2) / 2;
    double rising = Shift(first.Found.Rising, second.Found.Rising, period);
    double falling = Shift(first.Found.Falling, second.Found.Falling, period);
    return Normalised(rising + Normalised(falling - rising) / 2);
}

namespace {

struct Prefix {
    const char* utf8;
    double factor;
};
constexpr Prefix kPrefixes[] = {{"n", 1e-9}, {"µ", 1e-6}, {"m", 1e-3},
                                {"", 1},     {"k", 1e3},  {"M", 1e6}};
constexpr int kUnitPrefix = 3; // index of the unit without prefix

std::string AbsentText() { return Cp1252("—"); }

} // namespace

// The prefix follows the value rounded to three digits, so 999.96 µs is "1 ms", not "1E3 µs".
std::string EngineeringText(double value, const std::string& unit) {
    if (!std::isfinite(value)) return AbsentText();
    char buffer[32] = {}; // zeros after the digits end the exponent for atoi
    char* end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 2).ptr;
    double rounded = 0;
    std::from_chars(buffer, end, rounded);
    int exponent = rounded == 0 ? 0 : std::atoi(std::find(buffer, end, 'e') + 1);
    int group = int(std::floor(exponent / 3.0));
    // Below the smallest prefix is below any instrument's resolution: what a sum of samples
    // leaves of a zero mean, say.
    if (group + kUnitPrefix < 0) return "0 " + unit;
    const Prefix& prefix =
        kPrefixes[std::clamp(group + kUnitPrefix, 0, int(std::size(kPrefixes)) - 1)];
    return FormatGeneral(rounded / prefix.factor, 3, 1, DecimalSeparator()) + ' ' +
           Cp1252(prefix.utf8) + unit;
}

std::string EngineeringText(std::optional<double> value, const std::string& unit) {
    return value ? EngineeringText(*value, unit) : AbsentText();
}

std::string DegreeText(std::optional<double> degrees) {
    if (!degrees || !std::isfinite(*degrees)) return AbsentText();
    long tenths = std::lround(*degrees * 10);
    std::string text = tenths < 0 ? "-" : "";
    text += std::to_string(std::labs(tenths) / 10);
    if (tenths % 10 != 0) text += DecimalSeparator() + std::to_string(std::labs(tenths) % 10);
    return text + Cp1252("°");
}

namespace {

// Pixel at `fraction` (0..1) of `length` pixels from `start`; a fraction outside, or NaN from a
// zero scale, stays at the nearer end.
int Along(int start, int length, double fraction) {
    fraction = fraction > 0 ? std::min(fraction, 1.0) : 0;
    return start + int(std::lround(fraction * std::max(length - 1, 0)));
}

} // namespace

int PlotX(const PlotArea& area, double seconds, double secondsPerDivision) {
    return Along(area.Left, area.Width, seconds / (kDivisionsAcross * secondsPerDivision));
}

int PlotY(const PlotArea& area, double volts, double voltsPerDivision) {
    return Along(area.Top, area.Height, 0.5 - volts / (kDivisionsUp * voltsPerDivision));
}

int SampleNearX(const PlotArea& area, int x, double secondsPerDivision,
                const AcquisitionRecord& record) {
    if (area.Width <= 1 || !(record.TimeStep > 0)) return 0;
    double seconds =
        double(x - area.Left) / (area.Width - 1) * kDivisionsAcross * secondsPerDivision;
    double sample = seconds / double(record.TimeStep);
    if (!(sample > 0)) return 0;
    return int(std::lround(std::min(sample, record.RowCount() - 1.0)));
}
