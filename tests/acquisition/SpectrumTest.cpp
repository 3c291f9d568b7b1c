#include "acquisition/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <random>

#include "acquisition/Record.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kSampleTime = 1e-5;
constexpr double kVoltsPerDivision = 0.5;
// An 8-bit scope's step: 256 codes over 10.24 divisions.
constexpr double kStep = kVoltsPerDivision / kCountsPerDivision;

using Signal = std::function<double(double seconds)>;

// Hertz of `bins` bins of a transform of `length` samples.
double Hertz(double bins, double length = 2048) { return bins / (length * kSampleTime); }

// A sum of sines: {volts RMS, hertz, degrees of phase} each, and a constant.
struct Tone {
    double Rms, Hertz, Degrees = 0;
};
Signal Tones(std::vector<Tone> tones, double dc = 0) {
    return [=](double t) {
        double v = dc;
        for (const Tone& tone : tones)
            v += tone.Rms * std::numbers::sqrt2 *
                 std::cos(2 * kPi * tone.Hertz * t + tone.Degrees * kPi / 180);
        return v;
    };
}

// The signal as an 8-bit scope records it: Gaussian noise of `noise` codes, rounded to a code,
// clipped to the 256 codes.
ChannelSamples Recorded(const Signal& signal, std::size_t count = 2048, double noise = 0.3,
                        unsigned seed = 1) {
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0, noise);
    ChannelSamples samples;
    samples.Step = kStep;
    for (std::size_t i = 0; i < count; ++i) {
        double t = double(i) * kSampleTime;
        double code = std::clamp(std::round(signal(t) / kStep + gauss(random)), -128.0, 127.0);
        samples.ClippedLow |= code == -128;
        samples.ClippedHigh |= code == 127;
        samples.Times.push_back(t);
        samples.Values.push_back(code * kStep);
    }
    return samples;
}

HarmonicTable TableOf(const ChannelSamples& samples, std::optional<double> known = {}) {
    return HarmonicsOf(SpectrumOf(samples, SpectrumWindow::FlatTop), known);
}

double Rms(const HarmonicTable& table, int order) {
    return table.Harmonics.at(std::size_t(order - 1)).Rms.Value.value_or(NAN);
}

} // namespace

// Each window reads a sine between two bins, and white noise through its bandwidth; the flat-top's
// bins themselves hold the sine's level wherever it falls.
TEST(Spectrum, EachWindowReadsASineBetweenBinsAndNoiseThroughItsBandwidth) {
    const struct {
        SpectrumWindow window;
        double gain, bandwidth, binLossDb; // the most a bin misses of a sine half a bin away
    } windows[] = {{SpectrumWindow::FlatTop, 0.2156, 3.77, 0.05},
                   {SpectrumWindow::Hann, 0.5, 1.5, 1.5},
                   {SpectrumWindow::Rectangular, 1, 1, 4}};
    for (const auto& w : windows) {
        EXPECT_NEAR(ShapeOf(w.window).CoherentGain, w.gain, 1e-4);
        EXPECT_NEAR(ShapeOf(w.window).NoiseBandwidth, w.bandwidth, 0.01);
        for (double bins : {100.0, 100.25, 100.5, 231.7}) {
            Spectrum spectrum = SpectrumOf(Recorded(Tones({{1, Hertz(bins)}})), w.window);
            double peak = *std::max_element(spectrum.Levels.begin(), spectrum.Levels.end());
            EXPECT_NEAR(Dbv(peak), 0, w.binLossDb) << bins;
            HarmonicTable table = HarmonicsOf(spectrum);
            EXPECT_NEAR(Dbv(Rms(table, 1)), 0, 0.05) << bins;
            EXPECT_NEAR(table.Fundamental, Hertz(bins), 0.1 * spectrum.BinWidth) << bins;
            EXPECT_NEAR(Dbv(Rms(HarmonicsOf(spectrum, Hertz(bins)), 1)), 0, 0.05) << bins;
        }
        Spectrum onBin = SpectrumOf(Recorded(Tones({{1, Hertz(100), 30}})), w.window);
        EXPECT_NEAR(std::arg(PhasorOf(onBin, 100)) * 180 / kPi, 30, 0.5);
        Spectrum noise = SpectrumOf(Recorded(Tones({}), 8192, 10), w.window); // 0.2 V RMS
        double power = 0;
        for (std::size_t bin = 1; bin < noise.Levels.size(); ++bin)
            power += noise.Levels[bin] * noise.Levels[bin];
        EXPECT_NEAR(std::sqrt(power / ShapeOf(w.window).NoiseBandwidth), 0.2, 0.01);
    }
}

