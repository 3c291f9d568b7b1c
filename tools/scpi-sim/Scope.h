#pragma once
// The scopes scpi-sim plays, each in its own dialect and at its own resolution, from their
// programming guides: Rigol DS1000Z and DHO800/900, Siglent SDS1000X-E and the newer Siglent set
// (an 8-bit SDS2000X Plus and a 12-bit SDS1000X HD), Tektronix TDS/TBS1000B and TBS1000C/TBS2000,
// Keysight InfiniiVision. Each channel shows a waveform in volts at the probe's tip, CH2 through a
// x10 probe, with seeded noise and clipped where the converter ends; a four-channel model's CH3
// and CH4 are hidden at first. A read's frame is taken once the scope stops, or afresh for each
// block while it runs.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/scpi-sim/Circuit.h"
#include "tools/scpi-sim/Generator.h"
#include "tools/scpi-sim/Instrument.h"

enum class ScopeFamily {
    RigolDs1000z,
    RigolDho,
    SiglentSdsE,
    SiglentSdsHd,
    TektronixTds,     // TDS1000/2000, TBS1000B: WFMPre, 2500 points
    TektronixTbs2000, // TBS1000C, TBS2000: WFMOutpre, a record length of its own
    Keysight,         // InfiniiVision 1000X, 2000X, 3000X
};

enum class ScopeFault {
    None,
    Stall,       // the first data block stops halfway, the connection left open
    Reset,       // the first data block stops halfway and the connection is reset
    ShortBlock,  // the first data block ends early, its line ends sent
    BadHeader,   // the first data block's header is no "#N<length>"
    Huge,        // the first data block's header announces 999 999 999 bytes
    BadPreamble, // the scale does not read as numbers
    Silence,     // nothing is answered
    Unanswered,  // the preamble query, or the first scale query, is left unanswered
    LengthQuirk, // a block of words gives its sample count as its length (Siglent firmware)
};

enum class RunState { Running, Stopped, WaitingSingle };
// The trigger's sweep: on its own, waiting for a trigger, or once (Rigol's :TRIG:SWE, the
// SDS1000X-E's TRMD, the newer Siglent set's :TRIG:MODE).
enum class TriggerSweep { Auto, Normal, Single };

struct ScopeChannelSetup {
    bool Shown = true;
    std::string Shape = "sine";  // sine, square, triangle
    double Amplitude = 2;        // peak volts at the probe's tip
    double Frequency = 1000;     // Hz
    double Phase = 0;            // degrees at the screen's left edge
    double Dc = 0;               // volts
    double VoltsPerDivision = 1; // at the tip, as the screen shows it
    double Offset = 0;           // the scope's offset: the screen's centre shows -Offset
    double Probe = 1;
};

struct ScopeSetup {
    ScopeFamily Family = ScopeFamily::RigolDs1000z;
    std::string Identity; // the "*IDN?" answer
    // CH1 to CH4; CH3 and CH4 hidden at first. A model's inputs beyond its count answer nothing.
    std::array<ScopeChannelSetup, 4> Channels;
    int ChannelCount = 2;
    double TimeBase = 200e-6; // seconds a division
    double SampleRate = 50e6; // Siglent: the memory's, which the screen's points are taken from
    std::size_t RecordLength = 2000; // a TBS2000's and a Keysight's points across the screen
    std::optional<GeneratorFamily> OwnGenerator; // the scope's own, when it has one
    double FirstAnswer = 0; // seconds a new connection's first answer waits (a DSO-X 2000's)
    double Noise = 0;       // Gaussian deviation, volts at the tip
    double NoiseCounts = 0; // and in converter counts at the channel's scale
    unsigned Seed = 1;
    RunState State = RunState::Running;
    TriggerSweep Sweep = TriggerSweep::Auto;
    bool Headers = true; // Siglent's replies with headers (CHDR SHORT), as the guides' default
    ScopeFault Fault = ScopeFault::None;
    bool RealPace = false; // the family's latency and byte rate; else as fast as can be
    std::string Dump;      // each block's volts are written to <Dump>.ch1 and <Dump>.ch2
};

class Scope : public Instrument {
public:
    explicit Scope(ScopeSetup setup);
    Answer Handle(const std::string& line) override;
    void Reconnected() override;
    bool Set(const std::string& name, const std::string& value, std::string& error) override;
    Profile Pace() const override;

