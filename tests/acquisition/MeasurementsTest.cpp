#include "acquisition/Measurements.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

#include "acquisition/Record.h"
#include "app/MeasureTexts.h"
#include "common/NumberText.h"
#include "common/Text1252.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kZero = 120; // off the centre line, so a missing subtraction shows

using Counts = std::function<double(int sample)>;

Counts Sine(double amplitude, double samplesPerPeriod, double lagDegrees = 0) {
    return [=](int i) {
        return amplitude * std::sin(2 * kPi * i / samplesPerPeriod - lagDegrees * kPi / 180);
    };
}

class SyntheticRecord : public ::testing::Test {
protected:
    SyntheticRecord() {
        record.TimeStep = 1e-5f;
        record.Channel(1).Sensitivity = 0.5f;
        record.Channel(2).Sensitivity = 0.5f;
    }
    void TearDown() override { SetDecimalSeparator('.'); }

    // Sample i of the channel lies counts(i) bytes, rounded, above its zero, within the bytes.
    void Fill(int channel, const Counts& counts) {
        int offset = record.Channel(channel).Offset;
        for (int i = 0; i < record.RowCount(); ++i) {
            record.ZeroData[std::size_t(offset + i)] = kZero;
            record.RawData[std::size_t(offset + i)] =
                std::clamp(kZero + int32_t(std::lround(counts(i))), 0, 255);
        }
    }
    AcquisitionPtr Acquired() const { return AcquisitionOf(record, false, {}, ""); }
    ChannelMeasures Measures(int channel) const {
        return Acquired()->Measures().Channels[std::size_t(channel - 1)];
    }
    PhaseMeasures Phase() const { return *Acquired()->Measures().Phase; }
    static double Volts(double counts) { return counts * 0.5 / kCountsPerDivision; }
    double FrequencyOf(double samplesPerPeriod) const {
        return 1 / (samplesPerPeriod * double(record.TimeStep));
    }

    AcquisitionRecord record;
};

using MeasuredChannel = SyntheticRecord;
using MeasuredPhase = SyntheticRecord;

} // namespace

// A byte at the converter's limit is the screen's edge: what lies beyond is unknown.
TEST_F(MeasuredChannel, AtTheConvertersLimitsItIsClipped) {
    const struct {
        double offset;
        bool low, high;
    } cases[] = {{0, false, false}, {60, false, true}, {-60, true, false}, {0, true, true}};
    for (const auto& c : cases) {
        double amplitude = c.low && c.high ? 200 : 100;
        Fill(1, [&](int i) { return c.offset + amplitude * std::sin(i / 20.0); });
        AcquisitionPtr read = Acquired();
        const ChannelSamples& samples = read->Samples(0);
        EXPECT_EQ(samples.ClippedLow, c.low);
        EXPECT_EQ(samples.ClippedHigh, c.high);
        ChannelMeasures m = Measures(1);
        EXPECT_EQ(m.Clipped, c.low || c.high);
        EXPECT_EQ(m.Minimum.Value.has_value(), !c.low) << c.offset;
        EXPECT_EQ(m.Maximum.Value.has_value(), !c.high) << c.offset;
        for (const Measure* each : {&m.PeakToPeak, &m.Mean, &m.Rms, &m.RiseTime})
            EXPECT_EQ(each->Reason, c.low || c.high ? Why::Clipped : Why::None);
        EXPECT_TRUE(m.Frequency.Value); // the crossings are still where they were
    }
}

TEST_F(MeasuredChannel, ASineGivesItsPeakToPeakRmsAndFrequency) {
    for (double samplesPerPeriod : {1024.0, 910.0, 371.3, 60.7, 10.24}) { // 2 to 200 periods
        Fill(1, Sine(100, samplesPerPeriod));
        ChannelMeasures m = Measures(1);
        EXPECT_NEAR(*m.PeakToPeak.Value, Volts(200), Volts(1)) << samplesPerPeriod;
        EXPECT_NEAR(*m.Maximum.Value, Volts(100), Volts(1)) << samplesPerPeriod;
        EXPECT_NEAR(*m.Minimum.Value, Volts(-100), Volts(1)) << samplesPerPeriod;
        EXPECT_TRUE(m.OverWholePeriods);
        EXPECT_NEAR(*m.Rms.Value, Volts(100) / std::sqrt(2.0), 0.003 * Volts(100));
        EXPECT_NEAR(*m.Mean.Value, 0, 0.003 * Volts(100));
        ASSERT_TRUE(m.Frequency.Value && m.Period.Value) << samplesPerPeriod;
        EXPECT_NEAR(*m.Frequency.Value, FrequencyOf(samplesPerPeriod),
                    0.0005 * FrequencyOf(samplesPerPeriod));
        EXPECT_DOUBLE_EQ(*m.Period.Value * *m.Frequency.Value, 1);
    }
}

