#pragma once
// The boundary between the program's 1252 text and the wide Win32 API.
#include <windows.h>
#include <string>
#include <string_view>

std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);

// A window's text as it holds it (a folder's name may hold letters 1252 lacks), and in 1252.
std::wstring WindowTextW(HWND window);
std::string WindowText(HWND window);
void SetWindowText1252(HWND window, const std::string& text);
