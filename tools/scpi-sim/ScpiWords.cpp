#include "tools/scpi-sim/ScpiWords.h"

#include <cstdio>

#include <cctype>

namespace {

// One part of a header against one part of a pattern ("SCALE" against "SCAle").
bool PartIs(const std::string& part, const std::string& pattern) {
    std::size_t shortLength = 0;
    while (shortLength < pattern.size() &&
           !std::islower(static_cast<unsigned char>(pattern[shortLength])))
        ++shortLength;
    std::string full;
    for (char c : pattern) full += char(std::toupper(static_cast<unsigned char>(c)));
    return part == full.substr(0, shortLength) || part == full;
}

} // namespace

bool HeaderIs(const std::string& header, const std::string& pattern, int& number) {
    number = 0;
    std::size_t h = 0, p = 0;
    for (;;) {
        std::size_t hEnd = header.find(':', h), pEnd = pattern.find(':', p);
        std::string part = header.substr(h, hEnd - h), want = pattern.substr(p, pEnd - p);
        if (std::size_t n = want.find("<n>"); n != std::string::npos) {
            want.erase(n);
            std::size_t digits = part.size();
            while (digits > 0 && std::isdigit(static_cast<unsigned char>(part[digits - 1])))
                --digits;
            if (digits == part.size()) return false;
            number = std::stoi(part.substr(digits));
            part.erase(digits);
        }
        if (!PartIs(part, want)) return false;
        if (hEnd == std::string::npos || pEnd == std::string::npos)
            return hEnd == std::string::npos && pEnd == std::string::npos;
        h = hEnd + 1;
        p = pEnd + 1;
    }
}

ScpiLine SplitCommand(const std::string& line) {
    ScpiLine command;
    std::size_t space = line.find(' ');
    command.Header = line.substr(line[0] == ':' ? 1 : 0, space - (line[0] == ':' ? 1 : 0));
    if (space != std::string::npos) command.Value = line.substr(space + 1);
    if (!command.Header.empty() && command.Header.back() == '?') {
        command.Query = true;
        command.Header.pop_back();
    }
    return command;
}

std::string Printed(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
