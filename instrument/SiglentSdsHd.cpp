// Siglent's newer command set (SDS800X HD, SDS1000X HD, SDS2000X Plus, SDS2000X HD): the
// ":WAVeform" commands, 10 divisions across, the channel's scale and codes described by a binary
// descriptor, 8-bit codes or, from a converter of more bits, 16-bit words. Some firmware writes
// the sample count where a block of words should give its bytes.
// Siglent's programming guide for the newer set (SDS800X HD/1000X HD/2000X Plus): :TRIGger:
// STATus?/MODE/RUN/STOP (pp. 482-484), :TIMebase:SCALe? (p. 476), :ACQuire:POINts?/SRATe? (pp.
// 43, 46), :CHANnel<n>:SWITch?/SCALe?/OFFSet? (pp. 56-58), its :WAVeform chapter (SOURce, STARt,
// INTerval, POINt, WIDTh, BYTeorder, PREamble?, DATA?; MAXPoint? p. 753); the descriptor's fields
// at the offsets of the WAVEDESC parser in Siglent's own programming example (vertical gain 156,
// offset 160, codes a division 164, ADC bits 172, interval 176, probe 328); volts = code / codes a
// division x scale x probe - offset x probe. The sweep's settings: :TIMebase:SCALe,
// :CHANnel<n>:SCALe/OFFSet/PROBe/SWITch, :TRIGger:TYPE, :TRIGger:EDGE:SOURce/SLOPe/LEVel,
// :TRIGger:MODE, :TRIGger:RUN/STOP (pp. 56-58 and 476-495).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/Words.h"
#include "instrument/Preambles.h"
#include "instrument/ScopeDialect.h"

namespace {

template <class T> T Field(const std::vector<uint8_t>& block, std::size_t at) {
    // The descriptor is little-endian, as are the machines the program runs on.
    T value;
    std::memcpy(&value, block.data() + at, sizeof value);
    return value;
}

// The code of sample `i`: a signed byte, or a word of the converter's bits in two's complement.
int Code(const std::vector<uint8_t>& codes, std::size_t i, int wordBits) {
    if (wordBits == 0) return int(int8_t(codes[i]));
    unsigned bits = unsigned(wordBits);
    unsigned word = (codes[2 * i] | unsigned(codes[2 * i + 1]) << 8) & ((1u << bits) - 1);
    return word >= 1u << (bits - 1) ? int(word) - int(1u << bits) : int(word);
}

ScopeChannel ReadChannel(ScpiSession& session, int number, std::size_t points,
                         const TransferProgress& progress, double& sampleTime) {
    ScopeChannel channel;
    channel.Number = number;
    session.Send(":WAV:SOUR C" + std::to_string(number));
    BlockRequest describe;
    describe.Limit = kSiglentDescriptorSize;
    SiglentDescriptor descriptor =
        ParseSiglentDescriptor(session.QueryBlock(":WAV:PRE?", describe));
    bool words = descriptor.ConverterBits > 8;
    std::size_t width = words ? 2 : 1;
    session.Send(words ? ":WAV:WIDT WORD" : ":WAV:WIDT BYTE");
    if (words) session.Send(":WAV:BYT LSB");

    BlockRequest data;
    data.Limit = points * width;
    data.LineEnds = 2;
    data.Progress = progress;
    if (words)
        data.Adjust = [points](std::size_t announced) {
            return announced == points ? 2 * announced : announced;
        };
    std::vector<uint8_t> codes = session.QueryBlock(":WAV:DATA?", data);
    if (codes.size() % width != 0) throw EInstrumentError(InstrumentFault::ShortBlock);

    channel.VoltsPerDivision = descriptor.VoltsPerDivision * descriptor.Probe;
    double offset = descriptor.Offset * descriptor.Probe;
    channel.Offset = -offset;
    channel.Step = channel.VoltsPerDivision / descriptor.CodesPerDivision;
    int wordBits = words ? descriptor.ConverterBits : 0;
    int lowest = -(1 << (words ? wordBits - 1 : 7)), highest = -lowest - 1;
    channel.Volts.resize(codes.size() / width);
    for (std::size_t i = 0; i < channel.Volts.size(); ++i) {
        int code = Code(codes, i, wordBits);
        channel.ClippedLow |= code == lowest;
        channel.ClippedHigh |= code == highest;
        channel.Volts[i] = code * channel.Step - offset;
    }
    sampleTime = descriptor.SampleInterval * double(descriptor.Sparsing);
    return channel;
}

// Every `sparsing`th sample of the screen's, so that at most kMostScreenPoints are read.
std::size_t ChooseScreenPoints(ScpiSession& session) {
    double samples = AnswerNumber(session.Query(":ACQ:POIN?"));
    if (!(samples >= 2) || samples > 1e10)
        throw EInstrumentError(InstrumentFault::BadPreamble, ":ACQ:POIN");
    std::size_t sparsing = std::size_t(std::ceil(samples / double(kMostScreenPoints)));
    std::size_t points = std::size_t(samples) / sparsing;
    session.Send(":WAV:STAR 0");
    session.Send(":WAV:INT " + std::to_string(sparsing));
    session.Send(":WAV:POIN " + std::to_string(points));
    return points;
}

} // namespace

