#include "app/Hmain.h"

#include <commctrl.h>
#include <utility>
#include <windowsx.h>

#include "acquisition/Selectors.h"
#include "app/ControlIds.h"
#include "app/Hmabout.h"
#include "app/InstrumentForm.h"
#include "app/MainLayout.h"
#include "app/Settings.h"
#include "common/Clock.h"
#include "common/Folders.h"
#include "common/Text1252.h"
#include "export/Hpconst.h"
#include "export/SaveCommand.h"
#include "instrument/InstrumentTexts.h"
#include "link/Hmdde.h"
#include "serial/Hmcom.h"
#include "ui/MessageDialog.h"
#include "ui/MessageLoop.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

constexpr const wchar_t* kClassName = L"TVexorHamegMain";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

THamegMain* g_main = nullptr;

void SetScroll(HWND scrollBar, int minimum, int maximum, int position) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    info.nMin = minimum;
    info.nMax = maximum;
    info.nPage = 1;
    info.nPos = position;
    SetScrollInfo(scrollBar, SB_CTL, &info, TRUE);
}

int ScrollPosition(HWND scrollBar) { return GetScrollPos(scrollBar, SB_CTL); }

} // namespace

THamegMain* HamegMain() { return g_main; }

THamegMain::THamegMain(TAboutBox& aboutBox)
    : aboutBox_(aboutBox),
      series_(
          state_,
          [this](const std::string& page) { formDDE_->TransferPage(page, Cp1252("la série")); },
          [this] {
              return SweepScope{
                  resource_,
                  {Session().ChannelName(1), Session().ChannelName(2), Session().ChannelName(3),
                   Session().ChannelName(4)},
                  hm_.InstrumentFound,
                  [this](const HmSettingsRequest& settings) { return SweepImage(settings); }};
          }),
      preview_(
          state_, [this] { series_.Show(Window()); },
          [this](const Series& series) { series_.TakeSeries(Window(), series); },
          [this](int input, const std::string& name) { RenameChannel(input, name); },
          [this](const std::string& page, const std::string& what) {
              formDDE_->TransferPage(page, what);
          }) {
    g_main = this;
    state_.Changed = [this] { StateChanged(); };
    // A read Curvilab asked for while the program was busy starts from the message loop.
    state_.StartDeferredRead = [this] { PostMessageW(Window(), WM_USER, 0, 0); };
    SetModalObserver([](bool opened) {
        if (THamegMain* main = HamegMain())
            opened ? main->state_.BoxOpened() : main->state_.BoxClosed();
    });
    CreateFrame({kClassName, "Acquisition avec oscillo Hameg 305", kStyle, kExStyle, 0, 0, 0, 0,
                 nullptr, LoadIconW(GetModuleHandleW(nullptr), L"MAINICON")});
    SetClientSize(kMainClientWidth, kMainClientHeight);
    CentreOnScreen(Window());
    CreateMainControls(Window(), hints_.Hints());
    hints_.Attach(Window(), Control(idPanelAide));
    ApplyMainFonts(Window(), Dpi(), fonts_);

    ApplyHmLineSettings(VoieSerie);
    VoieSerie.SetComNumber(1);

    SetScroll(Control(idBaseDeTempsScroll), 1, kTimeBasePositions, kStartTimeBasePosition);
    SetScroll(Control(idGammeCH1), 1, kSensitivityPositions, kStartSensitivityPosition);
    SetScroll(Control(idGammeCH2), 1, kSensitivityPositions, kStartSensitivityPosition);
    ApplySelectors();
    ReadSettings();
    UpdateCommands();
}

THamegMain::~THamegMain() {
    SetModalObserver(nullptr);
    if (g_main == this) g_main = nullptr;
}

void THamegMain::Attach(TComCfgDlg& portDialog, TConstanteDlg& pageDialog, TFormDDE& formDDE) {
    portDialog_ = &portDialog;
    pageDialog_ = &pageDialog;
    formDDE_ = &formDDE;
}

