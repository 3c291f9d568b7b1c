// The conversation with the oscilloscope: identification and one-line queries (operations of the
// main window).
#include <windows.h>

#include <commctrl.h>

#include "acquisition/InstrumentLink.h"
#include "app/ControlIds.h"
#include "app/Hmain.h"
#include "app/Text1252.h"
#include "ui/MessageDialog.h"
#include "ui/Wide.h"

namespace {
constexpr std::size_t kMaxAnswer = 255;
constexpr uint32_t kQueryTicks = 18; // about one second
constexpr int kHm408ImageBytes = 4352;
constexpr int kHm408HeaderBytes = 256;

// Gives the port its bytes-available handler back however the query ends.
struct IntakeRestorer {
    TSerialComPort& Port;
    TTriggerAvailEvent Handler;
    ~IntakeRestorer() { Port.SetOnTriggerAvail(Handler); }
};
} // namespace

void ApplyInstrumentLineSettings(TSerialComPort& port) {
    port.SetBaud(9600);
    port.SetInSize(5120);
    port.SetOutSize(1024);
    port.AutoOpen = false;
    port.SetBufferFull(3690);
    port.SetBufferResume(1200);
    port.UseEventWord = false;
}

void THamegMain::IdentifyInstrument() {
    try {
        VoieSerie.SetOpen(true);
        Record.DataComplete = false;
        InstrumentId = QueryInstrument("ID?");
        InstrumentFound = InstrumentId.find("HM") != std::string::npos;
        if (InstrumentFound) {
            IsHM408 = InstrumentId.find("408") != std::string::npos;
            SetWindowText1252(Handle(), "Lecture oscillo Hameg : " + InstrumentId);
            Terminator = IsHM408 ? "\r" : "\r\n";
            int header = IsHM408 ? kHm408HeaderBytes : 0;
            Record.Channel(1).Offset = header;
            Record.Channel(2).Offset = kSamplesPerChannel + header;
            if (IsHM408)
                for (int id : {idGaugeData, idGaugeZero})
                    SendMessageW(Control(id), PBM_SETRANGE32, 0, kHm408ImageBytes);
        } else {
            std::string text = Cp1252("Oscillo non branché sur ") + PortName(VoieSerie.ComNumber());
            SetWindowText1252(Handle(), text);
            ShowNotice(text);
            VoieSerie.SetOpen(false);
        }
    } catch (const ESerialException&) {
        VoieSerie.SetOpen(false);
        InstrumentFound = false;
        ShowNotice(Cp1252("Problème voie série"));
    }
    UpdateCommands();
}

std::string THamegMain::QueryInstrument(const std::string& command) {
    IntakeRestorer restorer{VoieSerie, VoieSerie.OnTriggerAvail()};
    VoieSerie.SetOnTriggerAvail(nullptr);
    VoieSerie.DiscardOutput();
    VoieSerie.DiscardInput();
    VoieSerie.SendString(command + "\r\n");
    std::string answer;
    TickTimer timer;
    StartTickTimer(timer, kQueryTicks);
    for (int lineEnds = 0; lineEnds < 2 && !TickTimerExpired(timer);) {
        if (!VoieSerie.ByteReady()) {
            VoieSerie.YieldToPort();
            continue;
        }
        uint8_t byte = VoieSerie.ReadByte();
        if (byte >= 32 && answer.size() < kMaxAnswer) answer += char(byte);
        if (byte == 13 || byte == 10) ++lineEnds;
    }
    return answer;
}
