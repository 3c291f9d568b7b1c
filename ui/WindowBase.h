#pragma once
// The base of every window of the program with an object behind it: the main window, the preview
// and the modal forms. The object is attached to its window at WM_NCCREATE, before any other
// message, owns the HWND from then on, and gets every message through CallGuarded, so that no
// exception crosses the system's call. A window destroyed from outside (its close box) is let go
// at WM_NCDESTROY; one still alive when the object goes is detached first, then destroyed, so no
// message reaches a half-destroyed object.
//
// The base also keeps the DPI the window is laid out for: its monitor's when it is made, then the
// one WM_DPICHANGED gives when it moves to a monitor of another scale. On that message the base
// moves and resizes the children and gives them the interface font of the new DPI before the
// window's own handler sees it (for the fonts it made itself, and its own layout).
#include <windows.h>
#include <string>

#include "ui/Handles.h"

class WindowBase {
public:
    virtual ~WindowBase();
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    // The window while it exists, else null.
    HWND Window() const { return window_.get(); }

protected:
    WindowBase() = default;

    struct Frame {
        const wchar_t* ClassName;
        std::string Title; // 1252
        DWORD Style, ExStyle;
        int X, Y, Width, Height;
        HWND Owner = nullptr;
        HICON Icon = nullptr;
    };
    // Registers the frame's class (once) with the one procedure and creates the window. Throws
    // std::runtime_error when the system cannot make it.
    void CreateFrame(const Frame& frame);
    void DestroyFrame();

    // The DPI the window is laid out for.
    int Dpi() const { return dpi_; }
    // Sizes the window for a client area given at 96 dpi, at the window's DPI.
    void SetClientSize(int width, int height);

    // Every message of the window, from WM_NCCREATE to WM_NCDESTROY.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UniqueWindow window_;
    int dpi_ = 96;
};
