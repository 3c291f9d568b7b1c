#pragma once
// An automatic frequency sweep's points: the generator stepped and read back, the scope's time
// base and scales set for each frequency, both channels read from one trigger, and V2/V1 taken
// from their fundamentals at the generator's frequency.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/Series.h"
#include "acquisition/Sweep.h"
#include "instrument/Generator.h"
#include "instrument/ScopeRead.h"

struct SweepSettings {
    int Channel = 1;      // the generator's output
    int Input = 1;        // the scope's channel on the circuit's input, its trigger
    int Output = 2;       // the scope's channel on the circuit's output
    double Amplitude = 2; // volts peak to peak
    double Offset = 0;    // volts
    double Start = 10, Stop = 100000;
    int PointsPerDecade = 10;
    double SettlingMs = 0;
    double SettlingPeriods = 1;
    int Averages = 1; // reads merged into a point
};

// Why a point has no value, or a doubtful one.
enum class PointFault {
    None,
    FrequencyRefused, // the generator read back another frequency, twice
    NoSignal,         // a channel holds no whole period, or nothing at the frequency
    Distorted,        // a value, whose purity is under kLeastPurity
    Disagrees,        // a value, which the crossings contradict: CH1's frequency or the phase
};

struct SweepPoint {
    double Requested = 0;
    double Frequency = 0; // the generator's, read back
    std::optional<Transfer> Result;
    double Purity = 0; // the lower of the two channels'
    PointFault Fault = PointFault::None;
    int Captures = 0;
    AcquisitionPtr Last;       // the last capture
    int Input = 1, Output = 2; // the capture's channels the value is taken between
};

// The series' row of a point: the generator's frequency, the gain and phase of the fundamentals
// or why there are none, the capture's time, time base and peak to peak values.
SeriesRow SeriesRowOf(const SweepPoint& point);

// The scope a sweep reads: one it sets itself, or one a person sets when asked.
class SweptScope {
public:
    virtual ~SweptScope() = default;
    // Notes the settings the sweep changes, and puts them back; the latter returns what could
    // not be.
    virtual void Save() = 0;
    virtual std::vector<std::string> Restore() = 0;
    virtual void SetTrigger(double level) = 0;
    virtual void SetScale(int channel, double voltsPerDivision) = 0;
    // The level the screen's centre line shows.
    virtual void SetCentre(int channel, double volts) = 0;
    // The channel on the screen, to be measured.
    virtual void Show(int channel) = 0;
    // A time base whose screen holds a few whole periods of `frequency`.
    virtual void SetTimeBaseFor(double frequency) = 0;
    // Both channels from one trigger, once the settings asked for are in force; `extraSeconds`
    // more than a screen's time window for the trigger to come.
    virtual AcquisitionPtr Capture(const ScopeRequest& request, double extraSeconds) = 0;
    // The screen's height in divisions and the scales a channel may take, for its ranging.
    virtual int DivisionsUp() const = 0;
    virtual double LeastScale(int channel) const = 0;
    virtual double MostScale(int channel) const = 0;
};

class Sweeper {
public:
    // `wait` lets the given seconds pass, or throws EInstrumentError(Cancelled).
    Sweeper(Generator& generator, SweptScope& scope, SweepSettings settings,
            std::function<void(double seconds)> wait);

    // Saves both instruments' settings, sets the generator's sine and the scope's trigger.
    void Begin();
    // One point; throws EInstrumentError when an instrument fails.
    SweepPoint Measure(double frequency, const ScopeRequest& request);
    // Puts both instruments back; returns what could not be.
    std::vector<std::string> End();

private:
    // One capture at the point's scales; false when a channel had to be ranged again.
    bool CaptureRanged(SweepPoint& point, const ScopeRequest& request,
                       std::array<std::optional<Fundamental>, 2>& fits);
    // One attempt at the point's value, from nothing: a retry keeps nothing of the one before.
    void Attempt(SweepPoint& point, const ScopeRequest& request);
    // The crossings' figures where they give one: CH1's frequency within 2 % of the generator's,
    // the phase within 10 degrees of the fundamentals'.
    static bool CrossingsAgree(const SweepPoint& point);
    // The scope's channel on the circuit's input (0) or output (1).
    int Measured(std::size_t i) const { return i == 0 ? settings_.Input : settings_.Output; }

    Generator& generator_;
    SweptScope& scope_;
    SweepSettings settings_;
    std::function<void(double)> wait_;
    std::array<double, 2> scales_{}, centres_{}; // the input's and the output's
};
