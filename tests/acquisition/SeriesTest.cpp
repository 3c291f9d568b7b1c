#include "acquisition/Series.h"

#include <cmath>
#include <gtest/gtest.h>

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

// Where the gain crosses the level on the logarithmic axis, between two points `above` and
// `below` it (in dB from the level).
double LevelCrossing(double f1, double above, double f2, double below) {
    double fraction = above / (above - below);
    return std::pow(10, std::log10(f1) + fraction * (std::log10(f2) - std::log10(f1)));
}

// A read's row of these channels, at 10:00:00 on the time base "1ms/div".
SeriesRow RowOf(std::vector<ChannelSamples> samples) {
    std::vector<AcquisitionChannel> channels;
    for (ChannelSamples& each : samples) {
        AcquisitionChannel channel;
        channel.Samples = std::make_shared<const ChannelSamples>(std::move(each));
        channels.push_back(std::move(channel));
    }
    AcquisitionScreen screen;
    screen.TimeBaseText = "1ms/div";
    return MeasureSeriesRow(
        Acquisition({SourceKind::Hm305, "Hameg", "10:00:00"}, screen, std::move(channels), 2048));
}

SeriesRow Row(double frequency, double gain, double phase) {
    SeriesRow row;
    row.Frequency = {frequency, Why::None};
    row.PeakToPeak = {Measure{1.0, Why::None}, Measure{std::pow(10, gain / 20), Why::None}};
    row.Gain = {gain, Why::None};
    row.Phase = {phase, Why::None};
    return row;
}

} // namespace

// A first-order low-pass at twice its cut-off: V2 a little under half of V1, 63.4° late.
TEST(SeriesRow, ItsValuesFromTheTwoChannels) {
    double gain = 1 / std::sqrt(5.0), lag = std::atan(2.0) * 180 / kPi;
    SeriesRow row = RowOf({Sine(100, 8), Sine(100 * gain, 8, lag)});
    ASSERT_TRUE(row.Complete());
    EXPECT_NEAR(*row.Frequency.Value, 8 / 2048e-5, 1e-3);
    EXPECT_NEAR(*row.PeakToPeak[0].Value, 1.6, 1e-9);
    EXPECT_NEAR(*row.Gain.Value, 20 * std::log10(gain), 0.1);
    EXPECT_NEAR(*row.Phase.Value, -lag, 1);
    EXPECT_FALSE(row.Coarse[0] || row.Coarse[1]);
    EXPECT_EQ(row.Time, "10:00:00");
    EXPECT_EQ(row.TimeBase, "1ms/div");

    // What cannot be measured is said: a channel of 15 counts is coarse; one channel has no gain.
    SeriesRow coarse = RowOf({Sine(100, 8), Sine(7.5, 8)});
    EXPECT_TRUE(coarse.Coarse[1]);
    SeriesRow single = RowOf({Sine(100, 8)});
    EXPECT_FALSE(single.Complete());
    EXPECT_EQ(single.Gain.Reason, Why::OneChannel);
    SeriesRow flat = RowOf({Sine(100, 1.5), Sine(50, 1.5)});
    EXPECT_FALSE(flat.Frequency.Value);
    EXPECT_EQ(flat.Frequency.Reason, Why::FewerThanTwoPeriods);
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

// A phase far out of any filter's range (a damaged file) is unwrapped in one step, not 360° at a
// time; reads repeated within 1 % of one frequency make one point of the mean gain and the
// circular mean of their phases.
TEST(SeriesRow, BodePointsMergeRepeatedFrequenciesAndUnwrapAtOnce) {
    std::vector<BodePoint> far = BodePoints({Row(100, 0, -10), Row(200, -1, 1e20)});
    ASSERT_EQ(far.size(), 2u);
    EXPECT_TRUE(std::isfinite(far[1].Phase));

    std::vector<BodePoint> points =
        BodePoints({Row(100, 0, -10), Row(1000, -2, 170), Row(1008, -4, -170), Row(1003, -3, 180)});
    ASSERT_EQ(points.size(), 2u);
    EXPECT_NEAR(points[1].Frequency, 1003.666, 0.01);
    EXPECT_NEAR(points[1].Gain, -3, 1e-12);
    EXPECT_NEAR(std::remainder(points[1].Phase - 180, 360), 0, 1e-9);
    EXPECT_LT(points[1].Phase, 0); // within 180° of the -10° before it
}

// Noise around -3 dB, or reads repeated there, gave one low-pass three cut-offs. One crossing is
// taken on each side of the highest gain, the first going outward: one for a low- or a high-pass,
// two for a band-pass; a band-stop keeps its two.
TEST(SeriesRow, OneCutOffOnEachSideOfTheHighestGain) {
    struct Case {
        const char* Name;
        std::vector<SeriesRow> Rows;
        std::vector<double> CutOffs;
        bool PeakInside;
    };
    const Case cases[] = {
        {"low-pass with noise at -3 dB",
         {Row(100, 0, 0), Row(500, -1, 0), Row(1000, -2, 0), Row(1000, -4, 0), Row(1005, -3.3, 0),
          Row(1200, -2.9, 0), Row(2000, -3.5, 0), Row(4000, -10, 0)},
         {LevelCrossing(500, 2, 3005.0 / 3, -0.1)},
         false},
        {"high-pass",
         {Row(10, -20, 0), Row(100, -6, 0), Row(1000, -2, 0), Row(1e4, 0, 0)},
         {std::pow(10, 2 + 0.75)},
         false},
        {"band-pass",
         {Row(10, -10, 0), Row(100, -2, 0), Row(1000, 0, 0), Row(1e4, -4, 0), Row(1e5, -12, 0)},
         {std::pow(10, 1 + 7.0 / 8), std::pow(10, 3.75)},
         true},
        {"band-stop",
         {Row(10, 0, 0), Row(100, -1, 0), Row(1000, -20, 0), Row(1e4, -5, 0), Row(1e5, -0.5, 0)},
         {std::pow(10, 2 + 2.0 / 19), std::pow(10, 4 + 2.0 / 4.5)},
         false},
    };
    for (const Case& c : cases) {
        std::vector<BodePoint> points = BodePoints(c.Rows);
        std::vector<double> found = CutOffFrequencies(points);
        ASSERT_EQ(found.size(), c.CutOffs.size()) << c.Name;
        for (std::size_t i = 0; i < found.size(); ++i)
            EXPECT_NEAR(found[i], c.CutOffs[i], 1e-6 * c.CutOffs[i]) << c.Name;
        EXPECT_EQ(GainPeaksInside(points), c.PeakInside) << c.Name;
    }
}
