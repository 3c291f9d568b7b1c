#include "acquisition/ReadSession.h"

#include <utility>

#include "acquisition/Selectors.h"
#include "common/Clock.h"
#include "common/Text1252.h"
#include "serial/PortNames.h"
#include "serial/SerialException.h"
#include "serial/TickTimer.h"

namespace {

constexpr std::size_t kMaxAnswer = 255;
constexpr uint32_t kQueryTicks = 18; // about one second

// A flag raised while the object lives.
struct Raised {
    bool& Flag;
    explicit Raised(bool& flag) : Flag(flag) { Flag = true; }
    ~Raised() { Flag = false; }
};
constexpr double kReadLimitSeconds = 8.0;
constexpr int kGaugeStep = 32; // redraw a gauge only when this many bytes have come since
constexpr int kEmptyTestBytes = 1024;
// The line is quiet once no byte came for this long (a byte takes about a millisecond, a USB
// adapter hands them on every 16 ms); an instrument that never falls quiet is waited for no
// longer than an image takes.
constexpr uint32_t kQuietMs = 100;
constexpr uint32_t kQuietLimitMs = 5000;

} // namespace

ReadClock SystemReadClock() { return {TimeOfDayNow, SystemMilliseconds}; }

ReadSession::ReadSession(TSerialPort& port, ReadWindow& window, CommandState& state,
                         ReadClock clock)
    : InstrumentSession(window, state), port_(port), clock_(std::move(clock)) {
    InstallIntake();
}

void ReadSession::InstallIntake() {
    port_.SetOnTriggerAvail(
        [this](TSerialPort& port, uint16_t count) { VoieSerieTriggerAvail(port, count); });
}

void ReadSession::IdentifyInstrument() {
    try {
        if (port_.DeviceLost()) port_.SetOpen(false); // a port whose device is back opens anew
        port_.SetOpen(true);
        Record.DataComplete = false;
        InstrumentId = QueryInstrument("ID?");
        InstrumentFound = InstrumentId.find("HM") != std::string::npos;
        if (InstrumentFound) {
            IsHM408 = InstrumentId.find("408") != std::string::npos;
            window_.SetCaption("Lecture oscillo Hameg : " + InstrumentId);
            Terminator = IsHM408 ? "\r" : "\r\n";
            int header = IsHM408 ? kHm408HeaderBytes : 0;
            Record.Channel(1).Offset = header;
            Record.Channel(2).Offset = kSamplesPerChannel + header;
            if (IsHM408) {
                gaugeMaximum_ = kHm408ImageBytes;
                window_.SetGaugeMaximum(gaugeMaximum_);
            }
        } else {
            std::string text = Cp1252("Oscillo non branché sur ") + PortName(port_.ComNumber());
            window_.SetCaption(text);
            window_.Notice(text);
            port_.SetOpen(false);
        }
    } catch (const ESerialException&) {
        port_.SetOpen(false);
        InstrumentFound = false;
        window_.Notice(Cp1252("Problème voie série"));
    }
    window_.UpdateCommands();
}

std::string ReadSession::QueryInstrument(const std::string& command) {
    // The answer is polled: the intake must not take it, and gets the port back however the
    // query ends.
    struct IntakeBack {
        ReadSession& Session;
        ~IntakeBack() { Session.InstallIntake(); }
    } intakeBack{*this};
    port_.SetOnTriggerAvail(nullptr);
    port_.DiscardOutput();
    port_.DiscardInput();
    port_.SendString(command + "\r\n");
    std::string answer;
    TickTimer timer;
    StartTickTimerAt(timer, kQueryTicks, clock_.Milliseconds());
    for (int lineEnds = 0; lineEnds < 2 && !TickTimerExpiredAt(timer, clock_.Milliseconds());) {
        if (!port_.ByteReady()) {
            port_.YieldToPort();
            continue;
        }
        uint8_t byte = port_.ReadByte();
        if (byte >= 32 && answer.size() < kMaxAnswer) answer += char(byte);
        if (byte == 13 || byte == 10) ++lineEnds;
    }
    return answer;
}

