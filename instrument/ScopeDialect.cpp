#include "instrument/ScopeDialect.h"

#include <algorithm>

#include "common/Words.h"

// Each family's row, from its own file.
extern const ScopeDialect kSiglentSdsE, kSiglentSdsHd, kRigolDs1000z, kRigolDho, kTektronixTds,
    kTektronixTbs, kKeysight;

const std::vector<const ScopeDialect*>& ScopeDialects() {
    static const std::vector<const ScopeDialect*> kDialects{
        &kSiglentSdsE,  &kSiglentSdsHd, &kRigolDs1000z, &kRigolDho,
        &kTektronixTds, &kTektronixTbs, &kKeysight};
    return kDialects;
}

std::vector<int> ScopePorts() {
    std::vector<int> ports;
    for (const ScopeDialect* dialect : ScopeDialects())
        for (int port : dialect->Ports)
            if (std::find(ports.begin(), ports.end(), port) == ports.end()) ports.push_back(port);
    return ports;
}

std::optional<ScopeIdentity> IdentifyScope(const std::string& answer,
                                           const std::vector<const ScopeDialect*>& dialects) {
    std::vector<std::string> fields = IdentityFields(answer);
    if (fields.size() < 3) return std::nullopt;
    std::string make = UpperCase(fields[0]), model = UpperCase(fields[1]);
    for (const ScopeDialect* dialect : dialects)
        if (dialect->Serves(make, model))
            return ScopeIdentity{fields[0], fields[1], fields[2], dialect,
                                 ChannelsOfModel(fields[1])};
    return std::nullopt;
}

std::string TurnHeadersOff(ScpiSession& session, const ScopeDialect& dialect) {
    if (!dialect.Headers) return "";
    std::string command = dialect.Headers;
    // "CHDR SHORT" under SHORT, a bare "OFF" under OFF: the last word either way.
    std::string found = AnswerWord(session.Query(command + "?"));
    if (found == "OFF" || found == "0") return "";
    session.Send(command + " OFF");
    return command + " " + found;
}

namespace {

// Sends each command that is not empty, as far as the connection carries them: after a failed
// read, the connection may be what failed.
void SendWhileConnected(ScpiSession& session, std::initializer_list<std::string> commands) {
    try {
        for (const std::string& command : commands)
            if (!command.empty()) session.Send(command);
    } catch (const EInstrumentError&) {
        // The scope stays as the failure left it, as the user will see.
    }
}

} // namespace

AcquisitionPtr ReadScope(ScpiSession& session, const ScopeIdentity& identity,
                         const ScopeRequest& request) {
    const ScopeDialect& dialect = *identity.Speaks;
    std::string headers = TurnHeadersOff(session, dialect), resume;
    ScopeScreen screen;
    screen.DivisionsAcross = dialect.DivisionsAcross;
    std::vector<ScopeChannel> channels;
    try {
        resume = dialect.Resume(session);
        if (!resume.empty()) session.Send(dialect.Settings.Stop);
        channels = dialect.ReadChannels(session, identity, screen, request);
    } catch (const EInstrumentError&) {
        SendWhileConnected(session, {resume, headers});
        throw;
    }
    for (const std::string& command : {resume, headers})
        if (!command.empty()) session.Send(command);
    return ScopeAcquisition(identity, screen, std::move(channels), request);
}
