#include "acquisition/Waveform.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <numeric>

namespace {

constexpr double kMinSamplesPerPeriod = 5;
// A period fitted over many crossings is precise to a few parts in 10^5: one of exactly five
// samples may come out a hair under five.
constexpr double kPeriodTolerance = 1e-3;
constexpr double kAgreement = 0.01; // the autocorrelation's period against the crossings'
constexpr double kMinPeriods = 2;
// Below this share of the signal's power at the period's own frequency, the period is a multiple
// of the true one: noise carries more than that.
constexpr double kLeastFundamentalShare = 1e-3;

double Median(std::vector<double> values) {
    auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Noise of deviation s gives second differences of deviation s * sqrt(6), whose median absolute
// value is 0.6745 times that. A signal slow against the sampling adds little to them, and the few
// samples of a square wave's edges do not move a median.
double NoiseDeviation(const std::vector<double>& v) {
    if (v.size() < 3) return 0;
    std::vector<double> second(v.size() - 2);
    for (std::size_t i = 1; i + 1 < v.size(); ++i)
        second[i - 1] = std::fabs(v[i - 1] - 2 * v[i] + v[i + 1]);
    return Median(std::move(second)) / (0.6745 * std::sqrt(6.0));
}

// One bin per converter step; when the step is unknown, the smallest gap between two values, which
// is that step for a record read back from a file. Never more than 1024 bins.
double BinWidth(const std::vector<double>& v, double quantum, double range) {
    double width = range / 1024;
    if (quantum > 0) return std::max(width, quantum);
    std::vector<double> sorted = v;
    std::sort(sorted.begin(), sorted.end());
    double gap = range;
    for (std::size_t i = 0; i + 1 < sorted.size(); ++i)
        if (double g = sorted[i + 1] - sorted[i]; g > range * 1e-9) gap = std::min(gap, g);
    return std::max(width, gap);
}

// The mean value of the fullest run of 2 * half + 1 bins among bins [first, last), ties going to
// the outer one; none when that run holds less than twice its share of the half: a triangle or a
// ramp spreads its samples evenly and has no level there.
std::optional<double> HalfMode(const std::vector<long>& counts, long first, long last, long half,
                               bool upper, double origin, double width) {
    if (last <= first) return std::nullopt;
    auto at = [&](long bin) { return counts[std::size_t(bin)]; };
    long total = 0;
    for (long b = first; b < last; ++b) total += at(b);
    long best = -1, bestFrom = first, bestTo = first;
    for (long centre = first; centre < last; ++centre) {
        long from = std::max(first, centre - half), to = std::min(last - 1, centre + half), sum = 0;
        for (long b = from; b <= to; ++b) sum += at(b);
        if (sum > best || (sum == best && upper)) best = sum, bestFrom = from, bestTo = to;
    }
    double share = double(total) * double(bestTo - bestFrom + 1) / double(last - first);
    if (best <= 0 || double(best) < 2 * share) return std::nullopt;
    double weighted = 0;
    for (long b = bestFrom; b <= bestTo; ++b)
        weighted += double(at(b)) * (origin + double(b) * width);
    return weighted / double(best);
}

// A record has two flat states when each of its levels holds kFlatShare of the samples or more
// within `band` of it, in runs of kFlatRun neighbouring samples or more, and no more than
// kMiddleShare of the samples lie between 10 % and 90 % of its range. The top and base of a
// square wave, of a trapezoid whose ramps take under half its period, of an RC charge are flat; a
// sine (59 % of its samples in between, 50 % at worst as a few samples a period fall) and a
// triangle (80 %) only pass by their extremes.
constexpr double kFlatShare = 0.2;
constexpr double kFlatBand = 0.02; // of the peak to peak, or three deviations of the noise
constexpr std::size_t kFlatRun = 3;
constexpr double kMiddleShare = 0.45;

bool MostlyAtTheEnds(const std::vector<double>& v, double lowest, double range) {
    std::size_t between = 0;
    for (double value : v) {
        double fraction = (value - lowest) / range;
        between += fraction > 0.1 && fraction < 0.9;
    }
    return double(between) <= kMiddleShare * double(v.size());
}

bool Flat(const std::vector<double>& v, double level, double band) {
    std::size_t inRuns = 0, run = 0;
    for (std::size_t i = 0; i <= v.size(); ++i) {
        if (i < v.size() && std::fabs(v[i] - level) <= band) {
            ++run;
            continue;
        }
        if (run >= kFlatRun) inRuns += run;
        run = 0;
    }
    return double(inRuns) >= kFlatShare * double(v.size());
}

// IEEE 181's state levels, the histogram's two modes, when the record has two flat states;
// otherwise the extremes, as bench scopes take them for sines and triangles.
WaveLevels FindLevels(const std::vector<double>& v, double quantum) {
    WaveLevels levels;
    auto [lowest, highest] = std::minmax_element(v.begin(), v.end());
    levels.Minimum = levels.Base = *lowest;
    levels.Maximum = levels.Top = *highest;
    levels.Noise = NoiseDeviation(v);
    double range = *highest - *lowest;
    if (!(range > 0)) return levels;
    double width = levels.Resolution = BinWidth(v, quantum, range);
    long bins = long(range / width + 0.5) + 1;
    std::vector<long> counts(static_cast<std::size_t>(bins));
    for (double value : v)
        ++counts[std::size_t(std::min(bins - 1, long((value - *lowest) / width + 0.5)))];
    long middle = long(std::ceil(range / 2 / width)); // first bin of the upper half
    long half = std::lround(levels.Noise / width);
    auto top = HalfMode(counts, middle, bins, half, true, *lowest, width);
    auto base = HalfMode(counts, 0, middle, half, false, *lowest, width);
    double band = std::max({kFlatBand * range, 3 * levels.Noise, width});
    if (top && base && *top > *base && MostlyAtTheEnds(v, *lowest, range) && Flat(v, *top, band) &&
        Flat(v, *base, band))
        levels.Top = *top, levels.Base = *base;
    return levels;
}

struct Event {
    std::size_t Index; // the first sample past the band
    bool Rising;
};

// A crossing counts once the signal has gone from one side of the band middle +- band to the
// other.
std::vector<Event> Events(const std::vector<double>& v, double middle, double band) {
    enum class Side { Unknown, Below, Above } side = Side::Unknown;
    std::vector<Event> events;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] > middle + band) {
            if (side == Side::Below) events.push_back({i, true});
            side = Side::Above;
        } else if (v[i] < middle - band) {
            if (side == Side::Above) events.push_back({i, false});
            side = Side::Below;
        }
    }
    return events;
}

