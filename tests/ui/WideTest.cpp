#include "ui/Wide.h"

#include <gtest/gtest.h>

#include "common/Text1252.h"

// Our conversion must agree with the system's own code page 1252, byte for byte, both ways.
TEST(Wide, AgreesWithTheSystemsCodePage1252ForEveryByte) {
    for (int b = 1; b < 256; ++b) {
        char byte = char(b);
        wchar_t system = 0;
        ASSERT_EQ(MultiByteToWideChar(1252, 0, &byte, 1, &system, 1), 1);
        EXPECT_EQ(Wide(std::string(1, byte)), std::wstring(1, system)) << "byte " << b;

        char back = 0;
        BOOL lossy = FALSE;
        ASSERT_EQ(WideCharToMultiByte(1252, 0, &system, 1, &back, 1, nullptr, &lossy), 1);
        EXPECT_EQ(Narrow(std::wstring(1, system)), std::string(1, back)) << "byte " << b;
    }
}

TEST(Wide, WindowTextRoundTripsFrenchText) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(window);
    std::string text = Cp1252("Vérifier que les verniers sont en position calibrée — 500µs");
    SetWindowText1252(window, text);
    EXPECT_EQ(WindowText(window), text);
    DestroyWindow(window);
}
