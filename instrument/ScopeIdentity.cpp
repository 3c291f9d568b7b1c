#include "instrument/ScopeIdentity.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "common/Text1252.h"

namespace {

std::string Trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t"), last = text.find_last_not_of(" \t");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

bool StartsWith(const std::string& text, const char* start) { return text.rfind(start, 0) == 0; }

// The dialect of a make's model, from the model's name as the programming guides list them.
std::optional<Dialect> DialectOf(const std::string& make, const std::string& model) {
    if (make.find("RIGOL") != std::string::npos) {
        if (StartsWith(model, "DHO8") || StartsWith(model, "DHO9")) return Dialect::RigolDho;
        bool z = model.find('Z') != std::string::npos;
        if (z && (StartsWith(model, "DS1") || StartsWith(model, "MSO1")))
            return Dialect::RigolDs1000z;
    } else if (make.find("SIGLENT") != std::string::npos) {
        if (model.find("X HD") != std::string::npos || model.find("XHD") != std::string::npos ||
            model.find("X PLUS") != std::string::npos || model.find("X+") != std::string::npos)
            return Dialect::SiglentSdsHd;
        if (StartsWith(model, "SDS") && model.size() > 2 &&
            model.compare(model.size() - 2, 2, "-E") == 0)
            return Dialect::SiglentSdsE;
    }
    return std::nullopt;
}

} // namespace

std::string UpperCase(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> IdentityFields(const std::string& answer) {
    std::string text = answer;
    // Some firmware puts the query's header first: "*IDN SIGLENT,..."
    if (StartsWith(UpperCase(text), "*IDN ")) text = text.substr(5);
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        fields.push_back(Trimmed(text.substr(start, comma - start)));
    fields.push_back(Trimmed(text.substr(start)));
    return fields;
}

std::string ScopeIdentity::Name() const {
    std::string make = Make.substr(0, Make.find(' '));
    return make + " " + Model;
}

std::string ScopeIdentity::Text() const {
    return Serial.empty() ? Name() : Name() + Cp1252(", n° ") + Serial;
}

std::optional<ScopeIdentity> IdentifyScope(const std::string& answer) {
    std::vector<std::string> fields = IdentityFields(answer);
    if (fields.size() < 3) return std::nullopt;
    std::optional<Dialect> dialect = DialectOf(UpperCase(fields[0]), UpperCase(fields[1]));
    if (!dialect) return std::nullopt;
    return ScopeIdentity{fields[0], fields[1], fields[2], *dialect};
}
