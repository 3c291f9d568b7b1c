#pragma once
// Figures of a process (this one or another): its threads, open handles, GDI objects and
// committed private memory. Wine does not implement GetProcessHandleCount, answers 0 to
// GetGuiResources and reports no PrivateUsage, so each figure is read from the system's own tables
// instead: the thread snapshot, the system handle table, the GDI handle table that the process
// environment block points at, and the process's address space.
#include <windows.h>
#include <cctype>
#include <cstddef>
#include <sstream>
#include <string>
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

// The CPU time another process has used, user and system, in seconds, as the host counts it:
// Wine gives no times of another process (GetProcessTimes answers 0). The process is the host's
// one whose first argument holds the program's file name, found among Z:\proc (one program of
// that name at a time), and its ticks are read from its stat line: 100 a second, so a figure in
// milliseconds needs many reads. Negative when unknown.
inline double CpuSeconds(DWORD processId) {
    std::wstring exe;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == processId) exe = entry.szExeFile;
    CloseHandle(snapshot);
    auto read = [](const std::wstring& path) {
        std::string text;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return text;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
            text.append(buffer, got);
        CloseHandle(file);
        return text;
    };
    auto lower = [](std::string text) {
        for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    std::string name = lower(std::string(exe.begin(), exe.end()));
    if (name.empty()) return -1;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &found);
    double seconds = -1;
    for (BOOL ok = find != INVALID_HANDLE_VALUE; ok && seconds < 0;
         ok = FindNextFileW(find, &found)) {
        std::wstring folder = std::wstring(L"Z:\\proc\\") + found.cFileName;
        std::string command = lower(read(folder + L"\\cmdline"));
        if (command.substr(0, command.find('\0')).find(name) == std::string::npos) continue;
        // "pid (name) state ppid ..." : utime and stime are the 12th and 13th fields after ")".
        std::string stat = read(folder + L"\\stat");
        std::size_t at = stat.rfind(')');
        if (at == std::string::npos) continue;
        std::istringstream fields(stat.substr(at + 1));
        std::string field;
        double ticks = 0;
        for (int i = 1; i <= 13 && fields >> field; ++i)
            if (i >= 12) ticks += std::stod(field);
        seconds = ticks / 100;
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    return seconds;
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
