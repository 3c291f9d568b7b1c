#include "common/Text1252.h"

#include <gtest/gtest.h>
#include <stdexcept>

TEST(Text1252, EveryByteSurvivesARoundTripThroughUtf16) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(char(b));
    std::u16string wide = Utf16From1252(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(Cp1252FromUtf16(wide), all);
}

TEST(Text1252, MapsTheHighBytesToTheirUnicodeCharacters) {
    EXPECT_EQ(Utf16From1252("\x80\x96\x9F\xB5\xE9\xA3"),
              (std::u16string{0x20AC, 0x2013, 0x0178, 0x00B5, 0x00E9, 0x00A3}));
    EXPECT_EQ(Cp1252FromUtf16(u"\u4E2D\u20AC"), "?\x80");
}

TEST(Text1252, ConvertsTheProgramsFrenchLettersFromUtf8) {
    EXPECT_EQ(Cp1252("é è ê ë à â ç ô ù û î ï É À µ ²"),
              "\xE9 \xE8 \xEA \xEB \xE0 \xE2 \xE7 \xF4 \xF9 \xFB \xEE \xEF \xC9 \xC0 \xB5 \xB2");
    EXPECT_EQ(Cp1252("Lecture du zéro"), "Lecture du z\xE9ro");
    EXPECT_EQ(Cp1252("500µ"), std::string("500") + kMicroSign);
    EXPECT_EQ(Cp1252("€–—…œŸ"), "\x80\x96\x97\x85\x9C\x9F");
    EXPECT_EQ(Cp1252(""), "");
}

TEST(Text1252, RefusesMalformedUtf8AndCharactersOutside1252) {
    EXPECT_THROW(Cp1252("\xC3"), std::invalid_argument);         // cut short
    EXPECT_THROW(Cp1252("\xA9"), std::invalid_argument);         // lone continuation byte
    EXPECT_THROW(Cp1252("\xC3\x28"), std::invalid_argument);     // bad continuation
    EXPECT_THROW(Cp1252("\xE4\xB8\xAD"), std::invalid_argument); // a CJK character
    EXPECT_THROW(Cp1252("\xF8\x80\x80\x80"), std::invalid_argument);
}
