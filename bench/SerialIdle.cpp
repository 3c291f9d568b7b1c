// Benchmark: the CPU the serial component costs while a port is open and nothing arrives.
// Run through tests/serial/with-sim; prints one figure line.
#include <windows.h>
#include <cstdio>
#include <cstdlib>

#include "serial/ComPort.h"
#include "serial/Win32System.h"
#include "ui/MessageLoop.h"

namespace {
double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](FILETIME t) {
        return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}
} // namespace

int main() {
    TimerResolution resolution;
    TSerialComPort port;
    port.SetComNumber(uint16_t(std::atoi(std::getenv("VEXOR_TEST_COM"))));
    port.SetBaud(9600);
    port.AutoOpen = false;
    port.SetOnTriggerAvail([](TSerialPort&, uint16_t) {});
    port.SetOpen(true);
    WaitProcessingMessages(nullptr, 500); // settle
    const DWORD idleMs = 5000;
    double cpuBefore = CpuSeconds();
    ULONGLONG start = GetTickCount64();
    WaitProcessingMessages(nullptr, idleMs);
    double wall = double(GetTickCount64() - start) / 1000;
    double share = (CpuSeconds() - cpuBefore) / wall;
    std::printf("serial_idle_cpu_share %.4f\n", share);
    return share < 0.005 ? 0 : 1;
}
