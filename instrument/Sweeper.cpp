#include "instrument/Sweeper.h"

#include <algorithm>
#include <cmath>

namespace {

// Ranging a point's channels takes at most this many extra captures.
constexpr int kMostRangings = 6;

const ChannelSamples* SamplesOfInput(const Acquisition& acquisition, int input) {
    std::optional<std::size_t> index = acquisition.IndexOfInput(input);
    return index ? &acquisition.Samples(*index) : nullptr;
}

} // namespace

SeriesRow SeriesRowOf(const SweepPoint& point) {
    SeriesRow row;
    if (point.Last) row = MeasureSeriesRow(*point.Last, point.Input, point.Output);
    row.Swept = true;
    row.Distorted = point.Fault == PointFault::Distorted;
    row.Disagrees = point.Fault == PointFault::Disagrees;
    row.Frequency = {point.Frequency, Why::None};
    if (point.Result) {
        row.Gain = {point.Result->GainDb, Why::None};
        row.Phase = {point.Result->PhaseDegrees, Why::None};
    } else {
        Why why = point.Fault == PointFault::FrequencyRefused ? Why::FrequencyRefused
                                                              : Why::NoFundamental;
        row.Gain = {std::nullopt, why};
        row.Phase = {std::nullopt, why};
    }
    return row;
}

Sweeper::Sweeper(Generator& generator, SweptScope& scope, SweepSettings settings,
                 std::function<void(double seconds)> wait)
    : generator_(generator), scope_(scope), settings_(settings), wait_(std::move(wait)) {}

void Sweeper::Begin() {
    generator_.Save();
    scope_.Save();
    generator_.Prepare(settings_.Amplitude, settings_.Offset);
    scope_.SetTrigger(settings_.Offset);
    for (std::size_t i = 0; i < 2; ++i) {
        int channel = Measured(i);
        scope_.Show(channel);
        scales_[i] = StepAtLeast(settings_.Amplitude / 6.5);
        centres_[i] = settings_.Offset;
        scope_.SetScale(channel, scales_[i]);
        scope_.SetCentre(channel, centres_[i]);
    }
}

std::vector<std::string> Sweeper::End() {
    std::vector<std::string> failed = generator_.Restore();
    for (const std::string& name : scope_.Restore()) failed.push_back(name);
    return failed;
}

bool Sweeper::CaptureRanged(SweepPoint& point, const ScopeRequest& request,
                            std::array<std::optional<Fundamental>, 2>& fits) {
    point.Last = scope_.Capture(request, 1 / point.Frequency);
    ++point.Captures;
    bool ranged = true;
    for (std::size_t i = 0; i < 2; ++i) {
        int channel = Measured(i);
        const ChannelSamples* samples = SamplesOfInput(*point.Last, channel);
        fits[i].reset();
        if (!samples || samples->Times.size() < 2) continue;
        double sampleTime = samples->Times[1] - samples->Times[0];
        fits[i] = FundamentalAt(samples->Values, sampleTime, point.Frequency);
        auto [low, high] = std::minmax_element(samples->Values.begin(), samples->Values.end());
        Ranging r = RangeChannel(*high - *low, samples->ClippedLow || samples->ClippedHigh,
                                 scales_[i], scope_.DivisionsUp(), scope_.LeastScale(channel),
                                 scope_.MostScale(channel));
        if (!r.ReadAgain) continue;
        ranged = false;
        scales_[i] = r.VoltsPerDivision;
        scope_.SetScale(channel, scales_[i]);
        if (fits[i] && std::abs(fits[i]->Mean - centres_[i]) > scales_[i]) {
            centres_[i] = fits[i]->Mean;
            scope_.SetCentre(channel, centres_[i]);
        }
    }
    return ranged;
}

void Sweeper::Attempt(SweepPoint& point, const ScopeRequest& request) {
    std::vector<std::complex<double>> ratios;
    point.Result.reset();
    point.Fault = PointFault::None;
    point.Purity = 1;
    int rangings = 0;
    while (int(ratios.size()) < std::max(1, settings_.Averages)) {
        std::array<std::optional<Fundamental>, 2> fits;
        if (!CaptureRanged(point, request, fits) && rangings++ < kMostRangings) continue;
        if (!fits[0] || !fits[1] || std::abs(fits[0]->Phasor) == 0) {
            point.Fault = PointFault::NoSignal;
            return;
        }
        ratios.push_back(fits[1]->Phasor / fits[0]->Phasor);
        point.Purity = std::min({point.Purity, fits[0]->Purity, fits[1]->Purity});
    }
    point.Result = TransferOf(ratios);
    point.Fault = point.Purity < kLeastPurity ? PointFault::Distorted
                  : CrossingsAgree(point)     ? PointFault::None
                                              : PointFault::Disagrees;
}

bool Sweeper::CrossingsAgree(const SweepPoint& point) {
    SeriesRow crossings = MeasureSeriesRow(*point.Last, point.Input, point.Output);
    const std::optional<double>& frequency = crossings.Frequency.Value;
    if (frequency && std::abs(*frequency / point.Frequency - 1) > 0.02) return false;
    if (!crossings.Phase.Value) return true;
    return std::abs(std::remainder(*crossings.Phase.Value - point.Result->PhaseDegrees, 360.0)) <=
           10;
}

SweepPoint Sweeper::Measure(double frequency, const ScopeRequest& request) {
    SweepPoint point;
    point.Requested = frequency;
    point.Input = settings_.Input;
    point.Output = settings_.Output;
    // Within the resolution of the cheaper generators (0.01 Hz), far from the next point's.
    auto taken = [&](double got) { return std::abs(got - frequency) <= 1e-3 * frequency + 0.01; };
    point.Frequency = generator_.SetFrequency(frequency);
    if (!taken(point.Frequency)) point.Frequency = generator_.SetFrequency(frequency);
    if (!taken(point.Frequency)) {
        point.Fault = PointFault::FrequencyRefused;
        return point;
    }
    wait_(SettlingSeconds(point.Frequency, settings_.SettlingMs / 1000, settings_.SettlingPeriods));
    scope_.SetTimeBaseFor(point.Frequency);
    Attempt(point, request);
    if (point.Fault != PointFault::None) Attempt(point, request);
    return point;
}
