// Siglent SDG1000X and SDG2000X: the basic wave's parameters as "key,value" pairs after a header
// ("C1:BSWV WVTP,SINE,FRQ,100HZ,AMP,2V,..."), the output's state and load in "C1:OUTP". Values
// out of range are clamped without a word, so each one set is read back.
// SDG Series Programming Guide PG02_E05C: §3.1.1 *IDN? (format 2), §3.3 OUTPut (ON|OFF, LOAD,
// HZ or ohms, the reply "C1:OUTP ON,LOAD,HZ,PLRT,NOR"), §3.4 BaSic_WaVe (WVTP, FRQ in Hz, AMP in
// volts peak to peak, OFST; the query's pairs with units); no COMM_HEADER on SDG1000X/2000X.
#include <map>

#include "common/Text1252.h"
#include "common/Words.h"
#include "instrument/Generator.h"
#include "instrument/SavedSettings.h"

namespace {

// The pairs of an answer after its header; the first word without a value (the output's ON or
// OFF) under the key "".
std::map<std::string, std::string> Pairs(const std::string& answer) {
    std::map<std::string, std::string> pairs;
    std::size_t space = answer.find(' ');
    std::string rest = space == std::string::npos ? "" : answer.substr(space + 1);
    std::vector<std::string> words;
    std::size_t start = 0;
    for (std::size_t comma; (comma = rest.find(',', start)) != std::string::npos; start = comma + 1)
        words.push_back(rest.substr(start, comma - start));
    words.push_back(rest.substr(start));
    std::size_t i = 0;
    if (words.size() % 2 == 1) pairs[""] = words[i++];
    for (; i + 1 < words.size(); i += 2) pairs[words[i]] = words[i + 1];
    return pairs;
}

class SiglentSdg : public Generator {
public:
    SiglentSdg(ScpiSession& session, int channel)
        : session_(session), prefix_("C" + std::to_string(channel) + ":") {}

    void Save() override {
        std::map<std::string, std::string> wave = Pairs(session_.Query(prefix_ + "BSWV?"));
        std::map<std::string, std::string> output = Pairs(session_.Query(prefix_ + "OUTP?"));
        found_.Clear();
        if (output.count("LOAD"))
            found_.Keep("LOAD", "charge", prefix_ + "OUTP LOAD," + output["LOAD"]);
        static const struct {
            const char* Key;
            const char* Name;
            bool Number;
        } kWave[] = {{"WVTP", "forme d'onde", false},
                     {"FRQ", "fréquence", true},
                     {"AMP", "amplitude", true},
                     {"OFST", "décalage", true}};
        for (const auto& w : kWave)
            if (wave.count(w.Key)) {
                std::string value = w.Number ? NumberText(ValueNumber(wave[w.Key])) : wave[w.Key];
                found_.Keep(w.Key, Cp1252(w.Name), prefix_ + "BSWV " + w.Key + "," + value);
            }
        if (output.count("")) found_.Keep("OUTP", "sortie", prefix_ + "OUTP " + output[""]);
    }

    void Prepare(double amplitude, double offset) override {
        Set("LOAD", "OUTP LOAD,HZ");
        Set("WVTP", "BSWV WVTP,SINE");
        Set("AMP", "BSWV AMP," + NumberText(amplitude));
        Set("OFST", "BSWV OFST," + NumberText(offset));
        Set("OUTP", "OUTP ON");
    }

    double SetFrequency(double hertz) override {
        Set("FRQ", "BSWV FRQ," + NumberText(hertz));
        std::map<std::string, std::string> wave = Pairs(session_.Query(prefix_ + "BSWV?"));
        if (!wave.count("FRQ")) throw EInstrumentError(InstrumentFault::BadPreamble, "FRQ");
        return ValueNumber(wave["FRQ"]);
    }

    std::vector<std::string> Restore() override { return PutBack(session_, found_.ToPutBack()); }

private:
    void Set(const char* key, const std::string& command) {
        session_.Send(prefix_ + command);
        found_.Changed(key);
    }

    ScpiSession& session_;
    std::string prefix_;
    SettingsFound found_;
};

bool Serves(const std::string& make, const std::string& model) {
    return make.find("SIGLENT") != std::string::npos && StartsWith(model, "SDG");
}

std::unique_ptr<Generator> Drives(ScpiSession& session, int channel) {
    return std::make_unique<SiglentSdg>(session, channel);
}

} // namespace

extern const GeneratorDialect kSiglentSdg{
    .Family = "Siglent SDG1000X, SDG2000X",
    .Guide = "SDG Series Programming Guide PG02_E05C",
    .Serves = Serves,
    .Asks = nullptr,
    .Drives = Drives,
};
