// The simulator's images: what the component and end-to-end tests compare against.
#include <cmath>
#include <gtest/gtest.h>

#include "acquisition/Measurements.h"
#include "tools/hameg-sim/Image.h"
#include "tools/hameg-sim/Options.h"

namespace {

// Channel 0 or 1 of an HM 305 image as the program converts it, its zero on the centre line.
ChannelSamples Channel(const std::vector<uint8_t>& image, int channel, double timeStep,
                       double voltsPerDivision) {
    ChannelSamples samples;
    samples.Step = voltsPerDivision / 25;
    for (int i = 0; i < 2048; ++i) {
        samples.Times.push_back(i * timeStep);
        samples.Values.push_back((image[std::size_t(channel * 2048 + i)] - 127) * samples.Step);
    }
    return samples;
}

} // namespace

TEST(HamegSimImage, Hm305ImageIsTwoChannelsAroundTheCentreLine) {
    Options options;
    options.Channel[0] = {Wave::Square, 2, 1, 0};
    options.Channel[1] = {Wave::Flat, 0, 1, -1};
    auto image = SignalImage(options);
    ASSERT_EQ(image.size(), 4096u);
    EXPECT_EQ(image[0], 127 + 50);    // square, first half: +2 divisions
    EXPECT_EQ(image[1500], 127 - 50); // second half
    EXPECT_EQ(image[2048], 127 - 25); // channel 2: flat at -1 division
    EXPECT_EQ(image[4095], 127 - 25);
}

TEST(HamegSimImage, SignalsAreClippedToOneByte) {
    Options options;
    options.Channel[0] = {Wave::Flat, 0, 1, 9};
    options.Channel[1] = {Wave::Flat, 0, 1, -9};
    auto image = SignalImage(options);
    EXPECT_EQ(image[10], 255);
    EXPECT_EQ(image[3000], 0);
}

TEST(HamegSimImage, Hm408ImageCarriesTheHeaderFlagsAndSettings) {
    Options options;
    options.Hm408 = true;
    options.TwoChannels = false;
    options.ShortRecord = true;
    options.HoldUp = true;
    options.Settings = "CH1=2V TB=5ms";
    auto image = SignalImage(options);
    ASSERT_EQ(image.size(), 4352u);
    EXPECT_NE(image[0], 0);
    EXPECT_EQ(image[2], 2); // one channel
    EXPECT_EQ(image[8], 1);
    EXPECT_EQ(image[9], 1);
    EXPECT_EQ(std::string(image.begin() + 16, image.begin() + 29), "CH1=2V TB=5ms");
    auto zero = ZeroImage(options, 1);
    EXPECT_EQ(zero[9], 0); // the zero image has its own HOLD flag
    EXPECT_EQ(zero[300], 127);
}

TEST(HamegSimImage, EmptyMemoryLooksEmptyToEachModel) {
    Options options;
    options.Empty = true;
    auto hm305 = SignalImage(options);
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(hm305[std::size_t(i)], 255);
    options.Hm408 = true;
    EXPECT_EQ(SignalImage(options)[0], 0);
}

TEST(HamegSimImage, ZeroImageHasItsOffsetAndBoundedNoise) {
    Options options;
    options.GroundOffset = 3;
    options.GroundNoise = 2;
    auto zero = ZeroImage(options, 7);
    ASSERT_EQ(zero.size(), 4096u);
    bool varies = false;
    for (uint8_t b : zero) {
        ASSERT_GE(b, 128);
        ASSERT_LE(b, 132);
        varies |= b != zero[0];
    }
    EXPECT_TRUE(varies);
}

TEST(HamegSimOptions, RefusesUnknownNamesAndBadValues) {
    Options options;
    std::string error;
    EXPECT_TRUE(SetOption(options, "model", "hm408", error));
    EXPECT_TRUE(options.Hm408);
    EXPECT_TRUE(SetOption(options, "ch1", "triangle:1.5:4:0.5", error));
    EXPECT_EQ(options.Channel[0].Shape, Wave::Triangle);
    EXPECT_DOUBLE_EQ(options.Channel[0].Offset, 0.5);
    EXPECT_TRUE(SetOption(options, "short", "", error));
    EXPECT_TRUE(options.ShortRecord);
    EXPECT_FALSE(SetOption(options, "model", "hm999", error));
    EXPECT_FALSE(SetOption(options, "truncate", "12x", error));
    EXPECT_FALSE(SetOption(options, "colour", "red", error));
    EXPECT_EQ(error, "unknown option: colour");
}

