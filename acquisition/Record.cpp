#include "acquisition/Record.h"

#include <charconv>
#include <cmath>
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

constexpr long long kByteRange = 255;

// A number as the exports write it (G(precision, exponentDigits)), read back: what is measured
// and drawn is what a saved file holds, so that the file opened again measures the same.
double AsWritten(long double value, int precision, int exponentDigits) {
    std::string text = FormatGeneral(value, precision, exponentDigits, '.');
    double written = 0;
    std::from_chars(text.data(), text.data() + text.size(), written);
    return written;
}

// A channel's samples, each difference with its zero converted once: bytes give few of them.
ChannelSamples ChannelOf(const AcquisitionRecord& record, const TvoieHameg& channel,
                         const std::vector<double>& times, int signalRows) {
    if (channel.Offset < 0 || (long long)channel.Offset + kSamplesPerChannel > kSampleSlots)
        throw std::out_of_range("channel outside the record");
    ChannelSamples samples;
    samples.Times = times;
    samples.Values.reserve(kSamplesPerChannel);
    samples.Step = double(channel.Sensitivity) / kCountsPerDivision;
    auto volts = [&channel](long long difference) {
        return AsWritten(
            (long double)difference * (long double)channel.Sensitivity / kCountsPerDivision, 5, 1);
    };
    std::array<double, 2 * kByteRange + 1> byDifference;
    byDifference.fill(NAN);
    for (int i = 0; i < kSamplesPerChannel; ++i) {
        std::size_t k = SampleIndex(channel, uint16_t(i));
        long long difference = Difference(record, k);
        if (difference < -kByteRange || difference > kByteRange) {
            samples.Values.push_back(volts(difference));
        } else {
            double& known = byDifference[std::size_t(difference + kByteRange)];
            if (std::isnan(known)) known = volts(difference);
            samples.Values.push_back(known);
        }
        if (i < signalRows) {
            samples.ClippedLow |= record.RawData[k] <= 0;
            samples.ClippedHigh |= record.RawData[k] >= 255;
        }
    }
    return samples;
}

} // namespace

AcquisitionPtr AcquisitionOf(const AcquisitionRecord& record, bool hm408,
                             const SettingsTexts& texts, const std::string& timeOfDay) {
    std::vector<double> times(kSamplesPerChannel);
    for (int i = 0; i < kSamplesPerChannel; ++i)
        times[std::size_t(i)] = AsWritten(record.SampleTime(i), 6, 2);
    AcquisitionScreen screen;
    screen.DivisionsAcross = kScreenDivisions;
    screen.SecondsPerDivision = double(record.TimeStep) * kScreenSamples / kScreenDivisions;
    screen.TimeBaseText = texts.TimeBase;
    std::vector<AcquisitionChannel> channels;
    for (int n = 1; n <= (record.ChannelCount == 1 ? 1 : 2); ++n) {
        const TvoieHameg& settings = record.Channel(n);
        AcquisitionChannel channel;
        channel.Name = settings.Name;
        channel.Meaning = settings.Meaning;
        channel.Samples = std::make_shared<const ChannelSamples>(
            ChannelOf(record, settings, times, record.RowCount()));
        channel.VoltsPerDivision = settings.Sensitivity;
        channel.ScaleText = n == 1 ? texts.Sensitivity1 : texts.Sensitivity2;
        channels.push_back(std::move(channel));
    }
    return std::make_shared<const Acquisition>(
        AcquisitionSource{hm408 ? SourceKind::Hm408 : SourceKind::Hm305, "Hameg", timeOfDay},
        std::move(screen), std::move(channels), std::size_t(record.RowCount()));
}
