#include "instrument/Generator.h"

#include "common/Text1252.h"
#include "common/Words.h"
#include "instrument/ScopeIdentity.h"

// The dialects' own files.
std::unique_ptr<Generator> MakeSiglentSdg(ScpiSession& session, int channel);
std::unique_ptr<Generator> MakeScpiSourceGenerator(ScpiSession& session, int channel);
std::unique_ptr<Generator> MakeFeelTech(ScpiSession& session, int channel);
std::unique_ptr<Generator> MakeJds6600(ScpiSession& session, int channel);

namespace {

std::optional<GeneratorDialect> DialectOf(const std::string& make, const std::string& model) {
    if (make.find("SIGLENT") != std::string::npos && StartsWith(model, "SDG"))
        return GeneratorDialect::SiglentSdg;
    if (make.find("RIGOL") != std::string::npos &&
        (StartsWith(model, "DG8") || StartsWith(model, "DG9") ||
         (StartsWith(model, "DG1") && model.find('Z') != std::string::npos)))
        return GeneratorDialect::ScpiSource;
    bool keysight =
        make.find("KEYSIGHT") != std::string::npos || make.find("AGILENT") != std::string::npos;
    if (keysight && StartsWith(model, "335")) return GeneratorDialect::ScpiSource;
    return std::nullopt;
}

} // namespace

std::string GeneratorIdentity::Text() const {
    std::string name = Make.substr(0, Make.find(' ')) + " " + Model;
    return Serial.empty() ? name : name + Cp1252(", n° ") + Serial;
}

std::optional<GeneratorIdentity> IdentifyGenerator(const std::string& answer) {
    std::vector<std::string> fields = IdentityFields(answer);
    if (fields.size() < 3) return std::nullopt;
    std::optional<GeneratorDialect> dialect = DialectOf(UpperCase(fields[0]), UpperCase(fields[1]));
    if (!dialect) return std::nullopt;
    return GeneratorIdentity{fields[0], fields[1], fields[2], *dialect};
}

std::optional<GeneratorIdentity> IdentifySerialGenerator(ScpiSession& session) {
    auto answered = [&](const std::string& query) -> std::string {
        try {
            return session.Query(query);
        } catch (const EInstrumentError& error) {
            if (error.Fault != InstrumentFault::Silent) throw;
            return "";
        }
    };
    std::string model = answered("UMO");
    if (StartsWith(UpperCase(model), "FY"))
        return GeneratorIdentity{"FeelTech", model, answered("UID"), GeneratorDialect::FeelTech};
    // ":r00=60." for the 60 MHz model
    std::string jds = answered(":r00=0.");
    if (jds.rfind(":r00=", 0) == 0) {
        std::string megahertz = jds.substr(5, jds.find('.') - 5);
        std::string serial = answered(":r01=0.");
        if (serial.rfind(":r01=", 0) == 0) serial = serial.substr(5, serial.find('.') - 5);
        return GeneratorIdentity{"JDS6600", megahertz + " MHz", serial, GeneratorDialect::Jds6600};
    }
    return std::nullopt;
}

std::unique_ptr<Generator> MakeGenerator(ScpiSession& session, const GeneratorIdentity& identity,
                                         int channel) {
    switch (identity.Speaks) {
    case GeneratorDialect::SiglentSdg: return MakeSiglentSdg(session, channel);
    case GeneratorDialect::ScpiSource: return MakeScpiSourceGenerator(session, channel);
    case GeneratorDialect::FeelTech: return MakeFeelTech(session, channel);
    case GeneratorDialect::Jds6600: return MakeJds6600(session, channel);
    }
    return nullptr;
}
