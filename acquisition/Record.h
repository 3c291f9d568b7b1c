#pragma once
// The acquisition record: the raw bytes of the last memory read and of the last zero read, the
// two channels' settings and the time between samples, and the conversion of a stored byte into
// volts.
#include <array>
#include <cstdint>
#include <string>

#include "acquisition/Acquisition.h"

constexpr int kSampleSlots = 5001; // entries 0..5000 of RawData and ZeroData
constexpr int kSamplesPerChannel = 2048;
constexpr int kShortRecordSamples = 205; // what a short HM 408 record hands on
constexpr int kCountsPerDivision = 25;
constexpr int kScreenDivisions = 10; // across the instrument's screen
constexpr int kScreenSamples = 2000; // across it: 200 a division
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

// What the main window shows of the settings an acquisition was read with: "5ms/div",
// "200mV/div".
struct SettingsTexts {
    std::string TimeBase, Sensitivity1, Sensitivity2;
    bool operator==(const SettingsTexts&) const = default;
};

// The acquisition an HM read hands on: every sample of the channels handed on, in volts as the
// exports write them (FormatSample read back), at the times they write (i x the 32-bit step in
// G(6, 2), read back), on the instrument's screen of 10 x 8 divisions with 0 V on its centre
// line. A short record's signal is its first 205 samples; the others are what the memory held.
// Throws std::out_of_range for a channel whose samples lie outside the arrays.
AcquisitionPtr AcquisitionOf(const AcquisitionRecord& record, bool hm408,
                             const SettingsTexts& texts, const std::string& timeOfDay);
