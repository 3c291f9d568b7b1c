#pragma once
// What a sweep sets on a network or USB scope, in its dialect: the time base, each channel's
// scale and the level at its screen's centre, an edge trigger on CH1; and a capture taken once
// those are in force. What it changes is read first and put back after.
#include <functional>
#include <string>
#include <vector>

#include "instrument/SavedSettings.h"
#include "instrument/ScopeRead.h"

struct ScopeDialectCommands;

class ScopeControl {
public:
    // `wait` lets the given seconds pass (a capture's screen filling), or throws
    // EInstrumentError(Cancelled) when the sweep is stopped meanwhile.
    ScopeControl(ScpiSession& session, const ScopeIdentity& identity,
                 std::function<void(double seconds)> wait);

    // Reads the time base, the channels' scales, offsets and probes, the trigger and the run
    // state.
    void Save();
    std::vector<std::string> Restore();

    void SetTimeBase(double secondsPerDivision);
    void SetScale(int channel, double voltsPerDivision);
    // The level the screen's centre line shows.
    void SetCentre(int channel, double volts);
    // Edge, CH1, rising, at `level`, automatic.
    void SetTrigger(double level);
    // Runs the scope for a screen and `extraSeconds` more, stops it and reads both channels.
    AcquisitionPtr Capture(const ScopeRequest& request, double extraSeconds);

    int DivisionsAcross() const;
    double Probe(int channel) const { return probes_[std::size_t(channel - 1)]; }

private:
    ScpiSession& session_;
    ScopeIdentity identity_;
    const ScopeDialectCommands& commands_;
    std::function<void(double)> wait_;
    double timeBase_ = 1e-3;
    double probes_[2] = {1, 1};
    std::vector<SavedSetting> saved_;
};