SiglentDescriptor ParseSiglentDescriptor(const std::vector<uint8_t>& block) {
    auto bad = [](const char* what) {
        return EInstrumentError(InstrumentFault::BadPreamble, what);
    };
    if (block.size() < kSiglentDescriptorSize || std::memcmp(block.data(), "WAVEDESC", 8) != 0)
        throw bad("WAVEDESC");
    SiglentDescriptor d;
    d.VoltsPerDivision = Field<float>(block, 156);
    d.Offset = Field<float>(block, 160);
    d.CodesPerDivision = Field<float>(block, 164);
    d.ConverterBits = Field<int16_t>(block, 172);
    d.SampleInterval = Field<float>(block, 176);
    int32_t sparsing = Field<int32_t>(block, 136);
    d.Probe = Field<float>(block, 328);
    d.Sparsing = std::size_t(std::clamp(sparsing, 1, 1 << 30));
    if (!(d.VoltsPerDivision > 0) || !std::isfinite(d.VoltsPerDivision)) throw bad("gain");
    if (!std::isfinite(d.Offset) || std::fabs(d.Offset) > 1e6) throw bad("offset");
    if (!(d.CodesPerDivision >= 1) || d.CodesPerDivision > 1e6) throw bad("codes");
    if (d.ConverterBits < 8 || d.ConverterBits > 16) throw bad("bits");
    if (!(d.SampleInterval > 0) || !std::isfinite(d.SampleInterval)) throw bad("interval");
    if (!(d.Probe > 0) || d.Probe > 1e5) throw bad("probe");
    return d;
}

namespace {

bool Serves(const std::string& make, const std::string& model) {
    return make.find("SIGLENT") != std::string::npos &&
           (model.find("X HD") != std::string::npos || model.find("XHD") != std::string::npos ||
            model.find("X PLUS") != std::string::npos || model.find("X+") != std::string::npos);
}

std::vector<ScopeChannel> Read(ScpiSession& session, const ScopeIdentity& identity,
                               ScopeScreen& screen, const ScopeRequest& request) {
    screen.SecondsPerDivision = AnswerNumber(session.Query(":TIM:SCAL?"));
    std::vector<int> shown;
    for (int number = 1; number <= identity.Channels; ++number)
        if (AnswerWord(session.Query(":CHAN" + std::to_string(number) + ":SWIT?")) == "ON")
            shown.push_back(number);
    if (shown.empty()) return {};
    std::size_t points = ChooseScreenPoints(session);
    return ReadEachShown(shown, request, [&](int number, const TransferProgress& progress) {
        return ReadChannel(session, number, points, progress, screen.SampleTime);
    });
}

std::string Resume(ScpiSession& session) {
    if (StartsWith(AnswerWord(session.Query(":TRIG:STAT?")), "STOP")) return "";
    return StartsWith(AnswerWord(session.Query(":TRIG:MODE?")), "SING") ? ":TRIG:MODE SING"
                                                                        : ":TRIG:RUN";
}

} // namespace

extern const ScopeDialect kSiglentSdsHd{
    .Family = "Siglent SDS800X HD, SDS1000X HD, SDS2000X Plus, SDS2000X HD",
    .Guide = "Siglent's programming guide for SDS800X HD/1000X HD/2000X Plus",
    .Serves = Serves,
    .ReadChannels = Read,
    .Resume = Resume,
    .Headers = "CHDR",
    .Settings =
        {
            .TimeBase = ":TIM:SCAL",
            .Scale = ":CHAN%d:SCAL",
            .Offset = ":CHAN%d:OFFS",
            .Probe = ":CHAN%d:PROB?",
            .ProbeAsGain = false,
            .Shown = ":CHAN%d:SWIT",
            .ShownOn = "ON",
            .OffsetIs = OffsetMeaning::CentreLevelNegated,
            .Trigger = {{":TRIG:TYPE", "EDGE"},
                        {":TRIG:EDGE:SOUR", "C%d"},
                        {":TRIG:EDGE:SLOP", "RIS"},
                        {":TRIG:EDGE:LEV", "%s"},
                        {":TRIG:MODE", "AUTO"}},
            .Run = ":TRIG:RUN",
            .Stop = ":TRIG:STOP",
        },
    .DivisionsAcross = 10,
    .Ports = {5025},
    .OwnGenerator = nullptr,
};
