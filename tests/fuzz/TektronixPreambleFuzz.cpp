// A Tektronix preamble, its fields as the scope answers each by name: the bytes are "NAME answer"
// lines. Any of them give a preamble that makes sense or an EInstrumentError.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/Acquisition.h"
#include "instrument/Preambles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::pair<std::string, std::string>> fields;
    for (std::string line; std::getline(lines, line);) {
        std::size_t space = line.find(' ');
        fields.push_back(
            {line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1)});
    }
    try {
        TektronixPreamble p = ParseTektronixPreamble(fields);
        if (p.Points < 2 || p.Points > kMostSamples) std::abort();
        if (!(p.XIncrement > 0) || !(p.YMultiplier > 0)) std::abort();
        if (!std::isfinite(p.Volts(-128)) || !std::isfinite(p.Volts(127))) std::abort();
    } catch (const EInstrumentError&) {
    }
    return 0;
}
