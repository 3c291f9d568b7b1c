#include "tools/scpi-sim/Scope.h"

// Each personality answers as the guides cited in the program's dialect files describe:
// instrument/RigolWaveform.cpp (DS1000Z guide pp. 2-135 to 2-140, DHO guide §3.28),
// instrument/SiglentSdsE.cpp (PG01: CHDR, TRMD, SAST, TDIV, VDIV, OFST, WFSU, WF? DAT2),
// instrument/SiglentSdsHd.cpp (newer set's guide, :WAVeform and the WAVEDESC offsets) and, for
// the sweep's settings, instrument/ScopeControl.cpp. Written from the guides, not from the
// program's code: a misreading shared by both would pass the tests and fail on a real scope.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "common/Words.h"
#include "tools/scpi-sim/ScpiWords.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A value as the scope's answer gives it: the volts the codes stand for are the ones a reader of
// that answer works out.
double AsPrinted(const char* format, double value) {
    return std::strtod(Printed(format, value).c_str(), nullptr);
}

std::string After(const std::string& command, char separator) {
    std::size_t at = command.find(separator);
    return at == std::string::npos ? "" : command.substr(at + 1);
}

double Shape(const std::string& shape, double angle) {
    double cycle = angle / (2 * kPi) - std::floor(angle / (2 * kPi)); // 0..1
    if (shape == "square") return cycle < 0.5 ? 1 : -1;
    if (shape == "triangle") return cycle < 0.5 ? 4 * cycle - 1 : 3 - 4 * cycle;
    return std::sin(angle);
}

void PutAt(std::string& bytes, std::size_t at, const void* value, std::size_t size) {
    std::memcpy(bytes.data() + at, value, size);
}
template <class T> void Put(std::string& bytes, std::size_t at, T value) {
    PutAt(bytes, at, &value, sizeof value);
}

} // namespace

Scope::Scope(ScopeSetup setup) : setup_(std::move(setup)) {}

int Scope::ChannelOf(const std::string& command, const std::string& prefix) const {
    if (!StartsWith(command, prefix) || command.size() <= prefix.size()) return 0;
    int digit = command[prefix.size()] - '0';
    return digit >= 1 && digit <= setup_.ChannelCount ? digit : 0;
}

void Scope::Reconnected() {
    words_ = false;
    start_ = 1;
    stop_ = 0;
}

int Scope::DivisionsAcross() const {
    switch (setup_.Family) {
    case ScopeFamily::RigolDs1000z: return 12;
    case ScopeFamily::SiglentSdsE: return 14;
    case ScopeFamily::RigolDho:
    case ScopeFamily::SiglentSdsHd:
    case ScopeFamily::TektronixTds:
    case ScopeFamily::TektronixTbs2000:
    case ScopeFamily::Keysight: return 10;
    }
    return 10;
}

Profile Scope::Pace() const {
    if (!setup_.RealPace) return {0, 0, setup_.FirstAnswer};
    // Stated per family, from published figures where there are any: the SDS1000X-E's sets of
    // 4 x 70 000 points at 4.2 a second over its LAN port (about 1.2 MB/s with each query's
    // time), paced at 50 ms a command by programs that keep it responsive; the DS1000Z's
    // 100 Mb/s port behind a slow processor; the newer sets' faster processors.
    switch (setup_.Family) {
    case ScopeFamily::RigolDs1000z: return {0.02, 600e3};
    case ScopeFamily::RigolDho: return {0.005, 4e6};
    case ScopeFamily::SiglentSdsE: return {0.05, 1.2e6};
    case ScopeFamily::SiglentSdsHd: return {0.005, 8e6};
    // USB 2.0 full speed behind an older processor; the newer TBS2000's LAN; InfiniiVision's
    // quick answers, a DSO-X 2000's first one some seconds after the connection.
    case ScopeFamily::TektronixTds: return {0.01, 500e3};
    case ScopeFamily::TektronixTbs2000: return {0.005, 2e6};
    case ScopeFamily::Keysight: return {0.003, 4e6, setup_.FirstAnswer};
    }
    return {};
}

void Scope::Stopped() {
    NextFrameIfRunning();
    setup_.State = RunState::Stopped;
}

void Scope::Armed() {
    setup_.State = RunState::WaitingSingle;
    setup_.Sweep = TriggerSweep::Single;
}

void Scope::Runs(std::optional<TriggerSweep> sweep) {
    setup_.State = RunState::Running;
    if (sweep)
        setup_.Sweep = *sweep;
    else if (setup_.Sweep == TriggerSweep::Single)
        setup_.Sweep = TriggerSweep::Auto;
}

std::optional<TriggerSweep> Scope::SweepNamed(const std::string& word) {
    if (StartsWith(word, "AUTO")) return TriggerSweep::Auto;
    if (StartsWith(word, "NORM")) return TriggerSweep::Normal;
    if (StartsWith(word, "SING")) return TriggerSweep::Single;
    return std::nullopt;
}

