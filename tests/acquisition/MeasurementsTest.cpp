#include "acquisition/Measurements.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>

#include "common/NumberText.h"
#include "common/Text1252.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kZero = 120; // off the centre line, so a missing subtraction shows

using Counts = std::function<double(int sample)>;

Counts Sine(double amplitude, double samplesPerPeriod, double lagDegrees = 0) {
    return [=](int i) {
        return amplitude * std::sin(2 * kPi * i / samplesPerPeriod - lagDegrees * kPi / 180);
    };
}

class SyntheticRecord : public ::testing::Test {
protected:
    SyntheticRecord() {
        record.TimeStep = 1e-5f;
        record.Channel(1).Sensitivity = 0.5f;
        record.Channel(2).Sensitivity = 0.5f;
    }
    void TearDown() override { SetDecimalSeparator('.'); }

    // Sample i of the channel lies counts(i) bytes, rounded, above its zero.
    void Fill(int channel, const Counts& counts) {
        int offset = record.Channel(channel).Offset;
        for (int i = 0; i < record.RowCount(); ++i) {
            record.ZeroData[std::size_t(offset + i)] = kZero;
            record.RawData[std::size_t(offset + i)] = kZero + int32_t(std::lround(counts(i)));
        }
    }
    ChannelMeasures Measures(int channel) {
        return MeasureChannel(SamplesInVolts(record, channel));
    }
    std::optional<double> Phase() {
        return PhaseShift(SamplesInVolts(record, 1), SamplesInVolts(record, 2));
    }
    static double Volts(double counts) { return counts * 0.5 / kCountsPerDivision; }
    double FrequencyOf(double samplesPerPeriod) const {
        return 1 / (samplesPerPeriod * double(record.TimeStep));
    }

    AcquisitionRecord record;
};

using MeasuredSamples = SyntheticRecord;
using MeasuredChannel = SyntheticRecord;
using MeasuredPhase = SyntheticRecord;
using EngineeringTexts = SyntheticRecord;

} // namespace

TEST_F(MeasuredSamples, AreTheNumbersTheExportsWriteAtTheSampleTimes) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int32_t> byte(0, 255);
    for (std::size_t i = 0; i < record.RawData.size(); ++i) {
        record.RawData[i] = byte(random);
        record.ZeroData[i] = byte(random);
    }
    record.Channel(1).Sensitivity = 0.2f;
    record.Channel(2).Sensitivity = 0.005f;
    record.Channel(2).Offset = 2304; // a header between the channels
    record.TimeStep = 2.5e-7f;
    for (int channel = 1; channel <= 2; ++channel) {
        ChannelSamples samples = SamplesInVolts(record, channel);
        ASSERT_EQ(samples.Values.size(), 2048u);
        ASSERT_EQ(samples.Times.size(), 2048u);
        for (int i = 0; i < 2048; ++i) {
            ASSERT_EQ(FormatGeneral(samples.Values[std::size_t(i)], 5, 1, '.'),
                      FormatSample(record, record.Channel(channel), uint16_t(i)))
                << "channel " << channel << " sample " << i;
            ASSERT_EQ(samples.Times[std::size_t(i)], record.SampleTime(i));
        }
    }
}

TEST_F(MeasuredSamples, FollowTheChannelCountAndTheShortRecord) {
    record.ShortRecord = true;
    EXPECT_EQ(SamplesInVolts(record, 2).Values.size(), 205u);
    record.ChannelCount = 1;
    EXPECT_EQ(SamplesInVolts(record, 1).Times.back(), record.SampleTime(204));
    EXPECT_THROW(SamplesInVolts(record, 2), std::out_of_range);
    EXPECT_THROW(SamplesInVolts(record, 0), std::out_of_range);
    record.Channel(1).Offset = 5001 - 204;
    EXPECT_THROW(SamplesInVolts(record, 1), std::out_of_range);
}

TEST_F(MeasuredChannel, ASineGivesItsPeakToPeakRmsAndFrequency) {
    for (double samplesPerPeriod : {60.7, 371.3, 910.0}) { // 33.7, 5.5 and 2.25 periods
        Fill(1, Sine(100, samplesPerPeriod));
        ChannelMeasures m = Measures(1);
        EXPECT_NEAR(m.PeakToPeak, Volts(200), Volts(1)) << samplesPerPeriod;
        EXPECT_NEAR(m.Maximum, Volts(100), Volts(1)) << samplesPerPeriod;
        EXPECT_NEAR(m.Minimum, Volts(-100), Volts(1)) << samplesPerPeriod;
        EXPECT_NEAR(m.Rms, Volts(100) / std::sqrt(2.0), 0.01 * Volts(100) / std::sqrt(2.0));
        ASSERT_TRUE(m.Frequency && m.Period) << samplesPerPeriod;
        EXPECT_NEAR(*m.Frequency, FrequencyOf(samplesPerPeriod),
                    0.005 * FrequencyOf(samplesPerPeriod));
        EXPECT_DOUBLE_EQ(*m.Period * *m.Frequency, 1);
    }
}

