#include "instrument/ScopeControl.h"

// The commands, from each make's programming guide: DS1000Z/DHO :TIMebase:MAIN:SCALe,
// :CHANnel<n>:SCALe/OFFSet/PROBe?, :TRIGger:MODE EDGE, :TRIGger:EDGe:SOURce/SLOPe/LEVel,
// :TRIGger:SWEep AUTO, :RUN, :STOP (DS1000Z guide, :TIMebase, :CHANnel and :TRIGger chapters);
// SDS1000X-E TIME_DIV, VOLT_DIV, OFFSET, ATTENUATION, TRIG_SELECT EDGE,SR,C1, TRIG_SLOPE,
// TRIG_LEVEL, TRIG_MODE, SAMPLE_STATUS, STOP (PG01 guide); the newer Siglent set :TIMebase:SCALe,
// :CHANnel<n>:SCALe/OFFSet/PROBe, :TRIGger:TYPE, :TRIGger:EDGE:SOURce/SLOPe/LEVel,
// :TRIGger:MODE, :TRIGger:RUN/STOP (its guide, pp. 56-58 and 476-495).

#include <cstdio>

#include "common/Text1252.h"

// A dialect's commands; "%d" is a channel's number, "%s" a value.
struct ScopeDialectCommands {
    const char* Prologue; // sent before anything is read: replies without headers
    const char* TimeBase;
    const char* Scale;
    const char* Offset;
    const char* Probe;
    std::vector<const char*> Trigger; // each set by "<command> <value>" and read by "<command>?"
    std::vector<const char*> TriggerValues; // what the sweep sets them to, "%s" the level
    const char* Status;                     // answers a word beginning "STOP" once stopped
    const char* Run;
    const char* Stop;
};

namespace {

const ScopeDialectCommands kRigol{
    "",
    ":TIM:MAIN:SCAL",
    ":CHAN%d:SCAL",
    ":CHAN%d:OFFS",
    ":CHAN%d:PROB?",
    {":TRIG:MODE", ":TRIG:EDG:SOUR", ":TRIG:EDG:SLOP", ":TRIG:EDG:LEV", ":TRIG:SWE"},
    {"EDGE", "CHAN1", "POS", "%s", "AUTO"},
    ":TRIG:STAT?",
    ":RUN",
    ":STOP"};

const ScopeDialectCommands kSiglentE{"CHDR OFF",
                                     "TDIV",
                                     "C%d:VDIV",
                                     "C%d:OFST",
                                     "C%d:ATTN?",
                                     {"TRSE", "C1:TRSL", "C1:TRLV", "TRMD"},
                                     {"EDGE,SR,C1,HT,OFF", "POS", "%s", "AUTO"},
                                     "SAST?",
                                     "TRMD AUTO",
                                     "STOP"};

const ScopeDialectCommands kSiglentHd{
    "CHDR OFF",
    ":TIM:SCAL",
    ":CHAN%d:SCAL",
    ":CHAN%d:OFFS",
    ":CHAN%d:PROB?",
    {":TRIG:TYPE", ":TRIG:EDGE:SOUR", ":TRIG:EDGE:SLOP", ":TRIG:EDGE:LEV", ":TRIG:MODE"},
    {"EDGE", "C1", "RIS", "%s", "AUTO"},
    ":TRIG:STAT?",
    ":TRIG:RUN",
    ":TRIG:STOP"};

const ScopeDialectCommands& CommandsOf(Dialect dialect) {
    switch (dialect) {
    case Dialect::SiglentSdsE: return kSiglentE;
    case Dialect::SiglentSdsHd: return kSiglentHd;
    default: return kRigol;
    }
}

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
    : session_(session), identity_(identity), commands_(CommandsOf(identity.Speaks)),
      wait_(std::move(wait)) {}

int ScopeControl::DivisionsAcross() const {
    switch (identity_.Speaks) {
    case Dialect::RigolDs1000z: return 12;
    case Dialect::SiglentSdsE: return 14;
    default: return 10;
    }
}

void ScopeControl::Save() {
    if (*commands_.Prologue) session_.Send(commands_.Prologue);
    saved_.clear();
    auto keep = [this](const std::string& name, const std::string& command) {
        saved_.push_back({Cp1252(name), command + " " + session_.Query(command + "?")});
    };
    keep("base de temps", commands_.TimeBase);
    timeBase_ = AnswerNumber(saved_.back().Command);
    for (int channel : {1, 2}) {
        keep("sensibilité CH" + std::to_string(channel), Formatted(commands_.Scale, channel));
        keep("décalage CH" + std::to_string(channel), Formatted(commands_.Offset, channel));
        probes_[channel - 1] = AnswerNumber(session_.Query(Formatted(commands_.Probe, channel)));
    }
    for (const char* trigger : commands_.Trigger) keep("déclenchement", trigger);
    bool stopped = AnswerWord(session_.Query(commands_.Status)).rfind("STOP", 0) == 0;
    saved_.push_back({Cp1252("marche/arrêt"), stopped ? commands_.Stop : commands_.Run});
}

std::vector<std::string> ScopeControl::Restore() { return PutBack(session_, saved_); }

void ScopeControl::SetTimeBase(double secondsPerDivision) {
    session_.Send(std::string(commands_.TimeBase) + " " + Printed(secondsPerDivision));
    timeBase_ = secondsPerDivision;
}

void ScopeControl::SetScale(int channel, double voltsPerDivision) {
    session_.Send(Formatted(commands_.Scale, channel) + " " + Printed(voltsPerDivision));
}

void ScopeControl::SetCentre(int channel, double volts) {
    session_.Send(Formatted(commands_.Offset, channel) + " " + Printed(-volts));
}

void ScopeControl::SetTrigger(double level) {
    for (std::size_t i = 0; i < commands_.Trigger.size(); ++i)
        session_.Send(std::string(commands_.Trigger[i]) + " " +
                      WithValue(commands_.TriggerValues[i], Printed(level)));
}

AcquisitionPtr ScopeControl::Capture(const ScopeRequest& request, double extraSeconds) {
    session_.Send(commands_.Run);
    wait_(timeBase_ * DivisionsAcross() + extraSeconds);
    session_.Send(commands_.Stop);
    return ReadScope(session_, identity_, request);
}