void Scope::NextFrameIfRunning() {
    if (setup_.State != RunState::Stopped) ++frame_;
}

FunctionGenerator* Scope::Own() {
    if (!setup_.OwnGenerator) return nullptr;
    if (!own_) own_ = std::make_unique<FunctionGenerator>(*setup_.OwnGenerator);
    return own_.get();
}

void Scope::Wire(std::function<GeneratorOutput()> generator, Circuit circuit) {
    generator_ = std::move(generator);
    circuit_ = circuit;
}

ScopeChannelSetup Scope::Shown(int channel) const {
    ScopeChannelSetup c = setup_.Channels[std::size_t(channel - 1)];
    if (!generator_) return c;
    GeneratorOutput output = generator_();
    c.Shape = "sine";
    c.Frequency = output.Frequency;
    c.Amplitude = output.On ? output.Amplitude / 2 : 0;
    c.Dc = output.On ? output.Offset : 0;
    c.Phase = 0;
    if (channel == 2) {
        std::complex<double> h = circuit_.Response(output.Frequency);
        c.Amplitude *= std::abs(h);
        c.Phase = std::arg(h) * 180 / kPi;
        c.Dc *= std::abs(circuit_.Response(1e-9));
    }
    return c;
}

// The circuit's natural response after the generator's last change of frequency, as large at
// first as the output it had before, dying away with its time constant: what a capture taken too
// soon shows on CH2.
void Scope::TakeTransient(int channel) {
    transient_ = 0;
    if (!generator_ || channel != 2) return;
    GeneratorOutput output = generator_();
    tau_ = circuit_.TimeConstant();
    double amplitude = output.Amplitude / 2 * std::abs(circuit_.Response(output.PreviousFrequency));
    if (output.On) transient_ = amplitude * std::exp(-output.SinceChange / tau_);
}

double Scope::CodesPerDivision() const {
    switch (setup_.Family) {
    case ScopeFamily::RigolDs1000z: return 25;
    case ScopeFamily::RigolDho: return words_ ? 7500 : 30;
    case ScopeFamily::SiglentSdsE: return 25;
    case ScopeFamily::SiglentSdsHd:
        return setup_.Identity.find(" HD") != std::string::npos && words_ ? 480 : 30;
    case ScopeFamily::TektronixTds:
    case ScopeFamily::TektronixTbs2000: return 25;
    case ScopeFamily::Keysight: return 32;
    }
    return 25;
}

std::vector<double> Scope::Trace(int channel, std::size_t count, double interval) {
    const ScopeChannelSetup c = Shown(channel);
    TakeTransient(channel);
    std::mt19937 random(setup_.Seed * 7919u + frame_ * 31u + unsigned(channel));
    double sigma = setup_.Noise + setup_.NoiseCounts * c.VoltsPerDivision / CodesPerDivision();
    std::normal_distribution<double> noise(0, sigma > 0 ? sigma : 1);
    std::vector<double> volts(count);
    for (std::size_t i = 0; i < count; ++i) {
        double angle = 2 * kPi * c.Frequency * double(i) * interval + c.Phase * kPi / 180;
        volts[i] = c.Dc + c.Amplitude * Shape(c.Shape, angle);
        if (sigma > 0) volts[i] += noise(random);
        if (transient_ != 0) volts[i] += transient_ * std::exp(-double(i) * interval / tau_);
    }
    return volts;
}

void Scope::Sent(int channel, std::vector<double> volts, double interval) {
    sentInterval_ = interval;
    if (!setup_.Dump.empty()) {
        std::ofstream out(setup_.Dump + ".ch" + std::to_string(channel), std::ios::trunc);
        out << Printed("%.17g", interval) << '\n';
        for (double v : volts) out << Printed("%.17g", v) << '\n';
    }
    sent_[std::size_t(channel - 1)] = std::move(volts);
}

Answer Scope::Block(const std::string& prefix, const std::string& bytes, std::size_t announced,
                    const std::string& ends, int digits) {
    bool first = firstBlock_;
    firstBlock_ = false;
    ScopeFault fault = first ? setup_.Fault : ScopeFault::None;
    std::string length = std::to_string(announced);
    if (digits > int(length.size())) length.insert(0, std::size_t(digits) - length.size(), '0');
    std::string header = "#" + std::to_string(length.size()) + length;
    switch (fault) {
    case ScopeFault::BadHeader: return {prefix + "#A" + header.substr(2) + bytes + ends};
    case ScopeFault::Huge: return {prefix + "#9999999999" + bytes + ends};
    case ScopeFault::ShortBlock:
        return {prefix + header + bytes.substr(0, bytes.size() / 2) + ends};
    case ScopeFault::Stall: return {prefix + header + bytes + ends, Delivery::StallHalfway};
    case ScopeFault::Reset: return {prefix + header + bytes + ends, Delivery::ResetHalfway};
    default: return {prefix + header + bytes + ends};
    }
}

