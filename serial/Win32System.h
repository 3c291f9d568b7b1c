#pragma once
// The system services the serial component needs: the finest timer resolution for the
// program's life, and waits that keep the calling thread's windows served.
#include <windows.h>

// Raises the system timer resolution to its finest period for as long as it lives.
class TimerResolution {
public:
    TimerResolution();
    ~TimerResolution();
    TimerResolution(const TimerResolution&) = delete;
    TimerResolution& operator=(const TimerResolution&) = delete;

private:
    UINT period_ = 0;
};

// Waits for `handle` (or, when it is null, only for the time) up to `ms`, dispatching this
// thread's messages as they come; it never spins. True when the handle was signalled.
bool WaitProcessingMessages(HANDLE handle, DWORD ms);

// Waits up to `ms` for a message (a sent one included) and dispatches what has come; returns as
// soon as something was dispatched, so the caller can look at its state again.
void ProcessMessagesOrWait(DWORD ms);
