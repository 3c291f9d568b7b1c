// The application shell's rules that need no window: settings values, the keyboard
// replacement table and the hand-off text.
#include <gtest/gtest.h>

#include "app/HandOff.h"
#include "app/Keyboard.h"
#include "app/Settings.h"

TEST(ParseComNumber, ReadsDecimalAndHexadecimal) {
    EXPECT_EQ(ParseComNumber("3"), 3);
    EXPECT_EQ(ParseComNumber("0x3"), 3);
    EXPECT_EQ(ParseComNumber("0X1f"), 31);
    EXPECT_EQ(ParseComNumber("0"), 0);
    EXPECT_EQ(ParseComNumber("65535"), 65535);
}

TEST(ParseComNumber, AnythingElseGivesOne) {
    for (const char* text : {"", "abc", "3a", " 3", "3 ", "-2", "+2", "65536", "0x", "0x10000",
                             "99999999999999999999", "1.5", "0xg", "\xB5"})
        EXPECT_EQ(ParseComNumber(text), 1) << text;
}

TEST(Keyboard, CtrlLettersBecomeTheTablesSymbols) {
    EXPECT_EQ(ReplaceControlCharacter(3, true, false), 'c');   // Ctrl+C inserts c
    EXPECT_EQ(ReplaceControlCharacter(4, true, true), 0x96);   // Ctrl+Shift+D
    EXPECT_EQ(ReplaceControlCharacter(13, true, false), 0xB5); // Ctrl+M: micro
    EXPECT_EQ(ReplaceControlCharacter(1, true, false), 0x80);
    EXPECT_EQ(ReplaceControlCharacter(1, true, true), 'A');
    EXPECT_EQ(ReplaceControlCharacter(26, true, false), 0x95);
    EXPECT_EQ(ReplaceControlCharacter(26, true, true), 'Z');
    EXPECT_EQ(ReplaceControlCharacter(15, true, true), 0xD8);
}

TEST(Keyboard, OtherCodesAndCodesWithoutCtrlPassUnchanged) {
    EXPECT_EQ(ReplaceControlCharacter(3, false, false), 3);
    EXPECT_EQ(ReplaceControlCharacter(0, true, false), 0);
    EXPECT_EQ(ReplaceControlCharacter(27, true, false), 27);
    EXPECT_EQ(ReplaceControlCharacter('a', true, false), 'a');
    EXPECT_EQ(ReplaceControlCharacter(8, false, false), 8); // Backspace stays Backspace
}

TEST(HandOffText, JoinsTheArgumentsThatAreNotSwitches) {
    EXPECT_EQ(HandOffText({"a.txt", "/x", "b.txt"}), "a.txt b.txt");
    EXPECT_EQ(HandOffText({"/x", "/y"}), "");
    EXPECT_EQ(HandOffText({}), "");
    EXPECT_EQ(HandOffText({"", "c"}), "c"); // an empty first argument adds nothing
    EXPECT_EQ(HandOffText({std::string(300, 'z')}), std::string(255, 'z'));
    EXPECT_EQ(HandOffText({std::string(300, 'z') + "/"}).size(), 255u);
}
