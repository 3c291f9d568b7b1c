#include "instrument/HmSweptScope.h"

#include <algorithm>
#include <cmath>

#include "acquisition/Selectors.h"
#include "instrument/ScpiSession.h"

namespace {

// Settings read back as 32-bit floats, or from a header's text.
bool Same(double a, double b) { return std::abs(a - b) <= 1e-3 * std::abs(b); }

} // namespace

double HmSweptScope::LeastScale(int) const {
    return SensitivityTable[kSensitivityPositions - 1].Value;
}

double HmSweptScope::MostScale(int) const { return SensitivityTable[0].Value; }

void HmSweptScope::SetScale(int channel, double voltsPerDivision) {
    wanted_.VoltsPerDivision[std::size_t(channel - 1)] =
        std::clamp(voltsPerDivision, LeastScale(channel), MostScale(channel));
}

void HmSweptScope::SetTimeBaseFor(double frequency) {
    if (inForce_ && TimeBaseHolds(inForce_->SecondsPerDivision, frequency, kSamplesPerChannel,
                                  double(kScreenSamples) / kScreenDivisions)) {
        wanted_.SecondsPerDivision = inForce_->SecondsPerDivision;
        return;
    }
    wanted_.SecondsPerDivision =
        std::clamp(TimeBaseFor(frequency, kScreenDivisions),
                   TimeBaseTable[kTimeBasePositions - 1].Value, TimeBaseTable[0].Value);
}

HmSettingsRequest HmSweptScope::Asked() const {
    HmSettingsRequest asked{wanted_};
    if (!inForce_) return asked;
    asked.TimeBaseChanged = !Same(inForce_->SecondsPerDivision, wanted_.SecondsPerDivision);
    for (std::size_t i = 0; i < 2; ++i)
        asked.ScaleChanged[i] = !Same(inForce_->VoltsPerDivision[i], wanted_.VoltsPerDivision[i]);
    return asked;
}

AcquisitionPtr HmSweptScope::Capture(const ScopeRequest&, double) {
    for (;;) {
        AcquisitionPtr image = read_(Asked());
        if (!image) throw EInstrumentError(InstrumentFault::Cancelled);
        // A channel the image lacks keeps the scale asked for.
        HmSettings read{image->Screen().SecondsPerDivision, wanted_.VoltsPerDivision};
        for (const AcquisitionChannel& channel : image->Channels())
            if (channel.Input == 1 || channel.Input == 2)
                read.VoltsPerDivision[std::size_t(channel.Input - 1)] = channel.VoltsPerDivision;
        inForce_ = read;
        if (!Asked().Changed()) return image;
    }
}
