#include "instrument/ScopeControl.h"

#include <cstdio>

#include "common/Text1252.h"

namespace {

// The key of the reply headers and of the run state among the settings found.
constexpr const char* kHeaders = "headers";
constexpr const char* kRunState = "run";

// `format` with a "%d" for `channel`, or as it stands without one.
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
                           std::function<void(double seconds)> wait, std::array<int, 2> measured)
    : session_(session), identity_(identity), dialect_(*identity.Speaks), wait_(std::move(wait)),
      measured_(measured) {}

void ScopeControl::Save() {
    const ScopeSettingWords& words = dialect_.Settings;
    found_.Clear();
    std::string headers = TurnHeadersOff(session_, dialect_);
    auto keep = [this](const std::string& name, const std::string& setting) {
        found_.Keep(setting, Cp1252(name), setting + " " + session_.Query(setting + "?"));
    };
    keep("base de temps", words.TimeBase);
    timeBase_ = AnswerNumber(found_.CommandOf(words.TimeBase));
    for (std::size_t i = 0; i < 2; ++i) {
        int channel = measured_[i];
        std::string ch = "CH" + std::to_string(channel);
        keep("sensibilité " + ch, Formatted(words.Scale, channel));
        keep("décalage " + ch, Formatted(words.Offset, channel));
        keep("affichage " + ch, Formatted(words.Shown, channel));
        double probe = AnswerNumber(session_.Query(Formatted(words.Probe, channel)));
        probes_[i] = words.ProbeAsGain && probe > 0 ? 1 / probe : probe;
    }
    for (const auto& [setting, value] : words.Trigger)
        keep("déclenchement", Formatted(setting, measured_[0]));
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

// A trace placed in divisions would move with the scale: it is placed again at its level.
void ScopeControl::SetScale(int channel, double voltsPerDivision) {
    Set(Formatted(dialect_.Settings.Scale, channel), Printed(voltsPerDivision));
    scales_[Slot(channel)] = voltsPerDivision;
    if (dialect_.Settings.OffsetIs == OffsetMeaning::DivisionsUp && centres_[Slot(channel)])
        SetCentre(channel, *centres_[Slot(channel)]);
}

void ScopeControl::SetCentre(int channel, double volts) {
    double value = -volts;
    switch (dialect_.Settings.OffsetIs) {
    case OffsetMeaning::CentreLevel: value = volts; break;
    case OffsetMeaning::CentreLevelNegated: break;
    case OffsetMeaning::DivisionsUp: value = -volts / scales_[Slot(channel)]; break;
    }
    Set(Formatted(dialect_.Settings.Offset, channel), Printed(value));
    centres_[Slot(channel)] = volts;
}

// A channel already shown is left alone: its display is not the sweep's to put back.
void ScopeControl::Show(int channel) {
    std::string setting = Formatted(dialect_.Settings.Shown, channel);
    if (AnswerWord(found_.CommandOf(setting)) != dialect_.Settings.ShownOn)
        Set(setting, dialect_.Settings.ShownOn);
}

// The level first: a "%d" in a value is the trigger's channel.
void ScopeControl::SetTrigger(double level) {
    for (const auto& [setting, value] : dialect_.Settings.Trigger)
        Set(Formatted(setting, measured_[0]),
            Formatted(WithValue(value, Printed(level)).c_str(), measured_[0]));
}

AcquisitionPtr ScopeControl::Capture(const ScopeRequest& request, double extraSeconds) {
    session_.Send(dialect_.Settings.Run);
    wait_(timeBase_ * DivisionsAcross() + extraSeconds);
    session_.Send(dialect_.Settings.Stop);
    return ReadScope(session_, identity_, request);
}
