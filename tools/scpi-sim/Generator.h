#pragma once
// The function generators scpi-sim plays, from their programming guides: Siglent SDG1000X
// ("C1:BSWV", "C1:OUTP") and the standard SCPI tree of Rigol's DG800/900/1000Z and Keysight's
// 33500 (":SOUR1:FREQ", ":OUTP1"); and from their serial protocols, the FeelTech FY6900 ("WMF",
// "RMF"; a newer firmware's frequency in hertz, an older one's in micro-hertz) and the JDS6600
// (":w23=", ":r23="); and the trees of the Rigol DG1022 (":CH2" after a setting, answers
// carrying their channel, a query lost within 0.1 s of a command), the Tektronix AFG1022, the
// Keysight 33220A and the GW Instek AFG-2125 (on a serial line). Each channel keeps its waveform,
// frequency, amplitude, offset, load and output; CH1's output drives the scope's bench.
#include <array>
#include <functional>
#include <string>

#include "tools/scpi-sim/Circuit.h"
#include "tools/scpi-sim/Instrument.h"

enum class GeneratorFamily {
    SiglentSdg,
    RigolDg,
    Keysight33500,
    FeelTech,
    Jds6600,
    RigolDg1022,
    TektronixAfg,
    Keysight33220,
    GwInstekAfg,
    KeysightWaveGen,  // a Keysight scope's own
    RigolScopeSource, // a DS1000Z-S's own
};

enum class GeneratorFault {
    None,
    IgnoreFrequency,   // the next frequency set is ignored, as a clamp that says nothing
    IgnoreFrequencies, // every one is, until the fault is taken away
    Drop,              // the next command resets the connection
    Late,              // every answer comes kLateSeconds late
};

// Later than the second a sweep gives the instruments to be put back, within the 3 s it gives an
// answer otherwise.
constexpr double kLateSeconds = 1.5;

struct GeneratorChannel {
    std::string Wave = "SINE";
    double Frequency = 1000, Amplitude = 4, Offset = 0;
    std::string Load = "HZ"; // Siglent's "HZ" or ohms; the SCPI tree's 9.9E+37 or ohms
    bool On = false;
    std::string Unit = "VPP";
};

class FunctionGenerator : public Instrument {
public:
    // `clock` gives seconds, for the time since the frequency changed: the system's steady
    // clock unless a test keeps its own.
    explicit FunctionGenerator(GeneratorFamily family, std::function<double()> clock = {});
    Answer Handle(const std::string& line) override;
    bool Set(const std::string& name, const std::string& value, std::string& error) override;
    Profile Pace() const override { return {fault_ == GeneratorFault::Late ? kLateSeconds : 0, 0}; }

    GeneratorOutput Output() const;
    const GeneratorChannel& Channel(int n) const { return channels_[std::size_t(n - 1)]; }

private:
    Answer Siglent(const std::string& command);
    Answer ScpiSource(const std::string& command);
    Answer FeelTech(const std::string& command);
    Answer Jds6600(const std::string& command);
    // The DG1022's, the AFG's, the 33220A's and the AFG-2125's trees.
    Answer Tree(const std::string& command);
    void SetFrequency(GeneratorChannel& channel, double hertz);

    GeneratorFamily family_;
    std::function<double()> clock_;
    double changedAt_ = -1e9, previousFrequency_ = 1000;
    std::string identity_;
    std::array<GeneratorChannel, 2> channels_;
    GeneratorFault fault_ = GeneratorFault::None;
    bool olderFirmware_ = false; // a FeelTech's frequency written in micro-hertz
    double commandAt_ = -1e9;    // when the last command came: a DG1022 loses a query soon after
    std::string lastAnswer_;     // and answers this instead
};

// rigol-dg812, siglent-sdg1032x, keysight-33522b, feeltech-fy6900, jds6600, rigol-dg1022,
// tektronix-afg1022, keysight-33220a, gwinstek-afg2125; false for another name.
bool GeneratorModel(const std::string& name, GeneratorFamily& family);
