// Benchmark: time from process start to the main window shown, for vexor.exe and for a minimal
// Win32 program, alternately. Run through tests/serial/with-sim (the program finds its instrument
// at once). Prints one "startup_sample_ms VEXOR MINIMAL" line per pair of launches; bench/run
// takes the figures from every pair of its runs together.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/VexorProcess.h"
#include "tests/serial/SimLink.h"
#include "ui/Wide.h"

namespace {

struct Search {
    DWORD Process;
    bool Found = false;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (owner == search->Process && IsWindowVisible(window) && title[0] != 0) {
        search->Found = true;
        return FALSE;
    }
    return TRUE;
}

double StartMs(const std::wstring& exe) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return -1;
    Search search{info.dwProcessId};
    double ms = -1;
    for (;;) {
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        QueryPerformanceCounter(&now);
        ms = double(now.QuadPart - start.QuadPart) * 1000 / double(frequency.QuadPart);
        if (search.Found || ms > 10000) break;
        Sleep(1);
    }
    TerminateProcess(info.hProcess, 0);
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    Sleep(200);
    return search.Found ? ms : -1;
}

} // namespace

int main(int argc, char** argv) {
    int pairs = argc > 1 ? std::atoi(argv[1]) : 20;
    WriteSettings(std::to_string(SimCom()));
    StartMs(BuildTreeFile(L"vexor.exe")); // warm-up
    for (int i = 0; i < pairs; ++i) {
        double vexor = StartMs(BuildTreeFile(L"vexor.exe"));
        double minimal = StartMs(BuildTreeFile(L"bench\\minimal_window.exe"));
        if (vexor > 0 && minimal > 0) std::printf("startup_sample_ms %.3f %.3f\n", vexor, minimal);
    }
    return 0;
}
