#include "serial/PortNames.h"

#include <stdexcept>

std::string PortName(uint16_t number) { return "COM" + std::to_string(number); }

uint16_t SelectedPort(const std::string& entry) {
    if (entry.size() < 4) return 0;
    try {
        std::size_t used = 0;
        int number = std::stoi(entry.substr(3), &used);
        return used == entry.size() - 3 && number > 0 && number <= 0xFFFF ? uint16_t(number) : 0;
    } catch (const std::logic_error&) { // not a number, or out of range
        return 0;
    }
}
