#include "ui/MessageDialog.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "common/Text1252.h"
#include "ui/Wide.h"

namespace {

struct ShownBox {
    std::string Title;
    std::string Text;
    std::vector<std::string> Buttons;
    std::string DefaultButton;
    bool HasIcon = false;
};

BOOL CALLBACK FindVisibleBox(HWND window, LPARAM out) {
    wchar_t name[64];
    GetClassNameW(window, name, 64);
    if (std::wstring(name) != kMessageDialogClass || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

BOOL CALLBACK NoteChild(HWND child, LPARAM data) {
    auto* shown = reinterpret_cast<ShownBox*>(data);
    wchar_t name[32];
    GetClassNameW(child, name, 32);
    LONG style = GetWindowLongW(child, GWL_STYLE);
    if (_wcsicmp(name, L"Button") == 0) {
        shown->Buttons.push_back(WindowText(child));
        if ((style & 0x0F) == BS_DEFPUSHBUTTON) shown->DefaultButton = WindowText(child);
    } else if ((style & SS_TYPEMASK) == SS_ICON) {
        shown->HasIcon = true;
    } else {
        shown->Text = WindowText(child);
    }
    return TRUE;
}

HWND WaitForBox(DWORD thread) {
    for (int i = 0; i < 3000; ++i) {
        HWND found = nullptr;
        EnumThreadWindows(thread, FindVisibleBox, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

ShownBox Inspect(HWND box) {
    ShownBox shown;
    shown.Title = WindowText(box);
    EnumChildWindows(box, NoteChild, reinterpret_cast<LPARAM>(&shown));
    return shown;
}

// The box's control that has the focus, once it has it.
HWND FocusInside(HWND box, DWORD thread) {
    for (int i = 0; i < 3000; ++i) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(thread, &info) && info.hwndFocus && IsChild(box, info.hwndFocus))
            return info.hwndFocus;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return box;
}

bool WaitUntilGone(HWND box) {
    for (int i = 0; i < 3000; ++i) {
        if (!IsWindow(box) || !IsWindowVisible(box)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

HWND ButtonCaptioned(HWND box, const std::string& caption) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (WindowText(child) == caption) return child;
    return nullptr;
}

// Shows a box on this thread while `answer` plays the user from another thread. A box that the
// answer does not close is closed after five seconds, and the test fails instead of hanging.
template <typename Show>
auto WithUser(Show show, std::function<void(HWND box, DWORD uiThread)> answer, ShownBox* seen) {
    DWORD uiThread = GetCurrentThreadId();
    bool closedByAnswer = false;
    std::thread user([&] {
        HWND box = WaitForBox(uiThread);
        if (!box) return;
        if (seen) *seen = Inspect(box);
        answer(box, uiThread);
        closedByAnswer = WaitUntilGone(box);
        if (!closedByAnswer) PostMessageW(box, WM_CLOSE, 0, 0);
    });
    auto result = show();
    user.join();
    EXPECT_TRUE(closedByAnswer) << "the answer did not close the box";
    return result;
}

void PressKey(HWND box, DWORD uiThread, WPARAM key) {
    PostMessageW(FocusInside(box, uiThread), WM_KEYDOWN, key, 0);
}

} // namespace

TEST(ConfirmYesNo, ShowsTheConfirmationBoxWithOuiAsDefault) {
    ShownBox seen;
    std::string text = Cp1252("Perte des données courantes");
    bool yes = WithUser([&] { return ConfirmYesNo(text); },
                        [](HWND box, DWORD t) { PressKey(box, t, VK_RETURN); }, &seen);
    EXPECT_TRUE(yes);
    EXPECT_EQ(seen.Title, "Confirmation");
    EXPECT_EQ(seen.Text, text);
    EXPECT_EQ(seen.Buttons, (std::vector<std::string>{"&Oui", "&Non"}));
    EXPECT_EQ(seen.DefaultButton, "&Oui");
    EXPECT_TRUE(seen.HasIcon);
}

TEST(ConfirmYesNo, EscapeAnswersNo) {
    EXPECT_FALSE(WithUser([] { return ConfirmYesNo("Sauvegarde"); },
                          [](HWND box, DWORD t) { PressKey(box, t, VK_ESCAPE); }, nullptr));
}

TEST(ConfirmYesNo, ClosingTheBoxAnswersNo) {
    EXPECT_FALSE(WithUser([] { return ConfirmYesNo("Sauvegarde"); },
                          [](HWND box, DWORD) { PostMessageW(box, WM_CLOSE, 0, 0); }, nullptr));
}

TEST(ConfirmYesNo, EachButtonGivesItsAnswer) {
    auto click = [](const char* caption) {
        return [caption](HWND box, DWORD) {
            PostMessageW(ButtonCaptioned(box, caption), BM_CLICK, 0, 0);
        };
    };
    EXPECT_FALSE(WithUser([] { return ConfirmYesNo("Sauvegarde"); }, click("&Non"), nullptr));
    EXPECT_TRUE(WithUser([] { return ConfirmYesNo("Sauvegarde"); }, click("&Oui"), nullptr));
}

TEST(ConfirmYesNo, CutsTheTextAt255Characters) {
    ShownBox seen;
    WithUser([] { return ConfirmYesNo(std::string(300, 'a')); },
             [](HWND box, DWORD t) { PressKey(box, t, VK_ESCAPE); }, &seen);
    EXPECT_EQ(seen.Text, std::string(255, 'a'));
}

TEST(ShowNotice, IsTitledWithTheApplicationAndHasOneOkButtonAndNoIcon) {
    ShownBox seen;
    WithUser(
        [] {
            ShowNotice("Appuyer sur le bouton STOR.");
            return 0;
        },
        [](HWND box, DWORD t) { PressKey(box, t, VK_RETURN); }, &seen);
    EXPECT_EQ(seen.Title, "Scoptera");
    EXPECT_EQ(seen.Buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(seen.HasIcon);
    EXPECT_EQ(seen.Text, "Appuyer sur le bouton STOR.");
}

TEST(ShowMessageDialog, ShowsTwoLinesSplitByALoneCarriageReturn) {
    ShownBox seen;
    BoxRequest request{BoxKind::Information,
                       Cp1252("Mettre les voies à GD, faire une acquisition\rSi \"Annuler\" zéro "
                              "au centre"),
                       {{"OK", IDOK}, {"Annuler", IDCANCEL}},
                       0,
                       IDCANCEL};
    int result = WithUser([&] { return ShowMessageDialog(request); },
                          [](HWND box, DWORD t) { PressKey(box, t, VK_ESCAPE); }, &seen);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(seen.Title, "Information");
    EXPECT_EQ(seen.Text, Cp1252("Mettre les voies à GD, faire une acquisition\r\nSi \"Annuler\" "
                                "zéro au centre"));
}

TEST(ShowMessageDialog, DisablesTheOtherWindowsOfTheThreadWhileOpen) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(owner);
    bool enabledMeanwhile = true;
    WithUser([] { return ConfirmYesNo("Sauvegarde"); },
             [&](HWND box, DWORD t) {
                 enabledMeanwhile = IsWindowEnabled(owner);
                 PressKey(box, t, VK_ESCAPE);
             },
             nullptr);
    EXPECT_FALSE(enabledMeanwhile);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}
