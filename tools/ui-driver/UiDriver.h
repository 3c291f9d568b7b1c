#pragma once
// Drives the program's real windows from another process: find a window by its title, read its
// controls, click them, answer the program's message boxes. Used by the end-to-end tests (as a
// library) and by scripts (as ui-driver.exe).
#include <windows.h>
#include <string>
#include <vector>

namespace UiDriver {

struct ControlState {
    HWND Window;
    int Id;
    std::string ClassName;
    std::string Text; // 1252
    bool Visible;
    RECT Bounds; // in the client coordinates of the top-level window
};

// The first top-level window whose title starts with `titlePrefix` (visible ones only unless
// `evenHidden`), waiting up to `timeoutMs`; nullptr if none came.
HWND WaitForWindow(const std::string& titlePrefix, DWORD timeoutMs, bool evenHidden = false);

// A message box of the program (its own box class) that is showing, by title; nullptr if none
// came within the time-out.
HWND WaitForMessageBox(const std::string& title, DWORD timeoutMs);

std::vector<ControlState> Controls(HWND topLevel);
ControlState Control(HWND topLevel, int id);
std::string Text(HWND window);
// The text as the window holds it: the program's own windows may show what 1252 lacks ("−").
std::wstring TextW(HWND window);

// The room the control's text takes in the control's own font: its widest line and the height of
// its lines ("&" is an Alt letter's mark where the control takes it so); {0, 0} for no text.
// Throws std::runtime_error when the font cannot be read.
SIZE TextSize(HWND control);

// The control that has the keyboard focus in `topLevel`'s thread; null when none.
HWND Focus(HWND topLevel);

// Clicks a control by its id, or a box's button by its caption ("&Oui").
void Click(HWND topLevel, int id);
bool ClickButton(HWND topLevel, const std::string& caption);

// Types `path` into a file dialog's name field and presses its Save (or Open) button.
bool SaveAs(HWND fileDialog, const std::string& path);
bool SaveAs(HWND fileDialog, const std::wstring& path);

// The text of a message box, and the captions of its buttons.
std::string MessageBoxText(HWND box);
std::vector<std::string> MessageBoxButtons(HWND box);

// The clipboard's text (CF_TEXT, 1252); "" when it holds none or cannot be opened.
std::string ClipboardText();

// Waits until the window is gone; false on time-out.
bool WaitUntilGone(HWND window, DWORD timeoutMs);

} // namespace UiDriver
