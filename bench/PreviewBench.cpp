// Benchmark: a full redraw of the preview window (two channels of 2048 samples, measured again,
// the window and its controls painted), and the GDI objects the process holds around 200 of them.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/Preview.h"
#include "bench/Seconds.h"
#include "tests/serial/SimLink.h"

namespace {

void ServeMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

} // namespace

int main() {
    AcquisitionRecord record;
    record.TimeStep = 2.5e-5f;
    for (int i = 0; i < 2048; ++i) {
        record.RawData[std::size_t(i)] = 127 + int(std::lround(75 * std::sin(i * 0.00614)));
        record.RawData[std::size_t(2048 + i)] = 127 + int(std::lround(50 * std::cos(i * 0.00614)));
    }
    record.Channel(1).Sensitivity = record.Channel(2).Sensitivity = 0.2f;
    record.DataComplete = true;
    CommandState state;
    TPreviewForm preview([&] { return &record; }, state,
                         [] {
                             return PreviewSettings{"5ms/div", "200mV/div", "200mV/div"};
                         });
    preview.Show(nullptr);
    ServeMessages();
    HWND window = FindWindowW(TPreviewForm::kClassName, nullptr);
    if (!window) return 1;

    auto redraw = [&] {
        preview.Refresh();
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    };
    redraw();
    int gdiBefore = GdiObjectCount();
    std::vector<double> times;
    for (int i = 0; i < 200; ++i) {
        double start = Seconds();
        redraw();
        times.push_back((Seconds() - start) * 1000);
        ServeMessages();
    }
    int gdiAfter = GdiObjectCount();
    std::sort(times.begin(), times.end());
    std::printf("preview_draw_ms %.3f\n", times[times.size() / 2]);
    std::printf("preview_gdi_objects_before %d\npreview_gdi_objects_after %d\n", gdiBefore,
                gdiAfter);
    return 0;
}
