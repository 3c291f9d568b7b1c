#include "ui/Window.h"

#include <stdexcept>
#include <vector>

#include "ui/Wide.h"

void RegisterWindowClass(const wchar_t* className, WNDPROC procedure, HICON icon) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), className, &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    wc.hIcon = icon;
    if (!RegisterClassExW(&wc)) throw std::runtime_error("RegisterClassEx failed");
}

HFONT InterfaceFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

HWND CreateControl(HWND parent, const ControlSpec& layout) {
    HWND control = CreateWindowExW(
        layout.ExStyle, layout.ClassName, Wide(layout.Text).c_str(), WS_CHILD | WS_VISIBLE | layout.Style,
        layout.X, layout.Y, layout.Width, layout.Height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.Id)), GetModuleHandleW(nullptr), nullptr);
    if (!control) throw std::runtime_error("CreateWindowEx failed for a control");
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(InterfaceFont()), FALSE);
    return control;
}

SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle) {
    RECT rect{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void CentreOnScreen(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

PreDispatchHook g_hook = nullptr;

struct DisableWalk {
    HWND Dialog;
    std::vector<HWND> Disabled;
};

BOOL CALLBACK DisableIfOther(HWND window, LPARAM data) {
    auto* walk = reinterpret_cast<DisableWalk*>(data);
    if (window != walk->Dialog && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        walk->Disabled.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> DisableOtherThreadWindows(HWND dialog) {
    DisableWalk walk{dialog, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableIfOther, reinterpret_cast<LPARAM>(&walk));
    return walk.Disabled;
}

} // namespace

void SetPreDispatchHook(PreDispatchHook hook) { g_hook = hook; }

void DispatchThreadMessage(MSG& msg, HWND dialog) {
    if (g_hook) g_hook(msg);
    if (dialog && IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void RunModalLoop(HWND dialog, HWND focus, const bool& done) {
    std::vector<HWND> disabled = DisableOtherThreadWindows(dialog);
    ShowWindow(dialog, SW_SHOW);
    SetFocus(focus);
    MSG msg;
    while (!done) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        if (got < 0) break;
        DispatchThreadMessage(msg, dialog);
    }
    for (HWND window : disabled)
        if (IsWindow(window)) EnableWindow(window, TRUE);
}
