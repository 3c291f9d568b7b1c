// One acquisition from an HM record, and one of a million samples through a file and back.
#include "acquisition/Acquisition.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <stdexcept>

#include "acquisition/Record.h"
#include "common/NumberText.h"
#include "export/DataFile.h"
#include "export/DataReader.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

ChannelSamples Samples(std::size_t count, double step, double (*value)(double t)) {
    ChannelSamples samples;
    for (std::size_t i = 0; i < count; ++i) {
        double t = double(i) * step;
        samples.Times.push_back(t);
        samples.Values.push_back(value(t));
    }
    return samples;
}

Acquisition Made(std::vector<ChannelSamples> channels, std::size_t signalRows) {
    std::vector<AcquisitionChannel> made;
    for (ChannelSamples& samples : channels) {
        AcquisitionChannel channel;
        channel.Name = "V" + std::to_string(made.size() + 1);
        channel.Samples = std::make_shared<const ChannelSamples>(std::move(samples));
        made.push_back(std::move(channel));
    }
    return Acquisition({SourceKind::File, "essai", ""}, {}, std::move(made), signalRows);
}

// A file written a block at a time, as the program writes one.
class FileSink : public TextSink {
public:
    explicit FileSink(const std::string& path) : file_(path, std::ios::binary) {}
    void Write(std::string_view text) override {
        file_.write(text.data(), std::streamsize(text.size()));
    }

private:
    std::ofstream file_;
};

} // namespace

// Every sample of the channels handed on, in volts as the files write them (FormatSample read
// back), at the times they write; a short record's signal is its first 205 samples.
TEST(Acquisition, AnHmReadsSamplesAreTheNumbersItsFilesHold) {
    AcquisitionRecord record;
    std::mt19937 random(3);
    std::uniform_int_distribution<int32_t> byte(1, 254);
    for (std::size_t i = 0; i < record.RawData.size(); ++i) {
        record.RawData[i] = byte(random);
        record.ZeroData[i] = byte(random);
    }
    record.Channel(1).Sensitivity = 0.2f;
    record.Channel(2).Sensitivity = 0.005f;
    record.Channel(2).Offset = 2304; // a header between the channels
    record.TimeStep = 2.5e-7f;
    for (bool shortRecord : {false, true}) {
        record.ShortRecord = shortRecord;
        AcquisitionPtr read = AcquisitionOf(record, true, {"5µs", "200mV", "5mV"}, "10:00:00");
        ASSERT_EQ(read->Channels().size(), 2u);
        EXPECT_EQ(read->SampleCount(), 2048u);
        EXPECT_EQ(read->SignalRows(), shortRecord ? 205u : 2048u);
        EXPECT_EQ(read->Screen().SecondsPerDivision, double(2.5e-7f) * 200);
        for (int channel = 1; channel <= 2; ++channel) {
            const ChannelSamples& samples = read->Samples(std::size_t(channel - 1));
            EXPECT_EQ(samples.Step, double(record.Channel(channel).Sensitivity) / 25);
            for (int i = 0; i < 2048; ++i) {
                // (raw - zero) x sensitivity / 25 in 80-bit arithmetic, as the files write it.
                std::size_t k = std::size_t(record.Channel(channel).Offset + i);
                long double difference = record.RawData[k] - record.ZeroData[k];
                std::string written = FormatSample(
                    difference * (long double)record.Channel(channel).Sensitivity / 25);
                ASSERT_EQ(samples.Values[std::size_t(i)], std::strtod(written.c_str(), nullptr))
                    << "channel " << channel << " sample " << i;
                ASSERT_EQ(samples.Times[std::size_t(i)],
                          std::strtod(FormatRealDot(record.SampleTime(i)).c_str(), nullptr));
            }
        }
        EXPECT_TRUE(read->Measures().Channels[1].PeakToPeak.Value);
    }
    record.ChannelCount = 1;
    EXPECT_EQ(AcquisitionOf(record, false, {}, "")->Channels().size(), 1u);
    record.Channel(1).Offset = 5001 - 204;
    EXPECT_THROW(AcquisitionOf(record, false, {}, ""), std::out_of_range);
}

// A copy under other names shares the samples and the measures taken once.
TEST(Acquisition, RenamingMeasuresNothingAgain) {
    Acquisition first =
        Made({Samples(2048, 1e-5, [](double t) { return std::sin(2e3 * kPi * t); })}, 2048);
    const RecordMeasures& measured = first.Measures();
    AcquisitionPtr renamed = first.Renamed({"Ue"});
    EXPECT_EQ(renamed->Channels()[0].Name, "Ue");
    EXPECT_EQ(&renamed->Measures(), &measured);
    EXPECT_EQ(&renamed->Samples(0), &first.Samples(0));
}

TEST(Acquisition, HoldsFromTwoToAMillionSamplesOfOneLengthAndTime) {
    auto zero = [](double) { return 0.0; };
    EXPECT_THROW(Made({Samples(1, 1, zero)}, 1), std::invalid_argument);
    EXPECT_THROW(Made({Samples(kMostSamples + 1, 1, zero)}, 2), std::invalid_argument);
    EXPECT_THROW(Made({Samples(10, 1, zero), Samples(11, 1, zero)}, 10), std::invalid_argument);
    EXPECT_THROW(Made({Samples(10, 1, zero), Samples(10, 2, zero)}, 10), std::invalid_argument);
    EXPECT_THROW(Made({Samples(10, 1, zero)}, 11), std::invalid_argument);
    EXPECT_NO_THROW(Made({Samples(2, 1, zero)}, 2));
}

// Two channels of a million samples go to a file row by row, come back, and measure as they were:
// 12.5 periods of a sine and of another lagging by 30°.
TEST(Acquisition, AMillionSamplesSaveReopenAndMeasure) {
    auto first = [](double t) { return std::round(1000 * std::sin(2 * kPi * 12.5 * t)) / 1000; };
    auto second = [](double t) {
        return std::round(500 * std::sin(2 * kPi * 12.5 * t - kPi / 6)) / 1000;
    };
    Acquisition big = Made(
        {Samples(kMostSamples, 1e-6, first), Samples(kMostSamples, 1e-6, second)}, kMostSamples);
    std::string path = testing::TempDir() + "vexor-million.cv3";
    {
        FileSink out(path);
        WriteDataFile(out, big, "C:\\vexor.exe", true);
    }
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    std::remove(path.c_str());
    AcquisitionPtr again = AcquisitionOfFile(ReadDataFile(bytes.str(), true).Table, "million.cv3");
    ASSERT_EQ(again->SampleCount(), kMostSamples);
    EXPECT_EQ(again->Times()[999999], big.Times()[999999]);
    const RecordMeasures& measures = again->Measures();
    ASSERT_TRUE(measures.Channels[0].Frequency.Value);
    EXPECT_NEAR(*measures.Channels[0].Frequency.Value, 12.5, 0.125);
    ASSERT_TRUE(measures.Phase && measures.Phase->Degrees.Value);
    EXPECT_NEAR(*measures.Phase->Degrees.Value, -30, 1);
}
