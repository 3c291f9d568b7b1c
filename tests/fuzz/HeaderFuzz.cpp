// ParseHeader over whole memory images of any bytes, and FindHeaderValue with any key: no
// crash, the image never touched, the settings texts bounded by the header's text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "acquisition/Hm408Header.h"
#include "acquisition/Record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    AcquisitionRecord record;
    for (std::size_t i = 0; i < record.RawData.size(); ++i)
        record.RawData[i] = i < size ? data[i] : int32_t(i * 7919 % 256);
    // Now and then a value outside a byte, as a damaged image could never give but the array holds.
    if (size > 300 && data[299] == 0xFF)
        record.RawData[std::size_t(data[298])] = int32_t(data[297]) * 100000 - 12800000;
    AcquisitionRecord before = record;

    HeaderSettings settings = ParseHeader(record);
    if (std::memcmp(record.RawData.data(), before.RawData.data(), sizeof record.RawData) != 0)
        std::abort();
    // A value is at most the header's text; "V/div" or "s/div" follows it.
    const std::size_t longest = kHeaderTextLength + 5;
    if (settings.BaseDeTemps.size() > longest || settings.GammeCH1.size() > longest ||
        settings.GammeCH2.size() > longest)
        std::abort();
    if (record.ChannelCount != 1 && record.ChannelCount != 2) std::abort();

    if (size > 2) {
        std::size_t keyLength = data[0] % 8;
        std::string key(reinterpret_cast<const char*>(data + 1), std::min(keyLength, size - 1));
        std::string text(reinterpret_cast<const char*>(data),
                         std::min<std::size_t>(size, kHeaderTextLength));
        std::string value = FindHeaderValue(text, key);
        if (value.size() > kHeaderTextLength) std::abort();
    }
    return 0;
}
