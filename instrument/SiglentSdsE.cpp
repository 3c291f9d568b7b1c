// Siglent SDS1000X-E and SDS2000X-E: replies without headers once "CHDR OFF" is sent, 14
// divisions across, the settings asked one by one, the screen's samples thinned by "WFSU" to at
// most kMostScreenPoints, signed bytes of 25 codes a division, two LF bytes after each block.
// Siglent Digital Oscilloscope Programming Guide PG01-E02: COMM_HEADER (CHDR OFF drops headers
// and units), TRIG_MODE/SAMPLE_STATUS (TRMD?, SAST?), TIME_DIV, SAMPLE_RATE, SAMPLE_NUM,
// VOLT_DIV (the probe's factor included), OFFSET, WAVEFORM_SETUP (WFSU SP,NP,FP) and WAVEFORM
// (C1:WF? DAT2, "#9" block, two LF); volts = code x VDIV / 25 - OFST with signed codes, the
// first point at -7 divisions (its WF? time example, p. 143).
#include <algorithm>
#include <cmath>

#include "instrument/Dialects.h"

namespace {

constexpr int kDivisionsAcross = 14;
constexpr double kCodesPerDivision = 25;

struct Timing {
    double SampleRate = 1;
    std::size_t Sparsing = 1, Points = 0;
};

// The screen's samples, every `Sparsing`th of them read.
Timing ScreenTiming(ScpiSession& session) {
    Timing timing;
    timing.SampleRate = AnswerNumber(session.Query("SARA?"));
    double samples = AnswerNumber(session.Query("SANU? C1"));
    if (!(timing.SampleRate > 0) || !(samples >= 2) || samples > 1e10)
        throw EInstrumentError(InstrumentFault::BadPreamble, "SANU");
    timing.Sparsing = std::size_t(std::ceil(samples / double(kMostScreenPoints)));
    timing.Points = std::size_t(samples) / timing.Sparsing;
    session.Send("WFSU SP," + std::to_string(timing.Sparsing) + ",NP," +
                 std::to_string(timing.Points) + ",FP,0");
    return timing;
}

ScopeChannel ReadChannel(ScpiSession& session, int number, const Timing& timing,
                         const TransferProgress& progress) {
    std::string name = "C" + std::to_string(number);
    ScopeChannel channel;
    channel.Number = number;
    // The scale is the probe's tip's, the probe's factor applied, as the screen shows it.
    channel.VoltsPerDivision = AnswerNumber(session.Query(name + ":VDIV?"));
    double offset = AnswerNumber(session.Query(name + ":OFST?"));
    if (!(channel.VoltsPerDivision > 0))
        throw EInstrumentError(InstrumentFault::BadPreamble, "VDIV");
    channel.Offset = -offset;
    channel.Step = channel.VoltsPerDivision / kCodesPerDivision;
    BlockRequest request;
    request.Limit = timing.Points;
    request.LineEnds = 2;
    request.Progress = progress;
    std::vector<uint8_t> codes = session.QueryBlock(name + ":WF? DAT2", request);
    channel.Volts.resize(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        int code = int(int8_t(codes[i]));
        channel.ClippedLow |= code == -128;
        channel.ClippedHigh |= code == 127;
        channel.Volts[i] = code * channel.Step - offset;
    }
    return channel;
}

} // namespace

AcquisitionPtr ReadSiglentSdsE(ScpiSession& session, const ScopeIdentity& identity,
                               const ScopeRequest& request) {
    session.Send("CHDR OFF");
    std::string mode = AnswerWord(session.Query("TRMD?"));
    bool stopped = AnswerWord(session.Query("SAST?")) == "STOP";
    std::string resume = stopped                        ? ""
                         : mode.rfind("SINGLE", 0) == 0 ? "TRMD SINGLE"
                                                        : "TRMD " + mode;
    ScopeScreen screen;
    screen.DivisionsAcross = kDivisionsAcross;
    std::vector<ScopeChannel> channels = ReadHeldStill(session, stopped ? "" : "STOP", resume, [&] {
        screen.SecondsPerDivision = AnswerNumber(session.Query("TDIV?"));
        std::vector<int> shown;
        for (int number : {1, 2})
            if (AnswerWord(session.Query("C" + std::to_string(number) + ":TRA?")) == "ON")
                shown.push_back(number);
        std::vector<ScopeChannel> read;
        if (shown.empty()) return read;
        Timing timing = ScreenTiming(session);
        screen.SampleTime = double(timing.Sparsing) / timing.SampleRate;
        for (std::size_t i = 0; i < shown.size(); ++i)
            read.push_back(
                ReadChannel(session, shown[i], timing, ChannelShare(request, i, shown.size())));
        return read;
    });
    return ScopeAcquisition(identity, screen, std::move(channels), request);
}
