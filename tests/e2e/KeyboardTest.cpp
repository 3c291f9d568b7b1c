// The program used with the keyboard alone: keys typed as a user types them (SendInput), to the
// window the system has in front.
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "app/SeriesForm.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"

namespace {

using Keyboard = ProgramTest;

void Press(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (bool up : {false, true})
        for (std::size_t i = 0; i < keys.size(); ++i) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = keys.begin()[up ? keys.size() - 1 - i : i];
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            inputs.push_back(input);
        }
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Tab until `control` has the focus; false when a whole round of the window's stops went by.
bool TabTo(HWND window, HWND control) {
    for (int i = 0; i < 12; ++i) {
        if (UiDriver::Focus(window) == control) return true;
        HWND before = UiDriver::Focus(window);
        Press({VK_TAB});
        PumpUntil([&] { return UiDriver::Focus(window) != before; }, 3000);
    }
    return UiDriver::Focus(window) == control;
}

} // namespace

TEST_F(Keyboard, AReadAndThePreviewsPictureNeedNoMouse) {
    ASSERT_TRUE(Start({}, "Lecture oscillo Hameg : HM305"));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    ASSERT_TRUE(TabTo(main, UiDriver::Control(main, idEnregistreBtn).Window));
    Press({VK_SPACE});
    HWND zero = UiDriver::WaitForMessageBox("Information", 20000);
    ASSERT_TRUE(zero);
    Press({VK_RETURN}); // OK, the default
    ASSERT_TRUE(WaitUntilIdle());
    ASSERT_TRUE(HoldsAcquisition());

    std::string timeBase = UiDriver::Control(main, idBaseDeTempsEdit).Text;
    ASSERT_TRUE(TabTo(main, UiDriver::Control(main, idBaseDeTempsScroll).Window));
    Press({VK_RIGHT});
    EXPECT_TRUE(PumpUntil(
        [&] { return UiDriver::Control(main, idBaseDeTempsEdit).Text != timeBase; }, 5000));
    Press({VK_ESCAPE}); // never closes the main window
    ASSERT_TRUE(TabTo(main, UiDriver::Control(main, idPreviewBtn).Window));
    EXPECT_TRUE(IsWindow(main));
    Press({VK_SPACE});
    HWND preview = UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 15000);
    ASSERT_TRUE(preview);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == preview; }, 5000));
    Press({VK_CONTROL, 'C'});
    EXPECT_TRUE(PumpUntil([] { return IsClipboardFormatAvailable(CF_DIB) != FALSE; }, 10000));
    Press({VK_MENU, 'S'}); // "&Série…"
    HWND series = UiDriver::WaitForWindow(Cp1252("Série de mesures"), 15000);
    ASSERT_TRUE(series);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == series; }, 5000));

    // The windows the program adds keep the edit keys: Ctrl+C copies the folder it selects.
    HWND folder = GetDlgItem(series, TSeriesForm::idFolderEdit);
    std::string folderText = UiDriver::Text(folder);
    ASSERT_TRUE(TabTo(series, folder));
    Press({VK_CONTROL, 'C'});
    EXPECT_TRUE(PumpUntil([&] { return UiDriver::ClipboardText() == folderText; }, 5000));
    EXPECT_EQ(UiDriver::Text(folder), folderText);
    // "&Balayage automatique…" opens its window, and Escape closes it.
    Press({VK_MENU, 'B'});
    HWND sweep = UiDriver::WaitForWindow("Balayage automatique", 15000);
    ASSERT_TRUE(sweep);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == sweep; }, 5000));
    Press({VK_ESCAPE});
    EXPECT_TRUE(UiDriver::WaitUntilGone(sweep, 5000));
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == series; }, 5000));
    Press({VK_ESCAPE});
    EXPECT_TRUE(UiDriver::WaitUntilGone(series, 5000));

    // The specified windows replace it: Ctrl+C types "c" in a name field.
    PostMessageW(preview, WM_CLOSE, 0, 0);
    ASSERT_TRUE(UiDriver::WaitUntilGone(preview, 5000));
    HWND name = UiDriver::Control(main, idNom1Edit).Window;
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 5000));
    ASSERT_TRUE(TabTo(main, name));
    Press({VK_CONTROL, 'C'});
    EXPECT_TRUE(PumpUntil([&] { return UiDriver::Text(name) == "c"; }, 5000));
}
