// Keysight (formerly Agilent) InfiniiVision 1000X, 2000X and 3000X: 10 divisions across, the
// screen's points as bytes, answers without headers, the offset the level at the screen's centre.
// InfiniiVision 2000 X-Series Programmer's Guide: :WAVeform:FORMat (p. 639), :WAVeform:DATA? with
// its "#8" block and line end, :WAVeform:PREamble? as ten numbers, volts = (code - yreference) x
// yincrement + yorigin (pp. 631-632); codes 0 (no data), 1 (clipped low) and 255 (clipped high)
// (4000 X-Series guide p. 1243); :RUN, :STOP, :TIMebase:SCALe, :CHANnel<n>:SCALe/OFFSet/PROBe/
// DISPlay, :TRIGger:MODE EDGE, :TRIGger:EDGE:SOURce/SLOPe/LEVel, :TRIGger:SWEep (the Root,
// :CHANnel, :TIMebase and :TRIGger chapters). A running scope is read from a :DIGitize, which
// takes one acquisition of the channels shown and leaves the scope stopped; a stopped one as it
// stands. DSOX1204A/G Programmer's Guide p. 152: bit 3 of :OPERegister:CONDition? is set while
// the scope runs, a single shot armed included: the register tells no single shot from a run, so
// a single shot armed is put back running. The raw socket is port 5025 (5024 is a telnet prompt;
// 4000 X-Series guide p. 1243).
// The WaveGen of a "G" model, or of one whose *OPT? names its licence (DSOX2WAVEGEN,
// DSOX3WAVEGEN): :WGEN:FUNCtion SINusoid, :WGEN:FREQuency, :WGEN:VOLTage (Vpp),
// :WGEN:VOLTage:OFFSet, :WGEN:OUTPut:LOAD ONEMeg|FIFTy (answered ONEM, FIFT), :WGEN:OUTPut
// (answered 0/1) (the guides' :WGEN chapter). A wrong load halves or doubles the amplitude: a
// sweep sets ONEMeg, the scope's input.
#include <cmath>

#include "acquisition/Acquisition.h"
#include "common/Words.h"
#include "instrument/Preambles.h"
#include "instrument/ScopeDialect.h"
#include "instrument/ScpiSourceGenerator.h"

