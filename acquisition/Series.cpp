#include "acquisition/Series.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace {

Measure Missing(Why reason) { return {std::nullopt, reason}; }

// 20 log10(output / input), or why not.
Measure GainOf(const Measure& input, const Measure& output) {
    if (!input.Value) return Missing(input.Reason);
    if (!output.Value) return Missing(output.Reason);
    if (!(*input.Value > 0 && *output.Value > 0)) return Missing(Why::ZeroVoltage);
    return {20 * std::log10(*output.Value / *input.Value), Why::None};
}

bool SpansFewCounts(const ChannelSamples& samples, const Measure& peakToPeak) {
    return samples.Step > 0 && peakToPeak.Value &&
           *peakToPeak.Value / samples.Step < kCoarseSpanCounts - 0.5;
}

} // namespace

bool SeriesRow::Complete() const {
    return Frequency.Value && PeakToPeak[0].Value && PeakToPeak[1].Value && Gain.Value &&
           Phase.Value;
}

SeriesRow MeasureSeriesRow(const Acquisition& acquisition, int input, int output) {
    SeriesRow row;
    row.Time = acquisition.Source().TimeOfDay;
    row.TimeBase = acquisition.Screen().TimeBaseText;
    const RecordMeasures& measures = acquisition.Measures();
    std::size_t in = acquisition.IndexOfInput(input).value_or(0);
    std::optional<std::size_t> out = acquisition.IndexOfInput(output);
    const ChannelMeasures& first = measures.Channels[in];
    row.Frequency = first.Frequency;
    row.PeakToPeak[0] = first.PeakToPeak;
    row.Coarse[0] = SpansFewCounts(acquisition.Samples(in), first.PeakToPeak);
    if (!out || *out == in) {
        row.PeakToPeak[1] = row.Gain = row.Phase = Missing(Why::OneChannel);
        return row;
    }
    const ChannelMeasures& second = measures.Channels[*out];
    row.PeakToPeak[1] = second.PeakToPeak;
    row.Coarse[1] = SpansFewCounts(acquisition.Samples(*out), second.PeakToPeak);
    row.Gain = GainOf(row.PeakToPeak[0], row.PeakToPeak[1]);
    // The record's own phase is between its first two channels.
    row.Phase = in == 0 && *out == 1
                    ? measures.Phase->Degrees
                    : MeasurePhase(acquisition.Samples(in), acquisition.Samples(*out)).Degrees;
    return row;
}

namespace {

constexpr double kSameFrequency = 1.01; // reads within 1 % of one frequency are one point

// The points of one frequency as one: the mean frequency and gain, the circular mean of the
// phases (170° and -170° are 180°, not 0°).
BodePoint Merged(std::vector<BodePoint>::const_iterator first,
                 std::vector<BodePoint>::const_iterator last) {
    if (last - first == 1) return *first;
    double frequency = 0, gain = 0, sumCos = 0, sumSin = 0, count = double(last - first);
    for (auto p = first; p != last; ++p) {
        frequency += p->Frequency, gain += p->Gain;
        sumCos += std::cos(p->Phase * std::numbers::pi / 180);
        sumSin += std::sin(p->Phase * std::numbers::pi / 180);
    }
    return {frequency / count, gain / count, std::atan2(sumSin, sumCos) * 180 / std::numbers::pi};
}

} // namespace

std::vector<BodePoint> BodePoints(const std::vector<SeriesRow>& rows) {
    std::vector<BodePoint> read;
    for (const SeriesRow& row : rows)
        if (row.Complete() && *row.Frequency.Value > 0)
            read.push_back({*row.Frequency.Value, *row.Gain.Value, *row.Phase.Value});
    std::stable_sort(read.begin(), read.end(), [](const BodePoint& a, const BodePoint& b) {
        return a.Frequency < b.Frequency;
    });
    std::vector<BodePoint> points;
    for (auto first = read.begin(); first != read.end();) {
        auto last = first;
        while (last != read.end() && last->Frequency <= first->Frequency * kSameFrequency) ++last;
        points.push_back(Merged(first, last));
        first = last;
    }
    for (std::size_t i = 1; i < points.size(); ++i) {
        double& phase = points[i].Phase;
        phase -= 360 * std::round((phase - points[i - 1].Phase) / 360);
    }
    return points;
}

namespace {

std::size_t HighestGain(const std::vector<BodePoint>& points) {
    return std::size_t(
        std::max_element(points.begin(), points.end(),
                         [](const BodePoint& a, const BodePoint& b) { return a.Gain < b.Gain; }) -
        points.begin());
}

// Where the gain crosses `level` between points `a` and `b`, interpolated on the logarithmic
// frequency axis; none when both lie on one side.
std::optional<double> Crossing(const BodePoint& a, const BodePoint& b, double level) {
    double from = a.Gain - level, to = b.Gain - level;
    if ((from > 0) == (to > 0) || from == to) return std::nullopt;
    double fraction = from / (from - to);
    double low = std::log10(a.Frequency), high = std::log10(b.Frequency);
    return std::pow(10.0, low + fraction * (high - low));
}

// The first crossing from point `from` going outward by `step` (+1 or -1); none when the gain
// stays on one side of the level to the end.
std::optional<double> FirstCrossing(const std::vector<BodePoint>& points, std::size_t from,
                                    int step, double level) {
    auto count = std::ptrdiff_t(points.size());
    for (std::ptrdiff_t i = std::ptrdiff_t(from); i + step >= 0 && i + step < count; i += step)
        if (auto at = Crossing(points[std::size_t(i)], points[std::size_t(i + step)], level))
            return at;
    return std::nullopt;
}

} // namespace

bool GainPeaksInside(const std::vector<BodePoint>& points) {
    std::size_t top = points.empty() ? 0 : HighestGain(points);
    return top > 0 && top + 1 < points.size();
}

// Noise about the level, or reads repeated there, cross it again and again past the first
// crossing: only the first one going outward from the highest gain counts on each side. A
// band-stop has its highest gain at one end and rises above the level again at the other: its
// second crossing is the first one coming in from that end.
std::vector<double> CutOffFrequencies(const std::vector<BodePoint>& points) {
    std::vector<double> found;
    if (points.size() < 2) return found;
    std::size_t top = HighestGain(points), last = points.size() - 1;
    double level = points[top].Gain - 3;
    auto left = FirstCrossing(points, top, -1, level);
    auto right = FirstCrossing(points, top, +1, level);
    if (top == 0 && right && points[last].Gain > level)
        left = FirstCrossing(points, last, -1, level);
    if (top == last && left && points[0].Gain > level) right = FirstCrossing(points, 0, +1, level);
    for (const auto& at : {left, right})
        if (at) found.push_back(*at);
    std::sort(found.begin(), found.end());
    return found;
}
