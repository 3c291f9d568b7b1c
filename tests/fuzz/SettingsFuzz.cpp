// The port number of the settings file, from any text: no crash, a text with anything but hex
// digits and "x" gives the default, decimal digits read as their value up to 65535, and every
// number written in decimal or "0x" reads back.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    uint16_t number = ParseComNumber(text);

    if (text.find_first_not_of("0123456789abcdefABCDEFxX") != std::string::npos &&
        number != kDefaultComNumber)
        std::abort();
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
        unsigned long value = 0;
        for (char c : text) value = std::min(value * 10 + unsigned(c - '0'), 100000UL);
        if (number != (value <= 65535 ? value : kDefaultComNumber)) std::abort();
    }

    unsigned written = size >= 2 ? unsigned(data[0]) << 8 | data[1] : 0;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%u", written);
    if (ParseComNumber(buffer) != written) std::abort();
    std::snprintf(buffer, sizeof buffer, size % 2 ? "0x%X" : "0X%x", written);
    if (ParseComNumber(buffer) != written) std::abort();
    return 0;
}
