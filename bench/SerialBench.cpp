// Benchmarks of the serial component against the simulator (run through tests/serial/with-sim):
//   serial_bench image PATTERN  notifications for a 4096-byte image at 960 bytes/s, and the time
//                             from the simulator writing the last byte to the handler taking it,
//                             three images; PATTERN names the simulator's --delivery
//   serial_bench throughput   4 MiB at full speed through the component, then through a plain
//                             overlapped ReadFile loop on the same terminal
//   serial_bench probe        PortPresent over COM1..COM50
// Each prints "name value" lines.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "acquisition/HmLine.h"
#include "bench/Seconds.h"
#include "serial/ComPort.h"
#include "serial/ComSelect.h"
#include "serial/Win32System.h"
#include "tests/serial/SimLink.h"

namespace {

constexpr std::size_t kFloodBytes = 4 * 1024 * 1024;

double RealTimeSeconds() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    ULONGLONG ticks = (ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return double(ticks - 116444736000000000ULL) / 1e7; // since 1970, as the simulator counts
}

// The simulator's report of when it wrote an image's last byte.
double LastByteWritten() {
    std::ifstream log(SimPath("sim.log"));
    std::string line, last;
    while (std::getline(log, line))
        if (line.find("last byte at") != std::string::npos) last = line;
    return last.empty() ? 0 : std::stod(last.substr(last.rfind(' ') + 1));
}

// Three images in a row, one figure line each: a single image's count moves with the
// scheduling of the moment.
int Image(const std::string& pattern) {
    TSerialComPort port;
    ApplyHmLineSettings(port);
    port.SetComNumber(SimCom());
    port.SetOpen(true);
    std::size_t received = 0;
    int notifications = 0;
    double complete = 0;
    port.SetOnTriggerAvail([&](TSerialPort& cp, uint16_t count) {
        ++notifications;
        for (uint16_t i = 0; i < count; ++i) cp.ReadByte();
        received += count;
        if (received >= 4096 && complete == 0) complete = RealTimeSeconds();
    });
    for (int image = 1; image <= 3; ++image) {
        received = 0;
        notifications = 0;
        complete = 0;
        port.SendString("DIG\r\n");
        if (!PumpUntil([&] { return complete != 0; }, 15000)) return 1;
        PumpUntil([&] { return SimLogCount(" last byte at ") == image; }, 2000);
        std::printf("notifications_per_image_%s %d\n", pattern.c_str(), notifications);
        std::printf("last_byte_latency_ms_%s %.3f\n", pattern.c_str(),
                    (complete - LastByteWritten()) * 1000);
    }
    return 0;
}

double ComponentRate() {
    TSerialComPort port;
    ApplyHmLineSettings(port);
    port.SetInSize(16384);
    port.SetComNumber(SimCom());
    port.SetOpen(true);
    std::size_t received = 0;
    double first = 0, last = 0, inHandler = 0;
    int notifications = 0;
    port.SetOnTriggerAvail([&](TSerialPort& cp, uint16_t count) {
        double start = Seconds();
        if (first == 0) first = start;
        for (uint16_t i = 0; i < count; ++i) cp.ReadByte();
        received += count;
        ++notifications;
        last = Seconds();
        inHandler += last - start;
    });
    SimControl("flood " + std::to_string(kFloodBytes));
    if (!PumpUntil([&] { return received >= kFloodBytes; }, 120000)) return 0;
    // Where the time goes: the handler's own reads, and the rest spent handing the bytes over.
    std::printf("component_notifications %d\ncomponent_handler_share %.4f\n", notifications,
                inHandler / (last - first));
    return double(received) / (last - first);
}

double PlainReadFileRate() {
    std::wstring name = L"\\\\.\\COM" + std::to_wstring(SimCom());
    HANDLE device = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) return 0;
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
    SetCommTimeouts(device, &timeouts);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<char> buffer(65536);
    SimControl("flood " + std::to_string(kFloodBytes));
    std::size_t received = 0;
    double first = 0, last = 0;
    while (received < kFloodBytes) {
        DWORD got = 0;
        ResetEvent(overlapped.hEvent);
        if (!ReadFile(device, buffer.data(), DWORD(buffer.size()), &got, &overlapped)) {
            if (GetLastError() != ERROR_IO_PENDING ||
                WaitForSingleObject(overlapped.hEvent, 10000) != WAIT_OBJECT_0 ||
                !GetOverlappedResult(device, &overlapped, &got, FALSE))
                break;
        }
        if (got && first == 0) first = Seconds();
        received += got;
        last = Seconds();
    }
    CloseHandle(overlapped.hEvent);
    CloseHandle(device);
    return received >= kFloodBytes ? double(received) / (last - first) : 0;
}

} // namespace

int main(int argc, char** argv) {
    TimerResolution resolution;
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "image") return Image(argc > 2 ? argv[2] : "byte");
    if (mode == "throughput") {
        double component = ComponentRate();
        Sleep(300);
        double plain = PlainReadFileRate();
        std::printf("component_bytes_per_s %.0f\nreadfile_bytes_per_s %.0f\n", component, plain);
        std::printf("serial_throughput_ratio %.4f\n", plain > 0 ? component / plain : 0);
        return component > 0 && plain > 0 ? 0 : 1;
    }
    if (mode == "probe") {
        double start = Seconds();
        auto ports = PresentPorts();
        std::printf("probe_50_ports_ms %.3f\n", (Seconds() - start) * 1000);
        return ports.empty() ? 1 : 0;
    }
    return 2;
}
