#pragma once
// The component's coarse timer: ticks of 55 ms of the system's millisecond clock.
#include <cstdint>

struct TickTimer {
    uint32_t StartTicks = 0;
    uint64_t ExpireTicks = 0;
};

constexpr uint32_t kTickMs = 55;
constexpr uint32_t kMaxTicks = 39045157; // the longest timer: half the counter's span

// With an explicit clock reading (milliseconds since the system started) for tests.
void StartTickTimerAt(TickTimer& timer, uint32_t ticks, uint32_t nowMs);
bool TickTimerExpiredAt(const TickTimer& timer, uint32_t nowMs);

// The system's millisecond clock: milliseconds since the system started, wrapping at 2^32.
uint32_t SystemMilliseconds();

// With the system's clock.
void StartTickTimer(TickTimer& timer, uint32_t ticks);
bool TickTimerExpired(const TickTimer& timer);
