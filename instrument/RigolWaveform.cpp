#include "instrument/RigolWaveform.h"

// Rigol DS1000Z/MSO1000Z Programming Guide: :TRIGger:STATus? and :TRIGger:SWEep (its :TRIGger
// chapter); :WAVeform:SOURce/MODE/FORMat/STARt/STOP and :WAVeform:DATA? with its "#9" block and
// LF (pp. 2-135/2-136); :WAVeform:PREamble? as ten numbers, volts = (code - YORigin -
// YREFerence) x YINCrement (pp. 2-139/2-140); :CHANnel<n>:SCALe?/OFFSet? at the probe's tip.
// DHO800/DHO900 Programming Guide (2025), §3.28 :WAVeform, the same commands and formula for words.
// The sweep's settings: :TIMebase:MAIN:SCALe, :CHANnel<n>:SCALe/OFFSet/PROBe?/DISPlay,
// :TRIGger:MODE EDGE, :TRIGger:EDGe:SOURce/SLOPe/LEVel, :TRIGger:SWEep AUTO, :RUN, :STOP (the
// DS1000Z guide's :TIMebase, :CHANnel and :TRIGger chapters).

#include <algorithm>
#include <cmath>
#include <sstream>

#include "common/Words.h"
#include "instrument/Preambles.h"

const char* const kRigolGuide = "RIGOL DS1000Z/MSO1000Z Programming Guide; DHO800/DHO900 "
                                "Programming Guide (2025)";

const ScopeSettingWords kRigolSettings{
    .TimeBase = ":TIM:MAIN:SCAL",
    .Scale = ":CHAN%d:SCAL",
    .Offset = ":CHAN%d:OFFS",
    .Probe = ":CHAN%d:PROB?",
    .ProbeAsGain = false,
    .Shown = ":CHAN%d:DISP",
    .ShownOn = "1",
    .OffsetIs = OffsetMeaning::CentreLevelNegated,
    .Trigger = {{":TRIG:MODE", "EDGE"},
                {":TRIG:EDG:SOUR", "CHAN%d"},
                {":TRIG:EDG:SLOP", "POS"},
                {":TRIG:EDG:LEV", "%s"},
                {":TRIG:SWE", "AUTO"}},
    .Run = ":RUN",
    .Stop = ":STOP",
};

namespace {

std::vector<double> Volts(const std::vector<uint8_t>& block, const RigolPreamble& preamble,
                          bool words, ScopeChannel& channel) {
    std::size_t width = words ? 2 : 1;
    unsigned highest = words ? 0xFFFF : 0xFF;
    std::vector<double> volts(block.size() / width);
    for (std::size_t i = 0; i < volts.size(); ++i) {
        unsigned code = words ? block[2 * i] | unsigned(block[2 * i + 1]) << 8 : block[i];
        channel.ClippedLow |= code == 0;
        channel.ClippedHigh |= code == highest;
        volts[i] = (double(code) - preamble.YOrigin - preamble.YReference) * preamble.YIncrement;
    }
    return volts;
}

ScopeChannel ReadChannel(ScpiSession& session, int number, const RigolModel& model,
                         const TransferProgress& progress, double& sampleTime) {
    std::string name = ":CHAN" + std::to_string(number);
    ScopeChannel channel;
    channel.Number = number;
    channel.VoltsPerDivision = AnswerNumber(session.Query(name + ":SCAL?"));
    channel.Offset = -AnswerNumber(session.Query(name + ":OFFS?"));
    session.Send(":WAV:SOUR CHAN" + std::to_string(number));
    session.Send(":WAV:MODE NORM");
    session.Send(model.Words ? ":WAV:FORM WORD" : ":WAV:FORM BYTE");
    RigolPreamble preamble = ParseRigolPreamble(session.Query(":WAV:PRE?"));
    if (preamble.Format != (model.Words ? 1 : 0))
        throw EInstrumentError(InstrumentFault::BadPreamble, "format");
    sampleTime = preamble.XIncrement;
    channel.Step = preamble.YIncrement;
    std::size_t width = model.Words ? 2 : 1, total = preamble.Points * width;
    std::vector<uint8_t> codes;
    codes.reserve(total);
    for (std::size_t first = 1; first <= preamble.Points; first += model.PagePoints) {
        std::size_t last = std::min(preamble.Points, first + model.PagePoints - 1);
        session.Send(":WAV:STAR " + std::to_string(first));
        session.Send(":WAV:STOP " + std::to_string(last));
        BlockRequest page;
        page.Limit = (last - first + 1) * width;
        std::size_t before = codes.size();
        if (progress)
            page.Progress = [&](std::size_t done, std::size_t) { progress(before + done, total); };
        std::vector<uint8_t> block = session.QueryBlock(":WAV:DATA?", page);
        if (block.size() != page.Limit) throw EInstrumentError(InstrumentFault::ShortBlock);
        codes.insert(codes.end(), block.begin(), block.end());
    }
    channel.Volts = Volts(codes, preamble, model.Words, channel);
    return channel;
}

} // namespace

RigolPreamble ParseRigolPreamble(const std::string& answer, std::size_t mostPoints) {
    std::vector<double> fields;
    std::istringstream in(answer);
    for (std::string field; std::getline(in, field, ',');) fields.push_back(AnswerNumber(field));
    auto bad = [&](const char* what) {
        return EInstrumentError(InstrumentFault::BadPreamble, what);
    };
    if (fields.size() != 10) throw bad("fields");
    RigolPreamble preamble;
    if (fields[0] != 0 && fields[0] != 1) throw bad("format");
    preamble.Format = int(fields[0]);
    if (!(fields[2] >= 2 && fields[2] <= double(mostPoints)) || fields[2] != std::floor(fields[2]))
        throw bad("points");
    preamble.Points = std::size_t(fields[2]);
    preamble.XIncrement = fields[4];
    preamble.YIncrement = fields[7];
    preamble.YOrigin = fields[8];
    preamble.YReference = fields[9];
    if (!(preamble.XIncrement > 0) || !(preamble.YIncrement > 0)) throw bad("increment");
    if (std::fabs(preamble.YOrigin) > 1e6 || std::fabs(preamble.YReference) > 1e6)
        throw bad("origin");
    return preamble;
}

std::string RigolResume(ScpiSession& session) {
    if (StartsWith(AnswerWord(session.Query(":TRIG:STAT?")), "STOP")) return "";
    return StartsWith(AnswerWord(session.Query(":TRIG:SWE?")), "SING") ? ":SING" : ":RUN";
}

bool ServesRigol(const std::string& make) { return make.find("RIGOL") != std::string::npos; }

std::vector<ScopeChannel> ReadRigolChannels(ScpiSession& session, const ScopeIdentity& identity,
                                            ScopeScreen& screen, const ScopeRequest& request,
                                            const RigolModel& model) {
    screen.SecondsPerDivision = AnswerNumber(session.Query(":TIM:MAIN:SCAL?"));
    std::vector<int> shown;
    for (int number = 1; number <= identity.Channels; ++number)
        if (AnswerNumber(session.Query(":CHAN" + std::to_string(number) + ":DISP?")) != 0)
            shown.push_back(number);
    return ReadEachShown(shown, request, [&](int number, const TransferProgress& progress) {
        return ReadChannel(session, number, model, progress, screen.SampleTime);
    });
}
