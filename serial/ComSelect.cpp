#include "serial/ComSelect.h"

#include <windows.h>

#include "serial/PortNames.h"
#include "serial/Win32Dispatcher.h"
#include "ui/ModalForm.h"
#include "ui/Wide.h"
#include "ui/Window.h"

bool PortPresent(uint16_t number) {
    if (number == 0) return false;
    TSerialWin32Dispatcher probe(nullptr); // bare: no threads, no buffers
    int code = probe.OpenDevice(L"\\\\.\\COM" + std::to_wstring(number));
    if (code == -int(ERROR_ACCESS_DENIED)) return true; // held by another program
    if (code != 0) return false;
    // Wine opens a number mapped to a missing device; only a device with line settings is a port.
    bool present = probe.DeviceIsSerialPort();
    probe.CloseDevice();
    return present;
}

std::vector<uint16_t> PresentPorts() {
    std::vector<uint16_t> ports;
    for (uint16_t n = 1; n <= kHighestProbedPort; ++n)
        if (PortPresent(n)) ports.push_back(n);
    return ports;
}

namespace {

constexpr int kComboId = 300;

class TComSelectForm : public ModalForm {
public:
    TComSelectForm() : ModalForm({L"TVexorComSelectForm", "Select Port", 220, 131}) {}

    // The chosen port number; 0 when none is.
    uint16_t SelectedPort() const { return chosen_; }

protected:
    HWND CreateControls(HWND w) override {
        CreateControl(w, {L"STATIC", "", SS_ETCHEDFRAME, 8, 8, 204, 44});
        CreateControl(
            w, {L"STATIC", "The configured serial port is not valid.", SS_LEFT, 14, 14, 194, 16});
        CreateControl(w, {L"STATIC", "Please choose another port.", SS_LEFT, 14, 32, 194, 16});
        combo_ = CreateControl(w, {L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 8,
                                   60, 204, 200, kComboId});
        for (uint16_t n : PresentPorts())
            SendMessageW(combo_, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(Wide(PortName(n)).c_str()));
        SendMessageW(combo_, CB_SETCURSEL, 0, 0);
        HWND ok = CreateControl(
            w, {L"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 30, 98, 75, 25, IDOK});
        CreateControl(w, {L"BUTTON", "Cancel", WS_TABSTOP, 115, 98, 75, 25, IDCANCEL});
        return ok;
    }

    bool OnCommand(int id, int, HWND) override {
        if (id != IDOK) return false;
        chosen_ = ::SelectedPort(WindowText(combo_));
        Close(IDOK);
        return true;
    }

private:
    HWND combo_ = nullptr;
    uint16_t chosen_ = 0;
};

} // namespace

uint16_t ChoosePortWithSelectForm() {
    TComSelectForm form;
    return form.ShowModal() == IDOK ? form.SelectedPort() : 0;
}
