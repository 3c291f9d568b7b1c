#include "instrument/HmSweptScope.h"

#include <algorithm>
#include <cmath>

#include "instrument/ScpiSession.h"

namespace {

constexpr double kFastestTimeBase = 1e-6, kSlowestTimeBase = 5;
constexpr int kSamples = 2048, kSamplesPerDivision = 200, kDivisionsAcross = 10;

// Settings read back as 32-bit floats, or from a header's text.
bool Same(double a, double b) { return std::abs(a - b) <= 1e-3 * std::abs(b); }

} // namespace

void HmSweptScope::SetScale(int channel, double voltsPerDivision) {
    scales_[std::size_t(channel - 1)] =
        std::clamp(voltsPerDivision, LeastScale(channel), MostScale(channel));
}

void HmSweptScope::SetTimeBaseFor(double frequency) {
    if (inForce_ &&
        TimeBaseHolds(inForce_->SecondsPerDivision, frequency, kSamples, kSamplesPerDivision)) {
        timeBase_ = inForce_->SecondsPerDivision;
        return;
    }
    timeBase_ =
        std::clamp(TimeBaseFor(frequency, kDivisionsAcross), kFastestTimeBase, kSlowestTimeBase);
}

HmSettingsRequest HmSweptScope::Asked() const {
    HmSettingsRequest asked{timeBase_, scales_, true, {true, true}};
    if (!inForce_) return asked;
    asked.TimeBaseChanged = !Same(inForce_->SecondsPerDivision, timeBase_);
    for (std::size_t i = 0; i < 2; ++i)
        asked.ScaleChanged[i] = !Same(inForce_->VoltsPerDivision[i], scales_[i]);
    return asked;
}

AcquisitionPtr HmSweptScope::Capture(const ScopeRequest&, double) {
    for (;;) {
        AcquisitionPtr image = read_(Asked());
        if (!image) throw EInstrumentError(InstrumentFault::Cancelled);
        // A channel the image lacks keeps the scale asked for.
        HmSettingsRequest read{image->Screen().SecondsPerDivision, scales_};
        for (const AcquisitionChannel& channel : image->Channels())
            if (channel.Input == 1 || channel.Input == 2)
                read.VoltsPerDivision[std::size_t(channel.Input - 1)] = channel.VoltsPerDivision;
        inForce_ = read;
        if (!Asked().Changed()) return image;
    }
}
