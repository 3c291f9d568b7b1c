#include "serial/TickTimer.h"

#include <algorithm>

namespace {
constexpr uint64_t kTicksPerWrap = (uint64_t(1) << 32) / kTickMs + 1;
}

void StartTickTimerAt(TickTimer& timer, uint32_t ticks, uint32_t nowMs) {
    timer.StartTicks = nowMs / kTickMs;
    timer.ExpireTicks = timer.StartTicks + std::min(ticks, kMaxTicks);
}

bool TickTimerExpiredAt(const TickTimer& timer, uint32_t nowMs) {
    uint64_t now = nowMs / kTickMs;
    // The millisecond counter wrapped since the start: count on from the last tick before it.
    if (now < timer.StartTicks) now += kTicksPerWrap;
    return now > timer.ExpireTicks;
}

void StartTickTimer(TickTimer& timer, uint32_t ticks) {
    StartTickTimerAt(timer, ticks, SystemMilliseconds());
}

bool TickTimerExpired(const TickTimer& timer) {
    return TickTimerExpiredAt(timer, SystemMilliseconds());
}
