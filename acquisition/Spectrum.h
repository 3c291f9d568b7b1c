#pragma once
// The amplitude spectrum of one channel and its harmonic table, as a scope's FFT and a distortion
// analyser show them. Portable arithmetic on samples in volts; what cannot be given is absent,
// with the reason why.
//
// The record's first N samples are transformed once, without a window (acquisition/
// RealTransform.h), N being the largest even 2^a 3^b 5^c that fits: no large prime factor, and
// no need of whole periods. Every window offered is a sum of a few cosines, periodic over the N
// samples: in the transform's bins it is a convolution of as many taps on each side, so each
// window's bins, and the Hann bins the fundamental is looked for in, come from that one transform
// without another pass over the samples. A windowed bin is scaled to the volts RMS of a sine on
// it: by the window's coherent gain, and by √2 except at 0 and at half the sampling rate, whose
// bins are the value itself.
//
// The fundamental is the highest Hann bin's, interpolated: for a sine at m + d bins, the ratio r
// of the bin at m + 1 to the one at m is (1 + d) / (2 - d), so d = (2r - 1) / (r + 1). A
// harmonic's phasor at its fractional bin is fitted, by least squares, to the bins within one bin
// of it against the window's own response to a sine there (its exact transform over the N
// samples): right wherever it falls between bins, with its phase at the first sample. The DC
// level is taken out of the few bins its lobe reaches first, so that it cannot lean on a
// fundamental of four or five periods.
#include <complex>
#include <cstddef>
#include <limits>
#include <optional>
#include <vector>

#include "acquisition/Measurements.h"
#include "acquisition/Why.h"

enum class SpectrumWindow { FlatTop, Hann, Rectangular };

struct WindowShape {
    double CoherentGain = 1;   // the window's mean: a sine's bin is that much of its amplitude
    double NoiseBandwidth = 1; // ENBW, in bins: a bin holds that many bins' worth of noise
    int LobeBins = 1;          // half the width of a sine's main lobe, in bins
};
// Flat-top: 0.2156, 3.77 bins, 5 bins (flat within 0.01 dB over a bin); Hann: 0.5, 1.5, 2;
// rectangular: 1, 1, 1.
WindowShape ShapeOf(SpectrumWindow window);

// A spectrum needs at least this many samples.
constexpr std::size_t kFewestSpectrumSamples = 16;

struct Spectrum {
    Why Reason = Why::None; // NoSamples, TooFewSamples, BadSamples or BadTimeBase: no bins
    SpectrumWindow Window = SpectrumWindow::FlatTop;
    std::size_t Length = 0; // the samples transformed: the record's first
    double BinWidth = 0;    // hertz
    // From bin 0 to Length / 2 (half the sampling rate): volts RMS of a sine at that bin's
    // frequency, through the window; at bin 0 the mean's magnitude.
    std::vector<double> Levels;
    // The same bins' transform without the window, for the phases and the harmonics.
    std::vector<std::complex<double>> Transform;
    double ConverterStep = 0; // the record's volts between two converter codes; 0: unknown
    bool Clipped = false;     // the trace left the converter's range

    double FrequencyOf(std::size_t bin) const { return double(bin) * BinWidth; }
};

// The spectrum of the first `rows` samples of a channel (an acquisition's signal rows), equally
// spaced in time.
Spectrum SpectrumOf(const ChannelSamples& samples, SpectrumWindow window,
                    std::size_t rows = std::numeric_limits<std::size_t>::max());

// A bin through the window: volts RMS of a sine at that bin, its angle the phase of that sine's
// cosine at the first sample; at bin 0, the windowed mean (real, signed). `bin` at most Length / 2.
std::complex<double> PhasorOf(const Spectrum& spectrum, std::size_t bin);

// 20 log10(volts RMS / 1 V); -infinity for 0 V.
double Dbv(double voltsRms);

// A harmonic table reads H1 to H10, of a fundamental with this many periods in the record or more.
constexpr int kHarmonicCount = 10;
constexpr double kFewestPeriods = 4;

struct Harmonic {
    int Order = 1;
    double Frequency = 0; // hertz: Order x the fundamental's
    // At or above half the sampling rate, none of these, with Why::AboveHalfSampling.
    Measure Rms;          // volts
    Measure RelativeDb;   // against H1
    Measure PhaseDegrees; // phi_k - k phi_1 of cosines, in ]-180, 180]: a time shift leaves it
};

// A distortion in percent of H1, and the floor the converter's quantization alone puts under it.
// Quantization noise is Δ / √12 RMS for a step of Δ volts, spread evenly over the N / 2 bins:
//   THD+N floor = (Δ / √12) / H1
//   THD floor   = √(h x (Δ² / 12) x ENBW / (N / 2)) / H1, the noise in the h harmonic bins
//                 measured (9 when H2 to H10 lie below half the sampling rate)
// An 8-bit sine of 6 of 8 divisions peak to peak spans 75 steps of amplitude (256 codes over
// 10.24 divisions), H1 = 75 Δ / √2: a THD+N floor of √2 / (75 √12) = 0.54 %, and with the
// flat-top over 2048 samples a THD floor of 0.10 %.
struct Distortion {
    // None with Why::Clipped: it would be the clipping's; a THD none with AboveHalfSampling when
    // no harmonic lies below half the sampling rate.
    Measure Percent;
    double FloorPercent = 0; // 0: the converter's step is unknown
    // Within 3 dB of the floor or under it: the converter's own noise makes half the power or
    // more, and the converter cannot tell the value.
    bool AtFloor = false;
};

// H1 to H10 of a channel's fundamental, the DC level, THD (H2 to H10 over H1) and THD+N
// (everything but the DC and H1's main lobe over H1, the noise through the window's ENBW).
struct HarmonicTable {
    // None when the table holds its values; else the spectrum's reason, Constant,
    // FewerThanFourPeriods (counted over the samples transformed, within a tenth of a period),
    // AboveHalfSampling for the fundamental itself, or ZeroVoltage when nothing lies at a given
    // fundamental.
    Why Reason = Why::None;
    double Fundamental = 0;          // hertz
    double Periods = 0;              // of the fundamental, over the samples transformed
    double Dc = 0;                   // volts, less what the harmonics' lobes leak into bin 0
    std::vector<Harmonic> Harmonics; // H1 to H10
    Distortion Thd, ThdNoise;
    bool Clipped = false; // the trace left the converter's range: its harmonics hold the clipping's
};

// The fundamental is looked for in the spectrum (within a tenth of a bin for a sine), unless the
// caller knows it (the frequency the crossings gave). Every harmonic is read through the
// spectrum's window.
HarmonicTable HarmonicsOf(const Spectrum& spectrum,
                          std::optional<double> knownFrequency = std::nullopt);
