// The keyboard hook on the program's message loop, with a real edit field.
#include "app/Application.h"

#include <cstring>

#include <gtest/gtest.h>

#include "app/SeriesForm.h"
#include "ui/Handles.h"
#include "ui/MessageLoop.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

class KeyboardHook : public ::testing::Test {
protected:
    void SetUp() override {
        SetPreDispatchHook(ApplicationMessage);
        edit_ = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 30, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        SetFocus(edit_);
    }
    void TearDown() override {
        SetPreDispatchHook(nullptr);
        SetKeys(false, false);
        DestroyWindow(edit_);
    }

    static void SetKeys(bool ctrl, bool shift) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
    }

    // A character as the keyboard sends it, through the program's own loop.
    std::string Type(WPARAM code, bool ctrl, bool shift) {
        SetKeys(ctrl, shift);
        SetWindowTextW(edit_, L"");
        PostMessageW(edit_, WM_CHAR, code, 1);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchThreadMessage(msg);
        return WindowText(edit_);
    }

    HWND edit_ = nullptr;
};

} // namespace

TEST_F(KeyboardHook, CtrlCInsertsTheLetterC) { EXPECT_EQ(Type(3, true, false), "c"); }

TEST_F(KeyboardHook, CtrlShiftDInsertsByte96) { EXPECT_EQ(Type(4, true, true), "\x96"); }

TEST_F(KeyboardHook, CtrlMInsertsTheMicroSign) { EXPECT_EQ(Type(13, true, false), "\xB5"); }

TEST_F(KeyboardHook, WithoutCtrlTheCharacterIsLeftAlone) {
    EXPECT_EQ(Type('v', false, false), "v");
    EXPECT_EQ(Type(3, false, false), ""); // a bare control code inserts nothing
}

// The windows the program adds keep Ctrl+C, Ctrl+V... in their fields: the edit gets the control
// code itself and pastes.
TEST_F(KeyboardHook, TheWindowsTheProgramAddsKeepTheEditKeys) {
    RegisterWindowClass(TSeriesForm::kClassName, DefWindowProcW);
    HWND window = CreateWindowExW(0, TSeriesForm::kClassName, L"", WS_POPUP, 0, 0, 300, 60, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND field = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 30, window,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    UniqueGlobal text(GlobalAlloc(GMEM_MOVEABLE, 4));
    std::memcpy(GlobalLockGuard(text.get()).Data(), "xyz", 4);
    if (SetClipboardData(CF_TEXT, text.get())) text.release();
    CloseClipboard();
    std::swap(edit_, field);
    EXPECT_EQ(Type(22, true, false), "xyz"); // Ctrl+V
    EXPECT_EQ(Type(3, true, false), "");     // Ctrl+C copies; it types nothing
    std::swap(edit_, field);
    DestroyWindow(window);
}
