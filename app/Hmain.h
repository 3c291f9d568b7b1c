#pragma once
// The main window: tool bar, progress gauges, time-base and channel selectors, the red reminder
// and the help bar. It owns the serial port VoieSerie and the acquisition record.
#include <map>
#include <string>
#include <windows.h>

#include "acquisition/Record.h"
#include "acquisition/Selectors.h"
#include "serial/ComPort.h"
#include "ui/Handles.h"

class TAboutBox;
class TComCfgDlg;
class TConstanteDlg;
class TFormDDE;

class THamegMain {
public:
    // FormCreate: the window and its controls, hidden; the port number from vexor.ini.
    explicit THamegMain(TAboutBox& aboutBox);
    ~THamegMain();
    THamegMain(const THamegMain&) = delete;
    THamegMain& operator=(const THamegMain&) = delete;

    HWND Handle() const { return window_.get(); }
    void Show();
    // The forms created after this one: the page-information dialog and the DDE form.
    void Attach(TComCfgDlg& portDialog, TConstanteDlg& pageDialog, TFormDDE& formDDE);

    // Read state (the instrument link's fields).
    std::string InstrumentId;
    bool InstrumentFound = false;
    bool IsHM408 = false;
    bool PushAfterRead = false;
    int32_t ByteCount = 0;
    AcquisitionRecord Record; // DataComplete, ChannelCount, ShortRecord, the channels
    TSerialComPort VoieSerie;
    std::string SettingsPath;

    std::string Terminator;
    bool ZeroMode = false;
    bool ZeroComplete = false;

    // The instrument link and the read sequence.
    void IdentifyInstrument();
    std::string QueryInstrument(const std::string& command);
    void EnregistreBtnClick();
    void VoieSerieTriggerAvail(TSerialCustomComPort& CP, uint16_t Count);
    bool MemoryEmpty() const;
    void ClipSaveBtnClick();
    void SendToCurvilabBtnClick();
    void CurvilabItemClick();

    // The save command: the file dialog (the chosen name, "" when cancelled), then the file.
    std::string SaveDialogData();
    void SaveItemClick();

    // Handlers.
    void FormActivate();
    void FormClose();
    void ApplySelectors();
    void NomEditChange(HWND field);
    void UpdateCommands();
    void SetOscilloClick();
    void ExitItemClick();
    void AboutItemClick();
    void ShowHint(const std::string& hint);

    // The long part of the hint of the control under the mouse (searching up through its
    // parents), or "" when none of them has one.
    std::string HintAt(HWND control) const;
    HWND Control(int id) const { return GetDlgItem(window_.get(), id); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void CreateToolBar();
    void SetHint(int id, const std::string& hint);
    void OnCommand(int id, int code, HWND control);
    void OnScroll(HWND scrollBar, int request);
    void DrawToolButton(const DRAWITEMSTRUCT& item);
    void ReadSettings();
    void WriteSettings();
    // Runs the message loop until `complete` or 8 seconds, advancing the gauge; false when the
    // window was closed meanwhile.
    bool WaitForImage(int gaugeId, const bool& complete);
    void AskForTheZero();
    void EndRead();
    void SetBusy(bool busy);

    TAboutBox& aboutBox_;
    TComCfgDlg* portDialog_ = nullptr;
    TConstanteDlg* pageDialog_ = nullptr;
    TFormDDE* formDDE_ = nullptr;
    UniqueWindow window_;
    UniqueGdiObject font_, memoFont_;
    HWND tooltip_ = nullptr;
    std::map<HWND, std::string> hints_;
    bool activated_ = false;
    bool closing_ = false;
    bool reading_ = false;
    bool busy_ = false;
};

// The one main window of the process, for the application-wide hooks.
THamegMain* HamegMain();
