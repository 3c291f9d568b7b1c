#include "acquisition/Why.h"

#include <iterator>

namespace {

struct Code {
    Why What;
    std::string_view Word;
};

constexpr Code kCodes[] = {
    {Why::None, ""},
    {Why::NoSamples, "no-samples"},
    {Why::BadSamples, "bad-samples"},
    {Why::BadSensitivity, "bad-sensitivity"},
    {Why::BadTimeBase, "bad-time-base"},
    {Why::Clipped, "clipped"},
    {Why::Constant, "constant"},
    {Why::FewerThanTwoPeriods, "few-periods"},
    {Why::TooFewSamplesPerPeriod, "few-samples-a-period"},
    {Why::TooNoisy, "noisy"},
    {Why::NoRisingEdge, "no-rising-edge"},
    {Why::NoFallingEdge, "no-falling-edge"},
    {Why::EdgeFasterThanSampling, "edge-too-fast"},
    {Why::NoPulse, "no-pulse"},
    {Why::DifferentPeriods, "different-periods"},
    {Why::NoCommonCrossing, "no-common-crossing"},
    {Why::OneChannel, "one-channel"},
    {Why::ZeroVoltage, "zero-voltage"},
    {Why::FrequencyRefused, "frequency-refused"},
    {Why::NoFundamental, "no-fundamental"},
    {Why::TooFewSamples, "few-samples"},
    {Why::FewerThanFourPeriods, "under-four-periods"},
    {Why::AboveHalfSampling, "above-half-sampling"},
    {Why::Unknown, "unknown"},
};

} // namespace

std::string_view WhyCode(Why why) {
    for (const Code& code : kCodes)
        if (code.What == why) return code.Word;
    return "unknown";
}

Why WhyOfCode(std::string_view word) {
    for (const Code& code : kCodes)
        if (code.Word == word) return code.What;
    return Why::Unknown;
}
