#include "app/Hmabout.h"

#include <string>

#include "app/Text1252.h"
#include "ui/Handles.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kOkId = IDOK;
} // namespace

LRESULT CALLBACK TAboutBox::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = WindowObject<TAboutBox>(window, message, lParam);
    if (self && (message == WM_CLOSE ||
                 (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)))) {
        self->done_ = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TAboutBox::ShowModal() {
    RegisterWindowClass(kClassName, WindowProc);
    SIZE outer = OuterSize(298, 183, kStyle, kExStyle);
    done_ = false;
    UniqueWindow window(CreateWindowExW(kExStyle, kClassName, L"A propos", kStyle, 0, 0, outer.cx,
                                        outer.cy, GetActiveWindow(), nullptr,
                                        GetModuleHandleW(nullptr), this));
    if (!window) return;
    HWND w = window.get();
    CreateControl(w, {L"STATIC", "", SS_SUNKEN, 8, 8, 282, 128});
    HWND icon = CreateControl(w, {L"STATIC", "", SS_ICON, 16, 16, 32, 32});
    SendMessageW(icon, STM_SETICON,
                 reinterpret_cast<WPARAM>(LoadIconW(GetModuleHandleW(nullptr), L"MAINICON")), 0);
    const char* lines[] = {"Acquisition par Hameg 305, 408", "pour Curvilab Windows 95",
                           "Version 2.15 du 14/02/2009", "Scoptera",
                           "Lecture de la mémoire, envoi vers Curvilab"};
    int y = 18;
    for (const char* line : lines) {
        CreateControl(w, {L"STATIC", Cp1252(line), SS_LEFT | SS_NOPREFIX, 64, y, 220, 18});
        y += 22;
    }
    CreateControl(w, {L"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 112, 148, 75, 25, kOkId});
    CentreOnScreen(w);
    RunModalLoop(w, GetDlgItem(w, kOkId), done_);
}