// Where an edge crosses the middle: a straight line fitted by least squares to its samples between
// middle - reach and middle + reach and to the last sample beyond on either side. Noise moves a
// single sample's crossing by noise / slope; the line averages it over the edge, and the symmetry
// of a sine's or a ramp's edge about its middle leaves the line's crossing unbiased.
double EdgePosition(const std::vector<double>& v, double middle, double reach, double sign,
                    std::size_t event, std::size_t lowBound, std::size_t highBound) {
    auto u = [&](std::size_t i) { return sign * (v[i] - middle); };
    std::size_t lo = event - 1, hi = event;
    while (lo > lowBound && u(lo) >= -reach) --lo;
    while (hi < highBound && u(hi) <= reach) ++hi;
    double count = double(hi - lo + 1), meanX = 0, meanY = 0;
    for (std::size_t i = lo; i <= hi; ++i) meanX += double(i), meanY += u(i);
    meanX /= count, meanY /= count;
    double sxy = 0, sxx = 0;
    for (std::size_t i = lo; i <= hi; ++i) {
        sxy += (double(i) - meanX) * (u(i) - meanY);
        sxx += (double(i) - meanX) * (double(i) - meanX);
    }
    if (sxy > 0) {
        double at = meanX - meanY * sxx / sxy;
        if (at >= double(lo) && at <= double(hi)) return at;
    }
    for (std::size_t i = event; i > lo; --i)
        if (u(i - 1) <= 0 && u(i) > 0) return double(i - 1) - u(i - 1) / (u(i) - u(i - 1));
    return double(event);
}

