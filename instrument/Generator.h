#pragma once
// A function generator a sweep drives: who it is, from "*IDN?", and one channel of it set to a
// sine and stepped in frequency, each frequency read back, since the cheaper ones clamp or ignore
// what they cannot do without a word. What the sweep changes is read first and put back after.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "instrument/ScpiSession.h"

enum class GeneratorDialect {
    SiglentSdg, // SDG1000X, SDG2000X: "C1:BSWV", "C1:OUTP"
    ScpiSource, // Rigol DG800/900/1000Z and Keysight 33500: ":SOURce1:...", ":OUTPut1"
    FeelTech,   // FY6800, FY6900 on a serial line: "WMF...", "RMF", each set answered by a LF
    Jds6600,    // JDS6600 on a serial line: registers ":w23=...", ":r23=0.", answered ":ok"
};

struct GeneratorIdentity {
    std::string Make, Model, Serial;
    GeneratorDialect Speaks = GeneratorDialect::SiglentSdg;

    // "SIGLENT SDG1032X, n° SDG1XCAD000001"
    std::string Text() const;
};

// The generator an "*IDN?" answer names, or none.
std::optional<GeneratorIdentity> IdentifyGenerator(const std::string& answer);
// The generator on a serial line, which knows no "*IDN?": a FeelTech asked for its model, then a
// JDS6600 for its register 0; none when neither answers.
std::optional<GeneratorIdentity> IdentifySerialGenerator(ScpiSession& session);

class Generator {
public:
    virtual ~Generator() = default;
    // Reads the channel's output, waveform, frequency, amplitude, offset and load.
    virtual void Save() = 0;
    // A sine of `amplitude` volts peak to peak around `offset`, into a high impedance, output on.
    virtual void Prepare(double amplitude, double offset) = 0;
    // Sets the frequency; returns the one the generator reads back.
    virtual double SetFrequency(double hertz) = 0;
    // Puts back what Save read, each setting as far as the connection carries it; returns the
    // settings it could not put back ("sortie", "fréquence"...), in 1252.
    virtual std::vector<std::string> Restore() = 0;
};

// The generator of a dialect on `session`, driving its output `channel` (1 or 2).
std::unique_ptr<Generator> MakeGenerator(ScpiSession& session, const GeneratorIdentity& identity,
                                         int channel);
