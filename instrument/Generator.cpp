#include "instrument/Generator.h"

#include <cctype>

#include "common/Text1252.h"

// The dialects' own files.
std::unique_ptr<Generator> MakeSiglentSdg(ScpiSession& session, int channel);
std::unique_ptr<Generator> MakeScpiSourceGenerator(ScpiSession& session, int channel);

namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

bool StartsWith(const std::string& text, const char* start) { return text.rfind(start, 0) == 0; }

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
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = answer.find(',', start)) != std::string::npos;
         start = comma + 1)
        fields.push_back(Trimmed(answer.substr(start, comma - start)));
    fields.push_back(Trimmed(answer.substr(start)));
    if (fields.size() < 3) return std::nullopt;
    std::optional<GeneratorDialect> dialect = DialectOf(Upper(fields[0]), Upper(fields[1]));
    if (!dialect) return std::nullopt;
    return GeneratorIdentity{fields[0], fields[1], fields[2], *dialect};
}

std::unique_ptr<Generator> MakeGenerator(ScpiSession& session, const GeneratorIdentity& identity,
                                         int channel) {
    switch (identity.Speaks) {
    case GeneratorDialect::SiglentSdg: return MakeSiglentSdg(session, channel);
    case GeneratorDialect::ScpiSource: return MakeScpiSourceGenerator(session, channel);
    }
    return nullptr;
}
