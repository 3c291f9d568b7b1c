#pragma once
// The port dialog "Configuration du port RS232": the present ports among COM1..COM50 as radio
// items, rebuilt at every showing, the current one selected.
#include <cstdint>
#include <vector>
#include <windows.h>

class TComCfgDlg {
public:
    // Shows the dialog; true when closed with OK, SelectedNumber then holds the choice.
    bool ShowModal();

    uint8_t SelectedNumber = 1;
    // The port number of each radio item, by position. As many as there are present ports: the
    // dialog grows to show them all.
    std::vector<uint16_t> PortNumbers;

    static constexpr int kFirstItemId = 400;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void FormActivate(HWND window);
    void OKBtnClick(HWND window);
    bool done_ = false;
    bool accepted_ = false;
};
