#pragma once
// The base of the program's own non-modal windows (the preview, the series): made over an owner
// at the owner's display scale, brought forward when asked for again, its controls laid out
// again on every resize, no smaller than its smallest size, closed by Escape.
#include <windows.h>
#include <string>
#include <utility>

#include "ui/WindowBase.h"

class ToolWindow : public WindowBase {
protected:
    struct Layout {
        const wchar_t* ClassName;
        std::string Title;               // 1252
        int Width, Height;               // at 96 dpi
        int MinimumWidth, MinimumHeight; // at 96 dpi
    };
    explicit ToolWindow(Layout layout) : layout_(std::move(layout)) {}

    // Makes the window over `owner`, hidden, with its controls, and gives true; or brings the
    // window that exists forward and gives false.
    bool Create(HWND owner);

    virtual void CreateControls() = 0;
    virtual void PlaceControls() = 0;
    // The window's other messages.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) final;

    Layout layout_;
    bool laidOut_ = false; // the controls exist
};
