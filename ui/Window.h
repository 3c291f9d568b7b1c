#pragma once
// The one place that registers window classes, creates windows and controls, and places them.
#include <windows.h>
#include <exception>
#include <string>
#include <vector>

// Registers a window class of this module once; later calls with the same name do nothing.
void RegisterWindowClass(const wchar_t* className, WNDPROC procedure, HICON icon = nullptr);

// Layouts are given at 96 dpi (a scale of 100 %); each window shows them at its own DPI.
int Scaled(int pixels, int dpi);
// The 96-dpi length that shows at least `pixels` at `dpi`.
int Unscaled(int pixels, int dpi);

struct ControlSpec {
    const wchar_t* ClassName; // "BUTTON", "STATIC", ...
    std::string Text;         // 1252
    DWORD Style;              // WS_CHILD | WS_VISIBLE are added
    int X, Y, Width, Height;  // client coordinates of the parent at 96 dpi
    int Id = 0;
    DWORD ExStyle = 0;
};

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

// Creates a child control at its layout scaled to the parent's DPI, with the user-interface font
// for that DPI. Throws std::runtime_error on failure.
HWND CreateControl(HWND parent, const ControlSpec& layout);

// A hidden window that only receives messages: an owner for what asks for one (the clipboard).
// Null on failure.
HWND CreateMessageOnlyWindow();

// The user-interface font every control of the program uses unless a form sets its own, for a
// window shown at `dpi`; it lives as long as the process.
HFONT InterfaceFont(int dpi);

// The face `face` at a character height of `pixels` at 96 dpi, for `dpi`; null when the system
// does not have that face (the controls then keep the interface font).
HFONT CreateInstalledFont(const wchar_t* face, int pixels, int dpi, int weight = FW_NORMAL);
// Gives `font` to `control`, or to every child of `control` with `toChildren`; nothing when null.
void SetControlFont(HWND control, HFONT font, bool toChildren = false);

// The DPI a window is shown at: its monitor's for a program aware of each monitor's scale, else
// the system's (also for a null window).
int WindowDpi(HWND window);

// A window moved to a monitor of another scale (WM_DPICHANGED): its children's places and sizes
// and their interface font follow the new DPI, and the window takes the system's rectangle.
void FollowDpiChange(HWND window, int oldDpi, int newDpi, const RECT& suggested);

// Lays push buttons, check boxes, labels, edits and drop-down lists out in rows from `area`'s
// top-left corner, each as wide as its own text in its own font needs at `dpi` (an edit or a list
// as wide as it is), the next row when `area`'s width is used up; the bottom of the last row.
int FlowControls(const std::vector<HWND>& controls, const RECT& area, int dpi);

// A top-level window's outer size for a client area in pixels at `dpi`, and its position centred
// on the screen.
SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);
void CentreOnScreen(HWND window);
