// Rigol DG800, DG900, DG1000Z and Keysight 33500: the standard SCPI tree, ":SOURce<n>:FREQuency",
// ":SOURce<n>:VOLTage" in the unit ":VOLTage:UNIT" says, which Rigol keeps from the front panel's
// last entry, and ":OUTPut<n>" with its ":LOAD", whose infinite answer is 9.9E+37.
// RIGOL DG1000Z Programming Guide PGB09103-1110: :SOURce<n>:FUNCtion, :FREQuency,
// :VOLTage[:AMPLitude], :VOLTage:UNIT VPP|VRMS|DBM, :VOLTage:OFFSet, :OUTPut<n>[:STATe],
// :OUTPut<n>:LOAD (p. 2-56: INFinity, answered 9.900000E+37); DG800 guide pp. 2-43 to 2-47
// (answers in 7-digit scientific notation, ON/OFF). Agilent/Keysight 33500 Series manual: the
// same SOURce/OUTPut tree, VOLTage:UNIT and OUTPut:LOAD (p. 62), booleans answered 0/1.

#include "common/Text1252.h"
#include "common/Words.h"
#include "instrument/Generator.h"
#include "instrument/SavedSettings.h"

namespace {

class ScpiSourceGenerator : public Generator {
public:
    ScpiSourceGenerator(ScpiSession& session, int channel)
        : session_(session), source_(":SOUR" + std::to_string(channel)),
          output_(":OUTP" + std::to_string(channel)) {}

    void Save() override {
        found_.Clear();
        double load = ValueNumber(session_.Query(output_ + ":LOAD?"));
        found_.Keep(output_ + ":LOAD", "charge",
                    output_ + ":LOAD " + (load > 1e30 ? "INF" : NumberText(load)));
        static const struct {
            const char* Setting;
            const char* Name;
        } kSource[] = {{":FUNC", "forme d'onde"},
                       {":FREQ", "fréquence"},
                       {":VOLT:UNIT", "amplitude"},
                       {":VOLT", "amplitude"},
                       {":VOLT:OFFS", "décalage"}};
        for (const auto& s : kSource) {
            std::string setting = source_ + s.Setting;
            found_.Keep(setting, Cp1252(s.Name), setting + " " + session_.Query(setting + "?"));
        }
        found_.Keep(output_, "sortie", output_ + " " + session_.Query(output_ + "?"));
    }

    void Prepare(double amplitude, double offset) override {
        Set(output_ + ":LOAD", "INF");
        Set(source_ + ":FUNC", "SIN");
        Set(source_ + ":VOLT:UNIT", "VPP");
        Set(source_ + ":VOLT", NumberText(amplitude));
        Set(source_ + ":VOLT:OFFS", NumberText(offset));
        Set(output_, "ON");
    }

    double SetFrequency(double hertz) override {
        Set(source_ + ":FREQ", NumberText(hertz));
        return ValueNumber(session_.Query(source_ + ":FREQ?"));
    }

    std::vector<std::string> Restore() override { return PutBack(session_, found_.ToPutBack()); }

private:
    void Set(const std::string& setting, const std::string& value) {
        session_.Send(setting + " " + value);
        found_.Changed(setting);
    }

    ScpiSession& session_;
    std::string source_, output_;
    SettingsFound found_;
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
    return std::make_unique<ScpiSourceGenerator>(session, channel);
}

} // namespace

extern const GeneratorDialect kScpiSourceGenerator{
    .Family = "Rigol DG800, DG900, DG1000Z; Keysight 33500",
    .Guide = "RIGOL DG1000Z Programming Guide PGB09103-1110; Keysight 33500 Series manual",
    .Serves = Serves,
    .Asks = nullptr,
    .Drives = Drives,
};
