#include "serial/ComSelect.h"

#include <windows.h>

#include "serial/ComPort.h"
#include "serial/Win32Dispatcher.h"
#include "ui/Handles.h"
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

uint16_t SelectedPort(const std::string& entry) {
    if (entry.size() < 4) return 0;
    try {
        std::size_t used = 0;
        int number = std::stoi(entry.substr(3), &used);
        return used == entry.size() - 3 && number > 0 && number <= 0xFFFF ? uint16_t(number) : 0;
    } catch (...) {
        return 0;
    }
}

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kComboId = 300;

struct SelectForm {
    bool Done = false;
    bool Accepted = false;
};

LRESULT CALLBACK SelectFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = WindowObject<SelectForm>(window, message, lParam);
    if (form && message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        form->Accepted = LOWORD(wParam) == IDOK;
        form->Done = true;
        return 0;
    }
    if (form && message == WM_CLOSE) {
        form->Done = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

uint16_t ChoosePortWithSelectForm() {
    RegisterWindowClass(L"TVexorComSelectForm", SelectFormProc);
    SelectForm form;
    SIZE outer = OuterSize(220, 131, kStyle, kExStyle);
    UniqueWindow window(CreateWindowExW(kExStyle, L"TVexorComSelectForm", L"Select Port", kStyle, 0,
                                        0, outer.cx, outer.cy, GetActiveWindow(), nullptr,
                                        GetModuleHandleW(nullptr), &form));
    if (!window) return 0;
    HWND w = window.get();
    CreateControl(w, {L"STATIC", "", SS_ETCHEDFRAME, 8, 8, 204, 44});
    CreateControl(w, {L"STATIC", "The configured serial port is not valid.", SS_LEFT, 14, 14, 194, 16});
    CreateControl(w, {L"STATIC", "Please choose another port.", SS_LEFT, 14, 32, 194, 16});
    HWND combo = CreateControl(w, {L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                                   8, 60, 204, 200, kComboId});
    for (uint16_t n : PresentPorts())
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(PortName(n)).c_str()));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    CreateControl(w, {L"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 30, 98, 75, 25, IDOK});
    CreateControl(w, {L"BUTTON", "Cancel", WS_TABSTOP, 115, 98, 75, 25, IDCANCEL});
    CentreOnScreen(w);
    RunModalLoop(w, GetDlgItem(w, IDOK), form.Done);
    if (!form.Accepted) return 0;
    return SelectedPort(WindowText(combo));
}