TEST_F(MeasuredChannel, ASquareWaveGivesItsMeanAndRms) {
    Fill(1, [](int i) { return i % 256 < 128 ? 60 : -20; }); // eight whole periods
    ChannelMeasures m = Measures(1);
    EXPECT_NEAR(m.Mean, Volts(20), 1e-12);
    EXPECT_NEAR(m.Rms, Volts(std::sqrt((60 * 60 + 20 * 20) / 2.0)), 1e-12);
    EXPECT_DOUBLE_EQ(m.PeakToPeak, Volts(80));
    ASSERT_TRUE(m.Frequency);
    EXPECT_NEAR(*m.Frequency, FrequencyOf(256), 1e-6 * FrequencyOf(256));
}

TEST_F(MeasuredChannel, NoiseAroundTheMeanMakesNoFalseCrossing) {
    std::mt19937 random(1);
    std::uniform_int_distribution<int> noise(-3, 3);
    Counts sine = Sine(60, 600); // slow enough to linger several samples in the noise
    Fill(1, [&](int i) { return sine(i) + noise(random); });
    ChannelMeasures m = Measures(1);
    ASSERT_TRUE(m.Frequency);
    EXPECT_NEAR(*m.Frequency, FrequencyOf(600), 0.005 * FrequencyOf(600));
}

TEST_F(MeasuredChannel, NoPeriodWithoutTwoCrossingsInTheSameDirection) {
    Fill(1, [](int) { return 10; });
    ChannelMeasures flat = Measures(1);
    EXPECT_EQ(flat.PeakToPeak, 0);
    EXPECT_NEAR(flat.Mean, Volts(10), 1e-12);
    EXPECT_NEAR(flat.Rms, Volts(10), 1e-12);
    EXPECT_FALSE(flat.Period);
    EXPECT_FALSE(flat.Frequency);
    EXPECT_EQ(EngineeringText(flat.Frequency, "Hz"), Cp1252("—"));
    EXPECT_EQ(EngineeringText(flat.Period, "s"), "\x97");

    Fill(1, [](int i) { return i < 700 ? -50 : i < 1400 ? 50 : -50; }); // one rising, one falling
    EXPECT_FALSE(Measures(1).Period);
    EXPECT_FALSE(MeasureChannel(ChannelSamples{}).Period);
}

TEST_F(MeasuredChannel, AShortRecordIsMeasuredOnItsOwnSamples) {
    Fill(1, [](int i) { return i % 2 ? 100 : -100; }); // beyond what a short record hands on
    record.ShortRecord = true;
    Fill(1, Sine(90, 50)); // four periods in 205 samples
    ChannelMeasures m = Measures(1);
    EXPECT_NEAR(m.PeakToPeak, Volts(180), Volts(1));
    ASSERT_TRUE(m.Frequency);
    EXPECT_NEAR(*m.Frequency, FrequencyOf(50), 0.005 * FrequencyOf(50));
}

TEST_F(MeasuredPhase, IsPositiveWhenTheSecondChannelLags) {
    record.Channel(2).Sensitivity = 0.2f; // the phase ignores the amplitudes
    for (double lag : {45.0, 90.0, -45.0, -90.0}) {
        Fill(1, Sine(100, 300.3));
        Fill(2, Sine(40, 300.3, lag));
        auto phase = Phase();
        ASSERT_TRUE(phase) << lag;
        EXPECT_NEAR(*phase, lag, 2);
    }
    Fill(2, Sine(40, 300.3, 270)); // three quarters late is a quarter early
    EXPECT_NEAR(Phase().value_or(0), -90, 2);
}

TEST_F(MeasuredPhase, NeedsBothPeriodsWithinOnePercent) {
    Fill(1, Sine(100, 300));
    Fill(2, Sine(100, 302)); // 0.7 % apart
    EXPECT_TRUE(Phase());
    Fill(2, Sine(100, 306)); // 2 % apart
    EXPECT_FALSE(Phase());
    Fill(2, [](int) { return 0; });
    EXPECT_FALSE(Phase());
    EXPECT_EQ(DegreeText(Phase()), Cp1252("—"));
}