void THamegMain::ClipSaveBtnClick() {
    if (!AcquisitionHeld()) return;
    ApplySelectors();
    formDDE_->TransferAcquisition(false);
}

void THamegMain::SendToCurvilabBtnClick() {
    if (!AcquisitionHeld()) return;
    if (pageDialog_->ShowModal() != IDOK || !state_.MayStart(Command::Export)) return;
    ApplySelectors();
    formDDE_->TransferAcquisition(true);
}

void THamegMain::CurvilabItemClick() { formDDE_->SendMacro("FOCUS()"); }

// A point of the window's client area on the channel 2 group but on none of its controls (the
// label "Nom" lets the mouse through to the window, yet it is not the frame).
bool THamegMain::OnChannel2Frame(LPARAM point) const {
    POINT at{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    auto contains = [&](int id) {
        RECT box;
        GetWindowRect(Control(id), &box);
        MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&box), 2);
        return PtInRect(&box, at) != FALSE;
    };
    if (!contains(idGroupBoxCH2)) return false;
    for (int id : {idGammeEditCH2, idGammeCH2, idLabel2, idNom2Edit})
        if (contains(id)) return false;
    return true;
}

void THamegMain::SaveItemClick() {
    if (!AcquisitionHeld()) return;
    std::wstring path = SaveDialogData(Handle());
    if (path.empty() || state_.Closing()) return;
    ApplySelectors();
    SaveAcquisition(path, *acquisition_);
}

void THamegMain::Show() {
    ShowWindow(Window(), SW_SHOW);
    UpdateWindow(Window());
}

void THamegMain::ShowStatus(const std::string& text) {
    SetWindowText1252(Control(idPanelAide), text);
}

// The selectors' values go into the record; an HM 305's acquisition held is converted anew with
// them when they changed, and published again.
void THamegMain::ApplySelectors() {
    if (!Session().TakesSelectors()) return;
    SelectorTexts texts = ::ApplySelectors(
        hm_.Record, {ScrollPosition(Control(idBaseDeTempsScroll)),
                     ScrollPosition(Control(idGammeCH1)), ScrollPosition(Control(idGammeCH2))});
    SetWindowText1252(Control(idBaseDeTempsEdit), texts.BaseDeTemps);
    SetWindowText1252(Control(idGammeEditCH1), texts.GammeCH1);
    SetWindowText1252(Control(idGammeEditCH2), texts.GammeCH2);
    if (acquisition_ && hm_.AcquisitionHeld() && SettingsShown() != acquisitionSettings_)
        Publish(MakeAcquisition(), false);
}

void THamegMain::NomEditChange(HWND field) {
    int tag = field == Control(idNom1Edit) ? 1 : field == Control(idNom2Edit) ? 2 : 0;
    if (tag == 0) return;
    RenameChannel(tag, WindowText(field));
    ApplySelectors();
}

// A name changes the held acquisition's name only: its samples and measures are shared. Each
// channel takes the name of its input: a scope's CH2 alone is named from Nom 2.
void THamegMain::RenameChannel(int input, const std::string& name) {
    Session().SetChannelName(input, name);
    if (!acquisition_ || !AcquisitionHeld()) return;
    std::vector<std::string> names;
    bool named = false;
    for (const AcquisitionChannel& channel : acquisition_->Channels()) {
        names.push_back(Session().ChannelName(channel.Input));
        named |= channel.Input == input;
    }
    if (named) Publish(acquisition_->Renamed(names), false);
}

AcquisitionPtr THamegMain::MakeAcquisition() {
    acquisitionSettings_ = SettingsShown();
    return Session().Acquisition(acquisitionSettings_, readTime_);
}

void THamegMain::Publish(AcquisitionPtr acquisition, bool fromARead) {
    acquisition_ = std::move(acquisition);
    if (formDDE_) formDDE_->Publish(acquisition_);
    preview_.Publish(acquisition_, fromARead);
}

