#include "acquisition/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <span>

#include "acquisition/RealTransform.h"

namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;
constexpr double kSqrt2 = std::numbers::sqrt2;

// Far beyond any probe's volts, and low enough that every sum of squares of a million stays finite.
constexpr double kLargestVolts = 1e9;
// How far the fundamental may lie from the truth, in bins: the four periods' tolerance.
constexpr double kFundamentalTolerance = 0.1;
// Within 3 dB of its floor, a distortion is the converter's.
constexpr double kFloorMargin = kSqrt2;

// Each window as w[n] = sum over k of (-1)^k a_k cos(2 pi k n / N), periodic over the N samples.
constexpr double kFlatTop[] = {0.21557895, 0.41663158, 0.277263158, 0.083578947, 0.006947368};
constexpr double kHann[] = {0.5, 0.5};
constexpr double kRectangular[] = {1};

std::span<const double> CosinesOf(SpectrumWindow window) {
    if (window == SpectrumWindow::FlatTop) return kFlatTop;
    if (window == SpectrumWindow::Hann) return kHann;
    return kRectangular;
}

// The window's transform holds these taps from -K to K: a windowed bin m is the sum of tap k
// times the bare transform's bin m - k.
double Tap(std::span<const double> cosines, std::ptrdiff_t k) {
    std::size_t order = std::size_t(std::abs(k));
    if (order == 0) return cosines[0];
    return (order % 2 ? -0.5 : 0.5) * cosines[order];
}

std::ptrdiff_t LastTap(std::span<const double> cosines) {
    return std::ptrdiff_t(cosines.size()) - 1;
}

// The bare transform's bin j for any j: the bins above N / 2 and below 0 mirror those of a real
// record.
Complex BareBin(const std::vector<Complex>& transform, std::ptrdiff_t j) {
    std::ptrdiff_t half = std::ptrdiff_t(transform.size()) - 1;
    if (j < 0) return std::conj(BareBin(transform, -j));
    if (j > half) return std::conj(transform[std::size_t(2 * half - j)]);
    return transform[std::size_t(j)];
}

// The taps are symmetric: the bins k below and above m share tap k.
Complex WindowedBin(const std::vector<Complex>& transform, std::span<const double> cosines,
                    std::size_t m) {
    std::size_t last = cosines.size() - 1;
    bool inside = m >= last && m + last < transform.size();
    Complex sum = cosines[0] * (inside ? transform[m] : BareBin(transform, std::ptrdiff_t(m)));
    for (std::size_t k = 1; k <= last; ++k) {
        std::ptrdiff_t below = std::ptrdiff_t(m - k), above = std::ptrdiff_t(m + k);
        Complex pair = inside ? transform[m - k] + transform[m + k]
                              : BareBin(transform, below) + BareBin(transform, above);
        sum += Tap(cosines, std::ptrdiff_t(k)) * pair;
    }
    return sum;
}

// Volts RMS of a sine at a bin per unit of windowed transform.
double BinScale(const Spectrum& spectrum, std::size_t bin) {
    bool edge = bin == 0 || bin == spectrum.Transform.size() - 1;
    return (edge ? 1 : kSqrt2) / (double(spectrum.Length) * CosinesOf(spectrum.Window)[0]);
}

// The transform over `length` samples of e^(j 2 pi x n / length), at a bin x away.
Complex Dirichlet(double x, double length) {
    double denominator = std::sin(kPi * x / length);
    double magnitude = std::abs(denominator) < 1e-12 ? length : std::sin(kPi * x) / denominator;
    return magnitude * std::exp(Complex(0, -kPi * x * (length - 1) / length));
}

// What the window makes, at a bin `offset` bins away, of a unit phasor: 1 at no offset.
Complex WindowResponse(const Spectrum& spectrum, double offset) {
    auto cosines = CosinesOf(spectrum.Window);
    double length = double(spectrum.Length);
    Complex sum;
    for (std::ptrdiff_t k = -LastTap(cosines); k <= LastTap(cosines); ++k)
        sum += Tap(cosines, k) * Dirichlet(offset - double(k), length);
    return sum / (length * cosines[0]);
}

bool TimesProblem(const std::vector<double>& times, std::size_t count) {
    for (std::size_t i = 1; i < count; ++i)
        if (!(times[i] > times[i - 1]) || !std::isfinite(times[i])) return true;
    return !BelievableTimeStep((times[count - 1] - times[0]) / double(count - 1));
}

Why RecordProblem(const ChannelSamples& samples, std::size_t count) {
    if (count == 0) return Why::NoSamples;
    if (samples.Times.size() != samples.Values.size()) return Why::BadSamples;
    if (count < kFewestSpectrumSamples) return Why::TooFewSamples;
    for (std::size_t i = 0; i < count; ++i)
        if (!(std::abs(samples.Values[i]) <= kLargestVolts)) return Why::BadSamples;
    return TimesProblem(samples.Times, count) ? Why::BadTimeBase : Why::None;
}

