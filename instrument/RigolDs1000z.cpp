// Rigol DS1000Z: 12 divisions across, the screen's 1200 points as bytes, at most 250 000 bytes an
// answer.
// DS1000Z guide, :WAVeform:DATA? (pp. 2-135/2-136): 1200 screen points in NORMal mode (100 a
// division), 250 000 points at most an answer in BYTE format.
// A DS1000Z-S's two-channel source (MSO1000Z/DS1000Z Programming Guide, :SOURce commands):
// :SOURce<n>:FUNCtion SINusoid, :FREQuency, :VOLTage (Vpp), :VOLTage:OFFSet,
// :OUTPut:IMPedance OMEG|FIFTy, :OUTPut[:STATe].
#include "common/Words.h"
#include "instrument/RigolWaveform.h"
#include "instrument/ScpiSourceGenerator.h"

namespace {

bool Serves(const std::string& make, const std::string& model) {
    bool z = model.find('Z') != std::string::npos;
    return ServesRigol(make) && z && (StartsWith(model, "DS1") || StartsWith(model, "MSO1"));
}

std::vector<ScopeChannel> Read(ScpiSession& session, const ScopeIdentity& identity,
                               ScopeScreen& screen, const ScopeRequest& request) {
    return ReadRigolChannels(session, identity, screen, request, {false, 250000});
}

const ScpiGeneratorWords kSource{
    .Marks = {"1", "2"},
    .Function = ":SOURce%s:FUNCtion",
    .Sine = "SINusoid",
    .Frequency = ":SOURce%s:FREQuency",
    .Unit = nullptr,
    .Amplitude = ":SOURce%s:VOLTage",
    .Offset = ":SOURce%s:VOLTage:OFFSet",
    .Load = ":SOURce%s:OUTPut:IMPedance",
    .HighImpedance = "OMEG",
    .Output = ":SOURce%s:OUTPut:STATe",
    .Prefixed = false,
    .PauseMs = 0,
};

const GeneratorDialect kSourceDialect{
    .Family = "Rigol DS1000Z-S",
    .Guide = kRigolGuide,
    .Serves = nullptr,
    .Asks = nullptr,
    .Drives = [](ScpiSession& session,
                 int channel) { return DriveScpiSource(session, channel, kSource); },
};

// The "-S" of its model says it: "DS1104Z-S", "MSO1104Z-S Plus".
const GeneratorDialect* Source(ScpiSession&, const ScopeIdentity& identity) {
    return UpperCase(identity.Model).find("Z-S") != std::string::npos ? &kSourceDialect : nullptr;
}

} // namespace

extern const ScopeDialect kRigolDs1000z{
    .Family = "Rigol DS1000Z",
    .Guide = kRigolGuide,
    .Serves = Serves,
    .ReadChannels = Read,
    .Resume = RigolResume,
    .Headers = nullptr,
    .Settings = kRigolSettings,
    .DivisionsAcross = 12,
    .Ports = {5555},
    .OwnGenerator = Source,
};