// Mean and RMS over the record would count the fraction of a period at its end.
TEST_F(MeasuredChannel, MeanAndRmsCoverWholePeriods) {
    for (double periods : {2.5, 3.3, 7.7, 1.5}) {
        Fill(1, Sine(100, 2048 / periods)); // 2 V
        ChannelMeasures m = Measures(1);
        EXPECT_EQ(m.OverWholePeriods, periods >= 2) << periods;
        if (!m.OverWholePeriods) continue; // under two periods there is no period to follow
        EXPECT_NEAR(*m.Mean.Value, 0, 0.01) << periods;
        EXPECT_NEAR(*m.Rms.Value, 2 / std::sqrt(2.0), 0.005) << periods;
    }
}

TEST_F(MeasuredChannel, ASquareWaveGivesItsMeanRmsAndWidths) {
    Fill(1, [](int i) { return i % 256 < 128 ? 60 : -20; }); // eight whole periods
    ChannelMeasures m = Measures(1);
    EXPECT_NEAR(*m.Mean.Value, Volts(20), 1e-12);
    EXPECT_NEAR(*m.Rms.Value, Volts(std::sqrt((60 * 60 + 20 * 20) / 2.0)), 1e-12);
    EXPECT_DOUBLE_EQ(*m.PeakToPeak.Value, Volts(80));
    EXPECT_DOUBLE_EQ(*m.Top.Value, Volts(60));
    EXPECT_DOUBLE_EQ(*m.Base.Value, Volts(-20));
    EXPECT_NEAR(*m.Frequency.Value, FrequencyOf(256), 1e-6 * FrequencyOf(256));
    EXPECT_NEAR(*m.PositiveWidth.Value, 128e-5, 1e-9);
    EXPECT_NEAR(*m.NegativeWidth.Value, 128e-5, 1e-9);
    EXPECT_EQ(m.RiseTime.Reason, Why::EdgeFasterThanSampling);
}

// A band of a tenth of the peak to peak let noise cross it again and again.
TEST_F(MeasuredChannel, NoiseDoesNotMultiplyTheFrequency) {
    const struct {
        double amplitude;
        int uniform;  // +- counts
        double gauss; // deviation in counts
        double samplesPerPeriod;
    } cases[] = {{5, 1, 0, 300},  {10, 3, 0, 300}, {15, 0, 1, 300},
                 {10, 3, 0, 100}, {60, 3, 0, 600}, {40, 3, 0, 20}};
    for (unsigned seed : {1u, 2u, 3u})
        for (const auto& c : cases) {
            std::mt19937 random(seed);
            std::uniform_int_distribution<int> uniform(-c.uniform, c.uniform);
            std::normal_distribution<double> gauss(0, c.gauss + 1e-9);
            Counts sine = Sine(c.amplitude, c.samplesPerPeriod);
            Fill(1, [&](int i) { return sine(i) + uniform(random) + gauss(random); });
            auto frequency = Measures(1).Frequency.Value;
            ASSERT_TRUE(frequency) << c.amplitude << " " << seed;
            EXPECT_NEAR(*frequency, FrequencyOf(c.samplesPerPeriod),
                        0.002 * FrequencyOf(c.samplesPerPeriod))
                << c.amplitude << " +-" << c.uniform << " s=" << c.gauss << " seed " << seed;
        }
}