// The largest even 2^a 3^b 5^c up to `count`.
std::size_t SmoothLength(std::size_t count) {
    std::size_t best = 2;
    for (std::size_t twos = 2; twos <= count; twos *= 2)
        for (std::size_t threes = twos; threes <= count; threes *= 3)
            for (std::size_t fives = threes; fives <= count; fives *= 5)
                best = std::max(best, fives);
    return best;
}

// The fundamental's place in bins, from the Hann bins from 2 on, which the mean does not reach;
// none when they are all 0.
std::optional<double> PeakPosition(const std::vector<Complex>& transform) {
    auto hann = [&](std::size_t m) { return std::norm(WindowedBin(transform, kHann, m)); };
    std::size_t peak = 2;
    double highest = 0;
    for (std::size_t m = 2; m < transform.size(); ++m)
        if (double power = hann(m); power > highest) {
            highest = power;
            peak = m;
        }
    if (!(highest > 0)) return std::nullopt;
    double above = std::sqrt(hann(peak + 1)), below = std::sqrt(hann(peak - 1));
    double ratio = std::max(above, below) / std::sqrt(highest);
    double offset = (2 * ratio - 1) / (ratio + 1);
    return double(peak) + (above >= below ? offset : -offset);
}

// Why a fundamental at `position` bins gives no table; Why::None when it gives one.
Why FundamentalProblem(const Spectrum& spectrum, std::optional<double> position) {
    if (spectrum.Reason != Why::None) return spectrum.Reason;
    if (!position) return Why::Constant;
    if (!(*position >= kFewestPeriods - kFundamentalTolerance)) return Why::FewerThanFourPeriods;
    if (!(*position < double(spectrum.Length / 2))) return Why::AboveHalfSampling;
    return Why::None;
}

// A harmonic's phasor at `position` bins, the DC level `dc` taken out of the bins it reaches:
// the least-squares fit of the window's response to the bins within one bin of it.
Complex PhasorAt(const Spectrum& spectrum, double position, double dc) {
    auto cosines = CosinesOf(spectrum.Window);
    std::size_t first = std::size_t(std::max(1.0, std::ceil(position - 1)));
    std::size_t last = std::min(spectrum.Transform.size() - 2, std::size_t(position + 1));
    Complex fitted;
    double weight = 0;
    for (std::size_t bin = first; bin <= last; ++bin) {
        Complex measured = PhasorOf(spectrum, bin);
        if (std::ptrdiff_t(bin) <= LastTap(cosines))
            measured -= dc * kSqrt2 * Tap(cosines, std::ptrdiff_t(bin)) / cosines[0];
        Complex response = WindowResponse(spectrum, double(bin) - position);
        fitted += measured * std::conj(response);
        weight += std::norm(response);
    }
    return fitted / weight;
}

double WrappedDegrees(double radians) {
    double degrees = std::remainder(radians * 180 / kPi, 360.0);
    return degrees <= -180 ? degrees + 360 : degrees;
}

Measure Valued(double value) { return {value, Why::None}; }
Measure Absent(Why reason) { return {std::nullopt, reason}; }

Distortion DistortionOf(double powerShare, double floorPower, double h1, bool clipped) {
    Distortion distortion;
    distortion.FloorPercent = 100 * std::sqrt(floorPower) / h1;
    double percent = 100 * std::sqrt(powerShare) / h1;
    distortion.Percent = clipped ? Absent(Why::Clipped) : Valued(percent);
    distortion.AtFloor = floorPower > 0 && percent <= kFloorMargin * distortion.FloorPercent;
    return distortion;
}

// Every bin's power but the DC's and H1's main lobes, the noise counted once through the ENBW.
double PowerBesidesH1(const Spectrum& spectrum, double h1Position) {
    WindowShape shape = ShapeOf(spectrum.Window);
    double power = 0;
    for (std::size_t bin = std::size_t(shape.LobeBins); bin < spectrum.Levels.size(); ++bin)
        if (std::abs(double(bin) - h1Position) >= shape.LobeBins)
            power += spectrum.Levels[bin] * spectrum.Levels[bin];
    return power / shape.NoiseBandwidth;
}

