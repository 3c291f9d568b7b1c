#pragma once
// What a sweep sets on a network or USB scope, in its dialect's words: the time base, each
// channel's scale, the level at its screen's centre and whether it is shown, an edge trigger on
// CH1; and a capture taken once those are in force. What it changes is read first and put back
// after, the reply headers and the run state last.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "instrument/SavedSettings.h"
#include "instrument/ScopeDialect.h"
#include "instrument/Sweeper.h"

class ScopeControl : public SweptScope {
public:
    // `wait` lets the given seconds pass (a capture's screen filling), or throws
    // EInstrumentError(Cancelled) when the sweep is stopped meanwhile.
    // The sweep measures the channels `measured`, the circuit's input's first: its trigger.
    ScopeControl(ScpiSession& session, const ScopeIdentity& identity,
                 std::function<void(double seconds)> wait, std::array<int, 2> measured = {1, 2});

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
    // Edge on the input's channel, rising, at `level`, automatic.
    void SetTrigger(double level) override;
    // Runs the scope for a screen and `extraSeconds` more, stops it and reads the channels.
    AcquisitionPtr Capture(const ScopeRequest& request, double extraSeconds) override;

    int DivisionsAcross() const { return dialect_.DivisionsAcross; }
    int DivisionsUp() const override { return 8; }
    // A scope's scales, 1 mV to 10 V a division at its probe's ratio.
    double LeastScale(int channel) const override { return 0.001 * Probe(channel); }
    double MostScale(int channel) const override { return 10 * Probe(channel); }

private:
    std::size_t Slot(int channel) const { return channel == measured_[0] ? 0 : 1; }
    double Probe(int channel) const { return probes_[Slot(channel)]; }
    // "<setting> <value>", and the setting marked to be put back.
    void Set(const std::string& setting, const std::string& value);

    ScpiSession& session_;
    ScopeIdentity identity_;
    const ScopeDialect& dialect_;
    std::function<void(double)> wait_;
    std::array<int, 2> measured_;
    double timeBase_ = 1e-3;
    double probes_[2] = {1, 1};
    double scales_[2] = {1, 1};        // volts a division, as set last
    std::optional<double> centres_[2]; // the levels at the centre set last
    SettingsFound found_;
};