void THamegMain::UpdateCommands() {
    auto show = [this](int id, bool visible) {
        ShowWindow(Control(id), visible ? SW_SHOW : SW_HIDE);
    };
    show(idEnregistreBtn, Session().Identified());
    for (int id : {idFileSaveBtn, idClipSaveBtn, idSendToCurvilabBtn, idPreviewBtn})
        show(id, Session().Holds());
    for (int id : {idBaseDeTempsScroll, idGammeCH1, idGammeCH2})
        show(id, Session().TakesSelectors());
    show(idZeroGB, true);
    // An HM's identification drops the acquisition held; a scope's failed read keeps it.
    if (acquisition_ && !Session().Holds() && !state_.ReadUnderWay()) Publish(nullptr, true);
}

// The first activation identifies the instrument and, failing that, offers the port for the HM,
// the Instrument window with the reason for a scope.
void THamegMain::FormActivate() {
    if (activated_) return;
    activated_ = true;
    if (!resourceReason_.empty()) return ChooseInstrument(resourceReason_);
    if (!Session().Identified()) IdentifyInstrument();
    if (Session().Identified() || state_.Closing()) return;
    std::string reason = Session().Unanswered();
    if (reason.empty())
        SetOscilloClick();
    else
        ChooseInstrument(reason);
}

// The HM's port closes while a scope is the instrument: another program may use it meanwhile.
void THamegMain::IdentifyInstrument() {
    if (ScopeChosen()) {
        VoieSerie.SetOpen(false);
        scope_.SetResource(resource_);
    }
    Session().IdentifyInstrument();
}

// The new number reaches vexor.ini only when the window closes. A window closed while the dialog
// was open identifies nothing. OK makes the HM the instrument again, once the person agreed to
// lose a network or USB scope's acquisition held (on Non nothing changes); Cancel identifies the
// instrument chosen.
void THamegMain::SetOscilloClick() {
    auto dialog = state_.Begin(ProgramState::Dialog);
    uint8_t number = uint8_t(VoieSerie.ComNumber() & 0xFF);
    if (ChoosePort()) {
        if (ScopeChosen() && AcquisitionHeld() && !ConfirmLoss()) return SetComNumber(number);
        resource_ = {};
    }
    if (state_.Closing()) return;
    IdentifyInstrument();
}

void THamegMain::SetComNumber(uint8_t number) {
    try {
        VoieSerie.SetComNumber(number);
    } catch (const ESerialException&) {
        // The identification reports a port that cannot open.
    }
}

bool THamegMain::ChoosePort() {
    portDialog_->SelectedNumber = uint8_t(VoieSerie.ComNumber() & 0xFF);
    if (portDialog_->ShowModal() != IDOK || state_.Closing()) return false;
    SetComNumber(portDialog_->SelectedNumber);
    return true;
}

InstrumentSession& THamegMain::Session() {
    if (resource_.Kind == ResourceKind::Serial) return hm_;
    return scope_;
}

const InstrumentSession& THamegMain::Session() const {
    if (resource_.Kind == ResourceKind::Serial) return hm_;
    return scope_;
}

// Another instrument drops the acquisition held, once the user agreed to lose it. Cancel keeps
// the instrument chosen; one vexor.ini names but the program cannot open gives way to the HM on
// its port.
void THamegMain::ChooseInstrument(const std::string& reason) {
    auto dialog = state_.Begin(ProgramState::Dialog);
    TInstrumentForm form([this] { return ChoosePort(); });
    form.Current = resource_;
    form.Reason = reason;
    bool chosen = form.ShowModal() == IDOK;
    if (state_.Closing()) return;
    if (!chosen && !resourceReason_.empty()) {
        resourceReason_.clear();
        resource_ = {};
        return IdentifyInstrument();
    }
    if (!chosen) return;
    bool other = form.Chosen.Text != resource_.Text || !resourceReason_.empty();
    if (other && AcquisitionHeld() && !ConfirmLoss()) return;
    if (state_.Closing()) return;
    resourceReason_.clear();
    if (other) {
        hm_.Forget();
        scope_.Forget();
        Publish(nullptr, true);
    }
    resource_ = form.Chosen;
    IdentifyInstrument();
}

