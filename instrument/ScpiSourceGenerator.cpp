// Rigol DG800, DG900, DG1000Z and Keysight 33500: the standard SCPI tree, ":SOURce<n>:FREQuency",
// ":SOURce<n>:VOLTage" in the unit ":VOLTage:UNIT" says, which Rigol keeps from the front panel's
// last entry, and ":OUTPut<n>" with its ":LOAD", whose infinite answer is 9.9E+37.
// RIGOL DG1000Z Programming Guide PGB09103-1110: :SOURce<n>:FUNCtion, :FREQuency,
// :VOLTage[:AMPLitude], :VOLTage:UNIT VPP|VRMS|DBM, :VOLTage:OFFSet, :OUTPut<n>[:STATe],
// :OUTPut<n>:LOAD (p. 2-56: INFinity, answered 9.900000E+37); DG800 guide pp. 2-43 to 2-47
// (answers in 7-digit scientific notation, ON/OFF). Agilent/Keysight 33500 Series manual: the
// same SOURce/OUTPut tree, VOLTage:UNIT and OUTPut:LOAD (p. 62), booleans answered 0/1.

#include "instrument/ScpiSourceGenerator.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "common/Text1252.h"
#include "common/Words.h"
#include "instrument/SavedSettings.h"

namespace {

// The session of a generator that needs a pause between a command and a query: the put-back's
// last query ("*OPC?") waits as the others do.
class PacedSession : public ScpiSession {
public:
    PacedSession(ScpiSession& session, int pauseMs) : session_(session), pauseMs_(pauseMs) {}

    void Send(const std::string& command) override {
        session_.Send(command);
        sentAt_ = std::chrono::steady_clock::now();
    }
    std::string Query(const std::string& command) override {
        std::this_thread::sleep_until(sentAt_ + std::chrono::milliseconds(pauseMs_));
        return session_.Query(command);
    }
    std::vector<uint8_t> QueryBlock(const std::string& command,
                                    const BlockRequest& request) override {
        return session_.QueryBlock(command, request);
    }

private:
    ScpiSession& session_;
    int pauseMs_;
    std::chrono::steady_clock::time_point sentAt_{};
};

std::string Formatted(const char* format, const char* mark) {
    char text[96];
    std::snprintf(text, sizeof text, format, mark);
    return text;
}

class ScpiSourceGenerator : public Generator {
public:
    ScpiSourceGenerator(ScpiSession& session, int channel, const ScpiGeneratorWords& words)
        : paced_(session, words.PauseMs), words_(words), mark_(words.Marks[channel == 2 ? 1 : 0]) {}

    void Save() override {
        found_.Clear();
        std::string load = Setting(words_.Load);
        found_.Keep(load, "charge", load + " " + LoadValue(Answer(load)));
        static const struct {
            const char* ScpiGeneratorWords::*Words;
            const char* Name;
        } kSettings[] = {{&ScpiGeneratorWords::Function, "forme d'onde"},
                         {&ScpiGeneratorWords::Frequency, "fréquence"},
                         {&ScpiGeneratorWords::Unit, "amplitude"},
                         {&ScpiGeneratorWords::Amplitude, "amplitude"},
                         {&ScpiGeneratorWords::Offset, "décalage"},
                         {&ScpiGeneratorWords::Output, "sortie"}};
        for (const auto& s : kSettings) {
            if (!(words_.*s.Words)) continue;
            std::string setting = Setting(words_.*s.Words);
            found_.Keep(setting, Cp1252(s.Name), setting + " " + Answer(setting));
        }
    }

    void Prepare(double amplitude, double offset) override {
        Set(words_.Load, words_.HighImpedance);
        Set(words_.Function, words_.Sine);
        if (words_.Unit) Set(words_.Unit, "VPP");
        Set(words_.Amplitude, NumberText(amplitude));
        Set(words_.Offset, NumberText(offset));
        if (words_.Output) Set(words_.Output, "ON");
    }

    double SetFrequency(double hertz) override {
        Set(words_.Frequency, NumberText(hertz));
        return ValueNumber(Answer(Setting(words_.Frequency)));
    }

    std::vector<std::string> Restore() override { return PutBack(paced_, found_.ToPutBack()); }

private:
    std::string Setting(const char* format) const { return Formatted(format, mark_); }

    // A load as it is set again: in ohms, the family's word for a high impedance (answered
    // 9.9E+37 or "Infinity"), or the word answered ("DEF" for 50 ohms).
    std::string LoadValue(const std::string& answer) const {
        if (UpperCase(answer).find("INF") == 0) return words_.HighImpedance;
        try {
            double ohms = ValueNumber(answer);
            return ohms > 1e30 ? words_.HighImpedance : NumberText(ohms);
        } catch (const EInstrumentError&) {
            return answer;
        }
    }

    // The value a setting's query answers, without the channel some put before it.
    std::string Answer(const std::string& setting) {
        std::string answer = paced_.Query(setting + "?");
        if (words_.Prefixed) answer = Trimmed(answer.substr(answer.find(':') + 1));
        return answer;
    }

    void Set(const char* format, const std::string& value) {
        std::string setting = Setting(format);
        paced_.Send(setting + " " + value);
        found_.Changed(setting);
    }

    PacedSession paced_;
    const ScpiGeneratorWords& words_;
    const char* mark_;
    SettingsFound found_;
};

const ScpiGeneratorWords kSourceTree{
    .Marks = {"1", "2"},
    .Function = ":SOUR%s:FUNC",
    .Sine = "SIN",
    .Frequency = ":SOUR%s:FREQ",
    .Unit = ":SOUR%s:VOLT:UNIT",
    .Amplitude = ":SOUR%s:VOLT",
    .Offset = ":SOUR%s:VOLT:OFFS",
    .Load = ":OUTP%s:LOAD",
    .HighImpedance = "INF",
    .Output = ":OUTP%s",
    .Prefixed = false,
    .PauseMs = 0,
};

bool Serves(const std::string& make, const std::string& model) {
    bool rigol = make.find("RIGOL") != std::string::npos &&
                 (StartsWith(model, "DG8") || StartsWith(model, "DG9") ||
                  (StartsWith(model, "DG1") && model.find('Z') != std::string::npos));
    bool keysight =
        make.find("KEYSIGHT") != std::string::npos || make.find("AGILENT") != std::string::npos;
    return rigol || (keysight && StartsWith(model, "335"));
}

std::unique_ptr<Generator> Drives(ScpiSession& session, int channel) {
    return DriveScpiSource(session, channel, kSourceTree);
}

} // namespace

std::unique_ptr<Generator> DriveScpiSource(ScpiSession& session, int channel,
                                           const ScpiGeneratorWords& words) {
    return std::make_unique<ScpiSourceGenerator>(session, channel, words);
}

extern const GeneratorDialect kScpiSourceGenerator{
    .Family = "Rigol DG800, DG900, DG1000Z; Keysight 33500",
    .Guide = "RIGOL DG1000Z Programming Guide PGB09103-1110; Keysight 33500 Series manual",
    .Serves = Serves,
    .Asks = nullptr,
    .Drives = Drives,
};
