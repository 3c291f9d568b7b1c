#pragma once
// The about box: the program's icon, name, version and an OK button.
#include <windows.h>

class TAboutBox {
public:
    void ShowModal();
    static constexpr const wchar_t* kClassName = L"TVexorAboutBox";

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool done_ = false;
};