// "Régler l'oscilloscope : base de temps 200µs/div", and each channel whose scale changes.
bool THamegMain::AskForSweepSettings(const HmSettingsRequest& settings) {
    std::string text = Cp1252("Régler l'oscilloscope : base de temps ") +
                       TimeBaseTextOf(settings.Wanted.SecondsPerDivision);
    for (std::size_t i = 0; i < 2; ++i)
        if (settings.ScaleChanged[i])
            text += "\rCH" + std::to_string(i + 1) + " : " +
                    SensitivityTextOf(settings.Wanted.VoltsPerDivision[i]);
    BoxRequest box{BoxKind::Information, text, {{"OK", IDOK}, {"Annuler", IDCANCEL}}, 0, IDCANCEL};
    return ShowMessageDialog(box) == IDOK && !state_.Closing();
}

// An HM's image for a sweep's point: the person asked to set what changed, an HM 305's selectors
// set to match (an HM 408 states its own), and the image published as a read's without a row of
// the series, which the sweep adds with the point.
AcquisitionPtr THamegMain::SweepImage(const HmSettingsRequest& settings) {
    if (state_.Closing()) return nullptr;
    if (settings.Changed() && !AskForSweepSettings(settings)) return nullptr;
    if (!hm_.IsHM408) {
        const HmSettings& wanted = settings.Wanted;
        SetScrollPos(Control(idBaseDeTempsScroll), SB_CTL,
                     TimeBasePositionOf(wanted.SecondsPerDivision), TRUE);
        SetScrollPos(Control(idGammeCH1), SB_CTL, SensitivityPositionOf(wanted.VoltsPerDivision[0]),
                     TRUE);
        SetScrollPos(Control(idGammeCH2), SB_CTL, SensitivityPositionOf(wanted.VoltsPerDivision[1]),
                     TRUE);
        ApplySelectors();
    }
    if (!hm_.SweepRead()) return nullptr;
    readTime_ = TimeOfDayText();
    Publish(MakeAcquisition(), true);
    return acquisition_;
}

// Cancelling the save dialog or answering No does not stop the exit; a save that fails is
// reported and the program stays, with its acquisition. Whatever else is under way (a dialog of
// another window, a send to Curvilab) the question comes: the close then ends the rest.
void THamegMain::ExitItemClick() {
    if (AcquisitionHeld() && ConfirmYesNo("Sauvegarde") && !state_.Closing()) {
        try {
            SaveItemClick();
        } catch (const std::exception& e) {
            ShowErrorBox(e.what());
            return;
        }
    }
    PostMessageW(Window(), WM_CLOSE, 0, 0);
}

void THamegMain::AboutItemClick() { aboutBox_.ShowModal(); }

void THamegMain::PreviewBtnClick() {
    ApplySelectors();
    preview_.Show(Window());
}

// A resource that cannot be opened is kept as it was written, and the Instrument window says why
// at the first activation.
void THamegMain::ReadSettings() {
    SettingsPath = AppDataDir + L"vexor.ini";
    wchar_t text[512] = {};
    GetPrivateProfileStringW(L"COM", L"Number", L"1", text, 64, SettingsPath.c_str());
    VoieSerie.SetComNumber(ParseComNumber(Narrow(text)));
    GetPrivateProfileStringW(L"Instrument", L"Resource", L"", text, 512, SettingsPath.c_str());
    try {
        resource_ = ParseResource(Narrow(text));
    } catch (const EInstrumentError& error) {
        resource_ = {};
        resource_.Text = Narrow(text);
        resourceReason_ = error.what();
    }
}

