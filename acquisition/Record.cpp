#include "acquisition/Record.h"

#include <stdexcept>

#include "app/NumberText.h"

TvoieHameg& AcquisitionRecord::Channel(int number) {
    if (number != 1 && number != 2) throw std::out_of_range("channel number");
    return Channels[std::size_t(number - 1)];
}

const TvoieHameg& AcquisitionRecord::Channel(int number) const {
    return const_cast<AcquisitionRecord*>(this)->Channel(number);
}

std::string FormatSample(const AcquisitionRecord& record, const TvoieHameg& channel,
                         uint16_t sample) {
    long long k = (long long)sample + channel.Offset;
    if (k < 0 || k >= kSampleSlots) throw std::out_of_range("sample outside the record");
    auto index = std::size_t(k);
    // 80-bit extended arithmetic from the integer difference and the stored 32-bit sensitivity.
    long double value = (long double)(record.RawData[index] - record.ZeroData[index]) *
                        (long double)channel.Sensitivity / kCountsPerDivision;
    return FormatGeneral(value, 5, 1, DecimalSeparator());
}