// Crossings of one direction with their cycle numbers.
struct Numbered {
    std::vector<double> At, Cycle;
};

// A crossing less than half the median interval after the last one kept is dropped as a false
// one; a longer gap counts the cycles it spans, so a missed crossing costs nothing.
Numbered Number(const std::vector<double>& at, double interval) {
    Numbered numbered;
    for (double t : at) {
        if (numbered.At.empty()) {
            numbered.At.push_back(t), numbered.Cycle.push_back(0);
            continue;
        }
        double cycles = (t - numbered.At.back()) / interval;
        if (cycles < 0.5) continue;
        numbered.Cycle.push_back(numbered.Cycle.back() + std::round(cycles));
        numbered.At.push_back(t);
    }
    return numbered;
}

struct Line {
    double Period = 0;
    double Start[2] = {0, 0}; // rising, falling: where each direction's cycle 0 lies
};

// One period for both directions, each with its own start, by least squares.
std::optional<Line> Fit(const Numbered (&series)[2]) {
    Line line;
    double sxy = 0, sxx = 0, means[2][2] = {};
    for (int s = 0; s < 2; ++s) {
        const Numbered& n = series[s];
        if (n.At.empty()) continue;
        double count = double(n.At.size());
        double meanCycle = std::accumulate(n.Cycle.begin(), n.Cycle.end(), 0.0) / count;
        double meanAt = std::accumulate(n.At.begin(), n.At.end(), 0.0) / count;
        for (std::size_t i = 0; i < n.At.size(); ++i) {
            sxy += (n.Cycle[i] - meanCycle) * (n.At[i] - meanAt);
            sxx += (n.Cycle[i] - meanCycle) * (n.Cycle[i] - meanCycle);
        }
        means[s][0] = meanCycle, means[s][1] = meanAt;
    }
    if (!(sxx > 0) || !(sxy > 0)) return std::nullopt;
    line.Period = sxy / sxx;
    for (int s = 0; s < 2; ++s) line.Start[s] = means[s][1] - line.Period * means[s][0];
    return line;
}

// Drops the crossings more than a tenth of a period off the line, then fits again.
std::optional<Line> FitKeepingTheRhythm(Numbered (&series)[2]) {
    std::optional<Line> line = Fit(series);
    for (int round = 0; line && round < 3; ++round) {
        bool dropped = false;
        for (int s = 0; s < 2; ++s) {
            Numbered kept;
            for (std::size_t i = 0; i < series[s].At.size(); ++i) {
                double expected = line->Start[s] + line->Period * series[s].Cycle[i];
                if (std::fabs(series[s].At[i] - expected) > 0.1 * line->Period) {
                    dropped = true;
                    continue;
                }
                kept.At.push_back(series[s].At[i]), kept.Cycle.push_back(series[s].Cycle[i]);
            }
            series[s] = std::move(kept);
        }
        if (!dropped) break;
        line = Fit(series);
    }
    return line;
}

// The vertex of the parabola through r at `peak` and its two neighbours. A wider fit would average
// noise over a smooth peak, but the peak of a square wave is a sharp corner, which a wide
// parabola places off its tip by several percent of the period.
double PeakVertex(const std::vector<double>& r, std::size_t peak) {
    if (peak == 0 || peak + 1 >= r.size()) return double(peak);
    double curvature = r[peak - 1] - 2 * r[peak] + r[peak + 1];
    if (!(curvature < 0)) return double(peak);
    return double(peak) + (r[peak - 1] - r[peak + 1]) / (2 * curvature);
}

