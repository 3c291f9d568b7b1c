#include "serial/Win32System.h"

#include <mmsystem.h>
#include <string>

#include "common/Text1252.h"
#include "serial/SerialException.h"
#include "serial/TickTimer.h"

TimerResolution::TimerResolution() {
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof caps) == MMSYSERR_NOERROR &&
        timeBeginPeriod(caps.wPeriodMin) == TIMERR_NOERROR)
        period_ = caps.wPeriodMin;
}

TimerResolution::~TimerResolution() {
    if (period_ != 0) timeEndPeriod(period_);
}

uint32_t SystemMilliseconds() { return GetTickCount(); }

std::string OsErrorText(int number) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(number), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = length ? Cp1252FromUtf16(std::u16string(buffer, buffer + length)) : "";
    LocalFree(buffer);
    std::string oneLine;
    for (char c : text) {
        char shown = static_cast<unsigned char>(c) < 32 ? ' ' : c;
        if (shown == ' ' && !oneLine.empty() && oneLine.back() == ' ') continue;
        oneLine += shown;
    }
    while (!oneLine.empty() && oneLine.back() == ' ') oneLine.pop_back();
    return oneLine.empty() ? "System error " + std::to_string(number) : oneLine;
}
