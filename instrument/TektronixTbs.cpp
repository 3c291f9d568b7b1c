// Tektronix TBS1000C and TBS2000: 10 divisions across, a record of the length set on the scope,
// the preamble by WFMOutpre, headers on until turned off, the trigger's words under TRIGger:A, the
// offset the level at the screen's centre.
// TBS2000 Series Programmer (077-1149): headers in query responses (p. 6), CURVe? (p. 88),
// WFMOutpre (p. 257), HORizontal:SCAle and HORizontal:RECOrdlength, CH<x>:OFFSet,
// CH<x>:PRObe:GAIN, TRIGger:A:EDGE:SOUrce and SLOpe, TRIGger:A:LEVel, TRIGger:A:MODe (the command
// groups' chapters); its socket server (Ethernet chapter) on the port Tektronix scopes default
// to, 4000.
#include "common/Words.h"
#include "instrument/TektronixWaveform.h"

namespace {

bool Serves(const std::string& make, const std::string& model) {
    std::string name = TektronixModelName(make, model);
    bool tbs1c = StartsWith(name, "TBS1") && name.find('C') != std::string::npos;
    return StartsWith(name, "TBS2") || tbs1c;
}

std::vector<ScopeChannel> Read(ScpiSession& session, const ScopeIdentity& identity,
                               ScopeScreen& screen, const ScopeRequest& request) {
    return ReadTektronixChannels(session, identity, screen, request,
                                 {"WFMOutpre", "HORizontal:SCAle", "HORizontal:RECOrdlength"});
}

} // namespace

extern const ScopeDialect kTektronixTbs{
    .Family = "Tektronix TBS1000C, TBS2000",
    .Guide = "TBS2000 Series Programmer (077-1149)",
    .Serves = Serves,
    .ReadChannels = Read,
    .Resume = TektronixResume,
    .Headers = "HEADer",
    .Settings =
        {
            .TimeBase = "HORizontal:SCAle",
            .Scale = "CH%d:SCAle",
            .Offset = "CH%d:OFFSet",
            .Probe = "CH%d:PRObe:GAIN?",
            .ProbeAsGain = true,
            .Shown = "SELect:CH%d",
            .ShownOn = "1",
            .OffsetIs = OffsetMeaning::CentreLevel,
            .Trigger = {{"TRIGger:A:EDGE:SOUrce", "CH%d"},
                        {"TRIGger:A:EDGE:SLOpe", "RISe"},
                        {"TRIGger:A:LEVel", "%s"},
                        {"ACQuire:STOPAfter", "RUNSTop"},
                        {"TRIGger:A:MODe", "AUTO"}},
            .Run = "ACQuire:STATE RUN",
            .Stop = "ACQuire:STATE STOP",
        },
    .DivisionsAcross = 10,
    .Ports = {4000},
    .OwnGenerator = nullptr,
};