void FillDistortions(const Spectrum& spectrum, double h1Position, HarmonicTable& table) {
    double h1 = *table.Harmonics[0].Rms.Value, harmonicPower = 0;
    int measured = 0;
    for (std::size_t k = 1; k < table.Harmonics.size(); ++k)
        if (const auto& rms = table.Harmonics[k].Rms.Value) {
            harmonicPower += *rms * *rms;
            ++measured;
        }
    double quantization = spectrum.ConverterStep * spectrum.ConverterStep / 12;
    double perBin =
        quantization * ShapeOf(spectrum.Window).NoiseBandwidth / double(spectrum.Length / 2);
    table.Thd = DistortionOf(harmonicPower, measured * perBin, h1, spectrum.Clipped);
    if (measured == 0) table.Thd.Percent = Absent(Why::AboveHalfSampling);
    table.ThdNoise =
        DistortionOf(PowerBesidesH1(spectrum, h1Position), quantization, h1, spectrum.Clipped);
}

} // namespace

WindowShape ShapeOf(SpectrumWindow window) {
    auto cosines = CosinesOf(window);
    double squares = cosines[0] * cosines[0];
    for (std::size_t k = 1; k < cosines.size(); ++k) squares += cosines[k] * cosines[k] / 2;
    return {cosines[0], squares / (cosines[0] * cosines[0]), int(cosines.size())};
}

Spectrum SpectrumOf(const ChannelSamples& samples, SpectrumWindow window, std::size_t rows) {
    Spectrum spectrum;
    spectrum.Window = window;
    std::size_t count = std::min(rows, samples.Values.size());
    spectrum.Reason = RecordProblem(samples, count);
    if (spectrum.Reason != Why::None) return spectrum;
    double sampleTime = (samples.Times[count - 1] - samples.Times[0]) / double(count - 1);
    spectrum.Length = SmoothLength(count);
    spectrum.BinWidth = 1 / (double(spectrum.Length) * sampleTime);
    spectrum.ConverterStep = samples.Step;
    spectrum.Clipped = samples.ClippedLow || samples.ClippedHigh;
    spectrum.Transform = RealTransform(samples.Values.data(), spectrum.Length);
    std::size_t last = spectrum.Transform.size() - 1;
    spectrum.Levels.resize(last + 1);
    auto cosines = CosinesOf(window);
    double sineScale = BinScale(spectrum, 1);
    for (std::size_t bin = 1; bin < last; ++bin)
        spectrum.Levels[bin] =
            sineScale * std::sqrt(std::norm(WindowedBin(spectrum.Transform, cosines, bin)));
    for (std::size_t edge : {std::size_t(0), last})
        spectrum.Levels[edge] = std::abs(PhasorOf(spectrum, edge));
    return spectrum;
}

std::complex<double> PhasorOf(const Spectrum& spectrum, std::size_t bin) {
    return BinScale(spectrum, bin) *
           WindowedBin(spectrum.Transform, CosinesOf(spectrum.Window), bin);
}

double Dbv(double voltsRms) { return 20 * std::log10(voltsRms); }

HarmonicTable HarmonicsOf(const Spectrum& spectrum, std::optional<double> knownFrequency) {
    HarmonicTable table;
    table.Clipped = spectrum.Clipped;
    std::optional<double> position;
    if (spectrum.Reason == Why::None)
        position = knownFrequency ? std::optional(*knownFrequency / spectrum.BinWidth)
                                  : PeakPosition(spectrum.Transform);
    table.Reason = FundamentalProblem(spectrum, position);
    if (table.Reason != Why::None) return table;
    table.Periods = *position;
    table.Fundamental = *position * spectrum.BinWidth;

    double half = double(spectrum.Length / 2), windowedDc = PhasorOf(spectrum, 0).real();
    std::vector<Complex> phasors;
    for (int order = 1; order <= kHarmonicCount && order * *position < half; ++order)
        phasors.push_back(PhasorAt(spectrum, order * *position, windowedDc));
    double h1 = std::abs(phasors[0]);
    if (!(h1 > 0)) {
        table.Reason = Why::ZeroVoltage;
        return table;
    }

    table.Dc = windowedDc;
    for (int order = 1; order <= kHarmonicCount; ++order) {
        Harmonic harmonic{order, order * table.Fundamental, {}, {}, {}};
        if (std::size_t(order) > phasors.size()) {
            harmonic.Rms = harmonic.RelativeDb = harmonic.PhaseDegrees =
                Absent(Why::AboveHalfSampling);
        } else {
            Complex phasor = phasors[std::size_t(order - 1)];
            harmonic.Rms = Valued(std::abs(phasor));
            harmonic.RelativeDb = Valued(Dbv(std::abs(phasor) / h1));
            harmonic.PhaseDegrees =
                Valued(WrappedDegrees(std::arg(phasor) - order * std::arg(phasors[0])));
            table.Dc -= kSqrt2 * (phasor * WindowResponse(spectrum, -order * *position)).real();
        }
        table.Harmonics.push_back(harmonic);
    }
    FillDistortions(spectrum, *position, table);
    return table;
}