// Every byte is taken from the port; one is kept only while a read phase waits for its image.
// Bytes that come after the phase's limit belong to no read: kept, they would complete a read
// that failed, or write a late zero under an image already handed on.
void ReadSession::VoieSerieTriggerAvail(TSerialPort& CP, uint16_t Count) {
    if (Count > 0) heardAny_ = true, lastHeard_ = clock_.Milliseconds();
    for (uint16_t i = 0; i < Count; ++i) {
        int byte;
        try {
            byte = CP.ReadByte();
        } catch (const ESerialException&) {
            continue; // that byte is lost; the next ones fill its place
        }
        if (!InstrumentFound || !phaseOpen_) continue;
        bool& complete = ZeroMode ? ZeroComplete : Record.DataComplete;
        if (complete || ByteCount >= ImageBytes()) continue;
        auto& target = ZeroMode ? Record.ZeroData : Record.RawData;
        target[std::size_t(ByteCount++)] = byte;
        complete = ByteCount >= ImageBytes();
    }
}

bool ReadSession::MemoryEmpty() const {
    if (IsHM408) return Record.RawData[0] == 0;
    for (int i = 0; i < kEmptyTestBytes; ++i)
        if (Record.RawData[std::size_t(i)] != 255) return false;
    return true;
}

bool ReadSession::WaitForImage(Gauge gauge, const bool& complete) {
    int shown = 0;
    double start = clock_.TimeOfDay();
    while (!complete && !state_.Closing() && !port_.DeviceLost()) {
        double left = kReadLimitSeconds - ElapsedSecondsBetween(start, clock_.TimeOfDay());
        if (left < 0) break;
        if (ByteCount - shown > kGaugeStep) {
            shown = ByteCount;
            window_.SetGauge(gauge, shown);
        }
        window_.ServeMessages(unsigned(left * 1000) + 1);
    }
    return !state_.Closing() && !port_.DeviceLost();
}

// The tail of an earlier image, one that outlived its read's limit, would otherwise start this one.
bool ReadSession::AwaitQuietLine() {
    port_.DiscardInput();
    uint32_t start = clock_.Milliseconds();
    while (heardAny_ && !state_.Closing() && !port_.DeviceLost()) {
        uint32_t now = clock_.Milliseconds(), quiet = now - lastHeard_;
        if (quiet >= kQuietMs || now - start >= kQuietLimitMs) break;
        window_.ServeMessages(kQuietMs - quiet);
    }
    return !state_.Closing() && !port_.DeviceLost();
}

bool ReadSession::ReadImage(Gauge gauge, const bool& complete) {
    if (!AwaitQuietLine()) return false;
    Raised phase(phaseOpen_);
    try {
        port_.SendString("DIG" + Terminator);
    } catch (const ESerialException&) {
        if (!port_.DeviceLost()) throw;
        return false;
    }
    return WaitForImage(gauge, complete);
}

// The device went away during the read (an adapter pulled out): a port error, as at the
// identification, without waiting for bytes that cannot come.
void ReadSession::LosePort() {
    port_.SetOpen(false);
    InstrumentFound = false;
    window_.SetBusy(false);
    window_.Notice(Cp1252("Problème voie série"));
}

void ReadSession::SetChannelName(int channel, const std::string& name) {
    ::SetChannelName(Record, channel, name);
}

AcquisitionPtr ReadSession::Acquisition(const SettingsTexts& shown,
                                        const std::string& timeOfDay) const {
    if (!Record.DataComplete) return nullptr;
    return AcquisitionOf(Record, IsHM408, shown, timeOfDay);
}

// A read that failed sends nothing to Curvilab, which would import whatever the record held.
ReadEnd ReadSession::ReadInstrument(CommandState::Activity& read) {
    try {
        if (!ReadAndZero(read)) return ReadEnd::Closed;
    } catch (...) {
        // A failure the read does not handle itself still gives the window back (the read
        // button, the normal cursor, no status) before the error is shown. A requested push
        // waits for the next read.
        RestoreWindow();
        throw;
    }
    return Record.DataComplete ? ReadEnd::Read : ReadEnd::NothingNew;
}