// Any failure to write is ignored: the program ends normally all the same.
void THamegMain::WriteSettings() {
    WritePrivateProfileStringW(L"COM", L"Number", std::to_wstring(VoieSerie.ComNumber()).c_str(),
                               SettingsPath.c_str());
    WritePrivateProfileStringW(L"Instrument", L"Resource", Wide(resource_.Text).c_str(),
                               SettingsPath.c_str());
}

// The window goes at once, whatever a handler was waiting for: a read, Curvilab, a box. Each wait
// returns as the program quits, and the handler unwinds to the main loop, which ends. The quit
// comes before the port closes: the close's waits then serve only what the port's threads send,
// never a request or a click still queued.
void THamegMain::FormClose() {
    if (state_.Closing()) return;
    state_.Close();
    RequestQuit(0);
    WriteSettings();
    VoieSerie.SetOpen(false);
    DestroyFrame();
}

std::optional<Command> THamegMain::CommandOf(int id) {
    switch (id) {
    case idEnregistreBtn: return Command::Read;
    case idClipSaveBtn:
    case idFileSaveBtn:
    case idSendToCurvilabBtn: return Command::Export;
    case idSetBtn: return Command::PortDialog;
    case idInstrumentBtn: return Command::Instrument;
    case idCloseBtn: return Command::Quit;
    case idAideBtn: return Command::About;
    case idPreviewBtn: return Command::Preview;
    }
    return std::nullopt;
}

void THamegMain::StateChanged() {
    bool sending = state_.Current() == ProgramState::Sending;
    if (sending != sendingShown_) {
        sendingShown_ = sending;
        ShowStatus(sending ? Cp1252("Envoi vers Curvilab…") : "");
    }
    // A read that ended without a whole acquisition leaves none.
    if (std::exchange(readShown_, state_.ReadUnderWay()) && !readShown_ && !Session().Holds())
        Publish(nullptr, true);
    preview_.StateChanged();
}

void THamegMain::OnCommand(int id, int code, HWND control) {
    std::optional<Command> command = CommandOf(id);
    if (command && !state_.MayStart(*command)) {
        MessageBeep(MB_OK);
        return;
    }
    switch (id) {
    case idNom1Edit:
    case idNom2Edit:
        if (code == EN_CHANGE) NomEditChange(control);
        return;
    case idEnregistreBtn: EnregistreBtnClick(); return;
    case idClipSaveBtn: ClipSaveBtnClick(); return;
    case idFileSaveBtn: SaveItemClick(); return;
    case idSendToCurvilabBtn: SendToCurvilabBtnClick(); return;
    case idSetBtn: SetOscilloClick(); return;
    case idInstrumentBtn: InstrumentBtnClick(); return;
    case idCloseBtn: ExitItemClick(); return;
    case idAideBtn: AboutItemClick(); return;
    case idPreviewBtn: PreviewBtnClick(); return;
    }
}

void THamegMain::OnScroll(HWND scrollBar, int request) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(scrollBar, SB_CTL, &info);
    int position = info.nPos;
    switch (request) {
    case SB_LINELEFT: --position; break;
    case SB_LINERIGHT: ++position; break;
    case SB_PAGELEFT: position -= 3; break;
    case SB_PAGERIGHT: position += 3; break;
    case SB_LEFT: position = info.nMin; break;
    case SB_RIGHT: position = info.nMax; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = info.nTrackPos; break;
    default: return;
    }
    position = std::clamp(position, info.nMin, info.nMax);
    if (position == info.nPos) return;
    SetScrollPos(scrollBar, SB_CTL, position, TRUE);
    ApplySelectors(); // BaseDeTempsScrollChange and GammeScrollChange
}

void THamegMain::SetCaption(const std::string& text) { SetWindowText1252(Handle(), text); }

void THamegMain::SetGaugeMaximum(int maximum) {
    for (int id : {idGaugeData, idGaugeZero}) SendMessageW(Control(id), PBM_SETRANGE32, 0, maximum);
}

