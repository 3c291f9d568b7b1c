#include "acquisition/Measurements.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

#include "acquisition/Waveform.h"

namespace {

// Far outside any instrument's range on both sides: the time between samples, the scale, the
// volts of a converter's count (a 16-bit converter at 1 mV a division to 8 bits at 1 kV), a
// sample's volts when not 0.
constexpr double kSlowestStep = 1e3, kFastestStep = 1e-12;
constexpr double kLargestSensitivity = 1e4, kSmallestSensitivity = 1e-4;
constexpr double kLargestCount = 1e3, kSmallestCount = 1e-9;
constexpr double kLargestVolts = 1e6, kSmallestVolts = 1e-9;

} // namespace

bool BelievableTimeStep(double seconds) {
    return seconds >= kFastestStep && seconds <= kSlowestStep;
}

bool BelievableSensitivity(double voltsPerDivision) {
    return voltsPerDivision >= kSmallestSensitivity && voltsPerDivision <= kLargestSensitivity;
}

namespace {

Measure Valued(double value) { return {value, {}}; }
Measure Absent(Why reason) { return {std::nullopt, reason}; }

// A channel's waveform with its time base: positions in samples become t0 + position x step.
struct Analysis {
    Waveform Wave;
    double Start = 0, TimeStep = 0;
    Why TimeProblem = Why::None; // why no time can be measured
    Measure Period;
};

// Why the values cannot be measured at all; Why::None when they can.
Why SamplesProblem(const ChannelSamples& s) {
    if (s.Values.empty()) return Why::NoSamples;
    if (s.Times.size() != s.Values.size()) return Why::BadSamples;
    for (double value : s.Values)
        if (!std::isfinite(value)) return Why::BadSamples;
    // Finite values can still lie further apart than a double holds.
    auto [lowest, highest] = std::minmax_element(s.Values.begin(), s.Values.end());
    if (!std::isfinite(*highest - *lowest)) return Why::BadSamples;
    return Why::None;
}

// A converter's count, or without one every value, of believable volts: what an unreadable
// scale gives is not.
Why VoltsProblem(const ChannelSamples& s) {
    bool believable = s.Step == 0 || (s.Step >= kSmallestCount && s.Step <= kLargestCount);
    if (believable && s.Step == 0)
        for (double value : s.Values)
            if (value != 0 &&
                (std::fabs(value) < kSmallestVolts || std::fabs(value) > kLargestVolts))
                believable = false;
    return believable ? Why::None : Why::BadSensitivity;
}

Why TimeProblem(const std::vector<double>& times, double step) {
    for (std::size_t i = 1; i < times.size(); ++i)
        if (!(times[i] > times[i - 1]) || !std::isfinite(times[i])) return Why::BadTimeBase;
    return BelievableTimeStep(step) ? Why::None : Why::BadTimeBase;
}

Analysis Analyse(const ChannelSamples& s) {
    Analysis a;
    a.Wave = AnalyseWaveform(s.Values, s.Step);
    std::size_t n = s.Times.size();
    if (n >= 2) {
        a.Start = s.Times.front();
        a.TimeStep = (s.Times.back() - s.Times.front()) / double(n - 1);
        a.TimeProblem = TimeProblem(s.Times, a.TimeStep);
    }
    if (a.TimeProblem != Why::None)
        a.Period = Absent(a.TimeProblem);
    else if (a.Wave.Period)
        a.Period = Valued(*a.Wave.Period * a.TimeStep);
    else
        a.Period = Absent(a.Wave.Reason);
    return a;
}

// The mean of the values and of their squares over the first `end` steps of the record, sample i
// standing for the step from its time to the next, a sample the end cuts for what it keeps.
void MeanAndRms(const std::vector<double>& v, double end, double& mean, double& rms) {
    long double sum = 0, squares = 0, weights = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        double weight = std::clamp(end - double(i), 0.0, 1.0);
        if (weight == 0) break;
        sum += weight * (long double)v[i];
        squares += weight * (long double)v[i] * v[i];
        weights += weight;
    }
    mean = double(sum / weights);
    rms = double(std::sqrt(squares / weights));
}

