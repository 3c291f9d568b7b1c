#pragma once
// Figures of a process (this one or another): its threads, open handles, GDI objects and
// committed private memory. Wine does not implement GetProcessHandleCount, answers 0 to
// GetGuiResources and reports no PrivateUsage, so each figure is read from the system's own tables
// instead: the thread snapshot, the system handle table, the GDI handle table that the process
// environment block points at, and the process's address space.
#include <windows.h>
#include <cstddef>
#include <tlhelp32.h>
#include <vector>

// Threads of a process, from a snapshot of the system's threads.
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
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<char> table(1 << 20);
    constexpr int kSystemHandleInformation = 16;
    ULONG size = 0;
    while (query &&
           query(kSystemHandleInformation, table.data(), ULONG(table.size()), &size) != 0) {
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

// GDI objects a process holds: the live entries of its GDI handle table, found through its
// process environment block (Wine's GetGuiResources answers 0). 64-bit processes only, read from
// a 64-bit one; -1 when the table cannot be read.
inline int GdiObjectCount(HANDLE process = GetCurrentProcess()) {
    struct BasicInformation {
        PVOID Reserved1;
        PVOID PebBaseAddress;
        PVOID Reserved2[4];
    } basic{};
    using Query = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    constexpr std::size_t kTableOffset = 0xF8; // in the block
    constexpr std::size_t kEntries = 16384, kEntrySize = 24;
    constexpr std::size_t kTypeAt = 14; // 0: a free entry
    ULONG size = 0;
    if (sizeof(void*) != 8 || !query || query(process, 0, &basic, sizeof basic, &size) != 0)
        return -1;
    PVOID table = nullptr;
    std::vector<unsigned char> entries(kEntries * kEntrySize);
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, static_cast<char*>(basic.PebBaseAddress) + kTableOffset, &table,
                           sizeof table, &read) ||
        !table || !ReadProcessMemory(process, table, entries.data(), entries.size(), &read))
        return -1;
    int live = 0;
    for (std::size_t i = 0; i < kEntries; ++i) live += entries[i * kEntrySize + kTypeAt] != 0;
    return live;
}

// The CPU time a process has used, user and kernel, in seconds; negative when unknown.
inline double CpuSeconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    auto seconds = [](FILETIME t) {
        return double((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
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
