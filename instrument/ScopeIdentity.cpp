#include "instrument/ScopeIdentity.h"

#include "common/Text1252.h"
#include "common/Words.h"

std::vector<std::string> IdentityFields(const std::string& answer) {
    std::string text = answer;
    // Some firmware puts the query's header first: "*IDN SIGLENT,..."
    if (StartsWith(UpperCase(text), "*IDN ")) text = text.substr(5);
    std::vector<std::string> fields = Split(text, ",");
    for (std::string& field : fields) field = Trimmed(field);
    return fields;
}

std::string ScopeIdentity::Name() const {
    std::string make = Make.substr(0, Make.find(' '));
    return make + " " + Model;
}

std::string ScopeIdentity::Text() const {
    return Serial.empty() ? Name() : Name() + Cp1252(", n° ") + Serial;
}
