#include "instrument/TektronixWaveform.h"

// TDS200, TDS1000/2000, TDS1000B/2000B, TDS2000C, TPS2000 and TBS1000B/EDU Programmer (077-0444):
// the waveform's transfer in six steps (p. 2-43: DATa:SOUrce, DATa:ENCdg, DATa:WIDth,
// DATa:STARt/STOP, WFMPre?, CURVe?), at most 2500 points, 8 bits of precision (ACQuire:MODe, p.
// 2-32); DATa:ENCdg RIBinary: signed codes, 0 at the screen's centre; WFMPre:YZEro (p. 2-194):
// value = (code - YOFf) x YMUlt + YZEro; headers in answers until HEADer OFF (p. 2-5); ACQuire:
// STATE and ACQuire:STOPAfter (p. 2-36); SELect:CH<x>. TBS2000 Series Programmer (077-1149): the
// same transfer with WFMOutpre (p. 257), CURVe? ending with a line end (p. 88), headers in query
// responses (p. 6). The fields of the preamble come in another order on each, so each is asked by
// name.

#include <algorithm>

#include <cmath>

#include "acquisition/Acquisition.h"
#include "common/Words.h"
#include "instrument/Preambles.h"

namespace {

constexpr std::size_t kOlderRecord = 2500;

ScopeChannel ReadChannel(ScpiSession& session, int number, const TektronixModel& model,
                         const TransferProgress& progress, double& sampleTime) {
    std::string name = "CH" + std::to_string(number);
    ScopeChannel channel;
    channel.Number = number;
    channel.VoltsPerDivision = AnswerNumber(session.Query(name + ":SCAle?"));
    session.Send("DATa:SOUrce " + name);
    auto field = [&](const char* field) {
        return session.Query(std::string(model.Preamble) + ":" + field + "?");
    };
    TektronixPreamble preamble = ParseTektronixPreamble({{"NR_PT", field("NR_Pt")},
                                                         {"XINCR", field("XINcr")},
                                                         {"YMULT", field("YMUlt")},
                                                         {"YOFF", field("YOFf")},
                                                         {"YZERO", field("YZEro")},
                                                         {"BYT_NR", field("BYT_Nr")}});
    sampleTime = preamble.XIncrement;
    channel.Step = preamble.YMultiplier;
    channel.Offset = preamble.Volts(0);
    BlockRequest request;
    request.Limit = preamble.Points;
    request.Progress = progress;
    std::vector<uint8_t> codes = session.QueryBlock("CURVe?", request);
    channel.Volts.resize(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        int code = int(int8_t(codes[i]));
        channel.ClippedLow |= code == -128;
        channel.ClippedHigh |= code == 127;
        channel.Volts[i] = preamble.Volts(code);
    }
    return channel;
}

} // namespace

std::vector<ScopeChannel> ReadTektronixChannels(ScpiSession& session, const ScopeIdentity& identity,
                                                ScopeScreen& screen, const ScopeRequest& request,
                                                const TektronixModel& model) {
    screen.SecondsPerDivision = AnswerNumber(session.Query(std::string(model.TimeBase) + "?"));
    std::vector<int> shown;
    for (int number = 1; number <= identity.Channels; ++number)
        if (AnswerNumber(session.Query("SELect:CH" + std::to_string(number) + "?")) != 0)
            shown.push_back(number);
    if (shown.empty()) return {};
    std::size_t record = kOlderRecord;
    if (model.RecordLength) {
        double length = AnswerNumber(session.Query(std::string(model.RecordLength) + "?"));
        record = std::size_t(std::clamp(length, 2.0, double(kMostSamples)));
    }
    session.Send("DATa:ENCdg RIBinary");
    session.Send("DATa:WIDth 1");
    session.Send("DATa:STARt 1");
    session.Send("DATa:STOP " + std::to_string(record));
    return ReadEachShown(shown, request, [&](int number, const TransferProgress& progress) {
        return ReadChannel(session, number, model, progress, screen.SampleTime);
    });
}

std::string TektronixResume(ScpiSession& session) {
    if (AnswerNumber(session.Query("ACQuire:STATE?")) == 0) return "";
    return "ACQuire:STATE RUN";
}

std::string TektronixModelName(const std::string& make, const std::string& model) {
    if (make.find("TEKTRONIX") == std::string::npos) return "";
    std::string name;
    for (char c : model)
        if (c != ' ') name += c;
    return name;
}

TektronixPreamble
ParseTektronixPreamble(const std::vector<std::pair<std::string, std::string>>& fields) {
    auto bad = [](const char* what) {
        return EInstrumentError(InstrumentFault::BadPreamble, what);
    };
    auto number = [&](const char* name) {
        for (const auto& [field, answer] : fields)
            if (field == name) return AnswerNumber(answer);
        throw bad(name);
    };
    TektronixPreamble p;
    double points = number("NR_PT");
    if (!(points >= 2 && points <= double(kMostSamples)) || points != std::floor(points))
        throw bad("NR_PT");
    p.Points = std::size_t(points);
    p.XIncrement = number("XINCR");
    p.YMultiplier = number("YMULT");
    p.YOffset = number("YOFF");
    p.YZero = number("YZERO");
    if (number("BYT_NR") != 1) throw bad("BYT_NR");
    if (!(p.XIncrement > 0) || !(p.YMultiplier > 0)) throw bad("increment");
    if (std::fabs(p.YOffset) > 1e6 || std::fabs(p.YZero) > 1e6) throw bad("offset");
    return p;
}