TEST(HamegSimOptions, ReadPhasesDutiesNoiseAndTheFilterBench) {
    const struct {
        const char *name, *value;
        bool valid;
    } cases[] = {
        {"ch2", "sine:2:3:0:-45", true},
        {"ch1", "pulse:3.2:20:0:0:2", true},
        {"ch1", "pulse:1:1:0:0:150", false},
        {"ch1", "sine:1:2:0:0:50:9", false},
        {"ch1", "sine:1:x", false},
        {"signal-noise", "3", true},
        {"signal-noise", "-1", false},
        {"signal-gauss", "1.5", true},
        {"noise-seed", "x", false},
        {"filter", "high-pass:150", true},
        {"filter", "band-pass:150", false},
        {"filter", "low-pass:0", false},
        {"filter", "none", true},
        {"generator", "500:2", true},
        {"generator", "-1", false},
        {"time-base", "2e-4", true},
        {"time-base", "0", false},
        {"sensitivity2", "0.05", true},
    };
    for (const auto& c : cases) {
        Options options;
        std::string error;
        EXPECT_EQ(SetOption(options, c.name, c.value, error), c.valid) << c.name << " " << c.value;
    }
    Options options;
    std::string error;
    ASSERT_TRUE(SetOption(options, "ch2", "pulse:1:4:0.5:-30:20", error));
    EXPECT_EQ(options.Channel[1].Shape, Wave::Pulse);
    EXPECT_DOUBLE_EQ(options.Channel[1].Phase, -30);
    EXPECT_DOUBLE_EQ(options.Channel[1].Duty, 20);
    ASSERT_TRUE(SetOption(options, "ch2", "sine:2", error)); // a shorter form keeps the rest
    EXPECT_DOUBLE_EQ(options.Channel[1].Phase, -30);
    EXPECT_FALSE(SetOption(options, "ch2", "sine:3:x", error)); // a bad one changes nothing
    EXPECT_DOUBLE_EQ(options.Channel[1].Amplitude, 2);
    ASSERT_TRUE(SetOption(options, "generator", "250", error));
    EXPECT_DOUBLE_EQ(options.Bench.Frequency, 250);
    EXPECT_DOUBLE_EQ(options.Bench.Amplitude, 1);
}

TEST(HamegSimImage, ShapesFollowTheirPhaseAndDuty) {
    Options options;
    options.Channel[0] = {Wave::Sine, 3, 8, 0};
    options.Channel[1] = {Wave::Sine, 2, 8, 0, -45}; // lags by 45 degrees
    auto image = SignalImage(options);
    auto phase = MeasurePhase(Channel(image, 0, 1e-5, 1), Channel(image, 1, 1e-5, 1));
    EXPECT_NEAR(phase.Degrees.Value.value_or(0), -45, 0.5);
    options.Channel[0] = {Wave::Pulse, 3.2, 20, 0, 0, 2};
    ChannelMeasures pulse = MeasureChannel(Channel(SignalImage(options), 0, 1e-5, 1));
    EXPECT_NEAR(pulse.Frequency.Value.value_or(0), 20 / 2048e-5, 0.1);
    EXPECT_NEAR(pulse.DutyCycle.Value.value_or(0), 2, 0.5);
    EXPECT_NEAR(pulse.PeakToPeak.Value.value_or(0), 6.4, 1e-9);
}

