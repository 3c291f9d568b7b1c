// Benchmark: building the .cv3 text and the clipboard text of a two-channel HM acquisition, as
// the read published it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "acquisition/Record.h"
#include "bench/Seconds.h"
#include "export/DataFile.h"
#include "export/TransferText.h"

namespace {
template <typename Build> double MedianMs(Build build) {
    std::vector<double> times;
    for (int i = 0; i < 21; ++i) {
        double start = Seconds();
        std::string text = build();
        times.push_back((Seconds() - start) * 1000);
        if (text.empty()) return -1;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
} // namespace

int main() {
    AcquisitionRecord record;
    record.TimeStep = 2.5e-5f;
    for (int i = 0; i < 4096; ++i) record.RawData[std::size_t(i)] = 64 + (i * 7) % 128;
    record.Channel(1).Sensitivity = 0.2f;
    record.Channel(2).Sensitivity = 0.5f;
    AcquisitionPtr read = AcquisitionOf(record, false, {"5ms/div", "200mV/div", "500mV/div"}, "");
    std::printf("export_cv3_ms %.3f\n",
                MedianMs([&] { return DataFileText(*read, "C:\\vexor.exe", true); }));
    std::printf("export_clipboard_ms %.3f\n",
                MedianMs([&] { return TransferText(*read, "C:\\vexor.exe", PageInformation{}); }));
    return 0;
}
