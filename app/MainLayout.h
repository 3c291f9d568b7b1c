#pragma once
// The main window's controls at their specified places: the tool bar with its pictures and hints
// (the read button's short hint also a tooltip), the two gauges, the time-base and channel groups
// with their selectors and name fields, the red reminder and the help bar; their fonts at the
// window's DPI.
#include <windows.h>
#include <map>
#include <string>

#include "ui/Handles.h"

constexpr int kMainClientWidth = 350, kMainClientHeight = 400;
// The gauges' range before an instrument sets its own: an HM 305's image bytes.
constexpr int kMainGaugeMaximum = 4096;

// Creates the controls in `window`; each tool button's hint ("short|long") into `hints`.
void CreateMainControls(HWND window, std::map<HWND, std::string>& hints);

// The bold Curvilab face for every control but the reminder, at `dpi`.
struct MainFonts {
    UniqueGdiObject Bold, Memo;
};
void ApplyMainFonts(HWND window, int dpi, MainFonts& fonts);

// A tool button's frame, picture and focus rectangle; false for another control.
bool DrawToolButton(const DRAWITEMSTRUCT& item, int dpi);
