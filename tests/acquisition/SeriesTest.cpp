#include "acquisition/Series.h"

#include <cmath>
#include <gtest/gtest.h>

#include "common/Text1252.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A sine of `counts` counts' amplitude, 8 mV a count, `periods` over 2048 samples of 10 µs,
// lagging by `lag` degrees.
ChannelSamples Sine(double counts, double periods, double lag = 0) {
    ChannelSamples s;
    s.Step = 0.008;
    for (int i = 0; i < 2048; ++i) {
        s.Times.push_back(i * 1e-5);
        double angle = 2 * kPi * periods * i / 2048 - lag * kPi / 180;
        s.Values.push_back(std::round(counts * std::sin(angle)) * s.Step);
    }
    return s;
}

SeriesRow Row(double frequency, double gain, double phase) {
    SeriesRow row;
    row.Frequency = {frequency, ""};
    row.PeakToPeak = {Measure{1.0, ""}, Measure{std::pow(10, gain / 20), ""}};
    row.Gain = {gain, ""};
    row.Phase = {phase, ""};
    return row;
}

} // namespace

// A first-order low-pass at twice its cut-off: V2 a little under half of V1, 63.4° late.
TEST(SeriesRow, ItsValuesFromTheTwoChannels) {
    double gain = 1 / std::sqrt(5.0), lag = std::atan(2.0) * 180 / kPi;
    SeriesRow row = MeasureSeriesRow({Sine(100, 8), Sine(100 * gain, 8, lag)});
    ASSERT_TRUE(row.Complete());
    EXPECT_NEAR(*row.Frequency.Value, 8 / 2048e-5, 1e-3);
    EXPECT_NEAR(*row.PeakToPeak[0].Value, 1.6, 1e-9);
    EXPECT_NEAR(*row.Gain.Value, 20 * std::log10(gain), 0.1);
    EXPECT_NEAR(*row.Phase.Value, -lag, 1);
    EXPECT_FALSE(row.Coarse[0] || row.Coarse[1]);

    // What cannot be measured is said: a channel of 15 counts is coarse; one channel has no gain.
    SeriesRow coarse = MeasureSeriesRow({Sine(100, 8), Sine(7.5, 8)});
    EXPECT_TRUE(coarse.Coarse[1]);
    SeriesRow single = MeasureSeriesRow({Sine(100, 8)});
    EXPECT_FALSE(single.Complete());
    EXPECT_EQ(single.Gain.Reason, Cp1252("une seule voie"));
    SeriesRow flat = MeasureSeriesRow({Sine(100, 1.5), Sine(50, 1.5)});
    EXPECT_FALSE(flat.Frequency.Value);
    EXPECT_EQ(flat.Frequency.Reason, Cp1252("moins de deux périodes"));
}

// The phase of a second-order filter goes past -180°: the diagram follows it, in order of
// frequency whatever the order of the reads; incomplete rows are left out.
TEST(SeriesRow, BodePointsUnwrapThePhaseInOrderOfFrequency) {
    std::vector<SeriesRow> rows = {Row(1000, -3, -90), Row(100, 0, -10), Row(5000, -20, 170),
                                   Row(3000, -12, -150), Row(2000, -8, -175)};
    rows.push_back(SeriesRow{}); // nothing measured
    std::vector<BodePoint> points = BodePoints(rows);
    const double frequencies[] = {100, 1000, 2000, 3000, 5000};
    const double phases[] = {-10, -90, -175, -150, -190};
    ASSERT_EQ(points.size(), 5u);
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].Frequency, frequencies[i]);
        EXPECT_EQ(points[i].Phase, phases[i]);
    }
}

// -3 dB under the highest gain, on a logarithmic axis between the two points around it.
TEST(SeriesRow, CutOffFrequencies) {
    struct Case {
        std::vector<SeriesRow> Rows;
        std::vector<double> CutOffs;
    };
    // 1 kHz at -1 dB and 4 kHz at -5 dB: -3 dB halfway, at 2 kHz.
    const Case cases[] = {
        {{Row(100, 0, 0), Row(1000, -1, 0), Row(4000, -5, 0)}, {2000}},
        {{Row(100, -7, 0), Row(1000, -1, 0), Row(10000, -2, 0)}, {std::pow(10, 2.5)}},
        {{Row(10, -6, 0), Row(100, 0, 0), Row(1000, 0, 0), Row(1e4, 0, 0), Row(1e5, -6, 0)},
         {std::pow(10, 1.5), std::pow(10, 4.5)}},
        {{Row(100, 0, 0), Row(1000, -1, 0)}, {}},
        {{Row(100, 0, 0)}, {}},
    };
    for (const Case& c : cases) {
        std::vector<double> found = CutOffFrequencies(BodePoints(c.Rows));
        ASSERT_EQ(found.size(), c.CutOffs.size());
        for (std::size_t i = 0; i < found.size(); ++i)
            EXPECT_NEAR(found[i], c.CutOffs[i], 1e-9 * c.CutOffs[i]);
    }
}
