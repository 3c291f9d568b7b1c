// Benchmark: one full read through the real window at the line's pace, from the click on the read
// button to the zero prompt (the read's completion), against the line's physical time; and the
// program's CPU time meanwhile. Run through tests/serial/with-sim.
#include <windows.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/ControlIds.h"
#include "app/Preview.h"
#include "app/SeriesForm.h"
#include "common/Text1252.h"
#include "tests/e2e/VexorProcess.h"
#include "tests/serial/ProcessFigures.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/Wide.h"

namespace {} // namespace

double PrivateMb(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    double mb = double(PrivateBytes(process)) / (1024.0 * 1024.0);
    CloseHandle(process);
    return mb;
}

// The same count for a program that shows one window: what any process has under this Wine.
double MinimalWindowPrivateMb() {
    std::wstring command = L"\"" + BuildTreeFile(L"bench\\minimal_window.exe") + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return -1;
    double mb = UiDriver::WaitForWindow("Minimal window", 10000)
                    ? (Sleep(500), PrivateMb(info.dwProcessId))
                    : -1;
    TerminateProcess(info.hProcess, 0);
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return mb;
}

// Ten reads at a quicker pace, then the program's private memory; the same at start and for a
// minimal window program, for reference.
int Memory() {
    SimControl("speed 20");
    Sleep(200);
    WriteSettings(std::to_string(SimCom()));
    VexorProcess vexor;
    HWND main = vexor.WaitForMainWindow("Lecture oscillo Hameg", 15000);
    if (!main) return 2;
    std::printf("private_bytes_start_mb %.3f\n", PrivateMb(vexor.Id()));
    std::printf("threads_start %d\n", ThreadCount(vexor.Id()));
    for (int read = 0; read < 10; ++read)
        if (!ReadThroughTheWindow(main)) return 3;
    std::printf("private_bytes_mb %.3f\n", PrivateMb(vexor.Id()));
    vexor.Close(main);
    std::printf("private_bytes_minimal_mb %.3f\n", MinimalWindowPrivateMb());
    return 0;
}

// The window's answers during a read whose adapter is pulled out, and the close after a loss:
// "ui_stall_max_ms" is the longest a message sent to the window waited from the click until the
// loss is told; "close_after_loss_ms" the close of a program whose idle port lost its device.
int Loss() {
    WriteSettings(std::to_string(SimCom()));
    VexorProcess vexor;
    HWND main = vexor.WaitForMainWindow("Lecture oscillo Hameg", 15000);
    if (!main) return 2;
    AnswerWatch watch(main, 5);
    UiDriver::Click(main, idEnregistreBtn);
    Sleep(1500);
    SimControl("unplug");
    HWND notice = UiDriver::WaitForMessageBox("Scoptera", 15000);
    ULONGLONG longest = watch.Stop();
    if (!notice) return 3;
    std::printf("ui_stall_max_ms %llu\n", (unsigned long long)longest);
    UiDriver::ClickButton(notice, "OK");
    UiDriver::WaitUntilGone(notice, 5000);
    vexor.Close(main);

    SimControl("replug");
    VexorProcess idle;
    main = idle.WaitForMainWindow("Lecture oscillo Hameg", 15000);
    if (!main) return 4;
    SimControl("unplug");
    Sleep(500);
    ULONGLONG start = GetTickCount64();
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (idle.WaitForExit(15000) != 0) return 5;
    std::printf("close_after_loss_ms %llu\n", (unsigned long long)(GetTickCount64() - start));
    return 0;
}

// A series point: from the click on the read button to its row in the series window, against the
// line's time of one image (a series read asks for no zero and reads none). Three points a run.
int SeriesPoint() {
    SimControl("no-zero");
    ForgetKeptSeries(); // no earlier series offered
    WriteSettings(std::to_string(SimCom()));
    VexorProcess vexor;
    HWND main = vexor.WaitForMainWindow("Lecture oscillo Hameg", 15000);
    if (!main) return 2;
    HWND series = OpenSeriesWindow(main);
    if (!series) return 3;
    HWND points = GetDlgItem(series, TSeriesForm::idPointsText);
    for (int point = 1; point <= 3; ++point) {
        std::wstring expected = std::to_wstring(point) + (point > 1 ? L" points" : L" point");
        ULONGLONG start = GetTickCount64();
        UiDriver::Click(main, idEnregistreBtn);
        while (UiDriver::TextW(points) != expected) {
            if (GetTickCount64() - start > 15000) return 5;
            Sleep(1);
        }
        double physical = 4096.0 / 960.0;
        std::printf("series_point_ratio %.4f\n",
                    double(GetTickCount64() - start) / 1000 / physical);
    }
    vexor.AnswerBoxes(300);
    vexor.Close(main);
    return 0;
}

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "memory") return Memory();
    if (argc > 1 && std::string(argv[1]) == "series") return SeriesPoint();
    if (argc > 1 && std::string(argv[1]) == "loss") return Loss();
    // The delivery pattern the simulator was started with, for the CPU figure's name.
    std::string pattern = argc > 2 ? argv[2] : "byte";
    bool hm408 = argc > 1 && std::string(argv[1]) == "hm408";
    if (hm408) SimControl("model hm408");
    Sleep(200);
    WriteSettings(std::to_string(SimCom()));
    VexorProcess vexor;
    HWND main = vexor.WaitForMainWindow("Lecture oscillo Hameg", 15000);
    if (!main) return 2;
    Sleep(500);
    double cpuBefore = CpuSeconds(vexor.Id());
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    UiDriver::Click(main, idEnregistreBtn);
    HWND prompt = nullptr;
    while (!prompt) {
        prompt = UiDriver::WaitForMessageBox("Information", 0);
        QueryPerformanceCounter(&end);
        if (double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart) > 15) return 3;
        if (!prompt) Sleep(1);
    }
    double wall = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    double cpu = CpuSeconds(vexor.Id()) - cpuBefore;
    double physical = (hm408 ? 4352.0 : 4096.0) / 960.0;
    std::printf("read_%s_ratio_%s %.4f\nread_cpu_share_%s %.4f\n", hm408 ? "hm408" : "hm305",
                pattern.c_str(), wall / physical, pattern.c_str(), cpu / wall);
    UiDriver::ClickButton(prompt, "Annuler");
    UiDriver::WaitUntilGone(prompt, 3000);
    vexor.AnswerBoxes(300);
    vexor.Close(main);
    return 0;
}
