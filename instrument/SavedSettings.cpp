#include "instrument/SavedSettings.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

void SettingsFound::Keep(std::string key, std::string name, std::string command) {
    kept_.push_back({std::move(key), {std::move(name), std::move(command)}});
}

void SettingsFound::Changed(const std::string& key) {
    for (Kept& kept : kept_)
        if (kept.Key == key) kept.Changed = true;
}

std::string SettingsFound::CommandOf(const std::string& key) const {
    for (const Kept& kept : kept_)
        if (kept.Key == key) return kept.Setting.Command;
    return "";
}

std::vector<SavedSetting> SettingsFound::ToPutBack() const {
    std::vector<SavedSetting> changed;
    for (const Kept& kept : kept_)
        if (kept.Changed) changed.push_back(kept.Setting);
    return changed;
}

std::vector<std::string> PutBack(ScpiSession& session, const std::vector<SavedSetting>& saved) {
    std::vector<std::string> failed;
    for (const SavedSetting& setting : saved) {
        if (failed.empty()) {
            try {
                session.Send(setting.Command);
                continue;
            } catch (const EInstrumentError&) {
            }
        }
        failed.push_back(setting.Name);
    }
    // A command is sent without an answer: an instrument gone meanwhile shows only here.
    if (failed.empty() && !saved.empty()) {
        try {
            session.Query("*OPC?");
        } catch (const EInstrumentError&) {
            for (const SavedSetting& setting : saved) failed.push_back(setting.Name);
        }
    }
    return failed;
}

std::vector<std::string> PutBackAcknowledged(ScpiSession& session,
                                             const std::vector<SavedSetting>& saved,
                                             const std::string& acknowledgement) {
    std::vector<std::string> failed;
    bool connected = true;
    for (const SavedSetting& setting : saved) {
        try {
            if (connected && session.Query(setting.Command) == acknowledgement) continue;
        } catch (const EInstrumentError&) {
            connected = false;
        }
        failed.push_back(setting.Name);
    }
    return failed;
}

double ValueNumber(const std::string& value) {
    char* end = nullptr;
    double number = std::strtod(value.c_str(), &end);
    if (end == value.c_str() || !std::isfinite(number))
        throw EInstrumentError(InstrumentFault::BadPreamble, value);
    char prefix = char(std::toupper(static_cast<unsigned char>(*end)));
    bool unitFollows = end[0] != '\0' && std::isalpha(static_cast<unsigned char>(end[1]));
    if (prefix == 'K' && unitFollows) return number * 1e3;
    if (prefix == 'M' && unitFollows && std::toupper(static_cast<unsigned char>(end[1])) != 'V')
        return number * 1e6;
    return number;
}

std::string NumberText(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}
