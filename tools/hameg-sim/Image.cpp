#include "tools/hameg-sim/Image.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr double kCountsPerDivision = 25;
constexpr int kCentre = 127;

uint8_t Clip(double counts) { return uint8_t(std::clamp(std::lround(counts), 0L, 255L)); }

double WaveAt(const ChannelSignal& s, int sample) {
    double phase = std::fmod(s.Periods * sample / kChannelSamples, 1.0);
    switch (s.Shape) {
    case Wave::Sine: return std::sin(2 * M_PI * phase);
    case Wave::Square: return phase < 0.5 ? 1 : -1;
    case Wave::Triangle: return phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase;
    case Wave::Flat: return 0;
    }
    return 0;
}

// The HM 408's header: flag bytes and, from byte 16 on, the settings text.
void WriteHeader(std::vector<uint8_t>& image, const Options& o, bool holdUp) {
    std::fill(image.begin(), image.begin() + kHeaderBytes, ' ');
    image[0] = o.Empty ? 0 : 'H';
    image[2] = o.TwoChannels ? 1 : 2;
    image[8] = o.ShortRecord ? 1 : 0;
    image[9] = holdUp ? 1 : 0;
    for (std::size_t i = 0; i < o.Settings.size() && 16 + i < kHeaderBytes; ++i)
        image[16 + i] = uint8_t(o.Settings[i]);
}

} // namespace

std::vector<uint8_t> SignalImage(const Options& o) {
    int header = o.Hm408 ? kHeaderBytes : 0;
    std::vector<uint8_t> image(std::size_t(header + 2 * kChannelSamples));
    if (o.Hm408) WriteHeader(image, o, o.HoldUp);
    for (int channel = 0; channel < 2; ++channel) {
        const ChannelSignal& s = o.Channel[channel];
        for (int i = 0; i < kChannelSamples; ++i)
            image[std::size_t(header + channel * kChannelSamples + i)] =
                Clip(kCentre + kCountsPerDivision * (s.Offset + s.Amplitude * WaveAt(s, i)));
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
