#pragma once
// The arithmetic of an automatic frequency sweep, apart from any instrument: the frequencies, the
// gain and phase of a point from the fundamental of each channel, the time base and scales the
// scope is set to for a point, and what a sweep should last.
#include <complex>
#include <cstddef>
#include <optional>
#include <vector>

// Log-spaced frequencies from `start` to `stop`, `perDecade` a decade, the last one `stop`.
// Empty unless 0 < start < stop and 5 <= perDecade <= 100.
std::vector<double> SweepFrequencies(double start, double stop, int perDecade);

// A channel's component at one frequency, from a least-squares fit of a sine of that frequency
// and a constant over a whole number of its periods: a single-frequency DFT that needs no whole
// number of samples a period.
struct Fundamental {
    std::complex<double> Phasor; // peak volts; its angle the sine's phase at the first sample
    double Purity = 0;           // the fundamental's RMS / the AC RMS, 0 to 1
    double Mean = 0;             // volts
    std::size_t Periods = 0;     // whole periods fitted
};
// None when the samples hold less than one whole period or fewer than 4 samples of it.
std::optional<Fundamental> FundamentalAt(const std::vector<double>& volts, double sampleTime,
                                         double frequency);

// Below this purity, a point is distorted or noisy.
constexpr double kLeastPurity = 0.9;

// V2 / V1 of one point, the mean of each read's complex ratio.
struct Transfer {
    double GainDb = 0;
    double PhaseDegrees = 0; // phi(V2) - phi(V1), in ]-180, 180]
};
Transfer TransferOf(const std::vector<std::complex<double>>& ratios);

// The 1-2-5 step of scopes' time bases and scales at or above `value`.
double StepAtLeast(double value);

// The fastest time base whose screen shows at least 4 whole periods of `frequency`. Its 1-2-5
// step leaves at most 10 periods there: a screen of 50 points or more has 5 samples a period.
double TimeBaseFor(double frequency, int divisionsAcross);

// Whether a record of `samples` samples, `samplesPerDivision` to a division of
// `secondsPerDivision`, holds at least 2 whole periods of `frequency` with 5 samples a period or
// more: what a point needs of a time base a person sets.
bool TimeBaseHolds(double secondsPerDivision, double frequency, int samples,
                   double samplesPerDivision);

// What to do about a channel's scale once read: keep it, or read again at another one.
struct Ranging {
    double VoltsPerDivision = 1;
    bool ReadAgain = false;
};
// The channel spans `peakToPeak` volts on a screen `divisionsUp` high at `voltsPerDivision`:
// clipped, or spanning under 1.6 divisions, or over all but 0.4 of them, it is set so that the
// span takes about 6.5 of 8 divisions; in between it stays, so that scales do not flap. The scale
// stays within [least, most].
Ranging RangeChannel(double peakToPeak, bool clipped, double voltsPerDivision, int divisionsUp,
                     double least, double most);

// What one capture of a scope costs besides its screen's time window.
struct CaptureCost {
    double BytesPerCapture = 0;
    double BytesPerSecond = 0; // 0: unknown, no time counted
    int RoundTrips = 0;
    double LatencySeconds = 0;
};
// A point's settling wait: max(settling time, settling periods / f).
double SettlingSeconds(double frequency, double settlingSeconds, double settlingPeriods);
// The time a sweep's points take: each point's settling wait, then `captures` captures of the
// screen's window (the time base's, for `divisionsAcross` divisions) and one period more, each
// with its transfer.
double EstimatedSweepSeconds(const std::vector<double>& frequencies, double settlingSeconds,
                             double settlingPeriods, int captures, int divisionsAcross,
                             const CaptureCost& cost);
