#include "common/Folders.h"

#include <gtest/gtest.h>

TEST(Folders, WithTrailingBackslash) {
    EXPECT_EQ(WithTrailingBackslash(L"C:\\users\\prof\\Documents"),
              L"C:\\users\\prof\\Documents\\");
    EXPECT_EQ(WithTrailingBackslash(L"C:\\"), L"C:\\");
    EXPECT_EQ(WithTrailingBackslash(L""), L"");
    EXPECT_EQ(WithTrailingBackslash(L"x"), L"x\\");
}
