#pragma once
// The settings file vexor.ini: section "COM", key "Number", the serial port number.
#include <cstdint>
#include <string_view>

constexpr uint16_t kDefaultComNumber = 1;

// The port number from the file's text: decimal, or hexadecimal after "0x" or "0X". Anything
// else, a number outside 0..65535 included, gives the default 1.
uint16_t ParseComNumber(std::string_view text);
