#include "acquisition/Acquisition.h"

#include <stdexcept>
#include <utility>

Acquisition::Acquisition(AcquisitionSource source, AcquisitionScreen screen,
                         std::vector<AcquisitionChannel> channels, std::size_t signalRows)
    : source_(std::move(source)), screen_(std::move(screen)), channels_(std::move(channels)),
      signalRows_(signalRows), measures_(std::make_shared<Measured>()) {
    if (channels_.empty()) throw std::invalid_argument("an acquisition has a channel");
    const std::vector<double>& times = channels_.front().Samples->Times;
    if (times.size() < 2 || times.size() > kMostSamples)
        throw std::invalid_argument("from 2 to a million samples");
    for (const AcquisitionChannel& channel : channels_)
        if (channel.Samples->Values.size() != times.size() || (channel.Samples->Times != times))
            throw std::invalid_argument("channels of one length and one time");
    if (signalRows_ < 2 || signalRows_ > times.size())
        throw std::invalid_argument("from 2 signal rows to the samples");
    for (std::size_t c = 0; c < channels_.size(); ++c)
        if (channels_[c].Input == 0) channels_[c].Input = int(c) + 1;
}

const RecordMeasures& Acquisition::Measures() const {
    std::call_once(measures_->Once, [this] { measures_->Measures = Measure(); });
    return measures_->Measures;
}

RecordMeasures Acquisition::Measure() const {
    std::vector<ChannelSamples> signals; // a short record's first samples
    auto rows = std::ptrdiff_t(signalRows_);
    if (signalRows_ < SampleCount())
        for (const AcquisitionChannel& channel : channels_) {
            const ChannelSamples& all = *channel.Samples;
            signals.push_back({{all.Times.begin(), all.Times.begin() + rows},
                               {all.Values.begin(), all.Values.begin() + rows},
                               all.Step,
                               all.ClippedLow,
                               all.ClippedHigh});
        }
    std::vector<const ChannelSamples*> samples;
    for (std::size_t c = 0; c < channels_.size(); ++c)
        samples.push_back(signals.empty() ? channels_[c].Samples.get() : &signals[c]);
    return MeasureRecord(samples);
}

std::optional<std::size_t> Acquisition::IndexOfInput(int input) const {
    for (std::size_t c = 0; c < channels_.size(); ++c)
        if (channels_[c].Input == input) return c;
    return std::nullopt;
}

std::shared_ptr<const Acquisition>
Acquisition::Renamed(const std::vector<std::string>& names) const {
    auto renamed = std::make_shared<Acquisition>(*this);
    for (std::size_t c = 0; c < renamed->channels_.size() && c < names.size(); ++c)
        renamed->channels_[c].Name = names[c];
    return renamed;
}
