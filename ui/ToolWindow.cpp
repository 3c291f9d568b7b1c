#include "ui/ToolWindow.h"

#include "ui/Window.h"

bool ToolWindow::Create(HWND owner) {
    if (Window()) {
        ShowWindow(Window(), SW_RESTORE);
        SetForegroundWindow(Window());
        return false;
    }
    int dpi = WindowDpi(owner);
    laidOut_ = false;
    CreateFrame({layout_.ClassName, layout_.Title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                 WS_EX_CONTROLPARENT, CW_USEDEFAULT, CW_USEDEFAULT, Scaled(layout_.Width, dpi),
                 Scaled(layout_.Height, dpi), owner,
                 LoadIconW(GetModuleHandleW(nullptr), L"MAINICON")});
    CreateControls();
    laidOut_ = true;
    PlaceControls();
    return true;
}

LRESULT ToolWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (laidOut_) PlaceControls();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {Scaled(layout_.MinimumWidth, Dpi()),
                                  Scaled(layout_.MinimumHeight, Dpi())};
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) { // Escape
            PostMessageW(Window(), WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_DESTROY: laidOut_ = false; break;
    }
    return OnMessage(message, wParam, lParam);
}
