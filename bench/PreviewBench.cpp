// Benchmark: a full redraw of the preview's picture (two channels of 2048 samples measured again,
// their texts made, the graph and the tables drawn), without a window, and the GDI objects the
// process holds around 200 of them; then a file of two channels of 100 000 rows opened in the
// preview: read, measured and drawn.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/PreviewContent.h"
#include "bench/Seconds.h"
#include "export/DataFile.h"
#include "export/DataReader.h"
#include "tests/serial/ProcessFigures.h"
#include "ui/Picture.h"

namespace {

// The median of `runs` timings of `work`, in milliseconds.
template <typename Work> double MedianMs(int runs, Work&& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double start = Seconds();
        work();
        times.push_back((Seconds() - start) * 1000);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Two noisy sines of 100 000 rows, as another program would write them.
std::string LongTableText() {
    DataTable table;
    table.Variables = {{"t", "s", "temps"}, {"Ue", "V", "tension"}, {"Us", "V", "tension"}};
    table.Columns.resize(3);
    for (int i = 0; i < 100000; ++i) {
        table.Columns[0].push_back(i * 1e-6);
        table.Columns[1].push_back(2 * std::sin(i * 0.0031) + 0.01 * std::sin(i * 1.7));
        table.Columns[2].push_back(std::round(1000 * std::cos(i * 0.0031 - 0.5)) / 1000);
    }
    return DataFileText(table, false);
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
    const PreviewSettings settings{"5ms/div", "200mV/div", "200mV/div"};
    Picture picture(884, 620);
    const RECT box{0, 0, picture.Width(), picture.Height()};

    auto redraw = [&] {
        ShownAcquisition shown = ShowAcquisition(record, settings);
        Cursors cursors = StartingCursors(shown);
        cursors.Shown = true;
        PreviewTexts texts = PreviewTextsOf(shown, cursors);
        FillRect(picture.Dc(), &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawPreview(picture.Dc(), box, 96, &shown, texts, cursors, {});
        GdiFlush();
    };
    redraw();
    int gdiBefore = GdiObjectCount();
    std::vector<double> times;
    for (int i = 0; i < 200; ++i) {
        double start = Seconds();
        redraw();
        times.push_back((Seconds() - start) * 1000);
    }
    int gdiAfter = GdiObjectCount();
    std::sort(times.begin(), times.end());
    std::printf("preview_draw_ms %.3f\n", times[times.size() / 2]);
    std::printf("preview_gdi_objects_before %d\npreview_gdi_objects_after %d\n", gdiBefore,
                gdiAfter);

    const std::string file = LongTableText();
    std::printf("open_table_100k_ms %.3f\n", MedianMs(9, [&] {
                    DataTable table = ReadDataFile(file, false).Table;
                    ShownAcquisition shown = ShowTable(table, L"long.txt");
                    PreviewTexts texts = PreviewTextsOf(shown, {});
                    FillRect(picture.Dc(), &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
                    DrawPreview(picture.Dc(), box, 96, &shown, texts, {}, {});
                    GdiFlush();
                }));
    return 0;
}
