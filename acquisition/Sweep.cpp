#include "acquisition/Sweep.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::size_t kMostSweepIntervals = 2000;

// The span a channel is ranged to, of a screen 8 divisions high.
constexpr double kTargetDivisions = 6.5;
constexpr double kFewestDivisions = 1.6;
constexpr double kMarginDivisions = 0.4;

// Solves the 3 x 3 system m x = v by Cramer's rule; false when it is singular.
bool Solve3(const std::array<std::array<double, 3>, 3>& m, const std::array<double, 3>& v,
            std::array<double, 3>& x) {
    auto det = [](const std::array<std::array<double, 3>, 3>& a) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    double d = det(m);
    if (!(std::abs(d) > 1e-300)) return false;
    for (std::size_t column = 0; column < 3; ++column) {
        auto replaced = m;
        for (std::size_t row = 0; row < 3; ++row) replaced[row][column] = v[row];
        x[column] = det(replaced) / d;
    }
    return true;
}

} // namespace

std::vector<double> SweepFrequencies(double start, double stop, int perDecade) {
    if (!(start > 0) || !(stop > start) || !std::isfinite(stop) || perDecade < 5 || perDecade > 100)
        return {};
    double intervals = std::log10(stop / start) * perDecade;
    if (intervals > double(kMostSweepIntervals)) return {};
    std::vector<double> frequencies;
    for (int k = 0;; ++k) {
        double f = start * std::pow(10.0, double(k) / perDecade);
        if (f >= stop * (1 - 1e-9)) break;
        frequencies.push_back(f);
    }
    frequencies.push_back(stop);
    return frequencies;
}

std::optional<Fundamental> FundamentalAt(const std::vector<double>& volts, double sampleTime,
                                         double frequency) {
    double cycles = double(volts.size()) * sampleTime * frequency;
    if (!(cycles >= 1) || !std::isfinite(cycles)) return std::nullopt;
    std::size_t periods = std::size_t(std::floor(cycles + 1e-9));
    double samplesPerPeriod = 1 / (sampleTime * frequency);
    if (samplesPerPeriod < 4) return std::nullopt;
    std::size_t count =
        std::min(volts.size(), std::size_t(std::llround(double(periods) * samplesPerPeriod)));

    // Normal equations of v = a cos + b sin + c over the whole periods.
    std::array<std::array<double, 3>, 3> m{};
    std::array<double, 3> v{};
    double step = 2 * kPi * frequency * sampleTime;
    for (std::size_t i = 0; i < count; ++i) {
        std::array<double, 3> basis{std::cos(step * double(i)), std::sin(step * double(i)), 1.0};
        for (std::size_t r = 0; r < 3; ++r) {
            v[r] += basis[r] * volts[i];
            for (std::size_t c = 0; c < 3; ++c) m[r][c] += basis[r] * basis[c];
        }
    }
    std::array<double, 3> x{};
    if (!Solve3(m, v, x)) return std::nullopt;

    Fundamental fundamental;
    // a cos + b sin = A cos(theta + phi) with A e^{j phi} = a - j b.
    fundamental.Phasor = {x[0], -x[1]};
    fundamental.Periods = periods;
    fundamental.Mean = x[2];
    double squares = 0;
    for (std::size_t i = 0; i < count; ++i)
        squares += (volts[i] - fundamental.Mean) * (volts[i] - fundamental.Mean);
    double acRms = std::sqrt(squares / double(count));
    double fundamentalRms = std::abs(fundamental.Phasor) / std::sqrt(2.0);
    fundamental.Purity = acRms > 0 ? std::min(1.0, fundamentalRms / acRms) : 0;
    return fundamental;
}

Transfer TransferOf(const std::vector<std::complex<double>>& ratios) {
    std::complex<double> sum;
    for (const auto& ratio : ratios) sum += ratio;
    std::complex<double> mean = ratios.empty() ? sum : sum / double(ratios.size());
    Transfer transfer;
    transfer.GainDb = 20 * std::log10(std::abs(mean));
    transfer.PhaseDegrees = std::arg(mean) * 180 / kPi;
    if (transfer.PhaseDegrees <= -180) transfer.PhaseDegrees += 360;
    return transfer;
}

double StepAtLeast(double value) {
    if (!(value > 0) || !std::isfinite(value)) return 0;
    double decade = std::pow(10.0, std::floor(std::log10(value)));
    for (double mantissa : {1.0, 2.0, 5.0, 10.0})
        if (mantissa * decade >= value * (1 - 1e-9)) return mantissa * decade;
    return 10 * decade;
}

double TimeBaseFor(double frequency, int divisionsAcross) {
    return StepAtLeast(4 / (frequency * divisionsAcross));
}

bool TimeBaseHolds(double secondsPerDivision, double frequency, int samples,
                   double samplesPerDivision) {
    double sampleTime = secondsPerDivision / samplesPerDivision;
    return samples * sampleTime * frequency >= 2 && sampleTime * frequency <= 0.2 * (1 + 1e-9);
}

Ranging RangeChannel(double peakToPeak, bool clipped, double voltsPerDivision, int divisionsUp,
                     double least, double most) {
    double span = peakToPeak / voltsPerDivision;
    bool fits = !clipped && span >= kFewestDivisions && span <= divisionsUp - kMarginDivisions;
    if (fits) return {voltsPerDivision, false};
    double wanted = StepAtLeast(std::max(peakToPeak, 0.0) / kTargetDivisions);
    if (clipped) wanted = std::max(wanted, StepAtLeast(voltsPerDivision * 1.01));
    wanted = std::clamp(wanted, least, most);
    return {wanted, std::abs(wanted - voltsPerDivision) > 1e-9 * voltsPerDivision};
}

double SettlingSeconds(double frequency, double settlingSeconds, double settlingPeriods) {
    return std::max(settlingSeconds, settlingPeriods / frequency);
}

double EstimatedSweepSeconds(const std::vector<double>& frequencies, double settlingSeconds,
                             double settlingPeriods, int captures, int divisionsAcross,
                             const CaptureCost& cost) {
    double transfer = double(cost.RoundTrips) * cost.LatencySeconds +
                      (cost.BytesPerSecond > 0 ? cost.BytesPerCapture / cost.BytesPerSecond : 0);
    double total = 0;
    for (double f : frequencies) {
        double window = divisionsAcross * TimeBaseFor(f, divisionsAcross) + 1 / f;
        total +=
            SettlingSeconds(f, settlingSeconds, settlingPeriods) + captures * (window + transfer);
    }
    return total;
}