// Short pulses never left a band around the mean: the middle level lies between base and top. A
// square wave of two or three periods has the sharp autocorrelation peak of its corners.
TEST_F(MeasuredChannel, PulseTrainsOfAnyDutyCycleHaveTheirPeriod) {
    for (double samplesPerPeriod : {100.0, 100.37, 682.7, 1024.0})
        for (double duty : {1, 2, 5, 30, 50, 95, 98, 99}) {
            Fill(1, [&](int i) {
                return std::fmod(i + 13.3, samplesPerPeriod) < duty * samplesPerPeriod / 100 ? 80
                                                                                             : -80;
            });
            ChannelMeasures m = Measures(1);
            ASSERT_TRUE(m.Period.Value) << duty << " " << WhyCode(m.Period.Reason);
            EXPECT_NEAR(*m.Period.Value, samplesPerPeriod * 1e-5, 1e-5) << duty;
            EXPECT_NEAR(*m.DutyCycle.Value, duty, 1) << duty;
            EXPECT_NEAR(*m.PositiveWidth.Value + *m.NegativeWidth.Value, *m.Period.Value, 1e-12);
        }
}

TEST_F(MeasuredChannel, EdgesTakeTenToNinetyPercentOfTheirWay) {
    Fill(1, Sine(100, 300)); // from -0.8 to 0.8: 2 asin(0.8) / 2 pi of a period
    double sineEdge = 300 * std::asin(0.8) / kPi * 1e-5;
    ChannelMeasures sine = Measures(1);
    EXPECT_NEAR(*sine.RiseTime.Value, sineEdge, 1e-5);
    EXPECT_NEAR(*sine.FallTime.Value, sineEdge, 1e-5);
    Fill(1, [](int i) { // trapezoid: 20 samples up, 130 high, 40 down, 310 low
        double at = std::fmod(i, 500.0);
        return at < 20 ? 5 * at : at < 150 ? 100 : at < 190 ? 100 - 2.5 * (at - 150) : 0;
    });
    ChannelMeasures trapezoid = Measures(1);
    EXPECT_NEAR(*trapezoid.RiseTime.Value, 16e-5, 0.5e-5);
    EXPECT_NEAR(*trapezoid.FallTime.Value, 32e-5, 0.5e-5);
    EXPECT_NEAR(*trapezoid.PositiveWidth.Value, 160e-5, 0.5e-5);
    EXPECT_NEAR(*trapezoid.DutyCycle.Value, 32, 0.2);
}

TEST_F(MeasuredChannel, WithoutAPeriodTheReasonIsGiven) {
    std::mt19937 random(4);
    std::uniform_int_distribution<int> noise(-20, 20);
    const struct {
        Counts counts;
        Why reason;
    } cases[] = {
        {[](int) { return 10; }, Why::Constant},
        {[](int i) { return i < 700    ? -50
                            : i < 1400 ? 50
                                       : -50; }, Why::FewerThanTwoPeriods},
        {Sine(100, 2048 / 1.9), Why::FewerThanTwoPeriods},
        {Sine(100, 4.9), Why::TooFewSamplesPerPeriod},
        {Sine(100, 2.04), Why::TooFewSamplesPerPeriod},
        {[&](int) { return noise(random); }, Why::TooNoisy},
    };
    for (const auto& c : cases) {
        Fill(1, c.counts);
        ChannelMeasures m = Measures(1);
        EXPECT_FALSE(m.Period.Value) << WhyCode(c.reason);
        EXPECT_EQ(m.Period.Reason, c.reason);
        EXPECT_EQ(m.Frequency.Reason, c.reason);
        EXPECT_TRUE(m.Mean.Value && m.Rms.Value) << WhyCode(c.reason);
        EXPECT_EQ(EngineeringText(m.Frequency, "Hz"), Cp1252("—"));
    }
}

