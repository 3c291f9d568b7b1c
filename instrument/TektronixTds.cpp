// Tektronix TDS1000/2000 (B, C) and TBS1000/TBS1000B: 10 divisions across, 2500 points a channel,
// the preamble by WFMPre, headers on until turned off, the trigger's words under TRIGger:MAIn.
// TDS200, TDS1000/2000, TDS1000B/2000B, TDS2000C, TPS2000 and TBS1000B/EDU Programmer
// (077-0444): HEADer (p. 2-5), ACQuire:STATE/STOPAfter (p. 2-36), CH<x>:SCAle, CH<x>:POSition
// in divisions, CH<x>:PRObe, SELect:CH<x>, HORizontal:MAIn:SCAle, TRIGger:MAIn:EDGE:SOUrce and
// SLOpe, TRIGger:MAIn:LEVel, TRIGger:MAIn:MODe (the command groups' chapters). Their interfaces
// are USB and, by a module, RS-232 and GPIB: no network port.
#include "common/Words.h"
#include "instrument/TektronixWaveform.h"

namespace {

bool Serves(const std::string& make, const std::string& model) {
    std::string name = TektronixModelName(make, model);
    bool older = StartsWith(name, "TDS1") || StartsWith(name, "TDS2") || StartsWith(name, "TPS2");
    // A TBS1000C ("TBS1052C") speaks the newer dialect.
    bool tbs1 = StartsWith(name, "TBS1") && name.find('C') == std::string::npos;
    return older || tbs1;
}

std::vector<ScopeChannel> Read(ScpiSession& session, const ScopeIdentity& identity,
                               ScopeScreen& screen, const ScopeRequest& request) {
    return ReadTektronixChannels(session, identity, screen, request,
                                 {"WFMPre", "HORizontal:MAIn:SCAle", nullptr});
}

} // namespace

extern const ScopeDialect kTektronixTds{
    .Family = "Tektronix TDS1000/2000, TBS1000B",
    .Guide = "TDS200, TDS1000/2000, TDS1000B/2000B, TDS2000C, TPS2000 Programmer (077-0444)",
    .Serves = Serves,
    .ReadChannels = Read,
    .Resume = TektronixResume,
    .Headers = "HEADer",
    .Settings =
        {
            .TimeBase = "HORizontal:MAIn:SCAle",
            .Scale = "CH%d:SCAle",
            .Offset = "CH%d:POSition",
            .Probe = "CH%d:PRObe?",
            .ProbeAsGain = false,
            .Shown = "SELect:CH%d",
            .ShownOn = "1",
            .OffsetIs = OffsetMeaning::DivisionsUp,
            .Trigger = {{"TRIGger:MAIn:EDGE:SOUrce", "CH%d"},
                        {"TRIGger:MAIn:EDGE:SLOpe", "RISe"},
                        {"TRIGger:MAIn:LEVel", "%s"},
                        {"ACQuire:STOPAfter", "RUNSTop"},
                        {"TRIGger:MAIn:MODe", "AUTO"}},
            .Run = "ACQuire:STATE RUN",
            .Stop = "ACQuire:STATE STOP",
        },
    .DivisionsAcross = 10,
    .Ports = {},
    .OwnGenerator = nullptr,
};
