// A sweep's arithmetic against signals of known truth: the fundamental of sines with noise and
// harmonics at any number of samples a period, the frequencies, the time bases, the ranging
// decisions and the estimated duration.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

#include "acquisition/Sweep.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<double> Sine(std::size_t count, double samplesPerPeriod, double amplitude,
                         double phaseDegrees, double third, double noise, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0, noise > 0 ? noise : 1);
    std::vector<double> volts(count);
    for (std::size_t i = 0; i < count; ++i) {
        double angle = 2 * kPi * double(i) / samplesPerPeriod + phaseDegrees * kPi / 180;
        volts[i] = 0.3 + amplitude * std::cos(angle) + third * std::cos(3 * angle);
        if (noise > 0) volts[i] += gauss(random);
    }
    return volts;
}

TEST(Sweep, TheFundamentalOfASineWithHarmonicsAndNoise) {
    struct Case {
        std::size_t Count;
        double SamplesPerPeriod, Amplitude, Phase, Third, Noise;
        double AmplitudeTolerance, PhaseTolerance, LeastPurity, MostPurity;
    };
    const Case kCases[] = {
        // Pure sines at whole and fractional samples a period.
        {1200, 100, 1, 30, 0, 0, 1e-9, 1e-7, 0.999, 1},
        {1200, 7.3, 2, -120, 0, 0, 1e-9, 1e-7, 0.999, 1},
        {1400, 4.1, 0.5, 179, 0, 0, 1e-9, 1e-7, 0.999, 1},
        {1000, 480.5, 1, -60, 0, 0, 1e-9, 1e-7, 0.999, 1},
        // A third harmonic is rejected, and lowers the purity: 1/sqrt(1 + 0.5^2) = 0.894.
        {1200, 123.4, 1, 45, 0.5, 0, 1e-3, 0.1, 0.89, 0.9},
        // Noise of a count (1/25 of a division at 1 V/div) moves the figures little.
        {1200, 50, 1, -90, 0, 0.04, 0.01, 0.5, 0.99, 1},
        {14000, 1000, 0.1, 10, 0, 0.004, 0.001, 0.2, 0.99, 1},
        // Noise as large as the sine: measurable, flagged by its purity.
        {1200, 40, 0.05, 0, 0, 0.05, 0.02, 15, 0, 0.8},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.SamplesPerPeriod << " samples a period");
        std::vector<double> volts =
            Sine(c.Count, c.SamplesPerPeriod, c.Amplitude, c.Phase, c.Third, c.Noise, 7);
        std::optional<Fundamental> f = FundamentalAt(volts, 1e-6, 1e6 / c.SamplesPerPeriod);
        ASSERT_TRUE(f);
        EXPECT_NEAR(std::abs(f->Phasor), c.Amplitude, c.AmplitudeTolerance);
        EXPECT_NEAR(std::arg(f->Phasor) * 180 / kPi, c.Phase, c.PhaseTolerance);
        EXPECT_GE(f->Purity, c.LeastPurity);
        EXPECT_LE(f->Purity, c.MostPurity);
        EXPECT_EQ(f->Periods, std::size_t(std::floor(double(c.Count) / c.SamplesPerPeriod)));
        if (c.Noise == 0 && c.Third == 0) {
            EXPECT_NEAR(f->Mean, 0.3, 1e-9);
        }
    }
}

TEST(Sweep, NoFundamentalWithoutAWholePeriodOrFourSamplesOfIt) {
    std::vector<double> volts = Sine(100, 150, 1, 0, 0, 0, 1);
    EXPECT_FALSE(FundamentalAt(volts, 1e-6, 1e6 / 150));
    volts = Sine(100, 3.5, 1, 0, 0, 0, 1);
    EXPECT_FALSE(FundamentalAt(volts, 1e-6, 1e6 / 3.5));
    EXPECT_FALSE(FundamentalAt({}, 1e-6, 1e3));
    std::optional<Fundamental> flat = FundamentalAt(std::vector<double>(400, 0.5), 1e-6, 1e5);
    ASSERT_TRUE(flat);
    EXPECT_EQ(flat->Purity, 0);
}

