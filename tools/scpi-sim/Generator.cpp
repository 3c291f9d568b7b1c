#include "tools/scpi-sim/Generator.h"

// Each personality answers as the sources cited in the program's generator files describe:
// instrument/SiglentSdg.cpp (SDG guide PG02_E05C §3.3-3.4), instrument/ScpiSourceGenerator.cpp
// (DG1000Z guide, DG800 guide, 33500 manual), instrument/FeelTech.cpp (FY6900 protocol Rev 1.8
// and public captures), instrument/Jds6600.cpp (public captures: the maker's document was not
// available).

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/Words.h"
#include "tools/scpi-sim/ScpiWords.h"

namespace {

bool Number(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && std::isfinite(value);
}

// The open-circuit voltage over the one shown for a load: the shown one is across the load,
// behind the generator's 50 ohms.
double OpenCircuitFactor(const std::string& load) {
    double ohms = 0;
    if (!Number(load, ohms) || ohms > 1e30) return 1;
    return (ohms + 50) / ohms;
}

void ChangeLoad(GeneratorChannel& channel, const std::string& load) {
    double ratio = OpenCircuitFactor(channel.Load) / OpenCircuitFactor(load);
    channel.Amplitude *= ratio;
    channel.Offset *= ratio;
    channel.Load = load;
}

} // namespace

