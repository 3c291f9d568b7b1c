// Rigol DG1022 (not the DG1022Z, which the source tree serves): CH2's settings end in ":CH2",
// answers may carry their channel ("CH1:SIN", "CH2: 4.000000e-03"), the load is "INF" or ohms.
// It loses a query sent within about 0.1 s of a command: every query waits 0.12 s after the last
// command, the margin for what delays the command on its way. Its model field ends with a space
// ("DG1022 "). RIGOL DG1022 Programming Guide: FUNCtion[:CH2] SINusoid (p. 2-11), FREQuency[:CH2]
// (p. 2-17), VOLTage:UNIT[:CH2] VPP (pp. 2-22 to 2-25), VOLTage[:CH2] (p. 2-21),
// VOLTage:OFFSet[:CH2] (p. 2-22), OUTPut:LOAD[:CH2] INFinity (p. 2-27), OUTPut[:CH2] ON|OFF (p.
// 2-27); USB only.
#include "common/Words.h"
#include "instrument/ScpiSourceGenerator.h"

namespace {

const ScpiGeneratorWords kWords{
    .Marks = {"", ":CH2"},
    .Function = "FUNC%s",
    .Sine = "SIN",
    .Frequency = "FREQ%s",
    .Unit = "VOLT:UNIT%s",
    .Amplitude = "VOLT%s",
    .Offset = "VOLT:OFFS%s",
    .Load = "OUTP:LOAD%s",
    .HighImpedance = "INF",
    .Output = "OUTP%s",
    .Prefixed = true,
    .PauseMs = 120,
};

bool Serves(const std::string& make, const std::string& model) {
    return make.find("RIGOL") != std::string::npos && Trimmed(model) == "DG1022";
}

std::unique_ptr<Generator> Drives(ScpiSession& session, int channel) {
    return DriveScpiSource(session, channel, kWords);
}

} // namespace

extern const GeneratorDialect kRigolDg1022{
    .Family = "Rigol DG1022",
    .Guide = "RIGOL DG1022 Programming Guide",
    .Serves = Serves,
    .Asks = nullptr,
    .Drives = Drives,
};
