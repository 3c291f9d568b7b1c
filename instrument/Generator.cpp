#include "instrument/Generator.h"

#include "common/Text1252.h"
#include "common/Words.h"
#include "instrument/ScopeIdentity.h"

// Each family's row, from its own file.
extern const GeneratorDialect kSiglentSdg, kScpiSourceGenerator, kRigolDg1022, kTektronixAfg,
    kKeysight33200, kFeelTech, kJds6600, kGwInstekAfg;

const std::vector<const GeneratorDialect*>& GeneratorDialects() {
    static const std::vector<const GeneratorDialect*> kDialects{
        &kSiglentSdg,   &kScpiSourceGenerator, &kRigolDg1022,
        &kTektronixAfg, &kKeysight33200,       &kFeelTech,
        &kJds6600,      &kGwInstekAfg};
    return kDialects;
}

std::string GeneratorIdentity::Text() const {
    std::string name = Make.substr(0, Make.find(' ')) + " " + Model;
    return Serial.empty() ? name : name + Cp1252(", n° ") + Serial;
}

std::optional<GeneratorIdentity> IdentifyGenerator(const std::string& answer) {
    std::vector<std::string> fields = IdentityFields(answer);
    if (fields.size() < 3) return std::nullopt;
    std::string make = UpperCase(fields[0]), model = UpperCase(fields[1]);
    for (const GeneratorDialect* dialect : GeneratorDialects())
        if (dialect->Serves && dialect->Serves(make, model))
            return GeneratorIdentity{fields[0], fields[1], fields[2], dialect};
    return std::nullopt;
}

std::string AnswerOrNothing(ScpiSession& session, const std::string& query) {
    try {
        return session.Query(query);
    } catch (const EInstrumentError& error) {
        if (error.Fault != InstrumentFault::Silent) throw;
        return "";
    }
}

std::optional<GeneratorIdentity> IdentifySerialGenerator(ScpiSession& session) {
    for (const GeneratorDialect* dialect : GeneratorDialects())
        if (dialect->Asks)
            if (std::optional<GeneratorIdentity> found = dialect->Asks(session)) return found;
    return std::nullopt;
}

std::unique_ptr<Generator> MakeGenerator(ScpiSession& session, const GeneratorIdentity& identity,
                                         int channel) {
    return identity.Speaks->Drives(session, channel);
}