FunctionGenerator::FunctionGenerator(GeneratorFamily family, std::function<double()> clock)
    : family_(family), clock_(std::move(clock)) {
    if (!clock_)
        clock_ = [] {
            return std::chrono::duration<double>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    switch (family) {
    case GeneratorFamily::SiglentSdg:
        identity_ = "Siglent Technologies,SDG1032X,SDG1XCAD000001,1.01.01.33R1B6";
        break;
    case GeneratorFamily::RigolDg:
        identity_ = "Rigol Technologies,DG812,DG8A000000001,00.01.03";
        for (auto& c : channels_) c.Load = "50";
        break;
    case GeneratorFamily::Keysight33500:
        identity_ = "Keysight Technologies,33522B,MY00000001,4.00-3.15-2.00-58-00";
        for (auto& c : channels_) c.Load = "50";
        break;
    case GeneratorFamily::FeelTech:
    case GeneratorFamily::Jds6600:
        for (auto& c : channels_) c.Wave = "0"; // a sine, by its number
        break;
    case GeneratorFamily::RigolDg1022:
        identity_ = "RIGOL TECHNOLOGIES,DG1022 ,DG1D150900538,,00.03.00.09.00.02.11";
        for (auto& c : channels_) c.Load = "50";
        break;
    case GeneratorFamily::TektronixAfg:
        identity_ = "TEKTRONIX,AFG1022,1643763,SCPI:99.0 FV:V1.2.3";
        for (auto& c : channels_) c.Load = "50";
        break;
    case GeneratorFamily::Keysight33220:
        identity_ = "Agilent Technologies,33220A,MY44026553,2.02-2.02-22-2";
        for (auto& c : channels_) c.Load = "50";
        break;
    case GeneratorFamily::GwInstekAfg:
        identity_ = "GW INSTEK,AFG-2125,SN:EN800001,V1.11";
        for (auto& c : channels_) c.Load = "50";
        break;
    // A scope's own: its defaults a sine of 1 kHz, 500 mVpp, into a high impedance.
    case GeneratorFamily::KeysightWaveGen:
    case GeneratorFamily::RigolScopeSource:
        for (auto& c : channels_) c.Amplitude = 0.5, c.Load = "9.9E+37";
        break;
    }
}

GeneratorOutput FunctionGenerator::Output() const {
    const GeneratorChannel& c = channels_[0];
    double factor = OpenCircuitFactor(c.Load);
    bool sine = c.Wave.rfind("SIN", 0) == 0 || c.Wave == "0" || c.Wave == "00";
    return {c.On && sine,      c.Frequency,           c.Amplitude * factor,
            c.Offset * factor, clock_() - changedAt_, previousFrequency_};
}

void FunctionGenerator::SetFrequency(GeneratorChannel& channel, double hertz) {
    if (fault_ == GeneratorFault::IgnoreFrequency) {
        fault_ = GeneratorFault::None;
        return;
    }
    if (fault_ == GeneratorFault::IgnoreFrequencies) return;
    double frequency = std::clamp(hertz, 1e-6, 30e6);
    if (frequency != channel.Frequency) {
        changedAt_ = clock_();
        previousFrequency_ = channel.Frequency;
    }
    channel.Frequency = frequency;
}

Answer FunctionGenerator::Siglent(const std::string& command) {
    if (command.size() < 3 || command[0] != 'C' || (command[1] != '1' && command[1] != '2') ||
        command[2] != ':')
        return {};
    GeneratorChannel& c = channels_[command[1] == '1' ? 0 : 1];
    std::string name = command.substr(0, 3), rest = command.substr(3);
    if (rest == "BSWV?")
        return {name + "BSWV WVTP," + c.Wave + ",FRQ," + Printed("%.10g", c.Frequency) +
                "HZ,PERI," + Printed("%g", 1 / c.Frequency) + "S,AMP," +
                Printed("%g", c.Amplitude) + "V,OFST," + Printed("%g", c.Offset) + "V,HLEV," +
                Printed("%g", c.Offset + c.Amplitude / 2) + "V,LLEV," +
                Printed("%g", c.Offset - c.Amplitude / 2) + "V,PHSE,0\n"};
    if (rest == "OUTP?")
        return {name + "OUTP " + (c.On ? "ON" : "OFF") + ",LOAD," + c.Load + ",PLRT,NOR\n"};
    if (rest.rfind("BSWV ", 0) == 0) {
        std::vector<std::string> words = Split(rest.substr(5), ",");
        for (std::size_t i = 0; i + 1 < words.size(); i += 2) {
            double value = 0;
            bool number = Number(words[i + 1], value);
            if (words[i] == "WVTP") c.Wave = words[i + 1];
            if (words[i] == "FRQ" && number) SetFrequency(c, value);
            if (words[i] == "AMP" && number) c.Amplitude = std::clamp(value, 0.002, 20.0);
            if (words[i] == "OFST" && number) c.Offset = value;
        }
        return {};
    }
    if (rest.rfind("OUTP ", 0) == 0) {
        std::vector<std::string> words = Split(rest.substr(5), ",");
        for (std::size_t i = 0; i < words.size(); ++i) {
            if (words[i] == "ON" || words[i] == "OFF") c.On = words[i] == "ON";
            if (words[i] == "LOAD" && i + 1 < words.size()) ChangeLoad(c, words[++i]);
        }
    }
    return {};
}

Answer FunctionGenerator::ScpiSource(const std::string& line) {
    std::string command = line[0] == ':' ? line.substr(1) : line;
    bool keysight = family_ == GeneratorFamily::Keysight33500;
    const char* format = keysight ? "%+.14E\n" : "%.6E\n";
    int n = 0;
    std::string what;
    if (command.rfind("SOUR", 0) == 0 && command.size() > 5) {
        n = command[4] == '2' ? 2 : 1;
        what = "SOUR" + command.substr(5);
    } else if (command.rfind("OUTP", 0) == 0) {
        n = command.size() > 4 && command[4] == '2' ? 2 : 1;
        what = "OUTP" + command.substr(command.size() > 4 && std::isdigit(command[4]) ? 5 : 4);
    } else {
        return {};
    }
    GeneratorChannel& c = channels_[std::size_t(n - 1)];
    std::size_t space = what.find(' ');
    std::string setting = what.substr(0, space), value;
    if (space != std::string::npos) value = what.substr(space + 1);
    double number = 0;
    bool isNumber = Number(value, number);
    if (setting == "SOUR:FUNC?") return {(c.Wave.rfind("SIN", 0) == 0 ? "SIN" : c.Wave) + "\n"};
    if (setting == "SOUR:FREQ?") return {Printed(format, c.Frequency)};
    if (setting == "SOUR:VOLT?") return {Printed(format, c.Amplitude)};
    if (setting == "SOUR:VOLT:OFFS?") return {Printed(format, c.Offset)};
    if (setting == "SOUR:VOLT:UNIT?") return {c.Unit + "\n"};
    if (setting == "OUTP?") return {keysight ? (c.On ? "1\n" : "0\n") : (c.On ? "ON\n" : "OFF\n")};
    if (setting == "OUTP:LOAD?") {
        double ohms = 0;
        return {Printed(format, Number(c.Load, ohms) ? ohms : 9.9e37)};
    }
    if (setting == "SOUR:FUNC") c.Wave = value == "SIN" || value == "SINUSOID" ? "SINE" : value;
    if (setting == "SOUR:FREQ" && isNumber) SetFrequency(c, number);
    if (setting == "SOUR:VOLT" && isNumber) c.Amplitude = std::clamp(number, 0.001, 20.0);
    if (setting == "SOUR:VOLT:OFFS" && isNumber) c.Offset = number;
    if (setting == "SOUR:VOLT:UNIT") c.Unit = value;
    if (setting == "OUTP") c.On = value == "ON" || value == "1";
    if (setting == "OUTP:LOAD") ChangeLoad(c, value == "INF" || number > 1e30 ? "9.9E+37" : value);
    return {};
}

// "UMO", "UID"; "W" or "R", the channel (M or F), the setting: W waveform, F frequency, A
// amplitude (read in 1/10 000 V), O offset (read in 1/1 000 V as an unsigned 32-bit number), N
// output. A setting written is answered by a bare line end.
Answer FunctionGenerator::FeelTech(const std::string& command) {
    if (command == "UMO") return {"FY6900-60M\n"};
    if (command == "UID") return {"FY69A0000001\n"};
    if (command.size() < 3 || (command[0] != 'W' && command[0] != 'R') ||
        (command[1] != 'M' && command[1] != 'F'))
        return {};
    GeneratorChannel& c = channels_[command[1] == 'M' ? 0 : 1];
    char setting = command[2];
    if (command[0] == 'R') {
        switch (setting) {
        case 'W': return {c.Wave + "\n"};
        case 'F': return {Printed("%015.6f\n", c.Frequency)};
        case 'A': return {Printed("%.0f\n", std::round(c.Amplitude * 1e4))};
        case 'O': return {std::to_string(uint32_t(int32_t(std::lround(c.Offset * 1e3)))) + "\n"};
        case 'N': return {c.On ? "255\n" : "0\n"};
        }
        return {};
    }
    std::string value = command.substr(3);
    double number = 0;
    bool isNumber = Number(value, number);
    if (setting == 'W' && isNumber) c.Wave = std::to_string(int(number));
    // The older firmware reads the digits as micro-hertz, up to a point if there is one.
    if (setting == 'F' && isNumber)
        SetFrequency(c, olderFirmware_ ? std::floor(number) / 1e6 : number);
    if (setting == 'A' && isNumber) c.Amplitude = std::clamp(number, 0.0, 20.0);
    if (setting == 'O' && isNumber) c.Offset = number;
    if (setting == 'N') c.On = value == "1";
    return {"\n"};
}

// Registers: 20 both outputs, 21/22 waveform, 23/24 frequency in 1/100 Hz and a unit (0),
// 25/26 amplitude in mV, 27/28 offset in 1/100 V above -10 V; 00 the model's MHz, 01 its serial
// number. Written ":w23=100000,0.", answered ":ok"; read ":r23=0.".
Answer FunctionGenerator::Jds6600(const std::string& command) {
    if (command.size() < 6 || command[0] != ':' || (command[1] != 'W' && command[1] != 'R') ||
        command[4] != '=' || command.back() != '.')
        return {};
    int reg = std::atoi(command.substr(2, 2).c_str());
    std::vector<std::string> values = Split(command.substr(5, command.size() - 6), ",");
    if (command[1] == 'R') {
        std::string value;
        switch (reg) {
        case 0: value = "60"; break;
        case 1: value = "2166125956"; break;
        case 20:
            value = std::string(channels_[0].On ? "1" : "0") + "," + (channels_[1].On ? "1" : "0");
            break;
        case 21:
        case 22: value = channels_[std::size_t(reg - 21)].Wave; break;
        case 23:
        case 24:
            value = Printed("%.0f", std::round(channels_[std::size_t(reg - 23)].Frequency * 100)) +
                    ",0";
            break;
        case 25:
        case 26:
            value = Printed("%.0f", std::round(channels_[std::size_t(reg - 25)].Amplitude * 1000));
            break;
        case 27:
        case 28:
            value =
                Printed("%.0f", std::round((channels_[std::size_t(reg - 27)].Offset + 10) * 100));
            break;
        default: return {};
        }
        char head[8];
        std::snprintf(head, sizeof head, ":r%02d=", reg);
        return {head + value + ".\r\n"};
    }
    double number = 0;
    bool isNumber = Number(values[0], number);
    if (reg == 20 && values.size() == 2) {
        channels_[0].On = values[0] == "1";
        channels_[1].On = values[1] == "1";
    } else if ((reg == 21 || reg == 22) && isNumber) {
        channels_[std::size_t(reg - 21)].Wave = std::to_string(int(number));
    } else if ((reg == 23 || reg == 24) && isNumber) {
        SetFrequency(channels_[std::size_t(reg - 23)], number / 100);
    } else if ((reg == 25 || reg == 26) && isNumber) {
        channels_[std::size_t(reg - 25)].Amplitude = std::clamp(number / 1000, 0.0, 20.0);
    } else if ((reg == 27 || reg == 28) && isNumber) {
        channels_[std::size_t(reg - 27)].Offset = number / 100 - 10;
    } else {
        return {};
    }
    return {":ok\r\n"};
}

// Each family's words for the settings, in the order: function, frequency, amplitude's unit,
// amplitude, offset, load, output; "<n>" the channel where the family writes it there.
Answer FunctionGenerator::Tree(const std::string& line) {
    static const std::array<const char*, 7> kDg1022{"FUNCtion", "FREQuency",      "VOLTage:UNIT",
                                                    "VOLTage",  "VOLTage:OFFSet", "OUTPut:LOAD",
                                                    "OUTPut"};
    static const std::array<const char*, 7> kAfg{"SOURce<n>:FUNCtion:SHAPe",
                                                 "SOURce<n>:FREQuency:FIXed",
                                                 "SOURce<n>:VOLTage:UNIT",
                                                 "SOURce<n>:VOLTage:LEVel:IMMediate:AMPLitude",
                                                 "SOURce<n>:VOLTage:LEVel:IMMediate:OFFSet",
                                                 "OUTPut<n>:IMPedance",
                                                 "OUTPut<n>:STATe"};
    static const std::array<const char*, 7> kGw{
        "SOURce<n>:FUNCtion", "SOURce<n>:FREQuency", "",         "SOURce<n>:AMPlitude",
        "SOURce<n>:DCOffset", "OUTPut<n>:LOAD",      "OUTPut<n>"};
    static const std::array<const char*, 7> kWaveGen{
        "WGEN:FUNCtion",       "WGEN:FREQuency",   "",           "WGEN:VOLTage",
        "WGEN:VOLTage:OFFSet", "WGEN:OUTPut:LOAD", "WGEN:OUTPut"};
    static const std::array<const char*, 7> kRigolSource{
        "SOURce<n>:FUNCtion",    "SOURce<n>:FREQuency",      "",
        "SOURce<n>:VOLTage",     "SOURce<n>:VOLTage:OFFSet", "SOURce<n>:OUTPut:IMPedance",
        "SOURce<n>:OUTPut:STATe"};
    bool dg1022 = family_ == GeneratorFamily::RigolDg1022,
         gw = family_ == GeneratorFamily::GwInstekAfg;
    bool wavegen = family_ == GeneratorFamily::KeysightWaveGen,
         rigolSource = family_ == GeneratorFamily::RigolScopeSource;
    const auto& words = family_ == GeneratorFamily::TektronixAfg ? kAfg
                        : gw                                     ? kGw
                        : wavegen                                ? kWaveGen
                        : rigolSource                            ? kRigolSource
                                                                 : kDg1022;
    ScpiLine command = SplitCommand(line);
    std::string header = command.Header;
    int n = 1;
    if (dg1022 && header.size() > 4 && header.substr(header.size() - 4) == ":CH2")
        n = 2, header.resize(header.size() - 4);
    std::size_t role = words.size();
    for (std::size_t r = 0; r < words.size() && role == words.size(); ++r) {
        int number = 0;
        if (*words[r] && HeaderIs(header, words[r], number)) {
            role = r;
            if (number == 1 || number == 2) n = number;
        }
    }
    if (role == words.size()) return {};
    GeneratorChannel& c = channels_[std::size_t(n - 1)];
    if (command.Query) {
        std::string value;
        const char* format = family_ == GeneratorFamily::Keysight33220 ? "%+.14E"
                             : gw                                      ? "%+.4E"
                                                                       : "%.6e";
        double ohms = 0;
        bool finite = Number(c.Load, ohms) && ohms < 1e30;
        switch (role) {
        case 0: value = c.Wave.rfind("SIN", 0) == 0 ? "SIN" : c.Wave; break;
        case 1: value = Printed(format, c.Frequency); break;
        case 2: value = c.Unit; break;
        case 3: value = Printed(format, c.Amplitude); break;
        case 4: value = Printed(format, c.Offset); break;
        case 5:
            value = gw       ? (finite ? "DEF" : "INF")
                    : finite ? Printed("%g", ohms)
                    : dg1022 ? "INFINITY"
                             : "9.9E+37";
            break;
        case 6: value = dg1022 ? (c.On ? "ON" : "OFF") : (c.On ? "1" : "0"); break;
        }
        if (dg1022 && (n == 2 || role == 0)) value = "CH" + std::to_string(n) + ":" + value;
        return {value + "\n"};
    }
    const std::string& value = command.Value;
    double number = 0;
    bool isNumber = Number(value, number);
    switch (role) {
    case 0: c.Wave = HeaderIs(value, "SINusoid") ? "SINE" : value; break;
    case 1:
        if (isNumber) SetFrequency(c, number);
        break;
    case 2: c.Unit = value; break;
    case 3:
        if (isNumber) c.Amplitude = std::clamp(number, 0.001, 20.0);
        break;
    case 4:
        if (isNumber) c.Offset = number;
        break;
    case 5:
        if (HeaderIs(value, "INFinity") || HeaderIs(value, "ONEMeg") || HeaderIs(value, "OMEG") ||
            (isNumber && number > 1e30))
            ChangeLoad(c, "9.9E+37");
        else if (HeaderIs(value, "DEFault") || HeaderIs(value, "FIFTy"))
            ChangeLoad(c, "50");
        else if (isNumber)
            ChangeLoad(c, value);
        break;
    case 6: c.On = value == "ON" || value == "1"; break;
    }
    return {};
}

Answer FunctionGenerator::Handle(const std::string& line) {
    std::string command = UpperCase(line);
    while (!command.empty() && (command.back() == '\r' || command.back() == ' '))
        command.pop_back();
    if (command.empty()) return {};
    if (fault_ == GeneratorFault::Drop) {
        fault_ = GeneratorFault::None;
        return {"\n", Delivery::ResetHalfway};
    }
    switch (family_) {
    case GeneratorFamily::FeelTech: return FeelTech(command);
    case GeneratorFamily::Jds6600: return Jds6600(command);
    default: break;
    }
    // A DG1022 loses a query that comes within 0.1 s of a command, and answers the one before:
    // in the time that passes, not the bench's.
    bool query = command.find('?') != std::string::npos;
    if (family_ == GeneratorFamily::RigolDg1022) {
        double now =
            std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
                .count();
        if (query && now - commandAt_ < 0.1) return {lastAnswer_};
        if (!query) commandAt_ = now;
    }
    Answer answer;
    if (command == "*IDN?")
        answer = {identity_ + "\n"};
    else if (command == "*OPC?")
        answer = {"1\n"};
    else if (family_ == GeneratorFamily::SiglentSdg)
        answer = Siglent(command);
    else if (family_ == GeneratorFamily::RigolDg || family_ == GeneratorFamily::Keysight33500)
        answer = ScpiSource(command);
    else
        answer = Tree(command);
    if (query) lastAnswer_ = answer.Bytes;
    return answer;
}

bool FunctionGenerator::Set(const std::string& name, const std::string& value, std::string& error) {
    error = "bad value for " + name + ": " + value;
    if (name == "model") {
        GeneratorFamily family;
        if (!GeneratorModel(value, family)) return false;
        *this = FunctionGenerator(family, clock_);
        return true;
    }
    if (name == "fault") {
        if (value == "none") return fault_ = GeneratorFault::None, true;
        if (value == "ignore-frequency") return fault_ = GeneratorFault::IgnoreFrequency, true;
        if (value == "ignore-frequencies") return fault_ = GeneratorFault::IgnoreFrequencies, true;
        if (value == "drop") return fault_ = GeneratorFault::Drop, true;
        if (value == "late") return fault_ = GeneratorFault::Late, true;
        return false;
    }
    if (name == "firmware" && (value == "older" || value == "newer"))
        return olderFirmware_ = value == "older", true;
    error = "unknown option " + name;
    return false;
}

bool GeneratorModel(const std::string& name, GeneratorFamily& family) {
    if (name == "siglent-sdg1032x") return family = GeneratorFamily::SiglentSdg, true;
    if (name == "rigol-dg812") return family = GeneratorFamily::RigolDg, true;
    if (name == "keysight-33522b") return family = GeneratorFamily::Keysight33500, true;
    if (name == "feeltech-fy6900") return family = GeneratorFamily::FeelTech, true;
    if (name == "jds6600") return family = GeneratorFamily::Jds6600, true;
    if (name == "rigol-dg1022") return family = GeneratorFamily::RigolDg1022, true;
    if (name == "tektronix-afg1022") return family = GeneratorFamily::TektronixAfg, true;
    if (name == "keysight-33220a") return family = GeneratorFamily::Keysight33220, true;
    if (name == "gwinstek-afg2125") return family = GeneratorFamily::GwInstekAfg, true;
    return false;
}
