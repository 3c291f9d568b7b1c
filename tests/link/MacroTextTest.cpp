#include "link/MacroText.h"

#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

TEST(SplitCommandLines, SplitsAtEveryKindOfLineEnd) {
    EXPECT_EQ(SplitCommandLines("GETDATA"), Lines{"GETDATA"});
    EXPECT_EQ(SplitCommandLines("GETDATA\r\n"), Lines{"GETDATA"});
    EXPECT_EQ(SplitCommandLines("FOCUS\r\nGETDATA"), (Lines{"FOCUS", "GETDATA"}));
    EXPECT_EQ(SplitCommandLines("A\rB\nC"), (Lines{"A", "B", "C"}));
    EXPECT_EQ(SplitCommandLines("A\n\rB"), (Lines{"A", "", "B"}));
    EXPECT_EQ(SplitCommandLines(""), Lines{});
    EXPECT_EQ(SplitCommandLines("\r\n"), Lines{""});
    EXPECT_EQ(SplitCommandLines("\n\n"), (Lines{"", ""}));
}

TEST(MacroFunctionName, IsTheTextBeforeTheParenthesisInUpperCase) {
    EXPECT_EQ(MacroFunctionName("getdata"), "GETDATA");
    EXPECT_EQ(MacroFunctionName("GetData(x)"), "GETDATA");
    EXPECT_EQ(MacroFunctionName("GETDATA()"), "GETDATA");
    EXPECT_EQ(MacroFunctionName(" GETDATA"), " GETDATA"); // blanks are not removed
    EXPECT_EQ(MacroFunctionName("CONFIG|save(1)"), "CONFIG|SAVE");
    EXPECT_EQ(MacroFunctionName("PRINT(1)"), "PRINT");
    EXPECT_EQ(MacroFunctionName("(x)"), "");
    EXPECT_EQ(MacroFunctionName("\xE9t\xE9"), "\xE9T\xE9"); // only ASCII letters change
    EXPECT_EQ(MacroFunctionName(std::string(300, 'a') + "(").size(), 255u);
}