// What an unreadable header gives, and samples that are not samples: "—", never a number.
TEST_F(MeasuredChannel, ImpossibleSettingsAndBadSamplesGiveNoNumber) {
    EXPECT_TRUE(BelievableTimeStep(1e-5) && BelievableTimeStep(5e-10) && BelievableTimeStep(0.5));
    EXPECT_FALSE(BelievableTimeStep(5e-30) || BelievableTimeStep(0) || BelievableTimeStep(NAN));
    EXPECT_TRUE(BelievableSensitivity(0.001) && BelievableSensitivity(2000));
    EXPECT_FALSE(BelievableSensitivity(NoValue) || BelievableSensitivity(-1) ||
                 BelievableSensitivity(INFINITY));
    Fill(1, Sine(100, 300));
    record.TimeStep = 5e-30f;
    ChannelMeasures fast = Measures(1);
    for (const Measure* each : {&fast.Period, &fast.Frequency, &fast.RiseTime, &fast.DutyCycle})
        EXPECT_EQ(each->Reason, Why::BadTimeBase);
    EXPECT_TRUE(fast.Rms.Value);
    record.TimeStep = 1e-5f;
    record.Channel(1).Sensitivity = float(NoValue);
    ChannelMeasures tiny = Measures(1);
    for (const Measure* each : {&tiny.Minimum, &tiny.PeakToPeak, &tiny.Mean, &tiny.Top})
        EXPECT_EQ(each->Reason, Why::BadSensitivity);
    EXPECT_TRUE(tiny.Frequency.Value);
    ChannelSamples fromFile{{0, 1e-5, 2e-5}, {0, 4e-29, -4e-29}}; // no converter step known
    EXPECT_EQ(MeasureChannel(fromFile).Maximum.Reason, Why::BadSensitivity);

    const struct {
        ChannelSamples samples;
        Why voltsReason; // None: measured
        Why periodReason;
    } cases[] = {
        {{}, Why::NoSamples, Why::NoSamples},
        {{{0}, {0.5}}, Why::None, Why::Constant},
        {{{0, 0, 0}, {1, 2, 1}}, Why::None, Why::BadTimeBase},
        {{{0, 1, NAN}, {1, 2, 1}}, Why::None, Why::BadTimeBase},
        {{{0, 1, 2}, {1, NAN, 1}}, Why::BadSamples, Why::BadSamples},
        {{{0, 1, 2}, {1, 2}}, Why::BadSamples, Why::BadSamples},
        {{{0, 1, 2}, {1e308, -1e308, 1e308}}, Why::BadSamples, Why::BadSamples},
    };
    for (const auto& c : cases) {
        ChannelMeasures m = MeasureChannel(c.samples);
        EXPECT_EQ(m.Maximum.Reason, c.voltsReason) << WhyCode(c.periodReason);
        EXPECT_EQ(m.Rms.Value.has_value(), c.voltsReason == Why::None) << WhyCode(c.periodReason);
        EXPECT_EQ(m.Period.Reason, c.periodReason);
        EXPECT_EQ(m.PositiveWidth.Reason, c.periodReason);
        PhaseMeasures phase = MeasurePhase(c.samples, c.samples);
        EXPECT_FALSE(phase.Degrees.Value || phase.Delay.Value);
    }
}

TEST_F(MeasuredChannel, AShortRecordIsMeasuredOnItsOwnSamples) {
    Fill(1, [](int i) { return i % 2 ? 100 : -100; }); // beyond what a short record hands on
    record.ShortRecord = true;
    Fill(1, Sine(90, 50)); // four periods in 205 samples
    ChannelMeasures m = Measures(1);
    EXPECT_NEAR(*m.PeakToPeak.Value, Volts(180), Volts(1));
    EXPECT_NEAR(*m.Frequency.Value, FrequencyOf(50), 0.005 * FrequencyOf(50));
}

// u2 = U2 cos(wt + phi) against u1 = U1 cos(wt): phi < 0 when the second channel lags.
TEST_F(MeasuredPhase, IsNegativeWhenTheSecondChannelLags) {
    record.Channel(2).Sensitivity = 0.2f; // the phase ignores the amplitudes
    const struct {
        double lag;
        double degrees;
        const char* words;
    } cases[] = {{45, -45, "(V2 en retard)"},
                 {90, -90, "(V2 en retard)"},
                 {-45, 45, "(V2 en avance)"},
                 {270, 90, "(V2 en avance)"},
                 {0, 0, "(en phase)"},
                 {180, 180, "(en opposition de phase)"},
                 {179.9, 180, "(en opposition de phase)"}};
    for (const auto& c : cases) {
        Fill(1, Sine(100, 300.3));
        Fill(2, Sine(40, 300.3, c.lag));
        PhaseMeasures phase = Phase();
        ASSERT_TRUE(phase.Degrees.Value && phase.Delay.Value) << c.lag;
        EXPECT_NEAR(std::remainder(*phase.Degrees.Value - c.degrees, 360), 0, 0.2) << c.lag;
        EXPECT_GT(*phase.Degrees.Value, -180);
        EXPECT_LE(*phase.Degrees.Value, 180);
        EXPECT_NEAR(*phase.Degrees.Value, -360 * *phase.Delay.Value / 300.3e-5, 0.01);
        EXPECT_EQ(PhaseWords(*phase.Degrees.Value, "V2"), c.words) << c.lag;
        EXPECT_NE(DegreeText(phase.Degrees.Value), Cp1252("-180°"));
    }
}

