#pragma once
// The one place that registers window classes, creates windows and controls, and places them.
#include <windows.h>
#include <exception>
#include <string>
#include <vector>

// Registers a window class of this module once; later calls with the same name do nothing.
void RegisterWindowClass(const wchar_t* className, WNDPROC procedure, HICON icon = nullptr);

struct ControlSpec {
    const wchar_t* ClassName; // "BUTTON", "STATIC", ...
    std::string Text;         // 1252
    DWORD Style;              // WS_CHILD | WS_VISIBLE are added
    int X, Y, Width, Height;  // client coordinates of the parent
    int Id = 0;
    DWORD ExStyle = 0;
};

// The object a window procedure serves: the creation parameter, kept from WM_NCCREATE on; null
// before it.
template <typename T> T* WindowObject(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// A callback's boundary: runs `handler` and gives what it lets out to `report` (the general error
// box) instead of the system's code that called back; 0 then.
template <typename Handler>
LRESULT CallGuarded(Handler&& handler, void (*report)(const std::string& text)) {
    try {
        return handler();
    } catch (const std::exception& e) {
        report(e.what());
    } catch (...) {
        report("Erreur");
    }
    return 0;
}

// Creates a child control with the user-interface font. Throws std::runtime_error on failure.
HWND CreateControl(HWND parent, const ControlSpec& layout);

// A hidden window that only receives messages: an owner for what asks for one (the clipboard).
// Null on failure.
HWND CreateMessageOnlyWindow();

// The user-interface font every control of the program uses unless a form sets its own.
HFONT InterfaceFont();

// The face `face` at a character height of `pixels`; null when the system does not have that face
// (the controls then keep the interface font).
HFONT CreateInstalledFont(const wchar_t* face, int pixels, int weight = FW_NORMAL);
// Gives `font` to `control`, or to every child of `control` with `toChildren`; nothing when null.
void SetControlFont(HWND control, HFONT font, bool toChildren = false);

// The DPI a window is shown at: its monitor's for a program aware of each monitor's scale, else
// the system's.
int WindowDpi(HWND window);

// Lays push buttons, check boxes, labels and edits out in rows from `area`'s top-left corner, each
// as wide as its own text in its own font needs at `dpi` (an edit as wide as it is), the next row
// when `area`'s width is used up; the bottom of the last row.
int FlowControls(const std::vector<HWND>& controls, const RECT& area, int dpi);

// A top-level window's outer size for a client area, and its position centred on the screen.
SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle);
void CentreOnScreen(HWND window);
