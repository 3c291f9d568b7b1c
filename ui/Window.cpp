#include "ui/Window.h"

#include <stdexcept>

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
    HWND control = CreateWindowExW(layout.ExStyle, layout.ClassName, Wide(layout.Text).c_str(),
                                   WS_CHILD | WS_VISIBLE | layout.Style, layout.X, layout.Y,
                                   layout.Width, layout.Height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.Id)),
                                   GetModuleHandleW(nullptr), nullptr);
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