// One pair of crossings carried its noise whole into the phase.
TEST_F(MeasuredPhase, AveragesEveryPairOfCrossings) {
    for (double amplitude : {60.0, 100.0})
        for (double lag : {-150.0, -45.0, 0.0, 30.0, 120.0})
            for (unsigned seed : {1u, 2u, 3u, 4u}) {
                std::mt19937 random(seed);
                std::uniform_int_distribution<int> noise(-3, 3);
                Counts first = Sine(amplitude, 300), second = Sine(amplitude, 300, lag);
                Fill(1, [&](int i) { return first(i) + noise(random); });
                Fill(2, [&](int i) { return second(i) + noise(random); });
                auto degrees = Phase().Degrees.Value;
                ASSERT_TRUE(degrees);
                EXPECT_NEAR(std::remainder(*degrees + lag, 360), 0, 0.5)
                    << amplitude << " " << lag << " seed " << seed;
            }
}

TEST_F(MeasuredPhase, NeedsBothPeriodsWithinOnePercentAndFiveSamplesAPeriod) {
    const struct {
        double firstPeriod, secondPeriod;
        Why reason; // None: measured
    } cases[] = {{300, 302, Why::None},
                 {300, 306, Why::DifferentPeriods},
                 {300, 0, Why::Constant},
                 {4.5, 4.5, Why::TooFewSamplesPerPeriod},
                 {2.5, 2.5, Why::TooFewSamplesPerPeriod}};
    for (const auto& c : cases) {
        Fill(1, Sine(100, c.firstPeriod));
        Fill(2, c.secondPeriod > 0 ? Sine(100, c.secondPeriod, 60) : Counts([](int) { return 0; }));
        PhaseMeasures phase = Phase();
        EXPECT_EQ(phase.Degrees.Value.has_value(), c.reason == Why::None) << WhyCode(c.reason);
        EXPECT_EQ(phase.Degrees.Reason, c.reason);
        EXPECT_EQ(phase.Delay.Reason, c.reason);
    }
}

// Five samples a period or more measure the phase; fewer give "—" with the reason, never the
// period of two or more periods the samples repeat over.
TEST_F(MeasuredPhase, FromFiveSamplesAPeriodAndNeverAMultipleBelow) {
    for (double samplesPerPeriod : {5.0, 5.3, 6.0})
        for (double lag : {30.0, -60.0}) {
            Fill(1, Sine(100, samplesPerPeriod));
            Fill(2, Sine(100, samplesPerPeriod, lag));
            auto degrees = Phase().Degrees;
            ASSERT_TRUE(degrees.Value) << samplesPerPeriod << " " << WhyCode(degrees.Reason);
            EXPECT_NEAR(*degrees.Value, -lag, 3) << samplesPerPeriod;
        }
    for (double samplesPerPeriod : {2.2, 2.5, 3.0, 3.7, 4.5, 4.9})
        for (double start : {0.0, 37.0, 100.0, 215.0})
            for (double amplitude : {60.0, 100.0, 120.0}) {
                Fill(1, Sine(amplitude, samplesPerPeriod, start));
                Fill(2, Sine(amplitude, samplesPerPeriod, start + 45));
                ChannelMeasures m = Measures(1);
                EXPECT_FALSE(m.Frequency.Value)
                    << samplesPerPeriod << " " << start << " " << amplitude << " "
                    << m.Frequency.Value.value_or(0) / FrequencyOf(samplesPerPeriod);
                EXPECT_EQ(m.Frequency.Reason, Why::TooFewSamplesPerPeriod);
                EXPECT_FALSE(Phase().Degrees.Value) << samplesPerPeriod << " " << start;
            }
}

