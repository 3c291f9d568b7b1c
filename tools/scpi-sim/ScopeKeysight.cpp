#include "tools/scpi-sim/Scope.h"

// Keysight InfiniiVision 1000X, 2000X, 3000X, as their programmer's guides describe them (2000 X
// p.631-639, 3000 X p.171): answers without headers; :WAVeform:DATA? sends the source's points as
// "#8<8 digits><data>" and a line end, BYTE codes unsigned around the preamble's yreference, the
// ten-field preamble, volts = (code - yreference) x yincrement + yorigin; :DIGitize takes a new
// acquisition and leaves the scope stopped; bit 3 of :OPERegister:CONDition? set while the scope
// runs or waits for its single shot. A DSO-X 2000
// answers its first query only some seconds after a connection.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/scpi-sim/ScpiWords.h"

namespace {

constexpr double kCodesPerDivision = 32; // 8 divisions in 256 codes, as CodesPerDivision() says
constexpr double kReference = 128;

} // namespace

Answer Scope::Keysight(const std::string& line) {
    ScpiLine command = SplitCommand(line);
    const std::string& h = command.Header;
    auto number = [](double value) { return Answer{Printed("%+.6E\n", value)}; };
    int n = 0;
    if (line == "*OPT?") return {"0\n"}; // no licence: a "G" model's generator is its own
    if (HeaderIs(h, "OPERegister:CONDition") && command.Query) {
        constexpr int kRun = 8, kWaitTrig = 32;
        int condition = setup_.State == RunState::Stopped         ? 0
                        : setup_.State == RunState::WaitingSingle ? kRun | kWaitTrig
                                                                  : kRun;
        return {"+" + std::to_string(condition) + "\n"};
    }
    if (HeaderIs(h, "RUN")) return Runs(), Answer{};
    if (HeaderIs(h, "STOP")) return Stopped(), Answer{};
    if (HeaderIs(h, "SINGle")) return Armed(), Answer{};
    if (HeaderIs(h, "DIGitize")) {
        // A new acquisition, held.
        setup_.State = RunState::Running;
        Stopped();
        return {};
    }
    if (HeaderIs(h, "TIMebase:SCALe")) {
        if (command.Query) return number(setup_.TimeBase);
        if (double value = std::atof(command.Value.c_str()); value > 0) setup_.TimeBase = value;
        return {};
    }
    for (const char* setting :
         {"CHANnel<n>:DISPlay", "CHANnel<n>:SCALe", "CHANnel<n>:OFFSet", "CHANnel<n>:PROBe"}) {
        if (!HeaderIs(h, setting, n) || n < 1 || n > setup_.ChannelCount) continue;
        ScopeChannelSetup& c = setup_.Channels[std::size_t(n - 1)];
        std::string name = std::string(setting).substr(std::string(setting).rfind(':') + 1);
        if (name == "DISPlay") {
            if (command.Query) return {c.Shown ? "1\n" : "0\n"};
            c.Shown = command.Value == "1" || command.Value == "ON";
            return {};
        }
        double& field = name == "SCALe"    ? c.VoltsPerDivision
                        : name == "OFFSet" ? c.Offset
                                           : c.Probe;
        if (command.Query) {
            if (name == "SCALe" && setup_.Fault == ScopeFault::Unanswered && firstScale_)
                return firstScale_ = false, Answer{};
            return number(name == "OFFSet" ? -field : field);
        }
        if (name != "PROBe") {
            double value = std::atof(command.Value.c_str());
            field = name == "OFFSet" ? -value : value;
        }
        return {};
    }
    if (HeaderIs(h, "WAVeform:SOURce") && !command.Query) {
        int source = 0;
        if (HeaderIs(command.Value, "CHANnel<n>", source) && source >= 1 &&
            source <= setup_.ChannelCount)
            source_ = source;
        return {};
    }
    if (HeaderIs(h, "WAVeform:FORMat") || HeaderIs(h, "WAVeform:POINts:MODE") ||
        HeaderIs(h, "WAVeform:UNSigned") || HeaderIs(h, "WAVeform:POINts"))
        return {};
    const ScopeChannelSetup& c = setup_.Channels[std::size_t(source_ - 1)];
    double yincrement = c.VoltsPerDivision / kCodesPerDivision;
    double xincrement = setup_.TimeBase * 10 / double(setup_.RecordLength);
    if (HeaderIs(h, "WAVeform:PREamble") && command.Query) {
        if (setup_.Fault == ScopeFault::BadPreamble) return {"0,0,1000,1,none,0,0,0,0,128\n"};
        return {"+0,+0,+" + std::to_string(setup_.RecordLength) + ",+1," +
                Printed("%+.6E,", xincrement) + Printed("%+.6E,", -5 * setup_.TimeBase) + "+0," +
                Printed("%+.6E,", yincrement) + Printed("%+.6E,", -c.Offset) + "+128\n"};
    }
    if (HeaderIs(h, "WAVeform:DATA") && command.Query) {
        if (!c.Shown) return {};
        NextFrameIfRunning();
        std::vector<double> volts = Trace(source_, setup_.RecordLength, xincrement);
        std::string bytes;
        std::vector<double> sent;
        for (double v : volts) {
            double code =
                std::clamp(std::round((v + c.Offset) / yincrement + kReference), 0.0, 255.0);
            bytes += char(int(code));
            sent.push_back((code - kReference) * yincrement - c.Offset);
        }
        Sent(source_, std::move(sent), xincrement);
        return Block("", bytes, bytes.size(), "\n", 8);
    }
    for (const char* setting : {"TRIGger:MODE", "TRIGger:EDGE:SOURce", "TRIGger:EDGE:SLOPe",
                                "TRIGger:EDGE:LEVel", "TRIGger:SWEep"}) {
        if (!HeaderIs(h, setting)) continue;
        static const std::map<std::string, std::string> kFound{{"TRIGger:MODE", "EDGE"},
                                                               {"TRIGger:EDGE:SOURce", "CHAN1"},
                                                               {"TRIGger:EDGE:SLOPe", "POS"},
                                                               {"TRIGger:EDGE:LEVel", "+0.0E+00"},
                                                               {"TRIGger:SWEep", "AUTO"}};
        if (!command.Query) return trigger_[setting] = command.Value, Answer{};
        return {(trigger_.count(setting) ? trigger_[setting] : kFound.at(setting)) + "\n"};
    }
    return {};
}
