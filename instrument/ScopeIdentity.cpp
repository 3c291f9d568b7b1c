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

int ChannelsOfModel(const std::string& model) {
    std::size_t first = model.find_first_of("0123456789");
    if (first == std::string::npos) return 2;
    std::size_t end = model.find_first_not_of("0123456789", first);
    char last = model[(end == std::string::npos ? model.size() : end) - 1];
    return last == '4' ? 4 : 2;
}

std::string ScopeIdentity::Name() const {
    std::string make = Make.substr(0, Make.find(' '));
    return make + " " + Model;
}

std::string ScopeIdentity::Text() const {
    return Serial.empty() ? Name() : Name() + Cp1252(", n° ") + Serial;
}
