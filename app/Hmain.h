#pragma once
// The main window: tool bar, progress gauges, time-base and channel selectors, the red reminder
// and the help bar. It owns the serial port VoieSerie and the read session; the read shows and
// asks through it. When a read ends it publishes the acquisition, built once from the record, to
// the preview, the series and the transfer to Curvilab; nothing else reads the record.
#include <windows.h>
#include <optional>
#include <string>

#include "acquisition/HmLine.h"
#include "acquisition/ReadSession.h"
#include "app/HintBar.h"
#include "app/MainLayout.h"
#include "app/Preview.h"
#include "app/SeriesForm.h"
#include "instrument/Resource.h"
#include "instrument/ScopeSession.h"
#include "serial/ComPort.h"
#include "ui/Handles.h"
#include "ui/WindowBase.h"

class TAboutBox;
class TComCfgDlg;
class TConstanteDlg;
class TFormDDE;

class THamegMain : public WindowBase, private ReadWindow {
public:
    // FormCreate: the window and its controls, hidden; the port number from vexor.ini.
    explicit THamegMain(TAboutBox& aboutBox);
    ~THamegMain() override;
    THamegMain(const THamegMain&) = delete;
    THamegMain& operator=(const THamegMain&) = delete;

    HWND Handle() const { return Window(); }
    void Show();
    // The forms created after this one: the port dialog, the page-information dialog and the
    // DDE form.
    void Attach(TComCfgDlg& portDialog, TConstanteDlg& pageDialog, TFormDDE& formDDE);
    CommandState& State() { return state_; }

    // The mouse moved over `control` (of any window of the program), or left the one it was on:
    // PanelAide shows the hint of what is under it, nothing outside the main window.
    void MouseOver(HWND control) { hints_.MouseOver(control); }
    void MouseLeft() { hints_.MouseLeft(); }
    // A shortcut key of one of the program's windows, taken on its key-down; false when it is none.
    bool TakeShortcut(const MSG& msg) { return preview_.TakeShortcut(msg); }

private:
    // Handlers.
    void FormActivate();
    void FormClose();
    void IdentifyInstrument();
    void EnregistreBtnClick() { Session().EnregistreBtnClick(); }
    void InstrumentBtnClick() { ChooseInstrument(""); }
    void SaveItemClick();
    void ClipSaveBtnClick();
    void SendToCurvilabBtnClick();
    void CurvilabItemClick();
    void ApplySelectors();
    void NomEditChange(HWND field);
    // The name of the held acquisition's channel of input `input` (1 to 4).
    void RenameChannel(int input, const std::string& name);
    void UpdateCommands() override;
    void SetOscilloClick();
    void ExitItemClick();
    void AboutItemClick();
    void PreviewBtnClick();
    HWND Control(int id) const { return GetDlgItem(Window(), id); }

    // The instrument chosen: the HM on the serial port, or a network or USB scope.
    InstrumentSession& Session();
    const InstrumentSession& Session() const;
    bool ScopeChosen() const { return &Session() == &scope_; }
    // A whole acquisition that no read is writing: what the exports take.
    bool AcquisitionHeld() const { return Session().AcquisitionHeld(); }
    // The Instrument window, saying `reason` (why the instrument did not answer), and the
    // identification of what it chose.
    void ChooseInstrument(const std::string& reason);
    // The port dialog, from the Instrument window: true when closed with OK.
    bool ChoosePort();
    void SetComNumber(uint8_t number);
    bool AskForSweepSettings(const HmSettingsRequest& settings);
    AcquisitionPtr SweepImage(const HmSettingsRequest& settings);

    // The acquisition of the record as it stands, with the settings shown and the read's time.
    AcquisitionPtr MakeAcquisition();
    // The one road out: the acquisition (or none) to the preview and the transfer to Curvilab;
    // the save commands take it from here. `fromARead`: a read ended, rather than a selector or
    // a name changed the acquisition of the same read.
    void Publish(AcquisitionPtr acquisition, bool fromARead);

    // What the read shows and asks.
    void SetCaption(const std::string& text) override;
    void SetGaugeMaximum(int maximum) override;
    void SetGauge(Gauge gauge, int position) override;
    void ShowStatus(const std::string& text) override;
    void SetBusy(bool busy) override;
    void HideReadButton() override;
    void ShowHeaderSettings(const HeaderSettings& settings) override;
    void Notice(const std::string& text) override;
    bool ConfirmLoss() override;
    bool AskForTheZero() override;
    void ServeMessages(unsigned ms) override;
    void AcquisitionRead() override;
    void PushAcquisition() override;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(int id, int code, HWND control);
    void OnScroll(HWND scrollBar, int request);
    void ReadSettings();
    void WriteSettings();
    // The settings the window shows: "5ms/div", "200mV/div".
    SettingsTexts SettingsShown() const;
    // The command a control starts, as the program's state knows it; none for the names.
    static std::optional<Command> CommandOf(int id);
    // The state changed: the preview's buttons, the status of a send.
    void StateChanged();
    bool OnChannel2Frame(LPARAM point) const;

    TSerialComPort VoieSerie;
    std::wstring SettingsPath;
    TAboutBox& aboutBox_;
    TComCfgDlg* portDialog_ = nullptr;
    TConstanteDlg* pageDialog_ = nullptr;
    TFormDDE* formDDE_ = nullptr;
    MainFonts fonts_;
    HintBar hints_;
    bool pressedOnChannel2Frame_ = false;
    bool activated_ = false;
    bool busy_ = false;
    bool sendingShown_ = false; // the help bar says a send is under way
    bool readShown_ = false;    // the preview knows a read is under way
    CommandState state_;
    ReadSession hm_{VoieSerie, *this, state_};
    ScopeSession scope_{*this, state_};
    InstrumentResource resource_;       // the instrument chosen: the HM when of kind Serial
    std::string resourceReason_;        // why the resource in vexor.ini cannot be opened
    AcquisitionPtr acquisition_;        // the one published, null when none is held
    SettingsTexts acquisitionSettings_; // the settings it was converted with
    std::string readTime_;              // when its read ended
    TSeriesForm series_;
    TPreviewForm preview_;
};

// The one main window of the process, for the application-wide hooks.
THamegMain* HamegMain();
