#pragma once
// A function generator a sweep drives: who it is, from "*IDN?", and one channel of it set to a
// sine and stepped in frequency, each frequency read back, since the cheaper ones clamp or ignore
// what they cannot do without a word. What the sweep changes is read first and put back after.
//
// Each family is one row, defined in its own file from its programming guide and listed in one
// table (Generator.cpp) that identification walks.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "instrument/ScpiSession.h"

class Generator;
struct GeneratorIdentity;

struct GeneratorDialect {
    const char* Family; // "Siglent SDG1000X, SDG2000X"
    const char* Guide;  // the programming guide its words come from
    // Whether it serves a model named by "*IDN?", make and model in upper case; null for a family
    // on a serial line, which knows no "*IDN?".
    bool (*Serves)(const std::string& make, const std::string& model);
    // A serial family's own question: who answers on the line, or none; null for the others.
    std::optional<GeneratorIdentity> (*Asks)(ScpiSession& session);
    // The family's driver on `session`, driving its output `channel` (1 or 2).
    std::unique_ptr<Generator> (*Drives)(ScpiSession& session, int channel);
};

struct GeneratorIdentity {
    std::string Make, Model, Serial;
    const GeneratorDialect* Speaks = nullptr;

    // "SIGLENT SDG1032X, n° SDG1XCAD000001"
    std::string Text() const;
};

// Every family the program drives, in the order an identification tries them.
const std::vector<const GeneratorDialect*>& GeneratorDialects();

// The generator an "*IDN?" answer names, or none.
std::optional<GeneratorIdentity> IdentifyGenerator(const std::string& answer);
// The generator on a serial line, which knows no "*IDN?": each serial family asked in its own
// way, in the table's order; none when none answers.
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

// What a serial family's question gets: the answer, or "" when none came within the line's time.
std::string AnswerOrNothing(ScpiSession& session, const std::string& query);
