#pragma once
// The acquisition record: the raw bytes of the last memory read and of the last zero read, the
// two channels' settings and the time between samples, and the conversion of a stored byte into
// volts.
#include <array>
#include <cstdint>
#include <string>

constexpr int kSampleSlots = 5001; // entries 0..5000 of RawData and ZeroData
constexpr int kSamplesPerChannel = 2048;
constexpr int kShortRecordSamples = 205; // what a short HM 408 record hands on
constexpr int kCountsPerDivision = 25;
constexpr int32_t kCentreLine = 127; // the byte of the screen's centre line
constexpr std::size_t kMaxChannelName = 32;

// One channel's settings.
struct TvoieHameg {
    explicit TvoieHameg(bool secondChannel)
        : Offset(secondChannel ? kSamplesPerChannel : 0), Name(secondChannel ? "V2" : "V1") {}

    float Sensitivity = 1.0f; // volts per screen division
    int32_t Offset;           // index in RawData and ZeroData of the channel's sample 0
    std::string Name;         // at most kMaxChannelName characters
    std::string Meaning = "tension";
};

struct AcquisitionRecord {
    AcquisitionRecord() { ResetZero(); }

    std::array<int32_t, kSampleSlots> RawData{};
    std::array<int32_t, kSampleSlots> ZeroData{};
    float TimeStep = 0; // seconds between two samples of a channel
    std::array<TvoieHameg, 2> Channels{TvoieHameg(false), TvoieHameg(true)};

    bool DataComplete = false; // a valid acquisition is held
    uint8_t ChannelCount = 2;  // channels 1..ChannelCount are handed on
    bool ShortRecord = false;  // HM 408 only: outputs that honour it hand on 205 samples

    // Channel 1 or 2; throws std::out_of_range for any other number.
    TvoieHameg& Channel(int number);
    const TvoieHameg& Channel(int number) const;

    // No zero read: every sample's zero is the centre line.
    void ResetZero() { ZeroData.fill(kCentreLine); }

    // Rows of the outputs that honour ShortRecord.
    int RowCount() const { return ShortRecord ? kShortRecordSamples : kSamplesPerChannel; }

    // Time of row i in seconds, from the stored 32-bit step.
    double SampleTime(int row) const { return row * double(TimeStep); }
};

// Sample i of a channel as text: (raw - zero) x sensitivity / 25 volts, in G(5, 1) with the
// user's decimal separator. Throws std::out_of_range when the sample lies outside the arrays.
std::string FormatSample(const AcquisitionRecord& record, const TvoieHameg& channel,
                         uint16_t sample);

// FormatSample for every sample of one channel during one export. A sample's text depends only on
// its raw - zero difference, and bytes give few of those: each is formatted once.
class SampleTexts {
public:
    SampleTexts(const AcquisitionRecord& record, const TvoieHameg& channel);
    const std::string& operator()(uint16_t sample);

private:
    static constexpr long long kByteRange = 255;
    const AcquisitionRecord& record_;
    const TvoieHameg& channel_;
    std::array<std::string, 2 * kByteRange + 1> byDifference_; // empty: not formatted yet
    std::string outOfRange_;
};
