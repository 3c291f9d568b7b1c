#pragma once
// The port dialog "Configuration du port RS232": the present ports among COM1..COM50 as radio
// items, rebuilt at every showing, the current one selected.
#include <cstdint>
#include <vector>

#include "ui/ModalForm.h"

class TComCfgDlg : public ModalForm {
public:
    TComCfgDlg();

    // ShowModal gives IDOK when closed with OK; SelectedNumber then holds the choice.
    uint8_t SelectedNumber = 1;
    // The port number of each radio item, by position. As many as there are present ports: the
    // dialog grows to show them all.
    std::vector<uint16_t> PortNumbers;

    static constexpr int kFirstItemId = 400;

protected:
    HWND CreateControls(HWND window) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void FormActivate(HWND window);
    void OKBtnClick(HWND window);
};