std::string Scope::Number(double value, const char* unit) const {
    return Printed("%.2E", value) + (setup_.Headers ? unit : "");
}

Answer Scope::Common(const std::string& command, bool& handled) {
    handled = true;
    if (command == "*IDN?") return {setup_.Identity + "\n"};
    if (command == "*OPC?") return {"1\n"};
    if (command == "*RST" || command == "*CLS") return {};
    bool siglent =
        setup_.Family == ScopeFamily::SiglentSdsE || setup_.Family == ScopeFamily::SiglentSdsHd;
    // COMM_HEADER: "CHDR SHORT" under SHORT, a bare "OFF" under OFF.
    if (siglent && command == "CHDR?") return {setup_.Headers ? "CHDR SHORT\n" : "OFF\n"};
    if (siglent && (command == "CHDR OFF" || command == "CHDR SHORT"))
        return setup_.Headers = command == "CHDR SHORT", Answer{};
    handled = false;
    return {};
}

// Rigol: ":WAV:DATA?" sends the points from ":WAV:STAR" to ":WAV:STOP" of the screen's
// 1200 (DS1000Z, bytes, 25 codes a division around 127) or 1000 (DHO, words, 7500 codes a
// division around 32768).
Answer Scope::Rigol(const std::string& command) {
    bool dho = setup_.Family == ScopeFamily::RigolDho;
    std::size_t screenPoints = dho ? 1000 : 1200;
    double codesPerDivision = words_ ? 7500 : 25, reference = words_ ? 32768 : 127;
    const ScopeChannelSetup& source = setup_.Channels[std::size_t(source_ - 1)];
    double increment = AsPrinted("%.6e", source.VoltsPerDivision / codesPerDivision);
    double origin = std::round(source.Offset / increment);
    double interval = setup_.TimeBase / 100;

    if (command == ":TRIG:STAT?")
        return {setup_.State == RunState::Stopped         ? "STOP\n"
                : setup_.State == RunState::WaitingSingle ? "WAIT\n"
                                                          : "TD\n"};
    if (command == ":TRIG:SWE?") {
        static const char* const kWords[] = {"AUTO\n", "NORM\n", "SING\n"};
        return {kWords[int(setup_.Sweep)]};
    }
    if (StartsWith(command, ":TRIG:SWE ")) {
        std::optional<TriggerSweep> sweep = SweepNamed(After(command, ' '));
        if (sweep == TriggerSweep::Single) return Armed(), Answer{};
        if (sweep) setup_.Sweep = *sweep;
        return {};
    }
    if (command == ":STOP") return Stopped(), Answer{};
    if (command == ":RUN") return Runs(), Answer{};
    if (command == ":SING") return Armed(), Answer{};
    if (command == ":TIM:MAIN:SCAL?" || command == ":TIM:SCAL?")
        return {Printed("%.6e\n", setup_.TimeBase)};
    if (int n = ChannelOf(command, ":CHAN")) {
        const ScopeChannelSetup& c = setup_.Channels[std::size_t(n - 1)];
        std::string what = command.substr(7);
        if (what == "DISP?") return {c.Shown ? "1\n" : "0\n"};
        if (what == "SCAL?") {
            if (setup_.Fault == ScopeFault::Unanswered && firstScale_)
                return firstScale_ = false, Answer{};
            return {Printed("%.6e\n", c.VoltsPerDivision)};
        }
        if (what == "OFFS?") return {Printed("%.6e\n", c.Offset)};
        if (what == "PROB?") return {Printed("%g\n", c.Probe)};
        return {};
    }
    if (StartsWith(command, ":WAV:SOUR CHAN")) {
        source_ = std::clamp(command.back() - '0', 1, setup_.ChannelCount);
        start_ = 1;
        stop_ = screenPoints;
        return {};
    }
    if (command == ":WAV:FORM WORD" || command == ":WAV:FORM BYTE") {
        words_ = command.back() == 'D';
        return {};
    }
    if (StartsWith(command, ":WAV:STAR "))
        return start_ = std::stoul(After(command, ' ')), Answer{};
    if (StartsWith(command, ":WAV:STOP ")) return stop_ = std::stoul(After(command, ' ')), Answer{};
    if (command == ":WAV:PRE?") {
        if (setup_.Fault == ScopeFault::BadPreamble) return {"0,0,1200,1,none,0,0,0.04,0,127\n"};
        char text[200];
        std::snprintf(text, sizeof text, "%d,0,%zu,1,%.6e,%.6e,0,%.6e,%.0f,%.0f\n", words_ ? 1 : 0,
                      screenPoints, interval, -DivisionsAcross() / 2.0 * setup_.TimeBase, increment,
                      origin, reference);
        return {text};
    }
    if (command == ":WAV:DATA?") {
        NextFrameIfRunning();
        std::size_t first = std::max<std::size_t>(start_, 1), last = std::min(stop_, screenPoints);
        if (last < first) return Block("", "", 0, "\n");
        std::vector<double> volts = Trace(source_, screenPoints, interval);
        std::string bytes;
        std::vector<double> sent;
        double highest = words_ ? 65535 : 255;
        for (std::size_t i = first - 1; i < last; ++i) {
            double code =
                std::clamp(std::round(volts[i] / increment + origin + reference), 0.0, highest);
            bytes += char(int(code) & 0xFF);
            if (words_) bytes += char(int(code) >> 8);
            sent.push_back((code - origin - reference) * increment);
        }
        Sent(source_, std::move(sent), interval);
        return Block("", bytes, bytes.size(), "\n");
    }
    return {};
}

