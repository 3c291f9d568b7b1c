#include "acquisition/Record.h"

#include <stdexcept>

#include "common/NumberText.h"

TvoieHameg& AcquisitionRecord::Channel(int number) {
    if (number != 1 && number != 2) throw std::out_of_range("channel number");
    return Channels[std::size_t(number - 1)];
}

const TvoieHameg& AcquisitionRecord::Channel(int number) const {
    return const_cast<AcquisitionRecord*>(this)->Channel(number);
}

namespace {

std::size_t SampleIndex(const TvoieHameg& channel, uint16_t sample) {
    long long k = (long long)sample + channel.Offset;
    if (k < 0 || k >= kSampleSlots) throw std::out_of_range("sample outside the record");
    return std::size_t(k);
}

long long Difference(const AcquisitionRecord& record, std::size_t index) {
    return (long long)record.RawData[index] - record.ZeroData[index];
}

// 80-bit extended arithmetic from the integer difference and the stored 32-bit sensitivity.
std::string FormatDifference(long long difference, float sensitivity) {
    long double value = (long double)difference * (long double)sensitivity / kCountsPerDivision;
    return FormatGeneral(value, 5, 1, DecimalSeparator());
}

} // namespace

std::string FormatSample(const AcquisitionRecord& record, const TvoieHameg& channel,
                         uint16_t sample) {
    std::size_t index = SampleIndex(channel, sample);
    return FormatDifference(Difference(record, index), channel.Sensitivity);
}

SampleTexts::SampleTexts(const AcquisitionRecord& record, const TvoieHameg& channel)
    : record_(record), channel_(channel) {}

const std::string& SampleTexts::operator()(uint16_t sample) {
    long long difference = Difference(record_, SampleIndex(channel_, sample));
    if (difference < -kByteRange || difference > kByteRange)
        return outOfRange_ = FormatDifference(difference, channel_.Sensitivity);
    std::string& text = byDifference_[std::size_t(difference + kByteRange)];
    if (text.empty()) text = FormatDifference(difference, channel_.Sensitivity);
    return text;
}
