// Siglent SDS1000X-E and SDS2000X-E: replies without headers once "CHDR OFF" is sent, 14
// divisions across, the settings asked one by one, the screen's samples thinned by "WFSU" to at
// most kMostScreenPoints, signed bytes of 25 codes a division, two LF bytes after each block.
// Siglent Digital Oscilloscope Programming Guide PG01-E02: COMM_HEADER (CHDR OFF drops headers
// and units), TRIG_MODE/SAMPLE_STATUS (TRMD?, SAST?), TIME_DIV, SAMPLE_RATE, SAMPLE_NUM,
// VOLT_DIV (the probe's factor included), OFFSET, WAVEFORM_SETUP (WFSU SP,NP,FP) and WAVEFORM
// (C1:WF? DAT2, "#9" block, two LF); volts = code x VDIV / 25 - OFST with signed codes, the
// first point at -7 divisions (its WF? time example, p. 143). The sweep's settings: TIME_DIV,
// VOLT_DIV, OFFSET, ATTENUATION, TRACE, TRIG_SELECT EDGE,SR,C1, TRIG_SLOPE, TRIG_LEVEL,
// TRIG_MODE, STOP.
#include <algorithm>
#include <cmath>

#include "common/Words.h"
#include "instrument/ScopeDialect.h"

namespace {

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

bool Serves(const std::string& make, const std::string& model) {
    return make.find("SIGLENT") != std::string::npos && StartsWith(model, "SDS") &&
           model.ends_with("-E");
}

std::vector<ScopeChannel> Read(ScpiSession& session, const ScopeIdentity& identity,
                               ScopeScreen& screen, const ScopeRequest& request) {
    screen.SecondsPerDivision = AnswerNumber(session.Query("TDIV?"));
    std::vector<int> shown;
    for (int number = 1; number <= identity.Channels; ++number)
        if (AnswerWord(session.Query("C" + std::to_string(number) + ":TRA?")) == "ON")
            shown.push_back(number);
    if (shown.empty()) return {};
    Timing timing = ScreenTiming(session);
    screen.SampleTime = double(timing.Sparsing) / timing.SampleRate;
    return ReadEachShown(shown, request, [&](int number, const TransferProgress& progress) {
        return ReadChannel(session, number, timing, progress);
    });
}

// TRMD is both the trigger's sweep and whether it runs: a running scope goes back to its own.
std::string Resume(ScpiSession& session) {
    std::string mode = AnswerWord(session.Query("TRMD?"));
    if (AnswerWord(session.Query("SAST?")) == "STOP") return "";
    return StartsWith(mode, "SINGLE") ? "TRMD SINGLE" : "TRMD " + mode;
}

} // namespace

extern const ScopeDialect kSiglentSdsE{
    .Family = "Siglent SDS1000X-E",
    .Guide = "Siglent Digital Oscilloscope Programming Guide PG01-E02",
    .Serves = Serves,
    .ReadChannels = Read,
    .Resume = Resume,
    .Headers = "CHDR",
    .Settings =
        {
            .TimeBase = "TDIV",
            .Scale = "C%d:VDIV",
            .Offset = "C%d:OFST",
            .Probe = "C%d:ATTN?",
            .ProbeAsGain = false,
            .Shown = "C%d:TRA",
            .ShownOn = "ON",
            .OffsetIs = OffsetMeaning::CentreLevelNegated,
            .Trigger = {{"TRSE", "EDGE,SR,C%d,HT,OFF"},
                        {"C%d:TRSL", "POS"},
                        {"C%d:TRLV", "%s"},
                        {"TRMD", "AUTO"}},
            .Run = "TRMD AUTO",
            .Stop = "STOP",
        },
    .DivisionsAcross = 14,
    .Ports = {5025},
    .OwnGenerator = nullptr,
};
