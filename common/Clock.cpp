#include "common/Clock.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {
constexpr long long kMsPerDay = 86'400'000;
}

double TimeOfDayNow() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    long long ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    long long ofDay = ((local.tm_hour * 60LL + local.tm_min) * 60 + local.tm_sec) * 1000 + ms;
    return double(ofDay) / double(kMsPerDay);
}

std::string TimeOfDayText() {
    long long ms = std::llround(TimeOfDayNow() * double(kMsPerDay));
    long long seconds = ms / 1000;
    char text[16];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600 % 24, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

double ElapsedSecondsBetween(double start, double now) {
    long long ms = std::llround((now - start) * double(kMsPerDay)) % kMsPerDay;
    if (ms < 0) ms += kMsPerDay;
    return double(ms) / 1000.0;
}

double ElapsedSeconds(double start) { return ElapsedSecondsBetween(start, TimeOfDayNow()); }
