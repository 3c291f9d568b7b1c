#pragma once
// The records whose files and clipboard text are kept byte for byte in tests/export/golden/, as
// the program wrote them when its exports read the record itself: HM 305 and HM 408, one and two
// channels, a short record, both separators, a selector moved after the read, header values that
// do not read.
#include <string>
#include <vector>

#include "acquisition/Hm408Header.h"
#include "acquisition/Record.h"
#include "acquisition/Selectors.h"

struct GoldenCase {
    std::string Name;
    char Separator;
    AcquisitionRecord Record;
};

inline std::vector<GoldenCase> GoldenCases() {
    auto hm305 = [](int channels, const SelectorPositions& positions) {
        AcquisitionRecord record;
        for (int i = 0; i < 4096; ++i) {
            record.RawData[std::size_t(i)] = (i * 37 + i / 7) % 256;
            record.ZeroData[std::size_t(i)] = 120 + i % 13;
        }
        record.ChannelCount = uint8_t(channels);
        record.Channel(2).Name = "Sortie du filtre";
        ApplySelectors(record, positions);
        return record;
    };
    auto hm408 = [](const std::string& header, bool shortRecord, int channels) {
        AcquisitionRecord record;
        record.Channel(1).Offset = 256;
        record.Channel(2).Offset = 2304;
        for (int i = 0; i < 4352; ++i) record.RawData[std::size_t(i)] = (i * 11) % 256;
        for (int i = 1; i < 256; ++i) record.RawData[std::size_t(i)] = ' ';
        for (std::size_t i = 0; i < header.size(); ++i)
            record.RawData[20 + i] = static_cast<unsigned char>(header[i]);
        record.RawData[0] = 1;
        record.RawData[2] = channels == 2 ? 1 : 0;
        record.RawData[8] = shortRecord ? 1 : 0;
        ParseHeader(record);
        record.Channel(1).Name = "Ue";
        return record;
    };
    std::vector<GoldenCase> cases;
    cases.push_back({"hm305-two-dot", '.', hm305(2, {})});
    cases.push_back({"hm305-one-comma", ',', hm305(1, {})});
    cases.push_back({"hm305-selector-moved", ',', hm305(2, {18, 2, 9})});
    cases.push_back({"hm408-two-comma", ',', hm408("CH1=500mV CH2=20mV TB=2us", false, 2)});
    cases.push_back({"hm408-short-dot", '.', hm408("CH1=5V CH2=1V E1=5m", true, 2)});
    cases.push_back({"hm408-short-one", ',', hm408("CH1=123.4mV TB=50ms", true, 1)});
    cases.push_back({"hm408-unreadable", '.', hm408("CH1=xV CH2=.V TB=-", false, 2)});
    return cases;
}