void MeasureVolts(const ChannelSamples& s, const WaveLevels& levels, ChannelMeasures& m,
                  std::optional<double> period) {
    Why problem = VoltsProblem(s);
    auto volts = [&](double value, bool clippedThere) {
        return problem != Why::None ? Absent(problem)
               : clippedThere       ? Absent(Why::Clipped)
                                    : Valued(value);
    };
    bool low = s.ClippedLow, high = s.ClippedHigh, either = low || high;
    m.Minimum = volts(levels.Minimum, low);
    m.Maximum = volts(levels.Maximum, high);
    m.PeakToPeak = volts(levels.Maximum - levels.Minimum, either);
    m.Top = volts(levels.Top, high);
    m.Base = volts(levels.Base, low);
    // Whole periods, from the record's start: a period's fraction would weigh in its own mean.
    double count = double(s.Values.size());
    double whole = period ? std::floor(count / *period + 1e-9) * *period : 0;
    m.OverWholePeriods = whole > 0;
    // A record of whole periods ends at its last sample, whatever the period's last digits say.
    if (std::fabs(whole - count) < 1e-6) whole = count;
    double mean = 0, rms = 0;
    MeanAndRms(s.Values, m.OverWholePeriods ? whole : count, mean, rms);
    m.Mean = volts(mean, either);
    m.Rms = volts(rms, either);
}

// The whole pulses of each sign, from the crossings of the middle level, which alternate: a
// positive pulse from a rising crossing to the falling one after it, a negative one the other
// way; and the whole cycles, from a crossing to the next one of the same direction.
struct Pulses {
    std::optional<double> Positive, Negative, Cycle; // the means, in samples
};

Pulses MeanPulses(const Waveform& w) {
    std::vector<std::pair<double, bool>> crossings; // position, rising
    for (double at : w.AllRising) crossings.push_back({at, true});
    for (double at : w.AllFalling) crossings.push_back({at, false});
    std::sort(crossings.begin(), crossings.end());
    double sums[2] = {0, 0}, cycles = 0;
    int counts[2] = {0, 0}, cycleCount = 0;
    for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
        int sign = crossings[i].second ? 0 : 1;
        sums[sign] += crossings[i + 1].first - crossings[i].first, ++counts[sign];
        if (i + 2 < crossings.size())
            cycles += crossings[i + 2].first - crossings[i].first, ++cycleCount;
    }
    Pulses p;
    if (counts[0] > 0) p.Positive = sums[0] / counts[0];
    if (counts[1] > 0) p.Negative = sums[1] / counts[1];
    if (cycleCount > 0) p.Cycle = cycles / cycleCount;
    return p;
}

void MeasureTimes(const ChannelSamples& s, const Analysis& a, ChannelMeasures& m) {
    m.Period = a.Period;
    m.Frequency = a.Period.Value ? Valued(1 / *a.Period.Value) : a.Period;
    const Waveform& w = a.Wave;
    auto seconds = [&](std::optional<double> samples, Why reason) {
        if (a.TimeProblem != Why::None) return Absent(a.TimeProblem);
        return samples ? Valued(*samples * a.TimeStep) : Absent(reason);
    };
    for (bool rising : {true, false}) {
        Why reason = w.Reason;
        std::optional<double> duration;
        if (s.ClippedLow || s.ClippedHigh)
            reason = Why::Clipped;
        else if (w.Reason == Why::TooNoisy)
            reason = w.Reason;
        else if (w.Levels.Top > w.Levels.Base)
            duration = EdgeDuration(s.Values, w, rising, reason);
        (rising ? m.RiseTime : m.FallTime) = seconds(duration, reason);
    }
    // Widths averaged over every whole pulse, those that break the rhythm too; with a period the
    // negative width is what the period leaves, so that both add up to it.
    std::optional<double> positive, negative, cycle;
    if (w.Period || w.Reason == Why::FewerThanTwoPeriods) {
        Pulses pulses = MeanPulses(w);
        positive = pulses.Positive;
        negative = w.Period && positive ? *w.Period - *positive : pulses.Negative;
        cycle = w.Period ? w.Period : pulses.Cycle;
    }
    Why noPulse = w.Period ? Why::NoPulse : w.Reason;
    m.PositiveWidth = seconds(positive, noPulse);
    m.NegativeWidth = seconds(negative, noPulse);
    if (a.TimeProblem != Why::None)
        m.DutyCycle = Absent(a.TimeProblem);
    else if (positive && cycle)
        m.DutyCycle = Valued(100 * *positive / *cycle);
    else
        m.DutyCycle = Absent(noPulse);
}

} // namespace