namespace {

bool Serves(const std::string& make, const std::string& model) {
    if (make.find("KEYSIGHT") == std::string::npos && make.find("AGILENT") == std::string::npos)
        return false;
    // "DSO-X 2002A" and "DSOX1204G" both.
    std::string name;
    for (char c : model)
        if (c != ' ' && c != '-') name += c;
    return StartsWith(name, "DSOX") || StartsWith(name, "MSOX") || StartsWith(name, "EDUX");
}

ScopeChannel ReadChannel(ScpiSession& session, int number, const TransferProgress& progress,
                         double& sampleTime) {
    std::string name = ":CHANnel" + std::to_string(number);
    ScopeChannel channel;
    channel.Number = number;
    channel.VoltsPerDivision = AnswerNumber(session.Query(name + ":SCALe?"));
    channel.Offset = AnswerNumber(session.Query(name + ":OFFSet?"));
    session.Send(":WAVeform:SOURce CHANnel" + std::to_string(number));
    RigolPreamble preamble = ParseRigolPreamble(session.Query(":WAVeform:PREamble?"), kMostSamples);
    if (preamble.Format != 0) throw EInstrumentError(InstrumentFault::BadPreamble, "format");
    sampleTime = preamble.XIncrement;
    channel.Step = preamble.YIncrement;
    BlockRequest request;
    request.Limit = preamble.Points;
    request.Progress = progress;
    std::vector<uint8_t> codes = session.QueryBlock(":WAVeform:DATA?", request);
    channel.Volts.resize(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        channel.ClippedLow |= codes[i] <= 1;
        channel.ClippedHigh |= codes[i] == 255;
        channel.Volts[i] =
            (double(codes[i]) - preamble.YReference) * preamble.YIncrement + preamble.YOrigin;
    }
    return channel;
}

std::vector<ScopeChannel> Read(ScpiSession& session, const ScopeIdentity& identity,
                               ScopeScreen& screen, const ScopeRequest& request) {
    screen.SecondsPerDivision = AnswerNumber(session.Query(":TIMebase:SCALe?"));
    std::vector<int> shown;
    for (int number = 1; number <= identity.Channels; ++number)
        if (AnswerNumber(session.Query(":CHANnel" + std::to_string(number) + ":DISPlay?")) != 0)
            shown.push_back(number);
    if (shown.empty()) return {};
    session.Send(":WAVeform:POINts:MODE NORMal");
    session.Send(":WAVeform:FORMat BYTE");
    session.Send(":WAVeform:UNSigned ON");
    return ReadEachShown(shown, request, [&](int number, const TransferProgress& progress) {
        return ReadChannel(session, number, progress, screen.SampleTime);
    });
}

const ScpiGeneratorWords kWaveGen{
    .Marks = {"", ""},
    .Function = ":WGEN:FUNCtion%s",
    .Sine = "SINusoid",
    .Frequency = ":WGEN:FREQuency%s",
    .Unit = nullptr,
    .Amplitude = ":WGEN:VOLTage%s",
    .Offset = ":WGEN:VOLTage:OFFSet%s",
    .Load = ":WGEN:OUTPut:LOAD%s",
    .HighImpedance = "ONEMeg",
    .Output = ":WGEN:OUTPut%s",
    .Prefixed = false,
    .PauseMs = 0,
};

const GeneratorDialect kWaveGenDialect{
    .Family = "Keysight InfiniiVision WaveGen",
    .Guide = "Keysight InfiniiVision Programmer's Guides, :WGEN commands",
    .Serves = nullptr,
    .Asks = nullptr,
    .Drives = [](ScpiSession& session,
                 int channel) { return DriveScpiSource(session, channel, kWaveGen); },
};

const GeneratorDialect* WaveGen(ScpiSession& session, const ScopeIdentity& identity) {
    if (UpperCase(identity.Model).ends_with("G")) return &kWaveGenDialect;
    return UpperCase(session.Query("*OPT?")).find("WAVEGEN") != std::string::npos ? &kWaveGenDialect
                                                                                  : nullptr;
}

std::string Resume(ScpiSession& session) {
    constexpr long kRunning = 8;
    long condition = std::lround(AnswerNumber(session.Query(":OPERegister:CONDition?")));
    return condition & kRunning ? ":RUN" : "";
}

} // namespace

extern const ScopeDialect kKeysight{
    .Family = "Keysight InfiniiVision",
    .Guide = "Keysight InfiniiVision 2000 X-Series and DSOX1204A/G Programmer's Guides",
    .Serves = Serves,
    .ReadChannels = Read,
    .Resume = Resume,
    .Headers = nullptr,
    .Settings =
        {
            .TimeBase = ":TIMebase:SCALe",
            .Scale = ":CHANnel%d:SCALe",
            .Offset = ":CHANnel%d:OFFSet",
            .Probe = ":CHANnel%d:PROBe?",
            .ProbeAsGain = false,
            .Shown = ":CHANnel%d:DISPlay",
            .ShownOn = "1",
            .OffsetIs = OffsetMeaning::CentreLevel,
            .Trigger = {{":TRIGger:MODE", "EDGE"},
                        {":TRIGger:EDGE:SOURce", "CHANnel%d"},
                        {":TRIGger:EDGE:SLOPe", "POSitive"},
                        {":TRIGger:EDGE:LEVel", "%s"},
                        {":TRIGger:SWEep", "AUTO"}},
            .Run = ":RUN",
            .Stop = ":DIGitize",
        },
    .DivisionsAcross = 10,
    .Ports = {5025},
    .OwnGenerator = WaveGen,
};
