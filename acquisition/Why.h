#pragma once
// Why a measurement has no value: what the measurements decide on. The windows that show one say
// it in words (app/MeasureTexts.h); the series' recovery file keeps its code.
#include <string>
#include <string_view>

enum class Why {
    None, // a value is given
    NoSamples,
    BadSamples,     // not finite, or further apart than a double holds
    BadSensitivity, // a scale no instrument has: an unreadable header
    BadTimeBase,
    Clipped, // the trace ran off the screen on that side
    Constant,
    FewerThanTwoPeriods,
    TooFewSamplesPerPeriod,
    TooNoisy,
    NoRisingEdge,
    NoFallingEdge,
    EdgeFasterThanSampling, // fewer than two samples between its 10 % and 90 % levels
    NoPulse,
    DifferentPeriods, // the two channels' periods differ by more than 1 %
    NoCommonCrossing,
    OneChannel,  // a gain or a phase needs two
    ZeroVoltage, // a gain of a channel at 0 V
    // A sweep's point: the generator read back another frequency than the one set, twice.
    FrequencyRefused,
    NoFundamental,        // a sweep's point: a channel holds nothing at the generator's frequency
    TooFewSamples,        // a spectrum needs 16 samples or more
    FewerThanFourPeriods, // a harmonic table needs four whole periods of its fundamental
    AboveHalfSampling,    // a harmonic at or above half the sampling rate
    Unknown,              // a reason an earlier version of the program wrote in words
};

// A short word for each, and back: "constant", "few-periods"; Why::Unknown for any other word.
std::string_view WhyCode(Why why);
Why WhyOfCode(std::string_view code);
