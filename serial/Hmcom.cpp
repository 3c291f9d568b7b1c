#include "serial/Hmcom.h"

#include <algorithm>

#include "common/Text1252.h"
#include "serial/ComSelect.h"
#include "serial/PortNames.h"
#include "ui/Window.h"

namespace {
constexpr int kWidth = 325, kHeight = 114;
constexpr int kColumns = 4, kRowHeight = 18, kGroupTop = 40, kItemWidth = 70;
constexpr int kHelpId = 9;
} // namespace

TComCfgDlg::TComCfgDlg()
    : ModalForm({L"TVexorComCfgDlg", "Configuration du port RS232", kWidth, kHeight}) {}

bool TComCfgDlg::OnCommand(int id, int, HWND) {
    switch (id) {
    case IDOK: OKBtnClick(Window()); return true;
    case kHelpId: return true;
    }
    return false;
}

void TComCfgDlg::OKBtnClick(HWND window) {
    for (std::size_t i = 0; i < PortNumbers.size(); ++i)
        if (SendMessageW(GetDlgItem(window, kFirstItemId + int(i)), BM_GETCHECK, 0, 0) ==
            BST_CHECKED)
            SelectedNumber = uint8_t(PortNumbers[i]);
    // With no port present, OK keeps the current number.
    Close(IDOK);
}

// The list of ports, rebuilt from what is present now; the dialog grows to hold every item.
void TComCfgDlg::FormActivate(HWND window) {
    PortNumbers = PresentPorts();
    int rows = (int(PortNumbers.size()) + kColumns - 1) / kColumns;
    int groupHeight = std::max(1, rows) * kRowHeight + 24;
    SetClientSize(kWidth, std::max(kHeight, kGroupTop + groupHeight + 40));
    CreateControl(window, {L"BUTTON", "&Com:", BS_GROUPBOX, 8, kGroupTop, 309, groupHeight});
    int selected = 0;
    for (std::size_t i = 0; i < PortNumbers.size(); ++i) {
        int row = int(i) / kColumns, column = int(i) % kColumns;
        CreateControl(window, {L"BUTTON", PortName(PortNumbers[i]),
                               BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0u),
                               16 + column * kItemWidth, kGroupTop + 18 + row * kRowHeight,
                               kItemWidth - 4, 16, kFirstItemId + int(i)});
        if (PortNumbers[i] == SelectedNumber) selected = int(i);
    }
    if (!PortNumbers.empty())
        CheckRadioButton(window, kFirstItemId, kFirstItemId + int(PortNumbers.size()) - 1,
                         kFirstItemId + selected);
    int buttonsTop = kGroupTop + groupHeight + 8;
    CreateControl(window, {L"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 74,
                           buttonsTop, 75, 25, IDOK});
    CreateControl(window, {L"BUTTON", "Annuler", WS_TABSTOP, 158, buttonsTop, 75, 25, IDCANCEL});
    CreateControl(window, {L"BUTTON", "&Aide", WS_TABSTOP, 242, buttonsTop, 75, 25, kHelpId});
}

HWND TComCfgDlg::CreateControls(HWND window) {
    CreateControl(window, {L"STATIC", "Vitesse 9600 bauds", SS_LEFT, 8, 8, 150, 16});
    CreateControl(window,
                  {L"STATIC", Cp1252("Pour HM408 SW1 à 4 et SW2 à 0"), SS_LEFT, 8, 22, 300, 16});
    FormActivate(window);
    return GetDlgItem(window, IDOK);
}
