// The native build's stand-ins for the operating system's clock and error texts.
#include <chrono>
#include <string>

#include "serial/SerialException.h"
#include "serial/TickTimer.h"

uint32_t SystemMilliseconds() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string OsErrorText(int number) { return "System error " + std::to_string(number); }