// Siglent SDS1000X-E: settings one query each, "WFSU" thinning the screen's samples, signed bytes
// of 25 codes a division, two LF bytes after a block.
Answer Scope::SiglentE(const std::string& command) {
    double screenSamples = std::floor(setup_.SampleRate * DivisionsAcross() * setup_.TimeBase);
    auto reply = [&](const std::string& header, const std::string& value) {
        return Answer{(setup_.Headers ? header + " " : "") + value + "\n"};
    };
    if (command == "TRMD?")
        return reply("TRMD", setup_.State == RunState::WaitingSingle ? "SINGLE"
                             : setup_.State == RunState::Stopped     ? "STOP"
                             : setup_.Sweep == TriggerSweep::Normal  ? "NORM"
                                                                     : "AUTO");
    if (command == "SAST?")
        return reply("SAST", setup_.State == RunState::Stopped         ? "Stop"
                             : setup_.State == RunState::WaitingSingle ? "Ready"
                                                                       : "Trig'd");
    if (command == "STOP" || command == "TRMD STOP") return Stopped(), Answer{};
    if (command == "TRMD SINGLE") return Armed(), Answer{};
    if (command == "TRMD AUTO" || command == "TRMD NORM")
        return Runs(SweepNamed(After(command, ' '))), Answer{};
    if (command == "TDIV?") return reply("TDIV", Number(setup_.TimeBase, "S"));
    if (command == "SARA?") return reply("SARA", Number(setup_.SampleRate, "Sa/s"));
    if (command == "SANU? C1") return reply("SANU", Number(screenSamples, "pts"));
    if (StartsWith(command, "WFSU ")) {
        // "WFSU SP,<sparsing>,NP,<points>,FP,<first>"
        std::string text = After(command, ' ');
        unsigned long sparsing = 1, points = 0, first = 0;
        if (std::sscanf(text.c_str(), "SP,%lu,NP,%lu,FP,%lu", &sparsing, &points, &first) == 3) {
            sparsing_ = std::max(1ul, sparsing);
            points_ = points;
        }
        return {};
    }
    if (int n = ChannelOf(command, "C")) {
        const ScopeChannelSetup& c = setup_.Channels[std::size_t(n - 1)];
        std::string name = command.substr(0, 2), what = command.substr(3);
        if (what == "TRA?") return reply(name + ":TRA", c.Shown ? "ON" : "OFF");
        if (what == "VDIV?") {
            if (setup_.Fault == ScopeFault::BadPreamble) return reply(name + ":VDIV", "nothing");
            if (setup_.Fault == ScopeFault::Unanswered && firstScale_)
                return firstScale_ = false, Answer{};
            return reply(name + ":VDIV", Number(c.VoltsPerDivision, "V"));
        }
        if (what == "OFST?") return reply(name + ":OFST", Number(c.Offset, "V"));
        if (what == "ATTN?") return reply(name + ":ATTN", Printed("%g", c.Probe));
        if (what == "WF? DAT2") {
            NextFrameIfRunning();
            std::size_t available = std::size_t(screenSamples) / sparsing_;
            std::size_t count = points_ == 0 ? available : std::min(points_, available);
            double interval = double(sparsing_) / setup_.SampleRate;
            std::vector<double> volts = Trace(n, count, interval);
            double step = AsPrinted("%.2E", c.VoltsPerDivision) / 25;
            double offset = AsPrinted("%.2E", c.Offset);
            std::string bytes;
            std::vector<double> sent;
            for (double v : volts) {
                double code = std::clamp(std::round((v + offset) / step), -128.0, 127.0);
                bytes += char(int8_t(code));
                sent.push_back(code * step - offset);
            }
            Sent(n, std::move(sent), interval);
            return Block(setup_.Headers ? name + ":WF DAT2," : "DAT2,", bytes, bytes.size(),
                         "\n\n");
        }
    }
    return {};
}

