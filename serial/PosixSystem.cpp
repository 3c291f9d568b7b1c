// The native build's stand-in for the operating system's error texts.
#include <string>

#include "serial/SerialException.h"

std::string OsErrorText(int number) { return "System error " + std::to_string(number); }
