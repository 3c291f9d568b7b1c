#pragma once
// One acquisition, whatever produced it: an HM read, a file opened again, and the instruments to
// come. It is an immutable snapshot, built once when a read ends and shared by every reader of it:
// the preview, the series, the exports, the transfer to Curvilab. Per channel it holds the name,
// the meaning and the unit, the samples in volts with the time of each, the converter's step and
// whether the trace ran off the screen, the scale and the offset it was shown at; and the screen
// it was taken on, so that a 12- or a 14-division scope draws as it showed.
//
// Its measurements are taken the first time a window asks for them and kept with it; a copy that
// only renames its channels shares them and its samples. Nothing is measured for the exports.
// Threads may share it: the first to ask measures, the others wait for that measure.
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/Measurements.h"

// From 2 to this many samples a channel, in the 32-bit program too.
constexpr std::size_t kMostSamples = 1000000;

enum class SourceKind { Hm305, Hm408, Scope, File };

struct AcquisitionSource {
    SourceKind Kind = SourceKind::Hm305;
    std::string Instrument; // 1252, as the texts name it: "Hameg", "RIGOL DS1054Z", a file's name
    std::string TimeOfDay;  // "14:32:05"; empty when unknown

    // An HM 305 or HM 408 read, whose outputs are the ones the program has always written.
    bool FromAnHm() const { return Kind == SourceKind::Hm305 || Kind == SourceKind::Hm408; }
};

struct AcquisitionScreen {
    int DivisionsAcross = 10, DivisionsUp = 8;
    double LeftTime = 0; // seconds at the left edge
    double SecondsPerDivision = 1;
    std::string TimeBaseText; // 1252: "5ms/div"; empty when the source shows none
};

struct AcquisitionChannel {
    std::string Name; // 1252, at most 32 characters from the main window
    std::string Meaning = "tension";
    std::string Unit = "V";
    std::shared_ptr<const ChannelSamples> Samples;
    double VoltsPerDivision = 1; // as the source gives it, believable or not
    double Offset = 0;           // volts at the screen's centre line
    std::string ScaleText;       // 1252: "200mV/div"; empty when the source shows none
    // The instrument's input, 1 for CH1 to 4 for CH4; 0 takes the channel's column (a file's).
    int Input = 0;
};

class Acquisition {
public:
    // `signalRows`: the samples that carry the signal, from the first; fewer than all of them in
    // a short HM 408 record, whose others are what the instrument's memory held. Throws
    // std::invalid_argument for no channel, for channels of different lengths or times, for
    // fewer than 2 or more than kMostSamples samples, and for fewer than 2 signal rows.
    Acquisition(AcquisitionSource source, AcquisitionScreen screen,
                std::vector<AcquisitionChannel> channels, std::size_t signalRows);

    const AcquisitionSource& Source() const { return source_; }
    const AcquisitionScreen& Screen() const { return screen_; }
    const std::vector<AcquisitionChannel>& Channels() const { return channels_; }
    const ChannelSamples& Samples(std::size_t channel) const { return *channels_[channel].Samples; }
    // The times, shared by every channel.
    const std::vector<double>& Times() const { return channels_.front().Samples->Times; }
    std::size_t SampleCount() const { return Times().size(); }
    // What is drawn and measured, and the rows of the Curvilab file and of the clipboard text;
    // the ASCII table writes every sample.
    std::size_t SignalRows() const { return signalRows_; }

    // The index of the channel of input `input`, or none when it was not read.
    std::optional<std::size_t> IndexOfInput(int input) const;
    // The signal's, taken the first time, then kept.
    const RecordMeasures& Measures() const;
    // The same acquisition with other channel names, sharing its samples and its measurements.
    std::shared_ptr<const Acquisition> Renamed(const std::vector<std::string>& names) const;

private:
    RecordMeasures Measure() const;

    AcquisitionSource source_;
    AcquisitionScreen screen_;
    std::vector<AcquisitionChannel> channels_;
    std::size_t signalRows_;
    struct Measured {
        std::once_flag Once;
        RecordMeasures Measures;
    };
    std::shared_ptr<Measured> measures_;
};

using AcquisitionPtr = std::shared_ptr<const Acquisition>;