bool ReadSession::SweepRead() {
    if (state_.Closing() || !InstrumentFound) return false;
    auto read = state_.Begin(ProgramState::Reading);
    Raised sweep(sweepRead_);
    try {
        if (!ReadAndZero(read)) return false;
    } catch (...) {
        RestoreWindow();
        throw;
    }
    return Record.DataComplete;
}

// After a window closed in one of the read's boxes or waits, nothing more is done: no notice,
// no zero, no push to Curvilab during the exit. False then.
bool ReadSession::ReadAndZero(CommandState::Activity& read) {
    Record.DataComplete = false;
    ZeroComplete = false;
    window_.HideReadButton();
    window_.SetBusy(true);
    window_.SetGauge(Gauge::Data, 0);
    window_.SetGauge(Gauge::Zero, 0);
    ByteCount = 0;
    Record.ShortRecord = false;
    window_.ShowStatus("La lecture prend quatre secondes");
    ZeroMode = false;

    if (!ReadImage(Gauge::Data, Record.DataComplete)) {
        if (state_.Closing()) return false;
        Record.DataComplete = false;
        window_.SetGauge(Gauge::Data, 0);
        LosePort();
        EndRead();
        return true;
    }
    window_.SetBusy(false);
    DecideOutcome();
    window_.SetGauge(Gauge::Data, Record.DataComplete ? gaugeMaximum_ : 0);

    if (Record.DataComplete && IsHM408) {
        HeaderSettings settings = ParseHeader(Record);
        // Header byte 2 tells the channels the instrument holds; those handed on came whole.
        if (ByteCount < kHm408ImageBytes) Record.ChannelCount = 1;
        window_.ShowHeaderSettings(settings);
        if (settings.HoldNotPressed && !sweepRead_)
            window_.Notice("Appuyez sur le bouton HOLD et recommencez");
        if (state_.Closing()) return false;
    }
    if (Record.DataComplete) {
        if (MemoryEmpty()) {
            Record.DataComplete = false;
            window_.Notice("Appuyer sur le bouton STOR.");
            if (state_.Closing()) return false;
        } else if (!ReadZero(read)) {
            if (state_.Closing()) return false;
            LosePort(); // the image came whole: it stays, with its zero on the centre line
        }
    }
    EndRead();
    return true;
}

// A channel counts only once all its bytes came: an image cut short is one channel when the first
// came whole (an HM 408 sends its header first), and nothing below that.
void ReadSession::DecideOutcome() {
    int firstChannelEnd = (IsHM408 ? kHm408HeaderBytes : 0) + kSamplesPerChannel;
    if (Record.DataComplete) {
        Record.ChannelCount = 2;
    } else if (ByteCount >= firstChannelEnd) {
        Record.DataComplete = true;
        Record.ChannelCount = 1;
    }
}

bool ReadSession::ReadZero(CommandState::Activity& read) {
    bool grounded = false;
    if (!state_.SeriesMode() && !sweepRead_) {
        read.Become(ProgramState::AskingZero);
        grounded = window_.AskForTheZero();
        read.Become(ProgramState::Reading);
    }
    if (state_.Closing()) return false;
    bool imageRead = true;
    if (grounded) {
        ZeroMode = true;
        ByteCount = 0;
        window_.SetBusy(true);
        try {
            imageRead = ReadImage(Gauge::Zero, ZeroComplete);
        } catch (...) {
            Record.ResetZero(); // no zero of an earlier read under this image
            throw;
        }
        if (state_.Closing()) return false;
        window_.SetBusy(false);
        // An HM 408 whose HOLD button was up gives no usable zero.
        if (IsHM408 && ZeroComplete && Record.ZeroData[9] == 1) ZeroComplete = false;
    }
    if (!imageRead) ZeroComplete = false;
    if (!ZeroComplete) Record.ResetZero();
    window_.SetGauge(Gauge::Zero, gaugeMaximum_);
    return imageRead;
}

void ReadSession::RestoreWindow() {
    window_.UpdateCommands();
    window_.SetBusy(false);
    window_.ShowStatus("");
}

void ReadSession::EndRead() {
    Record.ShortRecord = Record.ShortRecord && IsHM408;
    RestoreWindow();
}
