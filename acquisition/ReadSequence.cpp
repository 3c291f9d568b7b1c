// The read sequence: the memory image, then (after asking) the zero image, into the acquisition
// record (operations of the main window).
#include <windows.h>

#include <commctrl.h>

#include "acquisition/Hm408Header.h"
#include "app/Clock.h"
#include "app/ControlIds.h"
#include "app/Hmain.h"
#include "app/SystemSettings.h"
#include "app/Text1252.h"
#include "link/Hmdde.h"
#include "serial/Win32System.h"
#include "ui/MessageDialog.h"
#include "ui/Wide.h"

namespace {

constexpr int kHm305ImageBytes = 4096;
constexpr int kHm408ImageBytes = 4352;
constexpr int kOneChannelBytes = 2048;
constexpr double kReadLimitSeconds = 8.0;
constexpr int kGaugeStep = 32; // redraw the gauge only when this many bytes have come since
constexpr int kEmptyTestBytes = 1024;

void SetGauge(HWND gauge, int position) { SendMessageW(gauge, PBM_SETPOS, WPARAM(position), 0); }
int GaugeMaximum(HWND gauge) { return int(SendMessageW(gauge, PBM_GETRANGE, FALSE, 0)); }

} // namespace

void THamegMain::VoieSerieTriggerAvail(TSerialCustomComPort& CP, uint16_t Count) {
    int expected = IsHM408 ? kHm408ImageBytes : kHm305ImageBytes;
    for (uint16_t i = 0; i < Count; ++i) {
        int byte;
        try {
            byte = CP.ReadByte();
        } catch (const ESerialException&) {
            continue; // that byte is lost; the next ones fill its place
        }
        if (!InstrumentFound) continue;
        bool& complete = ZeroMode ? ZeroComplete : Record.DataComplete;
        if (complete || ByteCount >= expected) continue;
        auto& target = ZeroMode ? Record.ZeroData : Record.RawData;
        target[std::size_t(ByteCount++)] = byte;
        complete = ByteCount >= expected;
    }
}

bool THamegMain::MemoryEmpty() const {
    if (IsHM408) return Record.RawData[0] == 0;
    for (int i = 0; i < kEmptyTestBytes; ++i)
        if (Record.RawData[std::size_t(i)] != 255) return false;
    return true;
}

void THamegMain::SetBusy(bool busy) {
    busy_ = busy;
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

// Blocks until a message or the deadline: a read costs no CPU while it waits for the line.
bool THamegMain::WaitForImage(int gaugeId, const bool& complete) {
    HWND gauge = Control(gaugeId);
    int shown = 0;
    double start = TimeOfDayNow();
    while (!complete && !closing_) {
        double left = kReadLimitSeconds - ElapsedSeconds(start);
        if (left < 0) break;
        if (ByteCount - shown > kGaugeStep) {
            shown = ByteCount;
            SetGauge(gauge, shown);
        }
        ProcessMessagesOrWait(DWORD(left * 1000) + 1);
    }
    return !closing_;
}

void THamegMain::EnregistreBtnClick() {
    if (reading_) return; // a request during a read is merged into it
    if (Record.DataComplete && !ConfirmYesNo(Cp1252("Perte des données courantes"))) return;
    struct ReadingFlag {
        bool& Flag;
        ~ReadingFlag() { Flag = false; }
    } flag{reading_ = true};

    Record.DataComplete = false;
    ZeroComplete = false;
    ShowWindow(Control(idEnregistreBtn), SW_HIDE);
    SetBusy(true);
    SetGauge(Control(idGaugeData), 0);
    SetGauge(Control(idGaugeZero), 0);
    ByteCount = 0;
    Record.ShortRecord = false;
    ShowHint("La lecture prend quatre secondes");
    ZeroMode = false;

    VoieSerie.SendString("DIG" + Terminator);
    if (!WaitForImage(idGaugeData, Record.DataComplete)) return;
    SetBusy(false);
    if (Record.DataComplete) {
        Record.ChannelCount = 2;
    } else if (ByteCount >= kOneChannelBytes) {
        Record.DataComplete = true;
        Record.ChannelCount = 1;
    }
    HWND gauge = Control(idGaugeData);
    SetGauge(gauge, Record.DataComplete ? GaugeMaximum(gauge) : 0);

    if (Record.DataComplete && IsHM408) {
        HeaderSettings settings = ParseHeader(Record);
        SetWindowText1252(Control(idBaseDeTempsEdit), settings.BaseDeTemps);
        SetWindowText1252(Control(idGammeEditCH1), settings.GammeCH1);
        SetWindowText1252(Control(idGammeEditCH2), settings.GammeCH2);
        if (settings.HoldNotPressed) ShowNotice("Appuyez sur le bouton HOLD et recommencez");
    }
    if (Record.DataComplete) {
        if (MemoryEmpty()) {
            Record.DataComplete = false;
            ShowNotice("Appuyer sur le bouton STOR.");
        } else {
            AskForTheZero();
            if (closing_) return;
        }
    }
    EndRead();
}

void THamegMain::AskForTheZero() {
    BoxRequest prompt{BoxKind::Information,
                      Cp1252("Mettre les voies à GD, faire une acquisition\rSi \"Annuler\" zéro "
                             "au centre"),
                      {{"OK", IDOK}, {"Annuler", IDCANCEL}}, 0, IDCANCEL};
    if (ShowMessageDialog(prompt) == IDOK && !closing_) {
        ZeroMode = true;
        ByteCount = 0;
        SetBusy(true);
        VoieSerie.SendString("DIG" + Terminator);
        if (!WaitForImage(idGaugeZero, ZeroComplete)) return;
        SetBusy(false);
        // An HM 408 whose HOLD button was up gives no usable zero.
        if (IsHM408 && ZeroComplete && Record.ZeroData[9] == 1) ZeroComplete = false;
    }
    if (!ZeroComplete) Record.ResetZero();
    HWND gauge = Control(idGaugeZero);
    SetGauge(gauge, GaugeMaximum(gauge));
}

// A read Curvilab asked for ends by pushing its result, whether or not the read succeeded.
void THamegMain::EndRead() {
    Record.ShortRecord = Record.ShortRecord && IsHM408;
    UpdateCommands();
    SetBusy(false);
    ShowHint("");
    if (PushAfterRead && formDDE_) {
        PushAfterRead = false;
        formDDE_->TransferAcquisition(true);
    }
}
