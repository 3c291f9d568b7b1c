// The simulator's images: what the component and end-to-end tests compare against.
#include <gtest/gtest.h>

#include "tools/hameg-sim/Image.h"
#include "tools/hameg-sim/Options.h"

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