namespace {

ChannelMeasures AllAbsent(Why problem) {
    ChannelMeasures m;
    for (Measure* each :
         {&m.Minimum, &m.Maximum, &m.PeakToPeak, &m.Top, &m.Base, &m.Mean, &m.Rms, &m.Period,
          &m.Frequency, &m.RiseTime, &m.FallTime, &m.PositiveWidth, &m.NegativeWidth, &m.DutyCycle})
        *each = Absent(problem);
    return m;
}

ChannelMeasures MeasureAnalysed(const ChannelSamples& samples, const Analysis& a) {
    ChannelMeasures m;
    m.Clipped = samples.ClippedLow || samples.ClippedHigh;
    MeasureVolts(samples, a.Wave.Levels, m, a.Wave.Period);
    MeasureTimes(samples, a, m);
    return m;
}

double Normalised(double degrees) {
    degrees = std::fmod(degrees, 360.0);
    if (degrees > 180) degrees -= 360;
    if (degrees <= -180) degrees += 360;
    return degrees;
}

// The time of the crossing of `b` nearest to `t`, among increasing positions; none when empty.
std::optional<double> NearestCrossing(const Analysis& b, const std::vector<double>& positions,
                                      double t) {
    if (positions.empty()) return std::nullopt;
    auto after = std::lower_bound(positions.begin(), positions.end(), (t - b.Start) / b.TimeStep);
    auto time = [&b](double position) { return b.Start + position * b.TimeStep; };
    if (after == positions.end()) return time(positions.back());
    if (after == positions.begin()) return time(*after);
    double later = time(*after), earlier = time(*std::prev(after));
    return t - earlier <= later - t ? earlier : later;
}

// Each crossing of the first channel pairs with the second's nearest crossing of the same
// direction. Rising and falling pairs both count: a middle level off the signal's true centre
// moves them opposite ways, and their average cancels it. The pairs' angles are averaged as unit
// vectors, so a delay near half a period does not average +T/2 and -T/2 into 0.
PhaseMeasures PhaseOf(const Analysis& a, const Analysis& b) {
    if (!a.Period.Value) return {a.Period, a.Period};
    if (!b.Period.Value) return {b.Period, b.Period};
    double period = (*a.Period.Value + *b.Period.Value) / 2;
    if (std::fabs(*a.Period.Value - *b.Period.Value) > 0.01 * period)
        return {Absent(Why::DifferentPeriods), Absent(Why::DifferentPeriods)};
    double sumCos = 0, sumSin = 0;
    auto pair = [&](const std::vector<double>& from, const std::vector<double>& to) {
        for (double position : from) {
            double t1 = a.Start + position * a.TimeStep;
            std::optional<double> t2 = NearestCrossing(b, to, t1);
            if (!t2) return;
            double angle = 2 * std::numbers::pi * (*t2 - t1) / period;
            sumCos += std::cos(angle), sumSin += std::sin(angle);
        }
    };
    pair(a.Wave.Rising, b.Wave.Rising);
    pair(a.Wave.Falling, b.Wave.Falling);
    if (sumCos == 0 && sumSin == 0)
        return {Absent(Why::NoCommonCrossing), Absent(Why::NoCommonCrossing)};
    double angle = std::atan2(sumSin, sumCos);
    if (angle <= -std::numbers::pi) angle = std::numbers::pi;
    return {Valued(Normalised(-angle * 180 / std::numbers::pi)),
            Valued(angle / (2 * std::numbers::pi) * period)};
}

} // namespace

RecordMeasures MeasureRecord(const std::vector<const ChannelSamples*>& channels) {
    RecordMeasures measures;
    std::vector<std::optional<Analysis>> analyses;
    Why problem = Why::None; // the first of the first two channels' that has one: no phase then
    for (const ChannelSamples* samples : channels) {
        Why own = SamplesProblem(*samples);
        if (own != Why::None) {
            measures.Channels.push_back(AllAbsent(own));
            if (analyses.size() < 2 && problem == Why::None) problem = own;
            analyses.emplace_back();
            continue;
        }
        analyses.push_back(Analyse(*samples));
        measures.Channels.push_back(MeasureAnalysed(*samples, *analyses.back()));
    }
    if (channels.size() >= 2)
        measures.Phase = problem == Why::None ? PhaseOf(*analyses[0], *analyses[1])
                                              : PhaseMeasures{Absent(problem), Absent(problem)};
    return measures;
}

ChannelMeasures MeasureChannel(const ChannelSamples& samples) {
    return MeasureRecord({&samples}).Channels.front();
}

PhaseMeasures MeasurePhase(const ChannelSamples& first, const ChannelSamples& second) {
    return *MeasureRecord({&first, &second}).Phase;
}