// Levels and edges as a bench scope takes them, against generated signals of known truth. A
// sampled sine's histogram is a handful of repeated values: its levels are its extremes.
TEST_F(MeasuredChannel, ASinesLevelsAreItsExtremesAndItsEdgesItsOwn) {
    for (double samplesPerPeriod : {8.0, 12.5, 20.0, 33.3, 100.0, 700.0})
        for (double start : {0.0, 100.0, 233.0})
            for (double amplitude : {60.0, 100.0, 115.0}) {
                Fill(1, Sine(amplitude, samplesPerPeriod, start));
                ChannelMeasures m = Measures(1);
                std::string what = std::to_string(samplesPerPeriod) + " " + std::to_string(start) +
                                   " " + std::to_string(amplitude);
                ASSERT_TRUE(m.Top.Value && m.Base.Value && m.RiseTime.Value && m.FallTime.Value &&
                            m.DutyCycle.Value)
                    << what << " " << WhyCode(m.RiseTime.Reason);
                EXPECT_NEAR(*m.Top.Value, *m.Maximum.Value, Volts(1)) << what;
                EXPECT_NEAR(*m.Base.Value, *m.Minimum.Value, Volts(1)) << what;
                double edge = std::asin(0.8) / kPi * samplesPerPeriod * 1e-5;
                EXPECT_NEAR(*m.RiseTime.Value, edge, 1e-5) << what;
                EXPECT_NEAR(*m.FallTime.Value, edge, 1e-5) << what;
                EXPECT_NEAR(*m.PositiveWidth.Value, samplesPerPeriod / 2 * 1e-5, 0.2e-5) << what;
                EXPECT_NEAR(*m.NegativeWidth.Value, samplesPerPeriod / 2 * 1e-5, 0.2e-5) << what;
                EXPECT_NEAR(*m.DutyCycle.Value, 50, 1) << what;
            }
}

// A trapezoid of `ramp` samples up and down between 0 and 100 counts, 150 samples a period,
// starting at a fraction of a sample: 10 to 90 % of a ramp is 0.8 of it. One sample or none
// between those levels cannot tell the edge's duration.
TEST_F(MeasuredChannel, ARampsEdgesAreEightTenthsOfItAndFasterOnesAreSaidSo) {
    for (double ramp : {0.6, 1.0, 1.2, 3.0, 7.5, 40.0, 120.0, 500.0})
        for (double phase : {0.0, 0.37, 0.81})
            for (double noise : {0.0, 1.0}) {
                double period = ramp < 100 ? 150 + 2 * ramp : 4 * ramp, flat = period / 2 - ramp;
                std::mt19937 random(7);
                std::normal_distribution<double> gauss(0, noise + 1e-9);
                Fill(1, [&](int i) {
                    double at = std::fmod(i + phase, period);
                    double level = at < ramp              ? at / ramp
                                   : at < ramp + flat     ? 1
                                   : at < 2 * ramp + flat ? 1 - (at - ramp - flat) / ramp
                                                          : 0;
                    return 100 * level - 50 + gauss(random);
                });
                ChannelMeasures m = Measures(1);
                std::string what = std::to_string(ramp) + " " + std::to_string(phase) + " " +
                                   std::to_string(noise);
                if (ramp < 1.25) {
                    EXPECT_FALSE(m.RiseTime.Value) << what;
                    EXPECT_EQ(m.RiseTime.Reason, Why::EdgeFasterThanSampling);
                    EXPECT_EQ(m.FallTime.Reason, Why::EdgeFasterThanSampling);
                    continue;
                }
                if (ramp < 2.5) continue; // one or two samples a level apart: either is right
                double tolerance = std::max(1.0, noise * 0.02 * ramp) * 1e-5;
                ASSERT_TRUE(m.RiseTime.Value && m.FallTime.Value)
                    << what << WhyCode(m.RiseTime.Reason);
                EXPECT_NEAR(*m.RiseTime.Value, 0.8 * ramp * 1e-5, tolerance) << what;
                EXPECT_NEAR(*m.FallTime.Value, 0.8 * ramp * 1e-5, tolerance) << what;
                EXPECT_NEAR(*m.Top.Value, Volts(50), Volts(1 + 2 * noise)) << what;
                EXPECT_NEAR(*m.Base.Value, Volts(-50), Volts(1 + 2 * noise)) << what;
            }
}

