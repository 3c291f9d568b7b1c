// Rigol DS1000Z: 12 divisions across, the screen's 1200 points as bytes, at most 250 000 bytes an
// answer.
// DS1000Z guide, :WAVeform:DATA? (pp. 2-135/2-136): 1200 screen points in NORMal mode (100 a
// division), 250 000 points at most an answer in BYTE format.
#include "common/Words.h"
#include "instrument/RigolWaveform.h"

namespace {

bool Serves(const std::string& make, const std::string& model) {
    bool z = model.find('Z') != std::string::npos;
    return ServesRigol(make) && z && (StartsWith(model, "DS1") || StartsWith(model, "MSO1"));
}

std::vector<ScopeChannel> Read(ScpiSession& session, const ScopeIdentity& identity,
                               ScopeScreen& screen, const ScopeRequest& request) {
    return ReadRigolChannels(session, identity, screen, request, {false, 250000});
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
};
