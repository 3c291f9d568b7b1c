#pragma once
// The generators whose settings are each one SCPI command, set by "<setting> <value>" and read by
// "<setting>?": the standard source tree of Rigol's DG800/900/1000Z and Keysight's 33500, and the
// older or other trees of the DG1022, Tektronix's AFG, Keysight's 33210A/33220A and GW Instek's
// AFG. A family is its words: "%s" in a setting stands for the channel's mark.
#include <memory>

#include "instrument/Generator.h"

struct ScpiGeneratorWords {
    const char* Marks[2]; // what "%s" is for CH1 and CH2: "1" and "2"; "" and ":CH2"
    const char* Function;
    const char* Sine; // the function's value for a sine
    const char* Frequency;
    const char* Unit; // the amplitude's unit, set to Vpp; null where it is always Vpp
    const char* Amplitude;
    const char* Offset;
    const char* Load;
    const char* HighImpedance; // the load's value for a high impedance: "INF"
    const char* Output;        // the output switch, set to "ON"
    // Answers carry their channel before the value: "CH2:SIN", "CH2: 4.000000e-03".
    bool Prefixed;
    // The least milliseconds between a command and the next query: sooner, the generator loses
    // the query.
    int PauseMs;
};

// The generator speaking `words` on `session`, driving its output `channel` (1 or 2).
std::unique_ptr<Generator> DriveScpiSource(ScpiSession& session, int channel,
                                           const ScpiGeneratorWords& words);
