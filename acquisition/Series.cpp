#include "acquisition/Series.h"

#include <algorithm>
#include <cmath>

#include "common/Text1252.h"

namespace {

Measure Missing(const std::string& reason) { return {std::nullopt, reason}; }

// 20 log10(output / input), or why not.
Measure GainOf(const Measure& input, const Measure& output) {
    if (!input.Value) return Missing(input.Reason);
    if (!output.Value) return Missing(output.Reason);
    if (!(*input.Value > 0 && *output.Value > 0)) return Missing(Cp1252("tension nulle"));
    return {20 * std::log10(*output.Value / *input.Value), ""};
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

SeriesRow MeasureSeriesRow(const std::vector<ChannelSamples>& channels) {
    SeriesRow row;
    if (channels.empty()) return row;
    ChannelMeasures first = MeasureChannel(channels[0]);
    row.Frequency = first.Frequency;
    row.PeakToPeak[0] = first.PeakToPeak;
    row.Coarse[0] = SpansFewCounts(channels[0], first.PeakToPeak);
    if (channels.size() < 2) {
        std::string reason = Cp1252("une seule voie");
        row.PeakToPeak[1] = row.Gain = row.Phase = Missing(reason);
        return row;
    }
    ChannelMeasures second = MeasureChannel(channels[1]);
    row.PeakToPeak[1] = second.PeakToPeak;
    row.Coarse[1] = SpansFewCounts(channels[1], second.PeakToPeak);
    row.Gain = GainOf(row.PeakToPeak[0], row.PeakToPeak[1]);
    row.Phase = MeasurePhase(channels[0], channels[1]).Degrees;
    return row;
}

std::vector<BodePoint> BodePoints(const std::vector<SeriesRow>& rows) {
    std::vector<BodePoint> points;
    for (const SeriesRow& row : rows)
        if (row.Complete() && *row.Frequency.Value > 0)
            points.push_back({*row.Frequency.Value, *row.Gain.Value, *row.Phase.Value});
    std::stable_sort(points.begin(), points.end(), [](const BodePoint& a, const BodePoint& b) {
        return a.Frequency < b.Frequency;
    });
    for (std::size_t i = 1; i < points.size(); ++i) {
        double& phase = points[i].Phase;
        while (phase - points[i - 1].Phase > 180) phase -= 360;
        while (phase - points[i - 1].Phase < -180) phase += 360;
    }
    return points;
}

std::vector<double> CutOffFrequencies(const std::vector<BodePoint>& points) {
    std::vector<double> found;
    if (points.size() < 2) return found;
    double level =
        std::max_element(points.begin(), points.end(),
                         [](const BodePoint& a, const BodePoint& b) { return a.Gain < b.Gain; })
            ->Gain -
        3;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        double below = points[i].Gain - level, above = points[i + 1].Gain - level;
        if (!((below > 0 && above <= 0) || (below <= 0 && above > 0)) || below == above) continue;
        double fraction = below / (below - above);
        double low = std::log10(points[i].Frequency), high = std::log10(points[i + 1].Frequency);
        found.push_back(std::pow(10.0, low + fraction * (high - low)));
    }
    return found;
}