TEST_F(EngineeringTexts, ThreeDigitsAPrefixAndTheUnitWithTheUsersSeparator) {
    SetDecimalSeparator(',');
    EXPECT_EQ(EngineeringText(-1.5, "V"), "-1,5 V");
    EXPECT_EQ(EngineeringText(250e-6, "s"), "250 \xB5s");
    EXPECT_EQ(EngineeringText(1.2, "V"), "1,2 V");
    EXPECT_EQ(EngineeringText(50.0, "Hz"), "50 Hz");
    EXPECT_EQ(EngineeringText(0.02, "s"), "20 ms");
    EXPECT_EQ(EngineeringText(2500.0, "Hz"), "2,5 kHz");
    EXPECT_EQ(EngineeringText(0.0, "V"), "0 V");
    EXPECT_EQ(EngineeringText(-0.0, "V"), "0 V");
    EXPECT_EQ(EngineeringText(12.345, "V"), "12,3 V");
    EXPECT_EQ(EngineeringText(1234567.0, "Hz"), "1,23 MHz");
    EXPECT_EQ(EngineeringText(3.3e-9, "s"), "3,3 ns");
    EXPECT_EQ(EngineeringText(float(0.2f * 3 / 25), "V"), "24 mV");
    EXPECT_EQ(EngineeringText(1.69e-21, "V"), "0 V"); // what a sum leaves of a zero mean
    EXPECT_EQ(EngineeringText(-4e-13, "V"), "0 V");
    SetDecimalSeparator('.');
    EXPECT_EQ(EngineeringText(-1.5, "V"), "-1.5 V");
    EXPECT_EQ(EngineeringText(2500.0, "Hz"), "2.5 kHz");
    EXPECT_EQ(EngineeringText(1.25e-5, "s"), Cp1252("12.5 µs"));
}

TEST_F(EngineeringTexts, RoundingCanCarryToTheNextPrefix) {
    EXPECT_EQ(EngineeringText(999.96e-6, "s"), "1 ms");
    EXPECT_EQ(EngineeringText(-999.7, "V"), "-1 kV");
    EXPECT_EQ(EngineeringText(999.4, "Hz"), "999 Hz");
}

TEST_F(EngineeringTexts, DegreesAreWholeOrHaveOneDecimal) {
    SetDecimalSeparator(',');
    EXPECT_EQ(DegreeText(45.0), "45\xB0");
    EXPECT_EQ(DegreeText(-90.0), Cp1252("-90°"));
    EXPECT_EQ(DegreeText(12.5), Cp1252("12,5°"));
    EXPECT_EQ(DegreeText(-0.46), Cp1252("-0,5°"));
    EXPECT_EQ(DegreeText(179.97), Cp1252("180°"));
    EXPECT_EQ(DegreeText(0.02), Cp1252("0°"));
    SetDecimalSeparator('.');
    EXPECT_EQ(DegreeText(12.5), Cp1252("12.5°"));
    EXPECT_EQ(DegreeText(std::nullopt), Cp1252("—"));
}

TEST(PlotMapping, CornersAndCentreOfTheScreen) {
    const PlotArea area{20, 10, 501, 401};
    const double perDivision = 1e-3, voltsPerDivision = 0.5;
    EXPECT_EQ(PlotX(area, 0, perDivision), 20);
    EXPECT_EQ(PlotX(area, 10e-3, perDivision), 520);
    EXPECT_EQ(PlotX(area, 5e-3, perDivision), 270);
    EXPECT_EQ(PlotY(area, 2.0, voltsPerDivision), 10);
    EXPECT_EQ(PlotY(area, -2.0, voltsPerDivision), 410);
    EXPECT_EQ(PlotY(area, 0, voltsPerDivision), 210);
    EXPECT_EQ(PlotY(area, 0.5, voltsPerDivision), 160); // one division up
}

TEST(PlotMapping, ATraceOffTheScreenRunsAlongItsEdge) {
    const PlotArea area{20, 10, 501, 401};
    EXPECT_EQ(PlotX(area, -1e-3, 1e-3), 20);
    EXPECT_EQ(PlotX(area, 11e-3, 1e-3), 520);
    EXPECT_EQ(PlotY(area, 2.5, 0.5), 10);
    EXPECT_EQ(PlotY(area, -1e9, 0.5), 410);
    EXPECT_EQ(PlotY(area, 1.0, 0), 10);
}

TEST(PlotMapping, AColumnGivesTheNearestSample) {
    const PlotArea area{20, 10, 501, 401};
    AcquisitionRecord record;
    record.TimeStep = 5e-6f; // 2000 samples on the 10 divisions of 1 ms
    EXPECT_EQ(SampleNearX(area, 20, 1e-3, record), 0);
    EXPECT_EQ(SampleNearX(area, 270, 1e-3, record), 1000);
    EXPECT_EQ(SampleNearX(area, 520, 1e-3, record), 2000);
    EXPECT_EQ(SampleNearX(area, 0, 1e-3, record), 0);
    EXPECT_EQ(SampleNearX(area, 520, 2e-3, record), 2047);
    record.ShortRecord = true;
    EXPECT_EQ(SampleNearX(area, 520, 1e-3, record), 204);
}
