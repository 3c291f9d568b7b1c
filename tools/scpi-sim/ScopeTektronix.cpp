#include "tools/scpi-sim/Scope.h"

// Tektronix TDS1000/2000, TBS1000B (WFMPre) and TBS1000C/TBS2000 (WFMOutpre), as their programmer
// manuals describe them (077-0444 for the first, 077-1149 for the TBS2000): replies with headers
// until "HEADer OFF" ("HEADer?" answers ":HEADER 1" or "0"), a channel's waveform sent by CURVe?
// as "#<x><yyy><data>" and a line end, 8-bit codes of 25 a division around the screen's centre
// (RIBinary: signed, 0 at the centre), described by the preamble's fields, each asked by name:
// volts = (code - YOFf) x YMUlt + YZEro, time = XZEro + XINcr x (n - PT_Off). One trigger for
// every channel: ACQuire:STATE RUN with ACQuire:STOPAfter SEQuence waits for one shot.
// The older preamble lists its fields in another order than the newer one: both are written.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/Words.h"
#include "tools/scpi-sim/ScpiWords.h"

std::size_t Scope::TektronixRecord() const {
    return setup_.Family == ScopeFamily::TektronixTds ? 2500 : setup_.RecordLength;
}

// The preamble's fields of the channel chosen by DATa:SOUrce, by their long names, in the
// family's order.
std::vector<std::pair<std::string, std::string>> Scope::TektronixPreamble() const {
    const ScopeChannelSetup& c = setup_.Channels[std::size_t(source_ - 1)];
    bool newer = setup_.Family == ScopeFamily::TektronixTbs2000;
    std::string points = std::to_string(TektronixRecord());
    std::map<std::string, std::string> value{
        {"BYT_NR", "1"},
        {"BIT_NR", "8"},
        {"ENCDG", "BIN"},
        {"BN_FMT", "RI"},
        {"BYT_OR", "MSB"},
        {"NR_PT", points},
        {"WFID", "\"Ch" + std::to_string(source_) + ", DC coupling, " +
                     Printed("%.1E V/div, ", c.VoltsPerDivision) +
                     Printed("%.1E s/div, ", setup_.TimeBase) + points + " points, Sample mode\""},
        {"PT_FMT", "Y"},
        {"XINCR", Printed("%.6E", setup_.TimeBase * 10 / double(TektronixRecord()))},
        {"PT_OFF", "0"},
        {"XZERO", Printed("%.6E", -5 * setup_.TimeBase)},
        {"XUNIT", "\"s\""},
        {"YMULT", Printed("%.6E", c.VoltsPerDivision / 25)},
        {"YZERO", Printed("%.6E", -c.Offset)},
        {"YOFF", "0.0E0"},
        {"YUNIT", newer ? "\"V\"" : "\"Volts\""},
    };
    static const char* const kOlder[] = {"BYT_NR", "BIT_NR", "ENCDG", "BN_FMT", "BYT_OR", "NR_PT",
                                         "WFID",   "PT_FMT", "XINCR", "PT_OFF", "XZERO",  "XUNIT",
                                         "YMULT",  "YZERO",  "YOFF",  "YUNIT"};
    static const char* const kNewer[] = {"BYT_NR", "BIT_NR", "ENCDG", "BN_FMT", "BYT_OR", "WFID",
                                         "NR_PT",  "PT_FMT", "XUNIT", "XINCR",  "XZERO",  "PT_OFF",
                                         "YUNIT",  "YMULT",  "YOFF",  "YZERO"};
    std::vector<std::pair<std::string, std::string>> fields;
    for (const char* name : newer ? kNewer : kOlder) fields.push_back({name, value[name]});
    return fields;
}

