#include "app/InstrumentForm.h"

#include "common/Text1252.h"
#include "instrument/InstrumentTexts.h"
#include "instrument/VisaStream.h"
#include "ui/MessageLoop.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {
constexpr int kWidth = 400, kHeight = 290;
} // namespace

TInstrumentForm::TInstrumentForm(std::function<bool()> choosePort)
    : ModalForm({kClassName, "Instrument", kWidth, kHeight}), choosePort_(std::move(choosePort)) {}

HWND TInstrumentForm::CreateControls(HWND w) {
    CreateControl(w, {L"BUTTON", Cp1252("Oscilloscope HM 305 / HM 408 (port série)"),
                      BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 8, 10, 290, 20, kSerialId});
    CreateControl(w, {L"BUTTON", Cp1252("Voie série…"), WS_TABSTOP | WS_GROUP, 304, 8, 88, 24,
                      kPortDialogId});
    CreateControl(w, {L"BUTTON", Cp1252("Oscilloscope en réseau"), BS_AUTORADIOBUTTON, 8, 42, 290,
                      20, kNetworkId});
    CreateControl(w, {L"STATIC", "Adresse", SS_LEFT, 28, 72, 56, 16});
    CreateControl(w, {L"EDIT", "", ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_GROUP, 86,
                      68, 184, 24, kHostId});
    CreateControl(w, {L"STATIC", "Port", SS_LEFT, 282, 72, 34, 16});
    CreateControl(
        w, {L"EDIT", "", ES_LEFT | ES_NUMBER | WS_BORDER | WS_TABSTOP, 318, 68, 74, 24, kPortId});
    CreateControl(
        w, {L"BUTTON", "Oscilloscope USB", BS_AUTORADIOBUTTON | WS_GROUP, 8, 104, 290, 20, kUsbId});
    HWND list = CreateControl(w, {L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 28,
                                  128, 364, 200, kUsbListId});
    CreateControl(w, {L"STATIC", "", SS_LEFT, 28, 156, 364, 30, kUsbReasonId});
    CreateControl(w, {L"BUTTON", "Tester", WS_TABSTOP | WS_GROUP, 8, 196, 75, 25, kTestId});
    CreateControl(w, {L"STATIC", "", SS_LEFT | SS_NOPREFIX, 92, 192, 300, 52, kResultId});
    HWND ok = CreateControl(
        w, {L"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 236, 256, 75, 25, IDOK});
    CreateControl(w, {L"BUTTON", "Annuler", WS_TABSTOP, 317, 256, 75, 25, IDCANCEL});

    VisaAvailability visa = FindVisa();
    for (const std::string& found : FindVisaInstruments())
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(found).c_str()));
    if (!visa.Installed) {
        EnableWindow(Item(kUsbId), FALSE);
        EnableWindow(list, FALSE);
        SetWindowText1252(Item(kUsbReasonId), visa.Reason);
    }
    int checked = kSerialId;
    if (Current.Kind == ResourceKind::Socket) {
        checked = kNetworkId;
        SetWindowText1252(Item(kHostId), Current.Host);
        if (Current.Port != 0) SetWindowText1252(Item(kPortId), std::to_string(Current.Port));
    } else if (Current.Kind == ResourceKind::Visa) {
        checked = visa.Installed ? kUsbId : kSerialId;
        LRESULT at = SendMessageW(list, CB_FINDSTRINGEXACT, WPARAM(-1),
                                  reinterpret_cast<LPARAM>(Wide(Current.Text).c_str()));
        if (at == CB_ERR)
            at = SendMessageW(list, CB_ADDSTRING, 0,
                              reinterpret_cast<LPARAM>(Wide(Current.Text).c_str()));
        SendMessageW(list, CB_SETCURSEL, WPARAM(at), 0);
    }
    if (SendMessageW(list, CB_GETCURSEL, 0, 0) == CB_ERR) SendMessageW(list, CB_SETCURSEL, 0, 0);
    CheckRadioButton(w, kSerialId, kUsbId, checked);
    ShowResult(Reason);
    return ok;
}

bool TInstrumentForm::OnCommand(int id, int code, HWND) {
    switch (id) {
    case kTestId: TesterClick(); return true;
    case IDOK: OKBtnClick(); return true;
    case IDCANCEL:
        // Escape during a test ends the test, not the window.
        if (!testing_) return false;
        link_.Cancel();
        return true;
    case kPortDialogId:
        if (!testing_ && choosePort_()) CheckRadioButton(Window(), kSerialId, kUsbId, kSerialId);
        return true;
    case kHostId:
    case kPortId:
        if (code == EN_CHANGE && GetFocus() == Item(id))
            CheckRadioButton(Window(), kSerialId, kUsbId, kNetworkId);
        return true;
    }
    return false;
}

InstrumentResource TInstrumentForm::Shown() const {
    // ES_NUMBER stops a typed letter, not a pasted one.
    if (IsDlgButtonChecked(Window(), kNetworkId) == BST_CHECKED)
        return SocketResource(WindowText(Item(kHostId)), WindowText(Item(kPortId)));
    if (IsDlgButtonChecked(Window(), kUsbId) == BST_CHECKED)
        return ParseResource(WindowText(Item(kUsbListId)));
    return {};
}

void TInstrumentForm::ShowResult(const std::string& text) {
    SetWindowText1252(Item(kResultId), text);
}

// Who answers at the address shown; the port that answered goes into an empty port field.
void TInstrumentForm::TesterClick() {
    if (testing_) return;
    InstrumentResource resource;
    try {
        resource = Shown();
    } catch (const EInstrumentError& error) {
        return ShowResult(error.what());
    }
    if (resource.Kind == ResourceKind::Serial)
        return ShowResult(
            Cp1252("L'oscilloscope HM est identifié à la fermeture de cette fenêtre"));
    ShowResult(Cp1252("Connexion à ") + resource.Address() + Cp1252("…"));
    testing_ = true;
    EnableWindow(Item(kTestId), FALSE);
    link_.Start({resource, false, {}});
    while (!link_.Finished() && !QuitRequested()) ProcessMessagesOrWait(50);
    if (QuitRequested()) link_.Cancel();
    ScopeOutcome outcome = link_.Take();
    testing_ = false;
    if (!IsWindow(Window())) return;
    EnableWindow(Item(kTestId), TRUE);
    if (outcome.Error) return ShowResult(InstrumentErrorText(*outcome.Error, resource.Address()));
    ShowResult(outcome.Identity->Text());
    if (outcome.Port != 0 && WindowText(Item(kPortId)).empty())
        SetWindowText1252(Item(kPortId), std::to_string(outcome.Port));
}

void TInstrumentForm::OKBtnClick() {
    if (testing_) return;
    try {
        Chosen = Shown();
    } catch (const EInstrumentError& error) {
        return ShowResult(error.what());
    }
    Close(IDOK);
}