TEST(Spectrum, OnePercentOfThirdHarmonicIsOnePercentThd) {
    for (double bins : {40.3, 5000.77})
        for (double degrees : {0.0, 60.0, -135.0, 180.0}) {
            double hertz = Hertz(bins, 32768);
            HarmonicTable table =
                TableOf(Recorded(Tones({{1, hertz}, {0.01, 3 * hertz, degrees}}), 32768));
            ASSERT_EQ(table.Reason, Why::None);
            EXPECT_NEAR(table.Thd.Percent.Value.value(), 1, 0.05) << bins << " " << degrees;
            EXPECT_FALSE(table.Thd.AtFloor);
            const Harmonic& third = table.Harmonics[2];
            EXPECT_NEAR(third.Frequency, 3 * hertz, 0.3 * Hertz(1, 32768));
            EXPECT_NEAR(third.RelativeDb.Value.value(), -40, 0.5);
            EXPECT_NEAR(std::remainder(third.PhaseDegrees.Value.value() - degrees, 360), 0, 3);
        }
}

// A square wave of +-2 V, its sines at 1/n of the fundamental for odd n below half the sampling
// rate: the Fourier series' phases, 180 degrees at 3 and 7, 0 at 5 and 9, wherever it starts.
TEST(Spectrum, ABandLimitedSquareWaveHasItsOddHarmonicsAtOneOverN) {
    for (double bins : {20.0, 31.4})
        for (double start : {0.0, 77.0}) {
            std::vector<Tone> series;
            for (int n = 1; n * Hertz(bins, 8192) < 0.5 / kSampleTime; n += 2)
                series.push_back(
                    {4 / kPi / n * std::numbers::sqrt2, n * Hertz(bins, 8192), n * start - 90});
            HarmonicTable table = TableOf(Recorded(Tones(series), 8192));
            ASSERT_EQ(table.Reason, Why::None);
            for (const Harmonic& h : table.Harmonics) {
                if (h.Order % 2 == 0) {
                    EXPECT_LT(h.RelativeDb.Value.value(), -50) << h.Order;
                    continue;
                }
                EXPECT_NEAR(h.RelativeDb.Value.value(), Dbv(1.0 / h.Order), 0.1) << h.Order;
                double phase = h.Order % 4 == 3 ? 180 : 0;
                EXPECT_NEAR(std::remainder(h.PhaseDegrees.Value.value() - phase, 360), 0, 2)
                    << h.Order;
            }
        }
}

// A record of 10 007 samples is transformed over 10 000 = 2^4 5^4.
TEST(Spectrum, APrimeLengthRecordGivesTheRightLevel) {
    Spectrum spectrum =
        SpectrumOf(Recorded(Tones({{1, Hertz(123.4, 10000)}}), 10007), SpectrumWindow::FlatTop);
    EXPECT_EQ(spectrum.Length, 10000u);
    EXPECT_EQ(spectrum.Levels.size(), 5001u);
    EXPECT_NEAR(Dbv(Rms(HarmonicsOf(spectrum), 1)), 0, 0.05);
}

// A sine on a constant, over few periods: the DC's lobe kept out of H1, H1's out of the DC.
TEST(Spectrum, TheDcLevelAndFewPeriodsKeepOutOfEachOther) {
    for (double periods : {4.0, 4.5, 5.2, 30.7})
        for (double dc : {-1.0, 0.0, 1.5}) {
            Spectrum spectrum =
                SpectrumOf(Recorded(Tones({{0.5, Hertz(periods)}}, dc)), SpectrumWindow::FlatTop);
            EXPECT_NEAR(spectrum.Levels[0], std::abs(dc), 0.015); // not √2 of it
            HarmonicTable table = HarmonicsOf(spectrum);
            ASSERT_EQ(table.Reason, Why::None) << periods;
            EXPECT_NEAR(table.Dc, dc, 0.002) << periods << " " << dc;
            EXPECT_NEAR(Dbv(Rms(table, 1) / 0.5), 0, 0.05) << periods << " " << dc;
        }
}

