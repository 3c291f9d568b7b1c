// Rigol DHO800 and DHO900: 10 divisions across, the screen's 1000 points as 16-bit words (7500
// codes a division), read in pages of at most 125 000 words as the DS1000Z's word pages are.
// DHO800/DHO900 guide §3.28: 1000 screen points, YINCrement = scale / 7500 for WORD data.
#include "common/Words.h"
#include "instrument/RigolWaveform.h"

namespace {

bool Serves(const std::string& make, const std::string& model) {
    return ServesRigol(make) && (StartsWith(model, "DHO8") || StartsWith(model, "DHO9"));
}

std::vector<ScopeChannel> Read(ScpiSession& session, const ScopeIdentity& identity,
                               ScopeScreen& screen, const ScopeRequest& request) {
    return ReadRigolChannels(session, identity, screen, request, {true, 125000});
}

} // namespace

extern const ScopeDialect kRigolDho{
    .Family = "Rigol DHO800/DHO900",
    .Guide = kRigolGuide,
    .Serves = Serves,
    .ReadChannels = Read,
    .Resume = RigolResume,
    .Headers = nullptr,
    .Settings = kRigolSettings,
    .DivisionsAcross = 10,
    .Ports = {5555},
    .OwnGenerator = nullptr,
};
