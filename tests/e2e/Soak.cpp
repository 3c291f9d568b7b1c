// soak.exe READS: that many consecutive reads with the zero from the simulator at a quicker pace,
// through the real window. Each read's clipboard text is checked sample by sample against the
// two images the simulator sent; the program's handles, threads and private memory are taken
// after the second read (the first to ask before dropping data) and after the last. Then the
// preview window is redrawn 200 times, the program's GDI objects counted before and after. Run
// through tests/serial/with-sim. Prints one "name value" line per figure; exit code 0 only with
// every sample right and nothing grown.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

#include "app/ControlIds.h"
#include "common/NumberText.h"
#include "common/Text1252.h"
#include "tests/e2e/VexorProcess.h"
#include "tests/serial/ProcessFigures.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/SystemSettings.h"

namespace {

struct Usage {
    int Handles;
    int Threads;
    double PrivateMb;
};

// The least of a few samples: a handle or page in use for a moment is not kept, a leak is.
Usage UsageOf(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    Usage least{INT_MAX, INT_MAX, 1e9};
    for (int sample = 0; sample < 5; ++sample) {
        if (sample > 0) Sleep(100);
        least.Handles = std::min(least.Handles, HandleCount(processId));
        least.Threads = std::min(least.Threads, ThreadCount(processId));
        least.PrivateMb =
            std::min(least.PrivateMb, double(PrivateBytes(process)) / (1024.0 * 1024.0));
    }
    CloseHandle(process);
    return least;
}

struct PreviewObjects {
    int Redraws = 0;
    int Before = -1, After = -1; // the program's GDI objects
};

// Opens the preview from the main window and has it redrawn `count` times, at alternating sizes.
// The count is taken after a first round of sizes: what a first paint creates once stays.
PreviewObjects RedrawPreview(HWND main, DWORD processId, int count) {
    PreviewObjects objects;
    UiDriver::Click(main, idPreviewBtn);
    HWND preview = UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 15000);
    if (!preview) return objects;
    auto redraw = [preview](int round) {
        int width = 640 + 40 * (round % 3);
        return SetWindowPos(preview, nullptr, 0, 0, width, 560, SWP_NOMOVE | SWP_NOZORDER) &&
               RedrawWindow(preview, nullptr, nullptr,
                            RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    };
    for (int round = 0; round < 3; ++round) redraw(round);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    objects.Before = GdiObjectCount(process);
    while (objects.Redraws < count && redraw(objects.Redraws)) ++objects.Redraws;
    objects.After = GdiObjectCount(process);
    CloseHandle(process);
    return objects;
}

} // namespace

int main(int argc, char** argv) {
    int reads = argc > 1 ? std::atoi(argv[1]) : 200;
    if (SimCom() == 0 || reads < 3) {
        std::fprintf(stderr, "usage: tests/serial/with-sim -- wine soak.exe READS (READS >= 3)\n");
        return 2;
    }
    SetDecimalSeparator(LocaleDecimalSeparator());
    SimControl("speed 40");
    SimControl("ground-noise 2");
    WriteSettings(std::to_string(SimCom()));
    VexorProcess vexor;
    HWND main = vexor.WaitForMainWindow("Lecture oscillo Hameg", 15000);
    if (!main) return 3;

    int done = 0, compared = 0, mismatched = 0, broken = 0;
    Usage before{}, after{};
    for (int read = 0; read < reads; ++read) {
        // A different signal and zero each time: stale data cannot pass for the new.
        SimControl("ch1 sine:" + std::to_string(1 + read % 4) + ":" + std::to_string(1 + read % 7));
        SimControl("ground-offset " + std::to_string(read % 5 - 2));
        if (!ReadThroughTheWindow(main)) break;
        auto image = SimFile("image-" + std::to_string(2 * read + 1) + ".bin");
        auto zero = SimFile("image-" + std::to_string(2 * read + 2) + ".bin");
        RowCheck check = CheckRows(CopiedAcquisition(main), image, zero, 0, 2);
        compared += check.Compared;
        mismatched += check.Mismatched;
        if (!check.Problem.empty()) {
            ++broken;
            std::fprintf(stderr, "read %d: %s\n", read + 1, check.Problem.c_str());
        }
        ++done;
        if (read == 1) before = UsageOf(vexor.Id());
    }
    after = UsageOf(vexor.Id());
    PreviewObjects preview = RedrawPreview(main, vexor.Id(), 200);
    DWORD exitCode = vexor.Close(main);

    std::printf("soak_reads %d\nsoak_samples_compared %d\nsoak_samples_mismatched %d\n", done,
                compared, mismatched);
    std::printf("soak_handles_before %d\nsoak_handles_after %d\n", before.Handles, after.Handles);
    std::printf("soak_threads_before %d\nsoak_threads_after %d\n", before.Threads, after.Threads);
    std::printf("soak_private_mb_before %.3f\nsoak_private_mb_after %.3f\n", before.PrivateMb,
                after.PrivateMb);
    std::printf("soak_preview_redraws %d\nsoak_gdi_objects_before %d\nsoak_gdi_objects_after %d\n",
                preview.Redraws, preview.Before, preview.After);
    std::printf("soak_exit_code %lu\n", exitCode);
    // Not growth: a lock's wait event, which the thread library creates at the lock's first
    // contention (seen: one event, at a different read each run), a worker thread the system's
    // pool keeps for a while, heaps settling in steps, and the few GDI objects a window holds
    // while it draws when the count is taken (seen: 3 more or 3 fewer either side). A leak per
    // read or per redraw would be as many handles, threads or objects as reads or redraws, or
    // megabytes.
    bool grew = after.Handles > before.Handles + 2 || after.Threads > before.Threads + 1 ||
                after.PrivateMb > before.PrivateMb + 0.25 || preview.Before < 0 ||
                preview.After > preview.Before + 3;
    return done == reads && mismatched == 0 && broken == 0 && compared == reads * 4096 && !grew &&
                   preview.Redraws == 200 && exitCode == 0
               ? 0
               : 1;
}