    // From now on CH1 shows the generator's output and CH2 the circuit's, each channel's own
    // waveform no more.
    void Wire(std::function<GeneratorOutput()> generator, Circuit circuit);
    // The scope's own generator; null for a scope without one.
    FunctionGenerator* Own();
    // The circuit the scope is wired through; none when it shows its own waveforms.
    std::optional<Circuit> Wired() const {
        return generator_ ? std::optional<Circuit>(circuit_) : std::nullopt;
    }

    const ScopeSetup& Setup() const { return setup_; }
    // The trigger's settings as its queries answer them.
    const std::map<std::string, std::string>& Trigger() const { return trigger_; }
    RunState State() const { return setup_.State; }
    TriggerSweep Sweep() const { return setup_.Sweep; }
    bool Headers() const { return setup_.Headers; }
    // The volts the codes last sent for a channel (1 to 4) stand for, and the seconds between them.
    const std::vector<double>& SentVolts(int channel) const {
        return sent_[std::size_t(channel - 1)];
    }
    double SentInterval() const { return sentInterval_; }

private:
    Answer Rigol(const std::string& command);
    Answer SiglentE(const std::string& command);
    Answer SiglentHd(const std::string& command);
    Answer Tektronix(const std::string& line);
    Answer Keysight(const std::string& line);
    std::size_t TektronixRecord() const;
    std::vector<std::pair<std::string, std::string>> TektronixPreamble() const;
    Answer Common(const std::string& command, bool& handled);
    // The settings a sweep changes: time base, scales, offsets, the trigger's.
    Answer Setting(const std::string& command, bool& handled);
    // The waveform of a channel as the wiring or its own setup gives it.
    ScopeChannelSetup Shown(int channel) const;

    int DivisionsAcross() const;
    // `count` samples of a channel from the screen's left edge, `interval` seconds apart, in volts
    // at the tip, with the noise of the current frame.
    std::vector<double> Trace(int channel, std::size_t count, double interval);
    void TakeTransient(int channel);
    // A running scope shows a new frame for each block; a stopped one keeps its last.
    void NextFrameIfRunning();
    void Stopped(); // a running scope stops on a new frame
    void Armed();   // waits for a single trigger
    // Runs in `sweep`; a scope set running from its single sweep runs on its own.
    void Runs(std::optional<TriggerSweep> sweep = std::nullopt);
    // "AUTO", "NORMal", "SINGle"...: the sweep a word names; none for another word.
    static std::optional<TriggerSweep> SweepNamed(const std::string& word);
    double CodesPerDivision() const;
    // The input a command names after `prefix` ("C2:VDIV?", ":CHAN1:SCAL?"); 0 for none, or one
    // beyond the model's.
    int ChannelOf(const std::string& command, const std::string& prefix) const;
    // A definite-length block; its length in `digits` digits, or in as few as it needs for 0.
    Answer Block(const std::string& prefix, const std::string& bytes, std::size_t announced,
                 const std::string& ends, int digits = 9);
    void Sent(int channel, std::vector<double> volts, double interval);
    std::string Number(double value, const char* unit) const; // as CHDR shows it

    ScopeSetup setup_;
    bool firstBlock_ = true, firstScale_ = true;
    int source_ = 1;
    bool stopAfterSequence_ = false; // a Tektronix's ACQuire:STOPAfter SEQuence
    bool words_ = false;
    std::size_t start_ = 1, stop_ = 0, sparsing_ = 1, points_ = 0;
    unsigned frame_ = 0;
    std::array<std::vector<double>, 4> sent_;
    std::function<GeneratorOutput()> generator_;
    std::unique_ptr<FunctionGenerator> own_;
    Circuit circuit_;
    std::map<std::string, std::string> trigger_;
    double transient_ = 0, tau_ = 1; // CH2's volts at the first sample, and their time constant
    double sentInterval_ = 0;
};

// The setup of a model: rigol-ds1054z, rigol-dho804, siglent-sds1104x-e, siglent-sds2104x-plus,
// siglent-sds1104x-hd, tektronix-tbs1052b, tektronix-tbs2104, keysight-dsox1204g (its WaveGen),
// keysight-dsox2002a, rigol-ds1104z-s (its source). False for a name it does not know.
bool ModelSetup(const std::string& model, ScopeSetup& setup);
