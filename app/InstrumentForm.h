#pragma once
// The Instrument window: the HM on the serial port, a scope on the network (its address and
// port), or a USB scope through a VISA library. "Tester" asks the chosen scope who it is without
// touching the acquisition held; OK gives the choice as a resource text.
#include <functional>
#include <string>

#include "instrument/Resource.h"
#include "instrument/ScopeLink.h"
#include "ui/ModalForm.h"

class TInstrumentForm : public ModalForm {
public:
    // `choosePort`: the port dialog, true when closed with OK.
    explicit TInstrumentForm(std::function<bool()> choosePort);

    // Before ShowModal: the current choice, and why it did not answer (empty when it did).
    InstrumentResource Current;
    std::string Reason;
    // After ShowModal gave IDOK: the choice.
    InstrumentResource Chosen;

    static constexpr const wchar_t* kClassName = L"TVexorInstrumentForm";
    static constexpr int kSerialId = 500, kNetworkId = 501, kUsbId = 502, kHostId = 503,
                         kPortId = 504, kUsbListId = 505, kUsbReasonId = 506, kTestId = 507,
                         kResultId = 508, kPortDialogId = 509;

protected:
    HWND CreateControls(HWND window) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    // The choice the controls show; throws EInstrumentError(BadResource) with the reason.
    InstrumentResource Shown() const;
    void TesterClick();
    void OKBtnClick();
    void ShowResult(const std::string& text);
    HWND Item(int id) const { return GetDlgItem(Window(), id); }

    std::function<bool()> choosePort_;
    ScopeLink link_;
    bool testing_ = false;
};
