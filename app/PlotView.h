#pragma once
// A child window that shows one picture drawn by its owner, off the screen and copied in one go
// (no flicker while the window is resized), and hands the mouse and the keys it gets back to its
// owner. The preview's graph and the series window's Bode plot are each one.
#include <windows.h>
#include <functional>
#include <memory>

#include "ui/Picture.h"
#include "ui/WindowBase.h"

class PlotView : public WindowBase {
public:
    struct Events {
        // Draws the whole picture into `dc`, `box` its size, at the window's `dpi`.
        std::function<void(HDC dc, const RECT& box, int dpi)> Draw;
        // WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSELEAVE, at a client point.
        std::function<void(UINT message, POINT at)> Mouse;
        // A key pressed while the view has the focus; true when the owner used it.
        std::function<bool(UINT key)> Key;
        // The dialog keys the view wants now (WM_GETDLGCODE): DLGC_WANTARROWS and so on.
        std::function<UINT()> WantedKeys;
    };

    // A child of `parent` with the control id `id`, a Tab stop.
    PlotView(HWND parent, int id, Events events);

    // Draws the picture again (at the next paint).
    void Invalidate();
    using Drawer = std::function<void(HDC dc, const RECT& box, int dpi)>;
    // A new off-screen picture of the view's size, drawn by `draw` (the picture out: what the
    // view shows, without what only the screen has, such as the mouse's line).
    std::unique_ptr<Picture> Render(const Drawer& draw) const;
    // The picture out onto the clipboard, saying so when another program holds it.
    void CopyPicture(const Drawer& draw) const;
    // The picture out into a PNG file the user names, unless `closing` has become true meanwhile.
    void SavePicture(const Drawer& draw, const std::function<bool()>& closing) const;
    int Dpi() const;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint();

    Events events_;
    std::unique_ptr<Picture> backBuffer_; // kept while the size holds
    bool tracking_ = false;               // the system tells when the mouse leaves
};
