// Keysight (Agilent) 33210A and 33220A: one channel, its settings without a SOURce prefix, an
// infinite load answered +9.9E+37, the output answered 0/1; a LAN socket on 5025 or USB.
// Agilent 33220A User's Guide, SCPI command summary: FUNCtion SINusoid, FREQuency, VOLTage,
// VOLTage:UNIT VPP|VRMS|DBM, VOLTage:OFFSet, OUTPut:LOAD INFinity, OUTPut ON|OFF; the 33210A
// takes the same. A second channel asked of it is its one channel.
#include "common/Words.h"
#include "instrument/ScpiSourceGenerator.h"

namespace {

const ScpiGeneratorWords kWords{
    .Marks = {"", ""},
    .Function = "FUNCtion%s",
    .Sine = "SINusoid",
    .Frequency = "FREQuency%s",
    .Unit = "VOLTage:UNIT%s",
    .Amplitude = "VOLTage%s",
    .Offset = "VOLTage:OFFSet%s",
    .Load = "OUTPut:LOAD%s",
    .HighImpedance = "INFinity",
    .Output = "OUTPut%s",
    .Prefixed = false,
    .PauseMs = 0,
};

bool Serves(const std::string& make, const std::string& model) {
    bool keysight =
        make.find("KEYSIGHT") != std::string::npos || make.find("AGILENT") != std::string::npos;
    return keysight && (model == "33210A" || model == "33220A");
}

std::unique_ptr<Generator> Drives(ScpiSession& session, int channel) {
    return DriveScpiSource(session, channel, kWords);
}

} // namespace

extern const GeneratorDialect kKeysight33200{
    .Family = "Keysight 33210A, 33220A",
    .Guide = "Agilent 33220A User's Guide, SCPI command summary",
    .Serves = Serves,
    .Asks = nullptr,
    .Drives = Drives,
};
