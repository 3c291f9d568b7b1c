#pragma once
// The conversation with the oscilloscope and the read of its memory: the identification, one-line
// queries, the intake of the bytes the port announces, and the read sequence with its zero. It
// holds the read state and the acquisition record. Everything runs on the user-interface thread:
// the session shows and asks through the window it is given, and waits by letting that window
// serve its messages, during which the port's bytes come in through VoieSerieTriggerAvail.
//
// The road of one read. The read button (or Curvilab's GETDATA, through the main window's WM_USER)
// reaches EnregistreBtnClick, which asks the CommandState first. "DIG" goes into the port's
// OutputRing (SendString returns at once) and the writer thread hands it to WriteFile. The
// instrument answers with its image at 960 bytes a second: the reader thread's overlapped ReadFile
// puts each burst in the ReceiveQueue; the dispatcher thread moves it into the InputRing and, with
// a blocking SendMessageTimeout to the port's hidden window, wakes the user-interface thread,
// where the port raises OnTriggerAvail. VoieSerieTriggerAvail takes the bytes one by one into
// RawData while WaitForImage sits in ServeMessages, advancing the gauge, until the image is whole
// or 8 seconds have gone. The zero prompt follows and the same road fills ZeroData. EndRead gives
// the window back; only then do the exports (export/DataFile, export/TransferText) and the preview
// read the record, each asking the CommandState whether a read still writes it.
#include <cstdint>
#include <functional>
#include <string>

#include "acquisition/Hm408Header.h"
#include "acquisition/InstrumentSession.h"
#include "acquisition/Record.h"
#include "serial/SerialPort.h"

constexpr int kHm305ImageBytes = 4096;
constexpr int kHm408ImageBytes = kHm408HeaderBytes + 2 * kSamplesPerChannel;

// The clocks of the read's waits: the time of day (a fraction of a day) for the 8-second limit
// of an image, milliseconds for the query's tick timer.
struct ReadClock {
    std::function<double()> TimeOfDay;
    std::function<uint32_t()> Milliseconds;
};
ReadClock SystemReadClock();

// The HM on its serial port.
class ReadSession : public InstrumentSession {
public:
    // Installs the session's intake as the port's bytes-available handler. The read asks `state`
    // before it starts and keeps it told of its phase.
    ReadSession(TSerialPort& port, ReadWindow& window, CommandState& state,
                ReadClock clock = SystemReadClock());

    // Opens the port, asks "ID?", decides the model; failures are reported and close the port.
    void IdentifyInstrument() override;
    bool Identified() const override { return InstrumentFound; }
    bool Holds() const override { return Record.DataComplete; }
    AcquisitionPtr Acquisition(const SettingsTexts& shown,
                               const std::string& timeOfDay) const override;
    void Forget() override { Record.DataComplete = false; }
    void SetChannelName(int channel, const std::string& name) override;
    // An HM has CH1 and CH2 only.
    std::string ChannelName(int channel) const override {
        return channel == 1 || channel == 2 ? Record.Channel(channel).Name : "";
    }
    bool TakesSelectors() const override { return !IsHM408; }
    // Sends a command as one line and returns one answer line (at most 255 characters).
    std::string QueryInstrument(const std::string& command);
    // One image for a sweep's point, while the sweep holds the program: no question, no zero (the
    // centre line), no HOLD notice; true when a whole image came. The window is not told.
    bool SweepRead();
    // The port's bytes-available event: `Count` bytes are taken, kept while a phase is open.
    void VoieSerieTriggerAvail(TSerialPort& CP, uint16_t Count);
    bool MemoryEmpty() const;

    std::string InstrumentId; // the answer line to "ID?"
    bool InstrumentFound = false;
    bool IsHM408 = false;
    int32_t ByteCount = 0;
    std::string Terminator; // the read command's line end
    bool ZeroMode = false;
    bool ZeroComplete = false;
    AcquisitionRecord Record; // DataComplete, ChannelCount, ShortRecord, the channels

private:
    // The memory image, then, after asking, the zero image.
    ReadEnd ReadInstrument(CommandState::Activity& read) override;
    bool Joinable() const override { return !sweepRead_; }
    void InstallIntake();
    int ImageBytes() const { return IsHM408 ? kHm408ImageBytes : kHm305ImageBytes; }
    // Serves messages until `complete` or 8 seconds, advancing the gauge; false when the window
    // is closing or the device is lost.
    bool WaitForImage(Gauge gauge, const bool& complete);
    // Empties the input and serves messages until no byte came for a moment: false when the
    // window is closing or the device is lost.
    bool AwaitQuietLine();
    // Asks for an image once the line is quiet and waits for it, its phase open meanwhile: false
    // as WaitForImage.
    bool ReadImage(Gauge gauge, const bool& complete);
    // The read behind the read button: the image, then the zero; false when the window closed
    // before its end.
    bool ReadAndZero(CommandState::Activity& read);
    // Whether the image that came holds a whole channel, and how many channels it hands on.
    void DecideOutcome();
    // The zero prompt, then the zero image or the centre line: false as WaitForImage.
    bool ReadZero(CommandState::Activity& read);
    void LosePort();
    void RestoreWindow();
    void EndRead();

    TSerialPort& port_;
    ReadClock clock_;
    int gaugeMaximum_ = kHm305ImageBytes;
    bool sweepRead_ = false; // the read is a sweep's
    bool phaseOpen_ = false; // a read phase waits for its image: the intake keeps what comes
    bool heardAny_ = false;  // a byte came since the session began
    uint32_t lastHeard_ = 0; // when the last bytes came, in the clock's milliseconds
};
