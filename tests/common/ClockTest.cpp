#include "common/Clock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {
double At(int h, int m, int s, int ms) { return ((h * 60 + m) * 60 + s + ms / 1000.0) / 86400.0; }
} // namespace

TEST(Clock, ElapsedSecondsIsExactToTheMillisecond) {
    EXPECT_DOUBLE_EQ(ElapsedSecondsBetween(At(10, 0, 0, 0), At(10, 0, 2, 500)), 2.5);
    EXPECT_DOUBLE_EQ(ElapsedSecondsBetween(At(9, 59, 59, 999), At(10, 0, 8, 1)), 8.002);
    EXPECT_DOUBLE_EQ(ElapsedSecondsBetween(At(12, 0, 0, 0), At(12, 0, 0, 0)), 0.0);
}

TEST(Clock, ElapsedSecondsStaysRightAcrossMidnight) {
    EXPECT_DOUBLE_EQ(ElapsedSecondsBetween(At(23, 59, 58, 0), At(0, 0, 1, 500)), 3.5);
    EXPECT_DOUBLE_EQ(ElapsedSecondsBetween(At(23, 59, 59, 999), At(0, 0, 0, 0)), 0.001);
    // A read's 8-second limit that starts just before midnight is not yet reached at 00:00:02.
    EXPECT_LT(ElapsedSecondsBetween(At(23, 59, 57, 0), At(0, 0, 2, 0)), 8.0);
}

TEST(Clock, TimeOfDayIsAFractionOfADay) {
    double now = TimeOfDayNow();
    EXPECT_GE(now, 0.0);
    EXPECT_LT(now, 1.0);
    EXPECT_LT(ElapsedSeconds(now), 60.0);
    // The text of the same moment, to the second (or the next one).
    std::string text = TimeOfDayText();
    ASSERT_EQ(text.size(), 8u);
    int h = 0, m = 0, s = 0;
    ASSERT_EQ(std::sscanf(text.c_str(), "%2d:%2d:%2d", &h, &m, &s), 3);
    EXPECT_LT(ElapsedSecondsBetween(At(h, m, s, 0), TimeOfDayNow()), 2.0) << text;
}