// Siglent's newer set: the scale in a binary descriptor, signed bytes of 30 codes a division, or
// from a 12-bit converter words of 480.
Answer Scope::SiglentHd(const std::string& command) {
    bool twelveBits = setup_.Identity.find(" HD") != std::string::npos;
    int bits = twelveBits ? 12 : 8;
    double codesPerDivision = 30 * double(1 << (bits - 8));
    double screenSamples = std::floor(setup_.SampleRate * DivisionsAcross() * setup_.TimeBase);
    if (command == ":TRIG:STAT?")
        return {setup_.State == RunState::Stopped         ? "Stop\n"
                : setup_.State == RunState::WaitingSingle ? "Ready\n"
                                                          : "Trig'd\n"};
    if (command == ":TRIG:MODE?") {
        static const char* const kWords[] = {"AUTO\n", "NORMal\n", "SINGle\n"};
        return {kWords[int(setup_.Sweep)]};
    }
    if (command == ":TRIG:STOP") return Stopped(), Answer{};
    if (StartsWith(command, ":TRIG:MODE ")) {
        std::optional<TriggerSweep> sweep = SweepNamed(After(command, ' '));
        if (sweep == TriggerSweep::Single) return Armed(), Answer{};
        if (sweep) Runs(sweep);
        return {};
    }
    if (command == ":TRIG:RUN") return Runs(), Answer{};
    if (command == ":TIM:SCAL?") return {Printed("%.2E\n", setup_.TimeBase)};
    if (command == ":ACQ:POIN?") return {Printed("%.2E\n", screenSamples)};
    if (command == ":ACQ:SRAT?") return {Printed("%.2E\n", setup_.SampleRate)};
    if (int n = ChannelOf(command, ":CHAN")) {
        const ScopeChannelSetup& c = setup_.Channels[std::size_t(n - 1)];
        std::string what = command.substr(7);
        if (what == "SWIT?") return {c.Shown ? "ON\n" : "OFF\n"};
        if (what == "SCAL?") return {Printed("%.2E\n", c.VoltsPerDivision)};
        if (what == "OFFS?") return {Printed("%.2E\n", c.Offset)};
        return {};
    }
    if (StartsWith(command, ":WAV:SOUR C"))
        return source_ = std::clamp(command.back() - '0', 1, setup_.ChannelCount), Answer{};
    if (StartsWith(command, ":WAV:STAR "))
        return start_ = std::stoul(After(command, ' ')), Answer{};
    if (StartsWith(command, ":WAV:INT "))
        return sparsing_ = std::max(1ul, std::stoul(After(command, ' '))), Answer{};
    if (StartsWith(command, ":WAV:POIN "))
        return points_ = std::stoul(After(command, ' ')), Answer{};
    if (command == ":WAV:WIDT WORD" || command == ":WAV:WIDT BYTE")
        return words_ = command.back() == 'D', Answer{};
    if (command == ":WAV:BYT LSB") return {};
    const ScopeChannelSetup& c = setup_.Channels[std::size_t(source_ - 1)];
    std::size_t available = std::size_t(screenSamples) / sparsing_;
    std::size_t count = points_ == 0 ? available : std::min(points_, available);
    if (command == ":WAV:PRE?") {
        if (setup_.Fault == ScopeFault::Unanswered) return {};
        std::string d(346, '\0');
        PutAt(d, 0, setup_.Fault == ScopeFault::BadPreamble ? "WAVEDASH" : "WAVEDESC", 8);
        PutAt(d, 16, "WAVEACE", 7);
        Put<int16_t>(d, 32, words_ ? 1 : 0);
        Put<int16_t>(d, 34, 1);
        Put<int32_t>(d, 36, 346);
        Put<int32_t>(d, 60, int32_t(count * (words_ ? 2 : 1)));
        Put<int32_t>(d, 116, int32_t(count));
        Put<int32_t>(d, 120, int32_t(count));
        Put<int32_t>(d, 136, int32_t(sparsing_));
        Put<float>(d, 156, float(c.VoltsPerDivision / c.Probe));
        Put<float>(d, 160, float(c.Offset / c.Probe));
        Put<float>(d, 164, float(codesPerDivision));
        Put<int16_t>(d, 172, int16_t(bits));
        Put<float>(d, 176, float(1 / setup_.SampleRate));
        Put<double>(d, 180, 0.0);
        Put<float>(d, 328, float(c.Probe));
        Put<int16_t>(d, 344, int16_t(source_ - 1));
        return {"#9000000346" + d + "\n"};
    }
    if (command == ":WAV:DATA?") {
        NextFrameIfRunning();
        // The descriptor's numbers are single precision; the volts sent are what they give.
        double volts_per_division =
            double(float(c.VoltsPerDivision / c.Probe)) * double(float(c.Probe));
        double offset = double(float(c.Offset / c.Probe)) * double(float(c.Probe));
        double step = volts_per_division / codesPerDivision;
        double interval = double(float(1 / setup_.SampleRate)) * double(sparsing_);
        std::vector<double> volts = Trace(source_, count, interval);
        double highest = words_ ? (1 << (bits - 1)) - 1 : 127, lowest = -highest - 1;
        std::string bytes;
        std::vector<double> sent;
        for (double v : volts) {
            double code = std::clamp(std::round((v + offset) / step), lowest, highest);
            int whole = int(code);
            bytes += char(whole & 0xFF);
            if (words_) bytes += char((whole >> 8) & 0xFF);
            sent.push_back(code * step - offset);
        }
        Sent(source_, std::move(sent), interval);
        std::size_t announced =
            words_ && setup_.Fault == ScopeFault::LengthQuirk ? count : bytes.size();
        return Block("", bytes, announced, "\n\n");
    }
    return {};
}

