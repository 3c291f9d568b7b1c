#pragma once
// What a sweep sets on a network or USB scope, in its dialect's words: the time base, each
// channel's scale, the level at its screen's centre and whether it is shown, an edge trigger on
// CH1; and a capture taken once those are in force. What it changes is read first and put back
// after, the reply headers and the run state last.
#include <functional>
#include <string>
#include <vector>

#include "instrument/SavedSettings.h"
#include "instrument/ScopeDialect.h"
#include "instrument/Sweeper.h"

class ScopeControl : public SweptScope {
public:
    // `wait` lets the given seconds pass (a capture's screen filling), or throws
    // EInstrumentError(Cancelled) when the sweep is stopped meanwhile.
    ScopeControl(ScpiSession& session, const ScopeIdentity& identity,
                 std::function<void(double seconds)> wait);

    // Reads the time base, the channels' scales, offsets, probes and whether they are shown, the
    // trigger and the run state.
    void Save() override;
    std::vector<std::string> Restore() override;

    void SetTimeBase(double secondsPerDivision);
    void SetTimeBaseFor(double frequency) override {
        SetTimeBase(TimeBaseFor(frequency, DivisionsAcross()));
    }
    void SetScale(int channel, double voltsPerDivision) override;
    void SetCentre(int channel, double volts) override;
    void Show(int channel) override;
    // Edge, CH1, rising, at `level`, automatic.
    void SetTrigger(double level) override;
    // Runs the scope for a screen and `extraSeconds` more, stops it and reads the channels.
    AcquisitionPtr Capture(const ScopeRequest& request, double extraSeconds) override;

    int DivisionsAcross() const { return dialect_.DivisionsAcross; }
    int DivisionsUp() const override { return 8; }
    // A scope's scales, 1 mV to 10 V a division at its probe's ratio.
    double LeastScale(int channel) const override { return 0.001 * Probe(channel); }
    double MostScale(int channel) const override { return 10 * Probe(channel); }

private:
    double Probe(int channel) const { return probes_[std::size_t(channel - 1)]; }
    // "<setting> <value>", and the setting marked to be put back.
    void Set(const std::string& setting, const std::string& value);

    ScpiSession& session_;
    ScopeIdentity identity_;
    const ScopeDialect& dialect_;
    std::function<void(double)> wait_;
    double timeBase_ = 1e-3;
    double probes_[2] = {1, 1};
    SettingsFound found_;
};
