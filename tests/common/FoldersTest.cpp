#include "common/Folders.h"

#include <gtest/gtest.h>

TEST(Folders, WithTrailingBackslash) {
    EXPECT_EQ(WithTrailingBackslash("C:\\users\\prof\\Documents"), "C:\\users\\prof\\Documents\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(WithTrailingBackslash(""), "");
    EXPECT_EQ(WithTrailingBackslash("x"), "x\\");
}