Answer Scope::Setting(const std::string& command, bool& handled) {
    handled = true;
    bool rigol =
        setup_.Family == ScopeFamily::RigolDs1000z || setup_.Family == ScopeFamily::RigolDho;
    bool siglentE = setup_.Family == ScopeFamily::SiglentSdsE;
    std::size_t space = command.find(' ');
    std::string name = command.substr(0, space);
    double value = 0;
    bool isNumber =
        space != std::string::npos &&
        (value = std::strtod(command.c_str() + space + 1, nullptr), std::isfinite(value));
    if (isNumber && value > 0 &&
        (rigol      ? name == ":TIM:MAIN:SCAL"
         : siglentE ? name == "TDIV"
                    : name == ":TIM:SCAL"))
        return setup_.TimeBase = value, Answer{};
    int n = siglentE ? ChannelOf(command, "C") : ChannelOf(command, ":CHAN");
    std::string what = n == 0 ? "" : command.substr(siglentE ? 3 : 7);
    // The channel shown: Rigol's ":CHAN1:DISP 1", the SDS1000X-E's "C1:TRA ON", the newer set's
    // ":CHAN1:SWIT ON".
    std::string shown = rigol ? "DISP" : siglentE ? "TRA" : "SWIT";
    if (n != 0 && what.rfind(shown + " ", 0) == 0) {
        std::string word = After(what, ' ');
        setup_.Channels[std::size_t(n - 1)].Shown = word == "ON" || word == "1";
        return {};
    }
    if (n != 0 && isNumber) {
        ScopeChannelSetup& c = setup_.Channels[std::size_t(n - 1)];
        std::string setting = what.substr(0, what.find(' '));
        if ((setting == "SCAL" || setting == "VDIV") && value > 0)
            return c.VoltsPerDivision = value, Answer{};
        if (setting == "OFFS" || setting == "OFST") return c.Offset = value, Answer{};
    }
    if (n != 0 && what == "PROB?" && !rigol)
        return {Printed("%g\n", setup_.Channels[std::size_t(n - 1)].Probe)};
    // The trigger's settings, kept as they were written and answered as kept.
    static const std::map<std::string, std::string> kRigolTrigger{
        {":TRIG:MODE", "EDGE"},
        {":TRIG:EDG:SOUR", "CHAN1"},
        {":TRIG:EDG:SLOP", "POS"},
        {":TRIG:EDG:LEV", "0.000000e+00"}};
    static const std::map<std::string, std::string> kSiglentETrigger{
        {"TRSE", "EDGE,SR,C1,HT,OFF"}, {"C1:TRSL", "POS"},
        {"C1:TRLV", "0.00E+00"},       {"C2:TRSL", "POS"},
        {"C2:TRLV", "0.00E+00"},       {"C3:TRSL", "POS"},
        {"C3:TRLV", "0.00E+00"},       {"C4:TRSL", "POS"},
        {"C4:TRLV", "0.00E+00"}};
    static const std::map<std::string, std::string> kSiglentHdTrigger{
        {":TRIG:TYPE", "EDGE"},
        {":TRIG:EDGE:SOUR", "C1"},
        {":TRIG:EDGE:SLOP", "RISing"},
        {":TRIG:EDGE:LEV", "0.00E+00"}};
    const auto& defaults = rigol ? kRigolTrigger : siglentE ? kSiglentETrigger : kSiglentHdTrigger;
    bool query = !name.empty() && name.back() == '?';
    std::string key = query ? name.substr(0, name.size() - 1) : name;
    if (defaults.count(key)) {
        if (!query) return trigger_[key] = command.substr(space + 1), Answer{};
        std::string kept = trigger_.count(key) ? trigger_[key] : defaults.at(key);
        return {(siglentE && setup_.Headers ? key + " " : "") + kept + "\n"};
    }
    handled = false;
    return {};
}

Answer Scope::Handle(const std::string& line) {
    if (setup_.Fault == ScopeFault::Silence) return {};
    std::string command = UpperCase(line);
    while (!command.empty() && (command.back() == '\r' || command.back() == ' '))
        command.pop_back();
    bool handled = false;
    Answer common = Common(command, handled);
    if (handled) return common;
    // The scope's own generator takes its own commands: a Keysight's :WGEN, a DS1000Z-S's
    // :SOURce.
    bool keysight = setup_.Family == ScopeFamily::Keysight;
    std::string plain = command[0] == ':' ? command.substr(1) : command;
    if (FunctionGenerator* own = Own(); own && StartsWith(plain, keysight ? "WGEN" : "SOUR"))
        return own->Handle(command);
    switch (setup_.Family) {
    case ScopeFamily::TektronixTds:
    case ScopeFamily::TektronixTbs2000: return Tektronix(command);
    case ScopeFamily::Keysight: return Keysight(command);
    case ScopeFamily::RigolDs1000z:
    case ScopeFamily::RigolDho:
    case ScopeFamily::SiglentSdsE:
    case ScopeFamily::SiglentSdsHd: break;
    }
    // The older families share the settings a sweep changes.
    Answer setting = Setting(command, handled);
    if (handled) return setting;
    switch (setup_.Family) {
    case ScopeFamily::SiglentSdsE: return SiglentE(command);
    case ScopeFamily::SiglentSdsHd: return SiglentHd(command);
    default: return Rigol(command);
    }
}

