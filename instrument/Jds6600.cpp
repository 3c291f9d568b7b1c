// JDS6600 on a serial line at 115 200 baud: numbered registers written ":w23=100000,0." and
// answered ":ok", read ":r23=0." and answered ":r23=100000,0.". Per channel (CH1, CH2): the
// waveform in 21/22 (0 a sine), the frequency in 23/24 in hundredths of a hertz with the unit 0,
// the amplitude in 25/26 in millivolts, the offset in 27/28 in hundredths of a volt above -10 V;
// both outputs' switches together in 20.
// The JDS6600's register protocol: the maker's communication protocol document was not
// available; registers, encodings and replies follow public byte captures of the instrument
// (":w23=100000,0." answered ":ok", ":r23=0." answered ":r23=100000,0."), so every setting is
// read back and a wrong acknowledgement stops the sweep with its text.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/Text1252.h"
#include "common/Words.h"
#include "instrument/Generator.h"
#include "instrument/SavedSettings.h"

extern const GeneratorDialect kJds6600;

namespace {

class Jds6600 : public Generator {
public:
    Jds6600(ScpiSession& session, int channel)
        : session_(session), channel_(channel == 2 ? 2 : 1) {}

    void Save() override {
        found_.Clear();
        outputs_ = Values(20);
        outputs_.resize(2, "0");
        auto keep = [&](const char* name, int first) {
            int reg = first + channel_ - 1;
            std::vector<std::string> values = Values(reg);
            std::string joined;
            for (const std::string& value : values) joined += (joined.empty() ? "" : ",") + value;
            found_.Keep(std::to_string(reg), Cp1252(name), Command(reg, joined));
        };
        keep("forme d'onde", 21);
        keep("fréquence", 23);
        keep("amplitude", 25);
        keep("décalage", 27);
        found_.Keep("20", "sortie", Command(20, outputs_[0] + "," + outputs_[1]));
    }

    void Prepare(double amplitude, double offset) override {
        Write(21 + channel_ - 1, "0");
        Write(25 + channel_ - 1, std::to_string(std::lround(amplitude * 1000)));
        Write(27 + channel_ - 1, std::to_string(std::lround((offset + 10) * 100)));
        std::vector<std::string> on = outputs_;
        on[std::size_t(channel_ - 1)] = "1";
        Write(20, on[0] + "," + on[1]);
    }

    double SetFrequency(double hertz) override {
        Write(23 + channel_ - 1, std::to_string(std::llround(hertz * 100)) + ",0");
        std::vector<std::string> values = Values(23 + channel_ - 1);
        return std::strtod(values[0].c_str(), nullptr) / 100;
    }

    std::vector<std::string> Restore() override {
        return PutBackAcknowledged(session_, found_.ToPutBack(), ":ok");
    }

private:
    static std::string Command(int reg, const std::string& values) {
        char name[8];
        std::snprintf(name, sizeof name, "%02d", reg);
        return ":w" + std::string(name) + "=" + values + ".";
    }
    // A register written, answered ":ok"; marked to be put back.
    void Write(int reg, const std::string& values) {
        std::string answer = session_.Query(Command(reg, values));
        if (answer != ":ok") throw EInstrumentError(InstrumentFault::BadPreamble, answer);
        found_.Changed(std::to_string(reg));
    }
    // The values a register reads: ":r23=100000,0." gives {"100000", "0"}.
    std::vector<std::string> Values(int reg) {
        char query[16];
        std::snprintf(query, sizeof query, ":r%02d=0.", reg);
        std::string answer = session_.Query(query);
        std::string head = std::string(query).substr(0, 5);
        std::size_t end = answer.rfind('.');
        if (answer.rfind(head, 0) != 0 || end == std::string::npos || end < head.size())
            throw EInstrumentError(InstrumentFault::BadPreamble, answer);
        std::vector<std::string> values;
        std::string rest = answer.substr(head.size(), end - head.size());
        std::size_t start = 0;
        for (std::size_t comma; (comma = rest.find(',', start)) != std::string::npos;
             start = comma + 1)
            values.push_back(rest.substr(start, comma - start));
        values.push_back(rest.substr(start));
        return values;
    }

    ScpiSession& session_;
    int channel_;
    std::vector<std::string> outputs_{"0", "0"};
    SettingsFound found_;
};

// Asked for its register 0 (":r00=60." for the 60 MHz model) and 1, its serial number.
std::optional<GeneratorIdentity> Asks(ScpiSession& session) {
    std::string jds = AnswerOrNothing(session, ":r00=0.");
    if (!StartsWith(jds, ":r00=")) return std::nullopt;
    std::string megahertz = jds.substr(5, jds.find('.') - 5);
    std::string serial = AnswerOrNothing(session, ":r01=0.");
    if (StartsWith(serial, ":r01=")) serial = serial.substr(5, serial.find('.') - 5);
    return GeneratorIdentity{"JDS6600", megahertz + " MHz", serial, &kJds6600};
}

std::unique_ptr<Generator> Drives(ScpiSession& session, int channel) {
    return std::make_unique<Jds6600>(session, channel);
}

} // namespace

extern const GeneratorDialect kJds6600{
    .Family = "JDS6600",
    .Guide = "public byte captures of the JDS6600's register protocol",
    .Serves = nullptr,
    .Asks = Asks,
    .Drives = Drives,
};
