// Run under ThreadSanitizer: one acquisition shared by two threads, as an HM sweep shares its
// image between the window's preview and the sweep's worker, each measuring it at once. The
// sanitizer fails the run on a data race; the two threads must also read the same measures.
#include <cmath>
#include <cstdio>
#include <memory>
#include <thread>

#include "acquisition/Acquisition.h"

namespace {

AcquisitionPtr TwoSines() {
    std::vector<AcquisitionChannel> channels(2);
    for (std::size_t c = 0; c < 2; ++c) {
        ChannelSamples samples;
        for (int i = 0; i < 20000; ++i) {
            samples.Times.push_back(i * 1e-6);
            samples.Values.push_back(std::sin(2 * 3.141592653589793 * 1000 * i * 1e-6 - 0.5 * c));
        }
        channels[c].Input = int(c) + 1;
        channels[c].Samples = std::make_shared<const ChannelSamples>(std::move(samples));
    }
    return std::make_shared<const Acquisition>(AcquisitionSource{SourceKind::Scope, "", ""},
                                               AcquisitionScreen{}, std::move(channels), 20000);
}

} // namespace

int main() {
    for (int round = 0; round < 20; ++round) {
        AcquisitionPtr shared = TwoSines();
        std::optional<double> seen[2];
        std::thread worker([&] { seen[0] = shared->Measures().Channels[0].Frequency.Value; });
        seen[1] = shared->Measures().Channels[0].Frequency.Value;
        worker.join();
        if (!seen[0] || seen[0] != seen[1] || std::abs(*seen[0] - 1000) > 1) {
            std::fprintf(stderr, "round %d: the threads read different measures\n", round);
            return 1;
        }
    }
    std::puts("two threads measured one acquisition alike");
    return 0;
}