namespace {

bool Real(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && std::isfinite(value);
}

} // namespace

bool Scope::Set(const std::string& name, const std::string& value, std::string& error) {
    error = "bad value for " + name + ": " + value;
    double number = 0;
    bool isNumber = Real(value, number);
    if (name == "model") {
        own_.reset();
        return ModelSetup(value, setup_) || (error = "unknown model " + value, false);
    }
    // "circuit-own lowpass R C [L]": the circuit between the scope's own generator and CH2.
    if (name == "circuit-own") {
        std::istringstream words(value);
        std::string kind;
        Circuit circuit;
        words >> kind;
        if (!Own() || !CircuitKindNamed(kind, circuit.Kind) || !(words >> circuit.R >> circuit.C))
            return false;
        words >> circuit.L;
        Wire([this] { return own_->Output(); }, circuit);
        return true;
    }
    if (name == "idn") return setup_.Identity = value, true;
    if (name == "state") {
        static const std::pair<const char*, RunState> kStates[] = {
            {"run", RunState::Running},
            {"stop", RunState::Stopped},
            {"single", RunState::WaitingSingle}};
        for (const auto& [word, state] : kStates)
            if (value == word) {
                setup_.State = state;
                if (state == RunState::WaitingSingle) setup_.Sweep = TriggerSweep::Single;
                stopAfterSequence_ = state == RunState::WaitingSingle;
                return true;
            }
        return false;
    }
    if (name == "sweep") {
        std::optional<TriggerSweep> sweep = SweepNamed(UpperCase(value));
        if (!sweep) return false;
        setup_.Sweep = *sweep;
        if (*sweep == TriggerSweep::Single && setup_.State == RunState::Running)
            setup_.State = RunState::WaitingSingle;
        return true;
    }
    if (name == "headers")
        return value == "short" || value == "off" ? (setup_.Headers = value == "short", true)
                                                  : false;
    if (name == "fault") {
        static const std::pair<const char*, ScopeFault> kFaults[] = {
            {"none", ScopeFault::None},
            {"stall", ScopeFault::Stall},
            {"reset", ScopeFault::Reset},
            {"short", ScopeFault::ShortBlock},
            {"bad-header", ScopeFault::BadHeader},
            {"huge", ScopeFault::Huge},
            {"bad-preamble", ScopeFault::BadPreamble},
            {"silence", ScopeFault::Silence},
            {"unanswered", ScopeFault::Unanswered},
            {"length-quirk", ScopeFault::LengthQuirk}};
        for (const auto& [word, fault] : kFaults)
            if (value == word) {
                setup_.Fault = fault;
                firstBlock_ = firstScale_ = true;
                return true;
            }
        return false;
    }
    if (name == "pace")
        return value == "real" || value == "none" ? (setup_.RealPace = value == "real", true)
                                                  : false;
    if (name == "dump") return setup_.Dump = value, true;
    if (name == "timebase")
        return isNumber && number > 0 ? (setup_.TimeBase = number, true) : false;
    if (name == "rate") return isNumber && number > 0 ? (setup_.SampleRate = number, true) : false;
    if (name == "record")
        return isNumber && number >= 2 && number <= 1e6
                   ? (setup_.RecordLength = std::size_t(number), true)
                   : false;
    if (name == "first-answer")
        return isNumber && number >= 0 ? (setup_.FirstAnswer = number, true) : false;
    if (name == "noise") return isNumber && number >= 0 ? (setup_.Noise = number, true) : false;
    if (name == "noise-counts")
        return isNumber && number >= 0 ? (setup_.NoiseCounts = number, true) : false;
    if (name == "seed")
        return isNumber && number >= 0 ? (setup_.Seed = unsigned(number), true) : false;
    // Per channel (1 to 4): "shown1 on", "shape2 square", "amplitude1 2", "frequency1 1000",
    // "phase2 -45", "dc1 0", "vdiv1 1", "offset1 0", "probe2 10".
    if (name.size() < 2 || name.back() < '1' || name.back() > '4')
        return error = "unknown option " + name, false;
    ScopeChannelSetup& c = setup_.Channels[std::size_t(name.back() - '1')];
    std::string option = name.substr(0, name.size() - 1);
    if (option == "shown")
        return value == "on" || value == "off" ? (c.Shown = value == "on", true) : false;
    if (option == "shape")
        return value == "sine" || value == "square" || value == "triangle" ? (c.Shape = value, true)
                                                                           : false;
    struct Field {
        const char* Name;
        double ScopeChannelSetup::*Member;
        bool Positive;
    };
    static constexpr Field kFields[] = {{"amplitude", &ScopeChannelSetup::Amplitude, false},
                                        {"frequency", &ScopeChannelSetup::Frequency, true},
                                        {"phase", &ScopeChannelSetup::Phase, false},
                                        {"dc", &ScopeChannelSetup::Dc, false},
                                        {"vdiv", &ScopeChannelSetup::VoltsPerDivision, true},
                                        {"offset", &ScopeChannelSetup::Offset, false},
                                        {"probe", &ScopeChannelSetup::Probe, true}};
    for (const Field& field : kFields)
        if (option == field.Name)
            return isNumber && (!field.Positive || number > 0) ? (c.*field.Member = number, true)
                                                               : false;
    error = "unknown option " + name;
    return false;
}

