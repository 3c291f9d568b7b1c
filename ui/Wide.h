#pragma once
// The boundary between the program's 1252 text and the wide Win32 API.
#include <windows.h>
#include <string>
#include <string_view>

std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);

// A window's text, and setting it, in 1252.
std::string WindowText(HWND window);
void SetWindowText1252(HWND window, const std::string& text);
