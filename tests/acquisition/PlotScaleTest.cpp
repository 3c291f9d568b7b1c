#include "acquisition/PlotScale.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

const PlotArea kArea{20, 10, 501, 401};

} // namespace

// The instrument's screen: 0 at the left edge, 0 V on the centre line, a trace off the screen
// running along its edge.
TEST(PlotScale, PixelsOfTheScreen) {
    struct Case {
        double Value;
        bool Time;
        int Pixel;
    };
    const PlotAxis time = TimeAxis(1e-3), volts = VoltageAxis(0.5);
    const Case cases[] = {{0, true, 20},      {10e-3, true, 520}, {5e-3, true, 270},
                          {-1e-3, true, 20},  {11e-3, true, 520}, {2.0, false, 10},
                          {-2.0, false, 410}, {0, false, 210},    {0.5, false, 160},
                          {2.5, false, 10},   {-1e9, false, 410}};
    for (const Case& c : cases) {
        int pixel = c.Time ? PixelX(kArea, time, c.Value) : PixelY(kArea, volts, c.Value);
        EXPECT_EQ(pixel, c.Pixel) << c.Value;
    }
    EXPECT_DOUBLE_EQ(ValueAtX(kArea, time, 270), 5e-3);
    EXPECT_DOUBLE_EQ(ValueAtY(kArea, volts, 160), 0.5);
}

// A logarithmic axis of whole decades: 1 kHz halfway across 100 Hz..10 kHz.
TEST(PlotScale, DecadesOfFrequency) {
    PlotAxis axis = DecadeAxis(150, 8000);
    EXPECT_DOUBLE_EQ(axis.Start, 100);
    EXPECT_EQ(axis.Divisions, 2);
    EXPECT_EQ(PixelX(kArea, axis, 1000), 270);
    EXPECT_EQ(PixelX(kArea, axis, 0), 20); // no place on the axis: its edge
    EXPECT_NEAR(ValueAtX(kArea, axis, 520), 10000, 1e-9);
}

// Steps of 1, 2 or 5 that hold the values, starting at a whole step.
TEST(PlotScale, FittingStepsOfOneTwoFive) {
    struct Case {
        double Low, High;
        double Start, PerDivision;
    };
    const Case cases[] = {{-1.2, 1.3, -1.5, 0.5},
                          {0, 49.975e-3, 0, 5e-3},
                          {0.3, 0.31, 0.3, 0.002},
                          {2, 2, 1, 0.5},
                          {-7e3, -1e3, -7e3, 1e3}};
    for (const Case& c : cases) {
        PlotAxis axis = FittingAxis(c.Low, c.High, c.Low == 0 ? 10 : 8);
        EXPECT_NEAR(axis.Start, c.Start, 1e-12) << c.Low << " " << c.High;
        EXPECT_NEAR(axis.PerDivision, c.PerDivision, 1e-12) << c.Low << " " << c.High;
        EXPECT_GE(axis.LineValue(axis.Divisions), c.High - 1e-12);
    }
}

TEST(PlotScale, TheNearestSample) {
    const std::vector<double> times = {0, 1, 2, 3};
    const std::pair<double, int> cases[] = {{-5, 0}, {0.4, 0}, {0.6, 1}, {2.5, 2}, {9, 3}};
    for (auto [time, sample] : cases) EXPECT_EQ(NearestSample(times, time), sample) << time;
    EXPECT_EQ(NearestSample({}, 1), 0);
}

// Any column a file may hold gets a finite axis holding its values at once, however large or
// small the values and however little they vary: a constant 1E20 once fitted for ever.
TEST(PlotScale, FittingAxesOfEveryColumnAFileMayHold) {
    const std::pair<double, double> cases[] = {
        {1e20, 1e20},     {1e17, 1e17},     {-1e300, 1e300},    {1e300, 1e300},
        {-1e300, -1e300}, {1e-300, 1e-300}, {-5e-300, 3e-300},  {0, 0},
        {1e16, 1e16 + 2}, {5, 5.000000001}, {-1e20, 1e20 + 1e5}};
    for (auto [low, high] : cases) {
        PlotAxis axis = FittingAxis(low, high, 8);
        EXPECT_TRUE(std::isfinite(axis.Start) && std::isfinite(axis.PerDivision)) << low;
        EXPECT_GT(axis.PerDivision, 0) << low;
        EXPECT_LE(axis.LineValue(0), low + 1e-9 * axis.PerDivision) << low;
        EXPECT_GE(axis.LineValue(axis.Divisions), high) << high;
    }
}