void THamegMain::SetGauge(Gauge gauge, int position) {
    SendMessageW(Control(gauge == Gauge::Data ? idGaugeData : idGaugeZero), PBM_SETPOS,
                 WPARAM(position), 0);
}

void THamegMain::SetBusy(bool busy) {
    busy_ = busy;
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void THamegMain::HideReadButton() { ShowWindow(Control(idEnregistreBtn), SW_HIDE); }

void THamegMain::ShowHeaderSettings(const HeaderSettings& settings) {
    SetWindowText1252(Control(idBaseDeTempsEdit), settings.BaseDeTemps);
    SetWindowText1252(Control(idGammeEditCH1), settings.GammeCH1);
    SetWindowText1252(Control(idGammeEditCH2), settings.GammeCH2);
}

void THamegMain::Notice(const std::string& text) { ShowNotice(text); }

bool THamegMain::ConfirmLoss() { return ConfirmYesNo(Cp1252("Perte des données courantes")); }

bool THamegMain::AskForTheZero() {
    BoxRequest prompt{BoxKind::Information,
                      Cp1252("Mettre les voies à GD, faire une acquisition\rSi \"Annuler\" zéro "
                             "au centre"),
                      {{"OK", IDOK}, {"Annuler", IDCANCEL}},
                      0,
                      IDCANCEL};
    return ShowMessageDialog(prompt) == IDOK;
}

// Blocks until a message or the deadline: a read costs no CPU while it waits for the line.
void THamegMain::ServeMessages(unsigned ms) { ProcessMessagesOrWait(ms); }

SettingsTexts THamegMain::SettingsShown() const {
    return {WindowText(Control(idBaseDeTempsEdit)), WindowText(Control(idGammeEditCH1)),
            WindowText(Control(idGammeEditCH2))};
}

// The one road out of a read: the acquisition, built once, to every window and export; a row of
// the series when it runs.
void THamegMain::AcquisitionRead() {
    readTime_ = TimeOfDayText();
    Publish(MakeAcquisition(), true);
    series_.AddPoint(acquisition_);
}

void THamegMain::PushAcquisition() {
    if (formDDE_) formDDE_->TransferAcquisition(true);
}

LRESULT THamegMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND w = Window();
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) PostMessageW(w, WM_APP, 0, 0);
        break;
    case WM_APP: // activation, once the window is on screen
        FormActivate();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_HSCROLL:
        if (lParam) OnScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
        return 0;
    case WM_DRAWITEM:
        DrawToolButton(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam), Dpi());
        return TRUE;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == Control(idMemo1)) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, RGB(255, 0, 0));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    case WM_CLOSE: FormClose(); return 0;
    case WM_DPICHANGED: ApplyMainFonts(Window(), Dpi(), fonts_); return 0;
    case WM_GETMINMAXINFO: { // the system keeps a window within the screen's size by default
        SIZE outer = OuterSize(Scaled(kMainClientWidth, Dpi()), Scaled(kMainClientHeight, Dpi()),
                               kStyle, kExStyle, Dpi());
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMaxTrackSize = {std::max(limits->ptMaxTrackSize.x, outer.cx),
                                  std::max(limits->ptMaxTrackSize.y, outer.cy)};
        return 0;
    }
    case WM_LBUTTONDOWN: // a click on the frame or caption of the channel 2 group: FOCUS()
        pressedOnChannel2Frame_ = OnChannel2Frame(lParam);
        return 0;
    case WM_LBUTTONUP:
        if (std::exchange(pressedOnChannel2Frame_, false) && OnChannel2Frame(lParam)) {
            if (state_.MayStart(Command::FocusCurvilab))
                CurvilabItemClick();
            else
                MessageBeep(MB_OK);
        }
        return 0;
    case WM_USER: // a read requested by Curvilab (GETDATA)
        Session().RequestRead();
        return 0;
    case WM_SETCURSOR:
        if (busy_) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    }
    return DefWindowProcW(w, message, wParam, lParam);
}