TEST(Sweep, GainAndPhaseOfTheMeanRatio) {
    auto polar = [](double magnitude, double degrees) {
        return std::polar(magnitude, degrees * kPi / 180);
    };
    struct Case {
        std::vector<std::complex<double>> Ratios;
        double GainDb, Phase;
    };
    const Case kCases[] = {
        {{polar(0.1, -84.3)}, -20, -84.3},
        {{polar(1, 180)}, 0, 180},
        {{polar(1, -180)}, 0, 180},
        {{polar(1, 179), polar(1, -179)}, 20 * std::log10(std::cos(kPi / 180)), 180},
        {{polar(0.5, -10), polar(0.5, -20)}, 20 * std::log10(0.5 * std::cos(5 * kPi / 180)), -15},
    };
    for (const Case& c : kCases) {
        Transfer t = TransferOf(c.Ratios);
        EXPECT_NEAR(t.GainDb, c.GainDb, 1e-9);
        EXPECT_NEAR(t.PhaseDegrees, c.Phase, 1e-9);
        EXPECT_GT(t.PhaseDegrees, -180);
        EXPECT_LE(t.PhaseDegrees, 180);
    }
}

TEST(Sweep, GainAndPhaseOfTwoChannelsFromTheirFundamentals) {
    // V2 lags V1 by 84.3 degrees at a tenth of its amplitude, both over the same samples.
    std::vector<double> v1 = Sine(1200, 61.7, 1, 20, 0.05, 0.01, 3);
    std::vector<double> v2 = Sine(1200, 61.7, 0.1, 20 - 84.3, 0, 0.001, 4);
    double f = 1e6 / 61.7;
    Transfer t =
        TransferOf({FundamentalAt(v2, 1e-6, f)->Phasor / FundamentalAt(v1, 1e-6, f)->Phasor});
    EXPECT_NEAR(t.GainDb, -20, 0.05);
    EXPECT_NEAR(t.PhaseDegrees, -84.3, 0.2);
}

TEST(Sweep, LogSpacedFrequencies) {
    std::vector<double> f = SweepFrequencies(10, 100000, 10);
    ASSERT_EQ(f.size(), 41u);
    EXPECT_DOUBLE_EQ(f.front(), 10);
    EXPECT_DOUBLE_EQ(f.back(), 100000);
    for (std::size_t i = 1; i < f.size(); ++i)
        EXPECT_NEAR(f[i] / f[i - 1], std::pow(10, 0.1), 1e-9);

    struct Case {
        double Start, Stop;
        int PerDecade;
        std::size_t Count;
    };
    const Case kCases[] = {
        {1, 3, 5, 4},      // 1, 1.58, 2.51, then the stop
        {100, 1000, 5, 6}, // a whole decade
        {20, 20000, 100, 301},
        {10, 10, 10, 0},         // no span
        {0, 100, 10, 0},         // no log of 0
        {100, 10, 10, 0},        // downwards
        {10, 1000, 4, 0},        // too few a decade
        {10, 1000, 101, 0},      // too many
        {1e-300, 1e300, 100, 0}, // more points than a sweep takes
    };
    for (const Case& c : kCases)
        EXPECT_EQ(SweepFrequencies(c.Start, c.Stop, c.PerDecade).size(), c.Count)
            << c.Start << " to " << c.Stop << " at " << c.PerDecade;
}