// A likeness of the record to itself shifted by each lag: the variance less half the mean square
// difference between the record and its shifted copy over their overlap. Unlike the plain
// autocorrelation, it peaks exactly at the period however few periods the overlap holds, since
// the difference of a periodic signal and its copy one period on is nothing but noise.
std::optional<double> LikenessPeriod(const std::vector<double>& values) {
    std::size_t n = values.size();
    if (n < 8) return std::nullopt;
    double mean = std::accumulate(values.begin(), values.end(), 0.0) / double(n), variance = 0;
    for (double value : values) variance += (value - mean) * (value - mean) / double(n);
    if (!(variance > 0)) return std::nullopt;
    // Lags up to 0.55 of the record hold any period of which it has two; the peak's fit may
    // reach further.
    std::size_t search = n * 11 / 20, last = n * 3 / 4;
    std::vector<double> r(last + 1);
    for (std::size_t lag = 0; lag <= last; ++lag) {
        double sum = 0;
        for (std::size_t i = 0; i + lag < n; ++i)
            sum += (values[i] - values[i + lag]) * (values[i] - values[i + lag]);
        r[lag] = variance - sum / double(n - lag) / 2;
    }
    std::size_t first = 1;
    while (first <= search && r[first] >= 0) ++first;
    if (first > search) return std::nullopt;
    double highest = *std::max_element(r.begin() + std::ptrdiff_t(first),
                                       r.begin() + std::ptrdiff_t(search) + 1);
    if (highest < 0.3 * variance) return std::nullopt;
    // The top of the first hump above half the highest: the period rather than one of its
    // multiples, even for a narrow pulse whose samples meet their copy's only partly.
    std::size_t lag = first + 1;
    while (lag <= search && r[lag] < highest / 2) ++lag;
    std::size_t peak = lag;
    for (; lag <= search && r[lag] >= highest / 2; ++lag)
        if (r[lag] > r[peak]) peak = lag;
    return PeakVertex(r, peak);
}

// The likeness costs the square of the points it looks at: it looks at the record's first
// kCheckedPeriods periods at most, the period the crossings give, in blocks of averaged samples
// while a period still spans kBlocksPerPeriod of them, which places its peak within a small
// fraction of a period. A thousand points or so, whatever the record's length.
constexpr double kCheckedPeriods = 16;
constexpr double kBlocksPerPeriod = 64;

std::optional<double> AutocorrelationPeriod(const std::vector<double>& values, double period) {
    auto block = std::size_t(std::max(1.0, std::floor(period / kBlocksPerPeriod)));
    auto length = std::min(values.size(), std::size_t(kCheckedPeriods * period));
    std::vector<double> blocks(length / block);
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        double sum = 0;
        for (std::size_t i = b * block; i < (b + 1) * block; ++i) sum += values[i];
        blocks[b] = sum / double(block);
    }
    std::optional<double> found = LikenessPeriod(blocks);
    if (found) *found *= double(block);
    return found;
}

// The share of the signal's power (about its mean) at the frequency of `period`, over the whole
// periods from the record's start. A signal sampled fewer than twice a period may show the
// crossings' rhythm of several periods together, whose own frequency it does not hold at all: a
// sine of 2.5 samples a period repeats every five samples.
double FundamentalShare(const std::vector<double>& v, double period) {
    auto count = std::size_t(std::floor(double(v.size()) / period) * period);
    if (count < 2) return 0;
    double mean =
        std::accumulate(v.begin(), v.begin() + std::ptrdiff_t(count), 0.0) / double(count);
    // The phasor turns by one sample's angle at each step, and is set afresh every few thousand
    // so that its rounding does not build up.
    double step = 2 * std::numbers::pi / period, re = 0, im = 0, power = 0, c = 1, s = 0;
    const double turnCos = std::cos(step), turnSin = std::sin(step);
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 4096 == 0) c = std::cos(step * double(i)), s = std::sin(step * double(i));
        double u = v[i] - mean;
        re += u * c, im += u * s, power += u * u;
        double turned = c * turnCos - s * turnSin;
        s = s * turnCos + c * turnSin, c = turned;
    }
    if (!(power > 0)) return 0;
    return 2 * (re * re + im * im) / double(count) / power;
}

