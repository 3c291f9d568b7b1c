#pragma once
// The system services the serial component needs: the finest timer resolution for the
// program's life.
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
