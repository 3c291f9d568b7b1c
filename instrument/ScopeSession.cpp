#include "instrument/ScopeSession.h"

#include "acquisition/Record.h"
#include "common/Clock.h"
#include "common/Text1252.h"
#include "instrument/InstrumentTexts.h"
#include "ui/MessageLoop.h"

namespace {

// The gauges' range while a scope is the instrument: the share of the read's bytes that came.
constexpr int kGaugeMaximum = 4096;
// A scope that has not answered by then is said to be getting ready.
constexpr unsigned kPreparingAfterMs = 2000;

} // namespace

void ScopeSession::SetChannelName(int channel, const std::string& name) {
    if (channel >= 1 && channel <= 4)
        names_[std::size_t(channel - 1)] = name.substr(0, kMaxChannelName);
}

std::string ScopeSession::ChannelName(int channel) const {
    return channel >= 1 && channel <= 4 ? names_[std::size_t(channel - 1)] : "";
}

// `status` is the help bar's text while the job runs, once the scope answered.
std::optional<ScopeOutcome> ScopeSession::AwaitJob(const std::string& status) {
    ULONGLONG started = GetTickCount64();
    bool preparing = false;
    while (!link_.Finished()) {
        if (state_.Closing() || QuitRequested()) {
            link_.Cancel();
            link_.Take();
            return std::nullopt;
        }
        window_.ServeMessages(50);
        bool waiting = !link_.Answered() && GetTickCount64() - started >= kPreparingAfterMs;
        if (waiting != preparing) {
            preparing = waiting;
            window_.ShowStatus(preparing ? Cp1252("L'oscilloscope se prépare (jusqu'à 10 s)…")
                                         : status);
        }
        if (std::size_t total = link_.Total())
            window_.SetGauge(Gauge::Data,
                             int(double(link_.Done()) * kGaugeMaximum / double(total)));
    }
    ScopeOutcome outcome = link_.Take();
    if (state_.Closing()) return std::nullopt;
    return outcome;
}

// Connects and asks who answers: the caption names the scope, or the address that did not answer.
void ScopeSession::IdentifyInstrument() {
    auto busy = state_.Begin(ProgramState::Dialog);
    identity_.reset();
    reason_.clear();
    window_.UpdateCommands();
    window_.SetBusy(true);
    link_.Start({resource_, false, {}});
    std::optional<ScopeOutcome> outcome = AwaitJob("");
    window_.SetBusy(false);
    if (!outcome) return;
    window_.ShowStatus("");
    if (outcome->Error) {
        reason_ = InstrumentErrorText(*outcome->Error, resource_.Address());
        window_.SetCaption(outcome->Error->Fault == InstrumentFault::UnknownInstrument
                               ? Cp1252("Oscilloscope non reconnu : ") + outcome->Answer
                               : "Oscilloscope non joignable : " + resource_.Address());
    } else {
        identity_ = outcome->Identity;
        window_.SetCaption("Lecture oscilloscope : " + identity_->Text());
        window_.SetGaugeMaximum(kGaugeMaximum);
    }
    window_.UpdateCommands();
}

// The transfer off the window thread, while the window shows the read; the fields then show the
// scope's settings.
ReadEnd ScopeSession::ReadInstrument(CommandState::Activity&) {
    ScopeJob job{resource_, true, {}};
    job.Request.Names = names_;
    job.Request.TimeOfDay = TimeOfDayText();
    link_.Start(std::move(job));
    window_.HideReadButton();
    window_.SetBusy(true);
    window_.SetGauge(Gauge::Data, 0);
    window_.SetGauge(Gauge::Zero, 0);
    std::string reading = Cp1252("Lecture de l'oscilloscope…");
    window_.ShowStatus(reading);
    std::optional<ScopeOutcome> outcome = AwaitJob(reading);
    if (!outcome) return ReadEnd::Closed;
    window_.SetBusy(false);
    window_.ShowStatus("");
    if (outcome->Error) {
        window_.SetGauge(Gauge::Data, 0);
        window_.UpdateCommands();
        window_.Notice(InstrumentErrorText(*outcome->Error, resource_.Address()));
        return state_.Closing() ? ReadEnd::Closed : ReadEnd::NothingNew;
    }
    identity_ = outcome->Identity;
    held_ = outcome->Acquisition;
    window_.SetGauge(Gauge::Data, kGaugeMaximum);
    HeaderSettings shown{held_->Screen().TimeBaseText, "", ""};
    for (const AcquisitionChannel& channel : held_->Channels())
        if (channel.Input == 1 || channel.Input == 2)
            (channel.Input == 1 ? shown.GammeCH1 : shown.GammeCH2) = channel.ScaleText;
    window_.ShowHeaderSettings(shown);
    window_.UpdateCommands();
    return ReadEnd::Read;
}
