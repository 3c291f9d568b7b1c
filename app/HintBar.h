#pragma once
// The help bar's hints: the long part of the hint of the control under the mouse (searching up
// through its parents), nothing outside the main window. The bar takes a hint only when the hint
// itself changes, so a status text a read wrote stays while the mouse moves over one control.
#include <windows.h>
#include <map>
#include <string>

class HintBar {
public:
    // The bar `bar` of the window `window`.
    void Attach(HWND window, HWND bar) { window_ = window, bar_ = bar; }
    // Hints "short|long" of controls.
    std::map<HWND, std::string>& Hints() { return hints_; }

    // The mouse moved over `control` (of any window of the program), or left the one it was on.
    void MouseOver(HWND control);
    void MouseLeft();

private:
    void Show(const std::string& hint);
    std::string HintAt(HWND control) const;

    HWND window_ = nullptr, bar_ = nullptr;
    std::map<HWND, std::string> hints_;
    std::string shown_; // the hint the bar took last
};