TEST(Sweep, StepsTimeBasesAndRanging) {
    const std::pair<double, double> kSteps[] = {{0.0013, 0.002}, {0.002, 0.002}, {0.0021, 0.005},
                                                {7, 10},         {1e-9, 1e-9},   {3e-7, 5e-7}};
    for (const auto& [value, step] : kSteps) EXPECT_NEAR(StepAtLeast(value), step, step * 1e-12);

    // At least 4 periods across, the fastest 1-2-5 step that shows them.
    struct TimeBase {
        double Frequency;
        int Divisions;
        double Expected;
    };
    const TimeBase kTimeBases[] = {{1000, 10, 500e-6}, {1000, 12, 500e-6}, {1000, 14, 500e-6},
                                   {10, 12, 50e-3},    {100000, 12, 5e-6}, {2500, 10, 200e-6},
                                   {1260, 14, 500e-6}};
    for (const TimeBase& t : kTimeBases) {
        double chosen = TimeBaseFor(t.Frequency, t.Divisions);
        EXPECT_NEAR(chosen, t.Expected, t.Expected * 1e-9) << t.Frequency;
        double periods = chosen * t.Divisions * t.Frequency;
        EXPECT_GE(periods, 4 - 1e-9);
        EXPECT_LE(periods, 10 + 1e-9);
    }

    // A time base a person set, 2048 samples at 200 a division: 2 whole periods, 5 samples of each.
    for (auto [timeBase, frequency, holds] : {std::tuple{200e-6, 1000.0, true},
                                              {200e-6, 970.0, false},
                                              {1e-3, 40000.0, true},
                                              {1e-3, 40100.0, false}})
        EXPECT_EQ(TimeBaseHolds(timeBase, frequency, 2048, 200), holds) << frequency;

    struct Range {
        double PeakToPeak;
        bool Clipped;
        double Scale, Expected;
        bool ReadAgain;
    };
    const Range kRanges[] = {
        {4, false, 1, 1, false},    // 4 divisions: kept
        {1.7, false, 1, 1, false},  // 1.7: kept, above 1.6
        {1.5, false, 1, 0.5, true}, // 1.5: too small, 3 divisions at 0.5
        {7.5, false, 1, 1, false},  // 7.5: kept, inside the margin
        {7.7, false, 1, 2, true},   // 7.7: too near the edge
        {8, true, 1, 2, true},      // clipped: at least the next step
        {0.016, true, 0.002, 0.005, true},
        {20, true, 10, 10, false},          // clipped at the largest scale: nothing more to do
        {0.0001, false, 0.01, 0.001, true}, // under the smallest scale: the smallest
        {0.0001, false, 0.001, 0.001, false},
        {0, false, 1, 0.001, true}, // flat: the smallest
    };
    for (const Range& r : kRanges) {
        Ranging ranging = RangeChannel(r.PeakToPeak, r.Clipped, r.Scale, 8, 0.001, 10);
        EXPECT_NEAR(ranging.VoltsPerDivision, r.Expected, r.Expected * 1e-9)
            << r.PeakToPeak << " at " << r.Scale;
        EXPECT_EQ(ranging.ReadAgain, r.ReadAgain) << r.PeakToPeak << " at " << r.Scale;
    }
    // A range chosen is one the next read keeps: no flapping.
    for (double pp = 0.011; pp < 50; pp *= 1.07) {
        Ranging first = RangeChannel(pp, false, 0.001, 8, 0.001, 10);
        EXPECT_FALSE(RangeChannel(pp, false, first.VoltsPerDivision, 8, 0.001, 10).ReadAgain) << pp;
    }
}

TEST(Sweep, TheEstimatedDurationAddsSettlingCapturesAndTransfers) {
    std::vector<double> f{100, 1000};
    CaptureCost cost{600000, 600000, 5, 0.02};
    // 100 Hz: settle max(0.05, 10/100) = 0.1; window 12 x 5ms + 10 ms = 70 ms; transfer 1 + 0.1.
    // 1 kHz: settle 0.05; window 12 x 500us + 1 ms = 7 ms.
    double expected = 0.1 + 2 * (0.07 + 1.1) + 0.05 + 2 * (0.007 + 1.1);
    EXPECT_NEAR(EstimatedSweepSeconds(f, 0.05, 10, 2, 12, cost), expected, 1e-9);
    EXPECT_NEAR(SettlingSeconds(10, 0, 1), 0.1, 1e-12);
    EXPECT_NEAR(SettlingSeconds(1e5, 0.2, 1), 0.2, 1e-12);
}

} // namespace