bool ModelSetup(const std::string& model, ScopeSetup& setup) {
    static const struct {
        const char* Name;
        ScopeFamily Family;
        const char* Identity;
        int Channels;
        double SampleRate;  // 0: the family's own way
        double FirstAnswer; // seconds
    } kModels[] = {
        {"rigol-ds1054z", ScopeFamily::RigolDs1000z,
         "RIGOL TECHNOLOGIES,DS1054Z,DS1ZA0000001,00.04.04.SP4", 4, 0, 0},
        {"rigol-dho804", ScopeFamily::RigolDho, "RIGOL TECHNOLOGIES,DHO804,DHO8A0000001,00.01.03",
         4, 0, 0},
        {"siglent-sds1104x-e", ScopeFamily::SiglentSdsE,
         "Siglent Technologies,SDS1104X-E,SDSMMFCD000001,8.2.6.1.37R9", 4, 50e6, 0},
        {"siglent-sds2104x-plus", ScopeFamily::SiglentSdsHd,
         "Siglent Technologies,SDS2104X Plus,SDS2PCAD000001,1.3.9R10", 4, 50e6, 0},
        {"siglent-sds1104x-hd", ScopeFamily::SiglentSdsHd,
         "Siglent Technologies,SDS1104X HD,SDS1HBAD000001,1.1.3.8", 4, 50e6, 0},
        {"tektronix-tbs1052b", ScopeFamily::TektronixTds,
         "TEKTRONIX,TBS1052B,C010001,CF:91.1CT FV:v4.11.0", 2, 0, 0},
        {"tektronix-tbs2104", ScopeFamily::TektronixTbs2000,
         "TEKTRONIX,TBS2104,C020001,CF:91.1CT FV:v1.27.19; FPGA:v2.18;", 4, 0, 0},
        {"keysight-dsox1204g", ScopeFamily::Keysight,
         "KEYSIGHT TECHNOLOGIES,DSOX1204G,CN60000001,02.12.2019071201", 4, 0, 0},
        {"rigol-ds1104z-s", ScopeFamily::RigolDs1000z,
         "RIGOL TECHNOLOGIES,DS1104Z-S,DS1ZC0000001,00.04.04.SP4", 4, 0, 0},
        {"keysight-dsox2002a", ScopeFamily::Keysight,
         "AGILENT TECHNOLOGIES,DSO-X 2002A,MY50000001,02.50.2019022736", 2, 0, 10},
    };
    for (const auto& m : kModels)
        if (model == m.Name) {
            setup.Family = m.Family;
            setup.Identity = m.Identity;
            setup.ChannelCount = m.Channels;
            setup.FirstAnswer = m.FirstAnswer;
            std::string name = m.Name;
            setup.OwnGenerator =
                name == "keysight-dsox1204g" ? std::optional(GeneratorFamily::KeysightWaveGen)
                : name == "rigol-ds1104z-s"  ? std::optional(GeneratorFamily::RigolScopeSource)
                                             : std::nullopt;
            if (m.SampleRate > 0) setup.SampleRate = m.SampleRate;
            // CH1 at 1 V/div, CH2 through its x10 probe at 500 mV/div: both traces inside the
            // screen, CH2 lagging by 45 degrees. CH3 and CH4 hidden, each a waveform of its own.
            setup.Channels[0].VoltsPerDivision = 1;
            setup.Channels[1].Amplitude = 1;
            setup.Channels[1].Phase = -45;
            setup.Channels[1].Probe = 10;
            setup.Channels[1].VoltsPerDivision = 0.5;
            for (std::size_t c : {2, 3}) {
                setup.Channels[c].Shown = false;
                setup.Channels[c].Shape = c == 2 ? "triangle" : "square";
                setup.Channels[c].Frequency = c == 2 ? 500 : 2000;
                setup.Channels[c].Amplitude = 1.5;
            }
            return true;
        }
    return false;
}
