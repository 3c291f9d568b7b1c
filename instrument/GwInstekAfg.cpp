// GW Instek AFG-2100 and AFG-2200 on their USB virtual COM port: "*IDN?" on the line, SOURce<n>
// and OUTPut<n> in their short forms, the amplitude in Vpp ("AMP"), the offset "DCOffset", the
// load "DEF" (50 ohms) or "INF". The port's baud rate is the program's serial line's: a USB CDC
// port takes any.
// AFG-2225 User Manual, Remote Interface (p. 185 onwards): SOURce<n>:FUNCtion SIN,
// SOURce<n>:FREQuency, SOURce<n>:AMPlitude, SOURce<n>:DCOffset, OUTPut<n>:LOAD DEFault|INFinity,
// OUTPut<n> ON|OFF; commands and their short forms in any case.
#include "common/Words.h"
#include "instrument/ScopeIdentity.h"
#include "instrument/ScpiSourceGenerator.h"

extern const GeneratorDialect kGwInstekAfg;

namespace {

const ScpiGeneratorWords kWords{
    .Marks = {"1", "2"},
    .Function = "SOUR%s:FUNC",
    .Sine = "SIN",
    .Frequency = "SOUR%s:FREQ",
    .Unit = nullptr,
    .Amplitude = "SOUR%s:AMP",
    .Offset = "SOUR%s:DCO",
    .Load = "OUTP%s:LOAD",
    .HighImpedance = "INF",
    .Output = "OUTP%s",
    .Prefixed = false,
    .PauseMs = 0,
};

std::optional<GeneratorIdentity> Asks(ScpiSession& session) {
    std::vector<std::string> fields = IdentityFields(AnswerOrNothing(session, "*IDN?"));
    if (fields.size() < 3 || UpperCase(fields[0]).find("GW") != 0 ||
        !StartsWith(UpperCase(fields[1]), "AFG-2"))
        return std::nullopt;
    return GeneratorIdentity{fields[0], fields[1], fields[2], &kGwInstekAfg};
}

std::unique_ptr<Generator> Drives(ScpiSession& session, int channel) {
    return DriveScpiSource(session, channel, kWords);
}

} // namespace

extern const GeneratorDialect kGwInstekAfg{
    .Family = "GW Instek AFG-2100, AFG-2200",
    .Guide = "GW Instek AFG-2225 User Manual, Remote Interface",
    .Serves = nullptr,
    .Asks = Asks,
    .Drives = Drives,
};
