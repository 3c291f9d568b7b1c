#include "app/HandOff.h"

std::string HandOffText(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        std::string cut = argument.substr(0, 255);
        if (!cut.empty() && cut[0] == '/') continue;
        if (!text.empty()) text += ' ';
        text += cut;
    }
    return text;
}