void FindPeriod(Waveform& w, const std::vector<double>& v) {
    std::vector<double> intervals;
    for (const auto* at : {&w.Rising, &w.Falling})
        for (std::size_t i = 1; i < at->size(); ++i) intervals.push_back((*at)[i] - (*at)[i - 1]);
    if (intervals.empty()) {
        w.Reason = Why::FewerThanTwoPeriods;
        return;
    }
    // The intervals of a period of five samples scatter about five: the fitted period decides.
    double interval = Median(intervals);
    if (interval < 0.8 * kMinSamplesPerPeriod) {
        w.Reason = Why::TooFewSamplesPerPeriod;
        return;
    }
    Numbered series[2] = {Number(w.Rising, interval), Number(w.Falling, interval)};
    std::optional<Line> line = FitKeepingTheRhythm(series);
    if (!line) {
        w.Reason = Why::FewerThanTwoPeriods;
        return;
    }
    double period = line->Period;
    std::size_t found = w.Rising.size() + w.Falling.size();
    std::size_t kept = series[0].At.size() + series[1].At.size();
    if (period < kMinSamplesPerPeriod * (1 - kPeriodTolerance) ||
        FundamentalShare(v, period) < kLeastFundamentalShare) {
        w.Reason = Why::TooFewSamplesPerPeriod;
    } else if (double(v.size()) < kMinPeriods * period * (1 - 0.005)) {
        w.Reason = Why::FewerThanTwoPeriods;
    } else if (3 * kept < 2 * found) {
        w.Reason = Why::TooNoisy;
    } else {
        std::optional<double> check = AutocorrelationPeriod(v, period);
        if (!check || std::fabs(*check - period) > kAgreement * period) {
            w.Reason = Why::TooNoisy;
            return;
        }
        w.Period = period;
        w.Rising = series[0].At;
        w.Falling = series[1].At;
        if (!w.Rising.empty()) w.RisingAt = line->Start[0];
        if (!w.Falling.empty()) w.FallingAt = line->Start[1];
    }
}

} // namespace

Waveform AnalyseWaveform(const std::vector<double>& v, double quantum) {
    Waveform w;
    if (v.empty()) {
        w.Reason = Why::NoSamples;
        return w;
    }
    auto [lowest, highest] = std::minmax_element(v.begin(), v.end());
    if (!std::isfinite(*highest - *lowest)) {
        w.Reason = Why::BadSamples; // beyond what a double can subtract
        return w;
    }
    w.Levels = FindLevels(v, quantum);
    double span = w.Levels.Top - w.Levels.Base;
    if (!(span > 0)) {
        w.Reason = Why::Constant;
        return w;
    }
    // Three deviations of the noise, at least one converter step and 1 % of the signal; at most
    // a quarter of it, or a noisy signal would never leave the band.
    double band =
        std::min(std::max({3 * w.Levels.Noise, w.Levels.Resolution, 0.01 * span}), 0.25 * span);
    double middle = w.Levels.Middle();
    std::vector<Event> events = Events(v, middle, band);
    for (std::size_t k = 0; k < events.size(); ++k) {
        std::size_t low = k == 0 ? 0 : events[k - 1].Index;
        std::size_t high = k + 1 == events.size() ? v.size() - 1 : events[k + 1].Index - 1;
        double at = EdgePosition(v, middle, span / 4, events[k].Rising ? 1 : -1, events[k].Index,
                                 low, high);
        (events[k].Rising ? w.Rising : w.Falling).push_back(at);
    }
    w.AllRising = w.Rising, w.AllFalling = w.Falling;
    FindPeriod(w, v);
    return w;
}

