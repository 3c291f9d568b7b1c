#include "tools/hameg-sim/Image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

constexpr double kCountsPerDivision = 25;
constexpr int kCentre = 127;

uint8_t Clip(double counts) { return uint8_t(std::clamp(std::lround(counts), 0L, 255L)); }

double WaveAt(const ChannelSignal& s, int sample) {
    double phase = std::fmod(s.Periods * sample / kChannelSamples + s.Phase / 360, 1.0);
    if (phase < 0) phase += 1;
    switch (s.Shape) {
    case Wave::Sine: return std::sin(2 * M_PI * phase);
    case Wave::Square: return phase < 0.5 ? 1 : -1;
    case Wave::Triangle: return phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase;
    case Wave::Pulse: return phase < s.Duty / 100 ? 1 : -1;
    case Wave::Flat: return 0;
    }
    return 0;
}

// The bench's two channels as signals in screen divisions: the generator's sine, and the filter's
// output with its gain and phase at the generator's frequency.
void BenchSignals(const FilterBench& b, ChannelSignal (&signals)[2]) {
    double ratio = b.Frequency / b.Cutoff, timeStep = b.TimeBase * 10 / 2000;
    double gain = b.Kind == FilterKind::Circuit   ? b.Gain
                  : b.Kind == FilterKind::LowPass ? 1 / std::sqrt(1 + ratio * ratio)
                                                  : ratio / std::sqrt(1 + ratio * ratio);
    double degrees = b.Kind == FilterKind::Circuit   ? b.Degrees
                     : b.Kind == FilterKind::LowPass ? -std::atan(ratio) * 180 / M_PI
                                                     : std::atan(1 / ratio) * 180 / M_PI;
    for (int channel = 0; channel < 2; ++channel) {
        ChannelSignal& s = signals[channel];
        s = {};
        s.Amplitude = (channel == 0 ? 1 : gain) * b.Amplitude / b.Sensitivity[channel];
        s.Periods = b.Frequency * timeStep * kChannelSamples;
        s.Phase = channel == 0 ? 0 : degrees;
    }
}

// The same numbers on every platform and library, from the seed alone.
class Noise {
public:
    Noise(const Options& o)
        : random_(o.NoiseSeed), uniform_(o.SignalNoise), gauss_(o.SignalGauss) {}
    double operator()() {
        double counts = 0;
        if (uniform_ > 0) counts += int(random_() % unsigned(2 * uniform_ + 1)) - uniform_;
        if (gauss_ > 0) { // Box-Muller
            double u1 = (random_() + 0.5) / 4294967296.0, u2 = (random_() + 0.5) / 4294967296.0;
            counts += gauss_ * std::sqrt(-2 * std::log(u1)) * std::cos(2 * M_PI * u2);
        }
        return counts;
    }

private:
    std::mt19937 random_;
    int uniform_;
    double gauss_;
};

// Volts with the largest prefix the HM 408's header text knows ("k", "m", "u") that leaves a
// number of at least 1: "500m", "2u".
std::string WithPrefix(double value) {
    const struct {
        const char* letter;
        double factor;
    } prefixes[] = {{"k", 1e3}, {"", 1}, {"m", 1e-3}, {"u", 1e-6}};
    for (const auto& p : prefixes)
        if (value >= p.factor || p.factor == 1e-6) {
            char text[32];
            std::snprintf(text, sizeof text, "%g%s", value / p.factor, p.letter);
            return text;
        }
    return {};
}

// The HM 408's header: flag bytes and, from byte 16 on, the settings text.
void WriteHeader(std::vector<uint8_t>& image, const Options& o, bool holdUp) {
    std::fill(image.begin(), image.begin() + kHeaderBytes, ' ');
    image[0] = o.Empty ? 0 : 'H';
    image[2] = o.TwoChannels ? 1 : 2;
    image[8] = o.ShortRecord ? 1 : 0;
    image[9] = holdUp ? 1 : 0;
    std::string settings = SettingsText(o);
    for (std::size_t i = 0; i < settings.size() && 16 + i < kHeaderBytes; ++i)
        image[16 + i] = uint8_t(settings[i]);
}

} // namespace

std::string SettingsText(const Options& o) {
    if (o.Bench.Kind == FilterKind::None) return o.Settings;
    return "CH1=" + WithPrefix(o.Bench.Sensitivity[0]) +
           "V CH2=" + WithPrefix(o.Bench.Sensitivity[1]) + "V TB=" + WithPrefix(o.Bench.TimeBase) +
           "s";
}

std::vector<uint8_t> SignalImage(const Options& o) {
    int header = o.Hm408 ? kHeaderBytes : 0;
    std::vector<uint8_t> image(std::size_t(header + 2 * kChannelSamples));
    if (o.Hm408) WriteHeader(image, o, o.HoldUp);
    ChannelSignal signals[2] = {o.Channel[0], o.Channel[1]};
    if (o.Bench.Kind != FilterKind::None) BenchSignals(o.Bench, signals);
    Noise noise(o);
    for (int channel = 0; channel < 2; ++channel) {
        const ChannelSignal& s = signals[channel];
        for (int i = 0; i < kChannelSamples; ++i)
            image[std::size_t(header + channel * kChannelSamples + i)] = Clip(
                kCentre + kCountsPerDivision * (s.Offset + s.Amplitude * WaveAt(s, i)) + noise());
    }
    if (o.Empty && !o.Hm408) std::fill(image.begin(), image.begin() + 1024, 255);
    return image;
}

std::vector<uint8_t> ZeroImage(const Options& o, unsigned seed) {
    int header = o.Hm408 ? kHeaderBytes : 0;
    std::vector<uint8_t> image(std::size_t(header + 2 * kChannelSamples));
    if (o.Hm408) WriteHeader(image, o, o.ZeroHoldUp);
    std::mt19937 random(seed);
    for (std::size_t i = std::size_t(header); i < image.size(); ++i) {
        int noise =
            o.GroundNoise > 0 ? int(random() % unsigned(2 * o.GroundNoise + 1)) - o.GroundNoise : 0;
        image[i] = Clip(kCentre + o.GroundOffset + noise);
    }
    return image;
}
