#pragma once
// What a serial test needs from the instrument simulator that tests/serial/with-sim started.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <tlhelp32.h>
#include <vector>
#include <windows.h>

#include "serial/Win32System.h"

inline uint16_t SimCom() {
    const char* com = std::getenv("VEXOR_TEST_COM");
    return com ? uint16_t(std::atoi(com)) : 0;
}

inline std::string SimPath(const std::string& name) {
    const char* dir = std::getenv("VEXOR_SIM_DIR");
    return std::string(dir ? dir : ".") + "\\" + name;
}

inline std::string SimLog() {
    std::ifstream in(SimPath("sim.log"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// One command to the simulator's control FIFO ("hangup-after 1000", "model hm408" ...), waiting
// until the simulator has taken it: a command to the instrument sent right after must find it
// in force. Commands that keep the simulator busy ("flood") are acknowledged once done, so they
// are not waited for.
inline void SimControl(const std::string& command) {
    std::string acknowledgement = "control: " + command + "\n";
    std::size_t seen = 0;
    for (std::size_t at = 0; (at = SimLog().find(acknowledgement, at)) != std::string::npos; ++at) ++seen;
    std::ofstream(SimPath("control"), std::ios::binary) << command << "\n";
    if (command.rfind("flood", 0) == 0 || command == "hangup") return;
    for (int i = 0; i < 200; ++i) {
        std::size_t now = 0;
        std::string log = SimLog();
        for (std::size_t at = 0; (at = log.find(acknowledgement, at)) != std::string::npos; ++at) ++now;
        if (now > seen) return;
        Sleep(10);
    }
}

inline std::vector<uint8_t> SimFile(const std::string& name) {
    std::ifstream in(SimPath(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Serves this thread's messages until `done` or the time-out; false on time-out.
inline bool PumpUntil(const std::function<bool()>& done, int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        WaitProcessingMessages(nullptr, 5);
    }
    return true;
}

inline int ThreadCount(DWORD processId = GetCurrentProcessId()) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == processId) ++count;
    CloseHandle(snapshot);
    return count;
}

// Open handles of a process, from the system's handle table (Wine does not implement
// GetProcessHandleCount); -1 when the table cannot be read.
inline int HandleCount(DWORD processId = GetCurrentProcessId()) {
    struct Entry {
        ULONG ProcessId;
        UCHAR ObjectType, Flags;
        USHORT Handle;
        PVOID Object;
        ACCESS_MASK Access;
    };
    using Query = LONG(WINAPI*)(int, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<char> table(1 << 20);
    constexpr int kSystemHandleInformation = 16;
    ULONG size = 0;
    while (query && query(kSystemHandleInformation, table.data(), ULONG(table.size()), &size) != 0) {
        if (table.size() >= (64u << 20)) return -1;
        table.resize(table.size() * 2);
    }
    if (!query) return -1;
    ULONG count = *reinterpret_cast<ULONG*>(table.data());
    auto* entries = reinterpret_cast<Entry*>(table.data() + sizeof(void*));
    int mine = 0;
    for (ULONG i = 0; i < count; ++i) mine += entries[i].ProcessId == processId;
    return mine;
}

// Committed private memory of a process, from its address space (Wine reports no
// PrivateUsage).
inline std::size_t PrivateBytes(HANDLE process = GetCurrentProcess()) {
    std::size_t total = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (auto* at = static_cast<char*>(nullptr);
         VirtualQueryEx(process, at, &info, sizeof info) == sizeof info;
         at = static_cast<char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        if (info.RegionSize == 0) break;
    }
    return total;
}
