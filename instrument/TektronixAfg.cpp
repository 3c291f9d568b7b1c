// Tektronix AFG1022, AFG3000 and AFG31000: the SOURce<n>/OUTPut<n> tree with its long forms,
// answers without headers, an infinite load answered 9.9E+37.
// AFG3000 Series Programmer Manual (071-1639): SOURce<n>:FUNCtion:SHAPe, SOURce<n>:FREQuency:
// FIXed, SOURce<n>:VOLTage:UNIT VPP|VRMS|DBM, SOURce<n>:VOLTage:LEVel:IMMediate:AMPLitude and
// :OFFSet, OUTPut<n>:IMPedance INFinity (answered 9.9E+37), OUTPut<n>:STATe (answered 0/1); query
// responses are values only (Table 3-3). The AFG1022 takes the same tree, a subset of the
// AFG3000's.
#include "common/Words.h"
#include "instrument/ScpiSourceGenerator.h"

namespace {

const ScpiGeneratorWords kWords{
    .Marks = {"1", "2"},
    .Function = "SOURce%s:FUNCtion:SHAPe",
    .Sine = "SINusoid",
    .Frequency = "SOURce%s:FREQuency:FIXed",
    .Unit = "SOURce%s:VOLTage:UNIT",
    .Amplitude = "SOURce%s:VOLTage:LEVel:IMMediate:AMPLitude",
    .Offset = "SOURce%s:VOLTage:LEVel:IMMediate:OFFSet",
    .Load = "OUTPut%s:IMPedance",
    .HighImpedance = "INFinity",
    .Output = "OUTPut%s:STATe",
    .Prefixed = false,
    .PauseMs = 0,
};

bool Serves(const std::string& make, const std::string& model) {
    return make.find("TEKTRONIX") != std::string::npos && StartsWith(model, "AFG");
}

std::unique_ptr<Generator> Drives(ScpiSession& session, int channel) {
    return DriveScpiSource(session, channel, kWords);
}

} // namespace

extern const GeneratorDialect kTektronixAfg{
    .Family = "Tektronix AFG1022, AFG3000, AFG31000",
    .Guide = "Tektronix AFG3000 Series Programmer Manual 071-1639",
    .Serves = Serves,
    .Asks = nullptr,
    .Drives = Drives,
};