namespace {

// Where `u` crosses `level` between samples `i` and `i + 1`, which lie on either side of it: a
// straight line fitted by least squares to the samples up to `reach` away from them (within
// `first`..`last`), which a converter's steps or noise move less than they move two samples; the
// line between the two when no others lie within reach.
double LevelCrossing(const std::vector<double>& u, std::size_t i, double level, double reach,
                     std::size_t first, std::size_t last) {
    auto within = std::size_t(reach);
    std::size_t lo = std::max(first, i - std::min(i, within)), hi = std::min(last, i + 1 + within);
    if (hi - lo >= 2) {
        double count = double(hi - lo + 1), meanX = 0, meanY = 0, sxy = 0, sxx = 0;
        for (std::size_t k = lo; k <= hi; ++k) meanX += double(k), meanY += u[k];
        meanX /= count, meanY /= count;
        for (std::size_t k = lo; k <= hi; ++k) {
            sxy += (double(k) - meanX) * (u[k] - meanY);
            sxx += (double(k) - meanX) * (double(k) - meanX);
        }
        double at = sxy > 0 ? meanX + (level - meanY) * sxx / sxy : -1;
        if (at >= double(lo) && at <= double(hi)) return at;
    }
    return double(i) + (level - u[i]) / (u[i + 1] - u[i]);
}

} // namespace

// Each crossing of the middle level in the edge's direction marks an edge. It runs from the last
// sample at or beyond 10 % of the way before the crossing to the first at or beyond 90 % after it,
// never past the neighbouring crossings of the other direction, and counts when the record holds
// it whole. The levels' crossings are interpolated between the samples around them.
std::optional<double> EdgeDuration(const std::vector<double>& values, const Waveform& w,
                                   bool rising, Why& reason) {
    const WaveLevels& levels = w.Levels;
    double sign = rising ? 1 : -1, span = levels.Top - levels.Base;
    double low = sign * (rising ? levels.Base + 0.1 * span : levels.Top - 0.1 * span);
    double high = sign * (rising ? levels.Base + 0.9 * span : levels.Top - 0.9 * span);
    std::vector<double> u(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) u[i] = sign * values[i];
    // Two converter steps or three deviations of the noise, within a twentieth of the way, where
    // a sine's curve bends the fitted line by no more than a few hundredths of a sample.
    double reach = std::min(std::max(2 * levels.Resolution, 3 * levels.Noise), 0.05 * span);
    const std::vector<double>& edges = rising ? w.AllRising : w.AllFalling;
    const std::vector<double>& others = rising ? w.AllFalling : w.AllRising;
    double total = 0;
    int whole = 0;
    bool tooFast = false;
    for (double crossing : edges) {
        auto next = std::upper_bound(others.begin(), others.end(), crossing);
        double before = next == others.begin() ? 0 : *std::prev(next);
        double after = next == others.end() ? double(u.size() - 1) : *next;
        auto start = std::size_t(crossing), end = start + 1;
        while (start > 0 && double(start) > before && u[start] > low) --start;
        while (end + 1 < u.size() && double(end) < after && u[end] < high) ++end;
        if (u[start] > low || u[end] < high || double(start) < before || double(end) > after)
            continue; // cut by the record's ends, or a glitch that never reached the levels
        int inside = 0;
        for (std::size_t i = start + 1; i < end; ++i) inside += u[i] > low && u[i] < high;
        tooFast |= inside < 2;
        // The samples within `reach` of a level on an edge as steep as this one, on average.
        double samples = reach * double(end - start) / (high - low);
        auto first = std::size_t(std::max(before, 0.0)), last = std::size_t(after);
        total += LevelCrossing(u, end - 1, high, samples, first, last) -
                 LevelCrossing(u, start, low, samples, first, last);
        ++whole;
    }
    if (whole == 0) {
        reason = rising ? Why::NoRisingEdge : Why::NoFallingEdge;
        return std::nullopt;
    }
    if (tooFast) {
        reason = Why::EdgeFasterThanSampling;
        return std::nullopt;
    }
    return total / whole;
}
