#include "instrument/ScopeControl.h"

#include <cstdio>

#include "common/Text1252.h"

namespace {

// The key of the reply headers and of the run state among the settings found.
constexpr const char* kHeaders = "headers";
constexpr const char* kRunState = "run";

std::string Formatted(const char* format, int channel) {
    char text[64];
    std::snprintf(text, sizeof text, format, channel);
    return text;
}

std::string Printed(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6E", value);
    return text;
}

std::string WithValue(const char* format, const std::string& value) {
    std::string text = format;
    std::size_t at = text.find("%s");
    return at == std::string::npos ? text : text.replace(at, 2, value);
}

} // namespace

ScopeControl::ScopeControl(ScpiSession& session, const ScopeIdentity& identity,
                           std::function<void(double seconds)> wait)
    : session_(session), identity_(identity), dialect_(*identity.Speaks), wait_(std::move(wait)) {}

void ScopeControl::Save() {
    const ScopeSettingWords& words = dialect_.Settings;
    found_.Clear();
    std::string headers = TurnHeadersOff(session_, dialect_);
    auto keep = [this](const std::string& name, const std::string& setting) {
        found_.Keep(setting, Cp1252(name), setting + " " + session_.Query(setting + "?"));
    };
    keep("base de temps", words.TimeBase);
    timeBase_ = AnswerNumber(found_.CommandOf(words.TimeBase));
    for (int channel : {1, 2}) {
        std::string ch = "CH" + std::to_string(channel);
        keep("sensibilité " + ch, Formatted(words.Scale, channel));
        keep("décalage " + ch, Formatted(words.Offset, channel));
        keep("affichage " + ch, Formatted(words.Shown, channel));
        probes_[channel - 1] = AnswerNumber(session_.Query(Formatted(words.Probe, channel)));
    }
    for (const auto& [setting, value] : words.Trigger) keep("déclenchement", setting);
    std::string resume = dialect_.Resume(session_);
    found_.Keep(kRunState, Cp1252("marche/arrêt"), resume.empty() ? words.Stop : resume);
    found_.Changed(kRunState); // every capture runs and stops the scope
    if (!headers.empty()) {
        found_.Keep(kHeaders, Cp1252("en-têtes des réponses"), headers);
        found_.Changed(kHeaders);
    }
}

std::vector<std::string> ScopeControl::Restore() { return PutBack(session_, found_.ToPutBack()); }

void ScopeControl::Set(const std::string& setting, const std::string& value) {
    session_.Send(setting + " " + value);
    found_.Changed(setting);
}

void ScopeControl::SetTimeBase(double secondsPerDivision) {
    Set(dialect_.Settings.TimeBase, Printed(secondsPerDivision));
    timeBase_ = secondsPerDivision;
}

void ScopeControl::SetScale(int channel, double voltsPerDivision) {
    Set(Formatted(dialect_.Settings.Scale, channel), Printed(voltsPerDivision));
}

void ScopeControl::SetCentre(int channel, double volts) {
    Set(Formatted(dialect_.Settings.Offset, channel), Printed(-volts));
}

// A channel already shown is left alone: its display is not the sweep's to put back.
void ScopeControl::Show(int channel) {
    std::string setting = Formatted(dialect_.Settings.Shown, channel);
    if (AnswerWord(found_.CommandOf(setting)) != dialect_.Settings.ShownOn)
        Set(setting, dialect_.Settings.ShownOn);
}

void ScopeControl::SetTrigger(double level) {
    for (const auto& [setting, value] : dialect_.Settings.Trigger)
        Set(setting, WithValue(value, Printed(level)));
}

AcquisitionPtr ScopeControl::Capture(const ScopeRequest& request, double extraSeconds) {
    session_.Send(dialect_.Settings.Run);
    wait_(timeBase_ * DivisionsAcross() + extraSeconds);
    session_.Send(dialect_.Settings.Stop);
    return ReadScope(session_, identity_, request);
}
