// FeelTech FY6800 and FY6900 on a serial line at 115 200 baud: a command a line, "W" or "R", the
// channel's letter (M for CH1, F for CH2) and the setting's; a setting written is answered by a
// bare line end once done, one read by its value. The amplitude reads back in 1/10 000 V, the
// offset in 1/1 000 V as an unsigned 32-bit number, the frequency in hertz. Firmware differ in
// the frequency they take: hertz with six decimals, or older, an integer of micro-hertz; the one
// the generator reads back is kept.
// FeelTech FY6900 Host Computer Communication Protocol Rev 1.8: 115 200 baud 8N1, LF-ended
// lines, W/R with M (main) or F (auxiliary), WMW waveform number (00 sine), WMF frequency, WMA
// amplitude, WMO offset, WMN output, UMO model, UID serial; a write acknowledged by a bare LF.
// Read-back scales (RMA in 1/10 000 V, RMO in 1/1 000 V as unsigned 32-bit, RMF in Hz) and the
// older firmware's micro-hertz frequency are not in that document: they are what public captures
// of FY2300/FY6600/FY6900 units show, hence each value is read back rather than assumed.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "common/Text1252.h"
#include "common/Words.h"
#include "instrument/Generator.h"
#include "instrument/SavedSettings.h"

extern const GeneratorDialect kFeelTech;

namespace {

std::string Printed(const char* format, double value) {
    char text[40];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

class FeelTech : public Generator {
public:
    FeelTech(ScpiSession& session, int channel)
        : session_(session), letter_(channel == 2 ? "F" : "M") {}

    void Save() override {
        found_.Clear();
        frequencySet_ = false;
        long wave = std::lround(ValueNumber(Read("W")));
        found_.Keep("W", Cp1252("forme d'onde"), "W" + letter_ + "W" + Printed("%02.0f", wave));
        savedFrequency_ = ValueNumber(Read("F"));
        found_.Keep("A", "amplitude",
                    "W" + letter_ + "A" + Printed("%.4f", ValueNumber(Read("A")) / 1e4));
        double offset = double(int32_t(uint32_t(std::llround(ValueNumber(Read("O")))))) / 1e3;
        found_.Keep("O", Cp1252("décalage"), "W" + letter_ + "O" + Printed("%.3f", offset));
        found_.Keep("N", "sortie", "W" + letter_ + "N" + (ValueNumber(Read("N")) != 0 ? "1" : "0"));
    }

    void Prepare(double amplitude, double offset) override {
        Write("W" + letter_ + "W00");
        Write("W" + letter_ + "A" + Printed("%.4f", amplitude));
        Write("W" + letter_ + "O" + Printed("%.3f", offset));
        Write("W" + letter_ + "N1");
    }

    double SetFrequency(double hertz) override {
        frequencySet_ = true;
        Write(FrequencyCommand(hertz, microHertz_));
        double got = ValueNumber(Read("F"));
        if (std::abs(got - hertz) <= 1e-6 * hertz + 1e-6) return got;
        Write(FrequencyCommand(hertz, !microHertz_));
        double other = ValueNumber(Read("F"));
        if (std::abs(other - hertz) > 1e-6 * hertz + 1e-6) return other;
        microHertz_ = !microHertz_;
        return other;
    }

    // The frequency in the form the generator was found to take, once the sweep set one.
    std::vector<std::string> Restore() override {
        std::vector<SavedSetting> saved = found_.ToPutBack();
        if (frequencySet_)
            saved.insert(saved.begin() + std::ptrdiff_t(std::min<std::size_t>(1, saved.size())),
                         {Cp1252("fréquence"), FrequencyCommand(savedFrequency_, microHertz_)});
        return PutBackAcknowledged(session_, saved, "");
    }

private:
    std::string Read(const char* setting) { return session_.Query("R" + letter_ + setting); }
    // A setting written ("WMA2.0000"), answered by a bare line end; marked to be put back.
    void Write(const std::string& command) {
        std::string answer = session_.Query(command);
        if (!answer.empty()) throw EInstrumentError(InstrumentFault::BadPreamble, answer);
        found_.Changed(command.substr(2, 1));
    }
    std::string FrequencyCommand(double hertz, bool microHertz) const {
        return "W" + letter_ + "F" +
               (microHertz ? Printed("%014.0f", std::round(hertz * 1e6))
                           : Printed("%015.6f", hertz));
    }

    ScpiSession& session_;
    std::string letter_;
    bool microHertz_ = false;
    double savedFrequency_ = 0;
    bool frequencySet_ = false;
    SettingsFound found_;
};

// Asked for its model ("FY6900-60M") and its serial number.
std::optional<GeneratorIdentity> Asks(ScpiSession& session) {
    std::string model = AnswerOrNothing(session, "UMO");
    if (!StartsWith(UpperCase(model), "FY")) return std::nullopt;
    return GeneratorIdentity{"FeelTech", model, AnswerOrNothing(session, "UID"), &kFeelTech};
}

std::unique_ptr<Generator> Drives(ScpiSession& session, int channel) {
    return std::make_unique<FeelTech>(session, channel);
}

} // namespace

extern const GeneratorDialect kFeelTech{
    .Family = "FeelTech FY6800, FY6900",
    .Guide = "FeelTech FY6900 Host Computer Communication Protocol Rev 1.8",
    .Serves = nullptr,
    .Asks = Asks,
    .Drives = Drives,
};
