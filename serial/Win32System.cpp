#include "serial/Win32System.h"

#include <mmsystem.h>
#include <string>

#include "serial/SerialException.h"
#include "serial/TickTimer.h"
#include "ui/Wide.h"
#include "ui/Window.h"

TimerResolution::TimerResolution() {
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof caps) == MMSYSERR_NOERROR &&
        timeBeginPeriod(caps.wPeriodMin) == TIMERR_NOERROR)
        period_ = caps.wPeriodMin;
}

TimerResolution::~TimerResolution() {
    if (period_ != 0) timeEndPeriod(period_);
}

bool WaitProcessingMessages(HANDLE handle, DWORD ms) {
    ULONGLONG deadline = GetTickCount64() + ms;
    DWORD count = handle ? 1 : 0;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        DWORD left = now >= deadline ? 0 : DWORD(deadline - now);
        DWORD result = MsgWaitForMultipleObjectsEx(count, handle ? &handle : nullptr, left,
                                                   QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (handle && result == WAIT_OBJECT_0) return true;
        if (result == WAIT_OBJECT_0 + count) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    PostQuitMessage(int(msg.wParam));
                    return false;
                }
                DispatchThreadMessage(msg);
            }
            if (left == 0) return false;
            continue;
        }
        return false; // time-out or failure
    }
}

void ProcessMessagesOrWait(DWORD ms) {
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return;
        }
        DispatchThreadMessage(msg);
    }
}

void StartTickTimer(TickTimer& timer, uint32_t ticks) {
    StartTickTimerAt(timer, ticks, GetTickCount());
}

bool TickTimerExpired(const TickTimer& timer) { return TickTimerExpiredAt(timer, GetTickCount()); }

std::string OsErrorText(int number) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(number), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = length ? Narrow(std::wstring_view(buffer, length)) : "";
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
