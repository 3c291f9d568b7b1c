#pragma once
// A network or USB scope as the main window's instrument: identified and read off the window
// thread (ScopeLink), a connection made for each, the window's messages served meanwhile and its
// gauge moved with the bytes that came; the close breaks a transfer off at once. A read that fails
// says why and keeps the acquisition held.
#include <array>
#include <optional>

#include "acquisition/InstrumentSession.h"
#include "instrument/ScopeLink.h"

class ScopeSession : public InstrumentSession {
public:
    using InstrumentSession::InstrumentSession;

    // The scope the identifications and reads to come are of.
    void SetResource(const InstrumentResource& resource) { resource_ = resource; }

    void IdentifyInstrument() override;
    bool Identified() const override { return identity_.has_value(); }
    std::string Unanswered() const override { return reason_; }
    bool Holds() const override { return held_ != nullptr; }
    // The scope's acquisition, its settings and time its own.
    AcquisitionPtr Acquisition(const SettingsTexts&, const std::string&) const override {
        return held_;
    }
    void Forget() override { held_.reset(); }
    void SetChannelName(int channel, const std::string& name) override;
    std::string ChannelName(int channel) const override;

private:
    ReadEnd ReadInstrument(CommandState::Activity& read) override;
    // Waits for the job started on the link, serving messages and moving the gauge meanwhile;
    // none when the program closed before its end.
    std::optional<ScopeOutcome> AwaitJob(const std::string& status);

    InstrumentResource resource_;
    std::optional<ScopeIdentity> identity_; // the scope that answered
    std::string reason_;                    // why it did not
    std::array<std::string, 4> names_{"V1", "V2", "V3", "V4"};
    AcquisitionPtr held_;
    ScopeLink link_;
};