TEST(HamegSimImage, SignalNoiseIsBoundedAndTheSameForTheSameSeed) {
    Options options;
    options.Channel[0] = {Wave::Sine, 2, 3, 0};
    options.Channel[1] = {Wave::Flat, 0, 1, 0};
    auto clean = SignalImage(options);
    options.SignalNoise = 3;
    options.NoiseSeed = 7;
    auto noisy = SignalImage(options);
    EXPECT_EQ(SignalImage(options), noisy);
    int largest = 0;
    for (std::size_t i = 0; i < noisy.size(); ++i)
        largest = std::max(largest, std::abs(noisy[i] - clean[i]));
    EXPECT_EQ(largest, 3);
    options.NoiseSeed = 8;
    EXPECT_NE(SignalImage(options), noisy);
    options.SignalNoise = 0;
    options.SignalGauss = 2;
    auto gauss = SignalImage(options);
    double squares = 0;
    for (std::size_t i = 2048; i < 4096; ++i) squares += (gauss[i] - 127) * (gauss[i] - 127);
    EXPECT_NEAR(std::sqrt(squares / 2048), 2, 0.15);
}

// What a student measures on each channel of the bench: gain and phase of a first-order filter.
TEST(HamegSimImage, TheFilterBenchShowsTheFiltersGainAndPhase) {
    const struct {
        const char* filter;
        double frequency, timeBase, volts2; // Hz, s/div, V/div of channel 2
        double gain, degrees;
    } cases[] = {
        {"low-pass:1000", 1000, 1e-3, 1, 1 / std::sqrt(2.0), -45},
        {"low-pass:1000", 10000, 1e-4, 0.1, 0.0995, -84.29},
        {"low-pass:1000", 200, 5e-3, 1, 0.9806, -11.31},
        {"high-pass:1000", 1000, 1e-3, 1, 1 / std::sqrt(2.0), 45},
        {"high-pass:1000", 200, 5e-3, 0.2, 0.1961, 78.69},
        {"circuit", 1000, 1e-3, 0.5, 0.3, 120}, // a band-pass's, as scpi-sim states it
    };
    for (const auto& c : cases) {
        Options options;
        std::string error;
        ASSERT_TRUE(SetOption(options, "filter", c.filter, error));
        ASSERT_TRUE(SetOption(options, "generator", std::to_string(c.frequency) + ":2", error));
        ASSERT_TRUE(SetOption(options, "time-base", std::to_string(c.timeBase), error));
        ASSERT_TRUE(SetOption(options, "sensitivity1", "1", error));
        ASSERT_TRUE(SetOption(options, "sensitivity2", std::to_string(c.volts2), error));
        options.Bench.Gain = c.gain;
        options.Bench.Degrees = c.degrees;
        auto image = SignalImage(options);
        double step = c.timeBase * 10 / 2000;
        ChannelSamples in = Channel(image, 0, step, 1), out = Channel(image, 1, step, c.volts2);
        ChannelMeasures input = MeasureChannel(in), output = MeasureChannel(out);
        ASSERT_TRUE(input.Rms.Value && output.Rms.Value && input.Frequency.Value);
        EXPECT_NEAR(*input.Frequency.Value, c.frequency, 0.002 * c.frequency) << c.filter;
        EXPECT_NEAR(*input.PeakToPeak.Value, 4, 0.04) << c.filter;
        EXPECT_NEAR(*output.Rms.Value / *input.Rms.Value, c.gain, 0.02 * c.gain)
            << c.filter << " at " << c.frequency;
        EXPECT_NEAR(MeasurePhase(in, out).Degrees.Value.value_or(0), c.degrees, 1)
            << c.filter << " at " << c.frequency;
    }
    Options hm408;
    hm408.Hm408 = true;
    std::string error;
    for (const char* setting : {"filter low-pass:500", "time-base 0.0005", "sensitivity2 0.2"}) {
        std::string text = setting;
        ASSERT_TRUE(SetOption(hm408, text.substr(0, text.find(' ')),
                              text.substr(text.find(' ') + 1), error));
    }
    EXPECT_EQ(SettingsText(hm408), "CH1=1V CH2=200mV TB=500us");
    auto image = SignalImage(hm408);
    EXPECT_EQ(std::string(image.begin() + 16, image.begin() + 41), "CH1=1V CH2=200mV TB=500us");
}