Answer Scope::Tektronix(const std::string& line) {
    ScpiLine command = SplitCommand(line);
    const std::string& h = command.Header;
    // A reply as a set command under headers on, the value alone under headers off.
    auto reply = [&](const std::string& longName, const std::string& value) {
        return Answer{(setup_.Headers ? ":" + longName + " " : "") + value + "\n"};
    };
    bool newer = setup_.Family == ScopeFamily::TektronixTbs2000;
    int n = 0;
    if (HeaderIs(h, "HEADer")) {
        if (command.Query) return reply("HEADER", setup_.Headers ? "1" : "0");
        setup_.Headers = command.Value == "ON" || command.Value == "1";
        return {};
    }
    if (HeaderIs(h, "ACQuire:STATE")) {
        if (command.Query)
            return reply("ACQUIRE:STATE", setup_.State == RunState::Stopped ? "0" : "1");
        if (command.Value == "STOP" || command.Value == "OFF" || command.Value == "0")
            Stopped();
        else if (stopAfterSequence_)
            Armed();
        else
            Runs();
        return {};
    }
    if (HeaderIs(h, "ACQuire:STOPAfter")) {
        if (command.Query)
            return reply("ACQUIRE:STOPAFTER", stopAfterSequence_ ? "SEQUENCE" : "RUNSTOP");
        stopAfterSequence_ = HeaderIs(command.Value, "SEQuence");
        return {};
    }
    if (HeaderIs(h, newer ? "HORizontal:SCAle" : "HORizontal:MAIn:SCAle")) {
        if (command.Query) return reply("HORIZONTAL:MAIN:SCALE", Printed("%.6E", setup_.TimeBase));
        if (double value = std::atof(command.Value.c_str()); value > 0) setup_.TimeBase = value;
        return {};
    }
    if (newer && HeaderIs(h, "HORizontal:RECOrdlength") && command.Query)
        return reply("HORIZONTAL:RECORDLENGTH", std::to_string(TektronixRecord()));
    if (HeaderIs(h, "SELect:CH<n>", n) && n >= 1 && n <= setup_.ChannelCount) {
        ScopeChannelSetup& c = setup_.Channels[std::size_t(n - 1)];
        if (command.Query) return reply("SELECT:CH" + std::to_string(n), c.Shown ? "1" : "0");
        c.Shown = command.Value == "ON" || command.Value == "1";
        return {};
    }
    // The older models place a trace by its position in divisions (up), the newer by the level at
    // the centre; the older give the probe's factor, the newer its gain.
    for (const char* setting :
         {"CH<n>:SCAle", "CH<n>:OFFSet", "CH<n>:POSition", "CH<n>:PRObe", "CH<n>:PRObe:GAIN"}) {
        if (!HeaderIs(h, setting, n) || n < 1 || n > setup_.ChannelCount) continue;
        ScopeChannelSetup& c = setup_.Channels[std::size_t(n - 1)];
        std::string name = std::string(setting).substr(6); // after "CH<n>:"
        if ((name == "OFFSet" || name == "PRObe:GAIN") != newer && name != "SCAle") continue;
        std::string longName = "CH" + std::to_string(n) + ":" + UpperCase(name);
        if (name == "SCAle") {
            if (command.Query) return reply(longName, Printed("%.6E", c.VoltsPerDivision));
            double value = std::atof(command.Value.c_str());
            if (!(value > 0)) return {};
            // A position in divisions stays where it is on the screen.
            if (!newer) c.Offset *= value / c.VoltsPerDivision;
            c.VoltsPerDivision = value;
        } else if (name == "OFFSet") {
            if (command.Query) return reply(longName, Printed("%.6E", -c.Offset));
            c.Offset = -std::atof(command.Value.c_str());
        } else if (name == "POSition") {
            if (command.Query)
                return reply(longName, Printed("%.6E", c.Offset / c.VoltsPerDivision));
            c.Offset = std::atof(command.Value.c_str()) * c.VoltsPerDivision;
        } else if (command.Query) {
            return reply(longName, Printed("%.6E", name == "PRObe" ? c.Probe : 1 / c.Probe));
        }
        return {};
    }
    if (HeaderIs(h, "DATa:SOUrce") && !command.Query) {
        int source = 0;
        if (HeaderIs(command.Value, "CH<n>", source) && source >= 1 &&
            source <= setup_.ChannelCount)
            source_ = source;
        return {};
    }
    if (HeaderIs(h, "DATa:ENCdg") || HeaderIs(h, "DATa:WIDth") || HeaderIs(h, "DATa:RESOlution"))
        return {};
    if (HeaderIs(h, "DATa:STARt") && !command.Query)
        return start_ = std::size_t(std::max(1, std::atoi(command.Value.c_str()))), Answer{};
    if (HeaderIs(h, "DATa:STOP") && !command.Query)
        return stop_ = std::size_t(std::max(1, std::atoi(command.Value.c_str()))), Answer{};
    const char* preamble = newer ? "WFMOutpre" : "WFMPre";
    std::vector<std::pair<std::string, std::string>> fields = TektronixPreamble();
    if (HeaderIs(h, preamble) && command.Query) {
        if (!setup_.Channels[std::size_t(source_ - 1)].Shown) return {};
        std::string text =
            setup_.Headers ? std::string(":") + (newer ? "WFMOUTPRE:" : "WFMPRE:") : "";
        for (std::size_t i = 0; i < fields.size(); ++i)
            text +=
                (i ? ";" : "") + (setup_.Headers ? fields[i].first + " " : "") + fields[i].second;
        return {text + "\n"};
    }
    std::size_t colon = h.find(':');
    if (command.Query && colon != std::string::npos && HeaderIs(h.substr(0, colon), preamble)) {
        if (setup_.Fault == ScopeFault::BadPreamble) return reply(h, "none");
        for (const auto& [name, value] : fields) {
            // Each field's short form is its capitals: "YMUlt" for YMULT, "NR_Pt" for NR_PT.
            static const std::pair<const char*, const char*> kForms[] = {
                {"BYT_NR", "BYT_Nr"}, {"BIT_NR", "BIT_Nr"}, {"ENCDG", "ENCdg"},
                {"BN_FMT", "BN_Fmt"}, {"BYT_OR", "BYT_Or"}, {"NR_PT", "NR_Pt"},
                {"WFID", "WFId"},     {"PT_FMT", "PT_Fmt"}, {"XINCR", "XINcr"},
                {"PT_OFF", "PT_Off"}, {"XZERO", "XZEro"},   {"XUNIT", "XUNit"},
                {"YMULT", "YMUlt"},   {"YZERO", "YZEro"},   {"YOFF", "YOFf"},
                {"YUNIT", "YUNit"}};
            for (const auto& [longName, form] : kForms)
                if (name == longName && HeaderIs(h.substr(colon + 1), form))
                    return reply(std::string(newer ? "WFMOUTPRE:" : "WFMPRE:") + name, value);
        }
        return {};
    }
    if (HeaderIs(h, "CURVe") && command.Query) {
        const ScopeChannelSetup& c = setup_.Channels[std::size_t(source_ - 1)];
        if (!c.Shown) return {};
        NextFrameIfRunning();
        std::size_t record = TektronixRecord();
        double interval = setup_.TimeBase * 10 / double(record);
        double ymult = c.VoltsPerDivision / 25;
        std::vector<double> volts = Trace(source_, record, interval);
        std::size_t first = std::clamp<std::size_t>(start_, 1, record);
        std::size_t last = std::clamp<std::size_t>(stop_ == 0 ? record : stop_, first, record);
        std::string bytes;
        std::vector<double> sent;
        for (std::size_t i = first - 1; i < last; ++i) {
            double code = std::clamp(std::round((volts[i] + c.Offset) / ymult), -128.0, 127.0);
            bytes += char(int8_t(code));
            sent.push_back(code * ymult - c.Offset);
        }
        Sent(source_, std::move(sent), interval);
        return Block(setup_.Headers ? ":CURVE " : "", bytes, bytes.size(), "\n", 0);
    }
    // The edge trigger's settings, kept as written: TRIGger:MAIn on the older, TRIGger:A on the
    // newer.
    for (const char* setting : {"TRIGger:MAIn:EDGE:SOUrce", "TRIGger:MAIn:EDGE:SLOpe",
                                "TRIGger:MAIn:LEVel", "TRIGger:MAIn:MODe", "TRIGger:A:EDGE:SOUrce",
                                "TRIGger:A:EDGE:SLOpe", "TRIGger:A:LEVel", "TRIGger:A:MODe"}) {
        if (!HeaderIs(h, setting)) continue;
        static const std::map<std::string, std::string> kFound{
            {"SOUrce", "CH1"}, {"SLOpe", "RISE"}, {"LEVel", "0.0E0"}, {"MODe", "AUTO"}};
        std::string key = setting, last = key.substr(key.rfind(':') + 1);
        if (!command.Query) return trigger_[key] = command.Value, Answer{};
        return reply(h, trigger_.count(key) ? trigger_[key] : kFound.at(last));
    }
    return {};
}