// 6 of 8 divisions peak to peak at 8 bits: 75 codes of amplitude, THD+N's floor
// (1 / √12) / (75 / √2) = 0.544 %.
TEST(Spectrum, AClean8BitSineIsAtWhatTheConverterCanTell) {
    Tone sine{3 * kVoltsPerDivision / std::numbers::sqrt2, Hertz(50.3)};
    const struct {
        double noise; // codes
        double step;
        bool atFloor;
    } cases[] = {{0.05, kStep, true}, {1, kStep, false}, {0.05, 0, false}};
    for (const auto& c : cases) {
        ChannelSamples samples = Recorded(Tones({sine}), 2048, c.noise);
        samples.Step = c.step;
        HarmonicTable table = TableOf(samples);
        double floor = c.step > 0 ? 0.544 : 0;
        EXPECT_NEAR(table.ThdNoise.FloorPercent, floor, 0.001);
        EXPECT_NEAR(table.Thd.FloorPercent, floor * std::sqrt(9 * 3.77 / 1024), 0.001);
        double expected = 0.544 * std::sqrt(1 + 12 * c.noise * c.noise);
        EXPECT_NEAR(table.ThdNoise.Percent.Value.value(), expected, 0.15 * expected) << c.noise;
        EXPECT_EQ(table.ThdNoise.AtFloor, c.atFloor) << c.noise;
        EXPECT_EQ(table.Thd.AtFloor, c.atFloor) << c.noise;
    }
}

TEST(Spectrum, WhatCannotBeGivenSaysWhy) {
    Signal sine = Tones({{1, Hertz(50.3)}});
    ChannelSamples notANumber = Recorded(sine), fewerTimes = notANumber, sameTime = notANumber;
    notANumber.Values[7] = NAN;
    fewerTimes.Times.pop_back();
    sameTime.Times[5] = sameTime.Times[4];
    const struct {
        ChannelSamples samples;
        std::optional<double> known;
        Why reason;
    } cases[] = {
        {{}, {}, Why::NoSamples},
        {Recorded(sine, 15), {}, Why::TooFewSamples},
        {notANumber, {}, Why::BadSamples},
        {fewerTimes, {}, Why::BadSamples},
        {sameTime, {}, Why::BadTimeBase},
        {Recorded(Tones({}, 0.3), 2048, 1e-6), {}, Why::Constant},
        {Recorded(Tones({{1, Hertz(3)}})), {}, Why::FewerThanFourPeriods},
        {Recorded(sine), Hertz(3.5), Why::FewerThanFourPeriods},
        {Recorded(sine), -Hertz(50.3), Why::FewerThanFourPeriods},
        {Recorded(sine), NAN, Why::FewerThanFourPeriods},
        {Recorded(sine), 0.5 / kSampleTime, Why::AboveHalfSampling},
    };
    for (const auto& c : cases) {
        HarmonicTable table = TableOf(c.samples, c.known);
        EXPECT_EQ(table.Reason, c.reason) << WhyCode(table.Reason) << " for " << WhyCode(c.reason);
        EXPECT_TRUE(table.Harmonics.empty());
    }

    // At a seventh of the sampling rate, H4 on lie above half of it: the THD's floor counts two.
    HarmonicTable seventh = TableOf(Recorded(Tones({{1, 1 / (7 * kSampleTime)}})));
    for (const Harmonic& h : seventh.Harmonics)
        EXPECT_EQ(h.PhaseDegrees.Reason, h.Order <= 3 ? Why::None : Why::AboveHalfSampling);
    EXPECT_NEAR(seventh.Thd.FloorPercent,
                100 * std::sqrt(2 * kStep * kStep / 12 * 3.77 / 1024) / Rms(seventh, 1), 1e-3);

    EXPECT_EQ(TableOf(Recorded(sine)).Thd.Percent.Reason, Why::None);
    HarmonicTable fast = TableOf(Recorded(Tones({{1, 0.3 / kSampleTime}})));
    EXPECT_EQ(fast.Thd.Percent.Reason, Why::AboveHalfSampling); // no harmonic below it

    HarmonicTable clipped = TableOf(Recorded(Tones({{2, Hertz(50.3)}})));
    EXPECT_TRUE(clipped.Clipped);
    EXPECT_EQ(clipped.Thd.Percent.Reason, Why::Clipped);
    EXPECT_EQ(clipped.ThdNoise.Percent.Reason, Why::Clipped);
}
