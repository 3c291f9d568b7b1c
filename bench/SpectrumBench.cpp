// Benchmark: the spectrum and the harmonic table of one channel, as the spectrum window takes
// them: an HM record's 2048 samples, and a million samples of a network scope's memory. Run in
// the 32-bit program, whose x87 arithmetic is the slower.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "acquisition/Spectrum.h"
#include "bench/Seconds.h"

namespace {

// A square wave of 8-bit codes with a little noise, 37.3 periods over the record.
ChannelSamples Square(std::size_t count) {
    ChannelSamples samples;
    samples.Step = 0.04;
    unsigned noise = 1;
    for (std::size_t i = 0; i < count; ++i) {
        noise = noise * 1103515245u + 12345u;
        double phase = std::fmod(37.3 * double(i) / double(count), 1.0);
        double code = (phase < 0.5 ? 75 : -75) + double(noise >> 30);
        samples.Times.push_back(double(i) * 1e-6);
        samples.Values.push_back(code * samples.Step);
    }
    return samples;
}

double MedianMs(const ChannelSamples& samples, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double start = Seconds();
        Spectrum spectrum = SpectrumOf(samples, SpectrumWindow::FlatTop);
        HarmonicTable table = HarmonicsOf(spectrum);
        times.push_back((Seconds() - start) * 1000);
        if (table.Reason != Why::None) return -1;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main() {
    std::printf("spectrum_2048_ms %.4f\n", MedianMs(Square(2048), 41));
    std::printf("spectrum_1m_ms %.3f\n", MedianMs(Square(1000000), 7));
    return 0;
}
