// Benchmark: a full redraw of the preview's picture (two channels of 2048 samples converted and
// measured again, their texts made, the graph and the tables drawn), without a window, and the GDI
// objects the process holds around 200 of them; a file of two channels of 100 000 rows opened in
// the preview: read, measured and drawn; an acquisition published to the open preview and series,
// of 2 x 2048 samples and of 2 x 1 000 000, and the picture of the latter.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "acquisition/Record.h"
#include "app/Preview.h"
#include "app/PreviewContent.h"
#include "app/SeriesForm.h"
#include "bench/Seconds.h"
#include "common/Folders.h"
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

// A sine and a cosine of `count` samples a microsecond apart, as an instrument's converter of
// 8 bits gives them.
AcquisitionPtr Synthetic(std::size_t count, double periods) {
    std::vector<AcquisitionChannel> channels;
    for (int n = 0; n < 2; ++n) {
        auto samples = std::make_shared<ChannelSamples>();
        samples->Step = 0.008;
        for (std::size_t i = 0; i < count; ++i) {
            double angle = 2 * 3.14159265358979 * periods * double(i) / double(count) - n;
            samples->Times.push_back(double(i) * 1e-6);
            samples->Values.push_back(std::round(100 * std::sin(angle)) * samples->Step);
        }
        AcquisitionChannel channel;
        channel.Name = "V" + std::to_string(n + 1);
        channel.Samples = samples;
        channel.VoltsPerDivision = 0.2;
        channels.push_back(std::move(channel));
    }
    AcquisitionScreen screen;
    screen.SecondsPerDivision = double(count) * 1e-7;
    return std::make_shared<const Acquisition>(AcquisitionSource{SourceKind::File, "bench", ""},
                                               screen, std::move(channels), count);
}

void Draw(Picture& picture, const Acquisition& shown, const Cursors& cursors,
          const PreviewTexts& texts) {
    const RECT box{0, 0, picture.Width(), picture.Height()};
    FillRect(picture.Dc(), &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawPreview(picture.Dc(), box, 96, &shown, texts, cursors, {});
    GdiFlush();
}

// From a read's end until the open preview and series hold the new acquisition, measured, and have
// asked for their repaint: what the main window does then. The windows first paint what they were
// asked to, as the program's loop has them do between two reads.
double PublishMs(TPreviewForm& preview, TSeriesForm& series, const AcquisitionPtr& acquisition) {
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
    double start = Seconds();
    preview.Publish(acquisition, true);
    series.AddPoint(acquisition);
    return (Seconds() - start) * 1000;
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
    const SettingsTexts settings{"5ms/div", "200mV/div", "200mV/div"};
    Picture picture(884, 620);

    auto redraw = [&] {
        AcquisitionPtr shown = AcquisitionOf(record, false, settings, "");
        Cursors cursors = StartingCursors(*shown);
        cursors.Shown = true;
        Draw(picture, *shown, cursors, PreviewTextsOf(*shown, cursors));
    };
    redraw();
    int gdiBefore = GdiObjectCount();
    std::printf("preview_draw_ms %.3f\n", MedianMs(200, redraw));
    int gdiAfter = GdiObjectCount();
    std::printf("preview_gdi_objects_before %d\npreview_gdi_objects_after %d\n", gdiBefore,
                gdiAfter);

    const std::string file = LongTableText();
    std::printf("open_table_100k_ms %.3f\n", MedianMs(9, [&] {
                    DataTable table = ReadDataFile(file, false).Table;
                    AcquisitionPtr shown = AcquisitionOfFile(table, "long.txt");
                    Draw(picture, *shown, {}, PreviewTextsOf(*shown, {}));
                }));

    // The windows open, as a teacher has them during a series; the series kept in a folder of the
    // benchmark's own.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    AppDataDir = std::wstring(temp) + L"vexor-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(AppDataDir.c_str(), nullptr);
    AppDataDir += L"\\";
    CommandState state;
    TPreviewForm preview(
        state, [] {}, [](const Series&) {}, [](int, const std::string&) {},
        [](const std::string&, const std::string&) {});
    TSeriesForm series(
        state, [](const std::string&) {}, [] { return SweepScope{}; });
    preview.Show(nullptr);
    series.Show(nullptr);
    std::vector<double> small;
    for (int i = 0; i < 21; ++i)
        small.push_back(PublishMs(preview, series, AcquisitionOf(record, false, settings, "")));
    std::sort(small.begin(), small.end());
    std::printf("publish_ms %.3f\n", small[small.size() / 2]);
    AcquisitionPtr million = Synthetic(1000000, 50);
    std::printf("publish_1m_ms %.3f\n", PublishMs(preview, series, million));
    std::printf("preview_draw_1m_ms %.3f\n",
                MedianMs(9, [&] { Draw(picture, *million, {}, PreviewTextsOf(*million, {})); }));
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((AppDataDir + L"*.txt").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        DeleteFileW((AppDataDir + found.cFileName).c_str());
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    RemoveDirectoryW(AppDataDir.c_str());
    return 0;
}
