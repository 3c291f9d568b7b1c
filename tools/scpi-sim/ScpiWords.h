#pragma once
// How an instrument reads a command's header as its guide writes it: each part's capitals are
// its short form, which may be followed by the rest of its long form ("HEADer" takes HEAD and
// HEADER), parts joined by ":", a digit after a part its number ("CH2", "CHANnel3"). The command
// comes upper case, as the instruments take any case.
#include <string>

// Whether `header` (no value, no "?") is `pattern` in its short or long form; the channel number a
// "<n>" in the pattern stands for goes to `number` (0 when the pattern has none).
bool HeaderIs(const std::string& header, const std::string& pattern, int& number);
inline bool HeaderIs(const std::string& header, const std::string& pattern) {
    int number = 0;
    return HeaderIs(header, pattern, number);
}

// A command split into its header (without a leading ":"), whether it is a query, and its value.
struct ScpiLine {
    std::string Header, Value;
    bool Query = false;
};
ScpiLine SplitCommand(const std::string& line);

// `value` as printf's `format` writes it: "%.6E", "%+.6E".
std::string Printed(const char* format, double value);