// Pulses 1 to 12 samples wide every 50 samples, and their inverses: their widths and duty cycles
// exactly, their edges too fast to be timed.
TEST_F(MeasuredChannel, NarrowPulsesHaveTheirWidthsAndDutyCycles) {
    for (int width = 1; width <= 12; ++width)
        for (bool inverse : {false, true}) {
            Fill(1, [&](int i) { return ((i + 7) % 50 < width) != inverse ? 60 : -40; });
            ChannelMeasures m = Measures(1);
            double high = inverse ? 50 - width : width;
            ASSERT_TRUE(m.PositiveWidth.Value && m.DutyCycle.Value) << width << inverse;
            EXPECT_NEAR(*m.PositiveWidth.Value, high * 1e-5, 1e-9) << width << inverse;
            EXPECT_NEAR(*m.NegativeWidth.Value, (50 - high) * 1e-5, 1e-9) << width << inverse;
            EXPECT_NEAR(*m.DutyCycle.Value, high * 2, 1e-6) << width << inverse;
            EXPECT_DOUBLE_EQ(*m.Top.Value, Volts(60));
            EXPECT_DOUBLE_EQ(*m.Base.Value, Volts(-40));
            EXPECT_EQ(m.RiseTime.Reason, Why::EdgeFasterThanSampling);
        }
}

// Widths averaged over every whole pulse, one that breaks the rhythm too; the duty cycle of one
// whole period when the record holds no more.
TEST_F(MeasuredChannel, WidthsAverageEveryWholePulseAndOnePeriodGivesTheDutyCycle) {
    Fill(1, [](int i) { // pulses every 200 samples from 10 on: the first 40 wide, then 72
        int at = i - 10;
        return at >= 0 && at % 200 < (at < 200 ? 40 : 72) ? 50 : -50;
    });
    ChannelMeasures irregular = Measures(1);
    ASSERT_TRUE(irregular.PositiveWidth.Value && irregular.Period.Value);
    // Ten whole pulses (40 + 9 x 72) / 10, and the period's rest.
    EXPECT_NEAR(*irregular.PositiveWidth.Value, 68.8e-5, 1e-9);
    EXPECT_NEAR(*irregular.NegativeWidth.Value, 131.2e-5, 1e-9);
    EXPECT_NEAR(*irregular.DutyCycle.Value, 34.4, 1e-6);

    Fill(1, [](int i) { return (i + 1100) % 1400 < 700 ? 50 : -50; }); // 1.46 periods
    ChannelMeasures once = Measures(1);
    EXPECT_FALSE(once.Period.Value);
    ASSERT_TRUE(once.DutyCycle.Value) << WhyCode(once.DutyCycle.Reason);
    EXPECT_NEAR(*once.DutyCycle.Value, 50, 1e-6);
    EXPECT_NEAR(*once.PositiveWidth.Value, 700e-5, 1e-9);
}

// A square wave through an RC circuit: 10 to 90 % of its charge is tau ln 9.
TEST_F(MeasuredChannel, AnRcEdgeTakesTauLnNine) {
    for (double tau : {4.0, 10.0, 25.0}) {
        double half = 12 * tau;
        Fill(1, [&](int i) {
            double at = std::fmod(i, 2 * half);
            return at < half ? 100 * (1 - std::exp(-at / tau)) - 50
                             : 100 * std::exp(-(at - half) / tau) - 50;
        });
        ChannelMeasures m = Measures(1);
        ASSERT_TRUE(m.RiseTime.Value && m.FallTime.Value) << tau;
        EXPECT_NEAR(*m.RiseTime.Value, tau * std::log(9.0) * 1e-5, 0.03 * tau * 1e-5) << tau;
        EXPECT_NEAR(*m.FallTime.Value, tau * std::log(9.0) * 1e-5, 0.03 * tau * 1e-5) << tau;
    }
}
