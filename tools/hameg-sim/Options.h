#pragma once
// hameg-sim's settings: set from the command line, a config file or the control FIFO, one
// "name value" pair at a time.
#include <cstdint>
#include <string>

enum class Wave { Sine, Square, Triangle, Flat, Pulse };

// How the bytes reach the program, at the same average rate: one by one (a bare UART), in bursts
// of 14 (a 16550's FIFO), or in packets every 16 ms (a USB adapter's latency timer).
enum class DeliveryPattern { Byte, Fifo, Usb };

struct ChannelSignal {
    Wave Shape = Wave::Sine;
    double Amplitude = 2; // screen divisions
    double Periods = 3;   // periods over the channel's 2048 samples
    double Offset = 0;    // screen divisions
    double Phase = 0;     // degrees added to the argument: -45 lags by 45 degrees
    double Duty = 50;     // percent of each period a pulse spends high
};

// Circuit: the gain and phase scpi-sim's wired circuit has at its generator's frequency.
enum class FilterKind { None, LowPass, HighPass, Circuit };

// A frequency-response lab: a generator drives a first-order filter; channel 1 shows its input,
// channel 2 its output, at the time base and sensitivities the program is set to.
struct FilterBench {
    FilterKind Kind = FilterKind::None; // None: the channels show their own signals
    double Cutoff = 1000;               // Hz
    double Gain = 1, Degrees = 0;       // Circuit: from the generator's state
    double Frequency = 1000;            // the generator's, Hz
    double Amplitude = 1;               // the generator's, peak volts
    double TimeBase = 1e-3;             // seconds per division
    double Sensitivity[2] = {1, 1};     // volts per division
};

struct Options {
    std::string Link;     // symlink re-pointed at the pseudo-terminal's slave end
    std::string LinesDir; // modem-line files for the test shim
    std::string Control;  // FIFO for commands at run time
    std::string SaveDir;  // every image sent is written here
    std::string Received; // every byte received is appended here

    bool Hm408 = false;
    std::string Identity; // empty: the model's own
    double Speed = 1;     // 1 = 960 bytes/s; 0 = as fast as the line takes them
    DeliveryPattern Delivery = DeliveryPattern::Byte;
    ChannelSignal Channel[2] = {{Wave::Sine, 2, 3, 0}, {Wave::Square, 1.5, 5, 0}};
    int GroundOffset = 0;   // counts added to 127 in the zero image
    int GroundNoise = 0;    // +- counts of noise in the zero image
    bool NoZero = false;    // every DIG gets the signal image: the inputs are never grounded
    int SignalNoise = 0;    // +- counts of uniform noise in the signal image
    double SignalGauss = 0; // deviation in counts of Gaussian noise in the signal image
    unsigned NoiseSeed = 1; // the same seed gives the same signal image
    FilterBench Bench;
    // scpi-sim's generator and circuit, read before each image when the bench shows the circuit.
    std::string GeneratorState;

    // HM 408 header
    bool TwoChannels = true;
    bool ShortRecord = false;
    bool HoldUp = false;     // byte 9 = 1 in the signal image
    bool ZeroHoldUp = false; // byte 9 = 1 in the zero image
    std::string Settings = "CH1=500mV CH2=2V TB=2us";

    // Faults
    bool Empty = false;   // STOR. not pressed
    long Truncate = -1;   // send only this many bytes of an image
    long StallAfter = -1; // pause after this many bytes
    long StallMs = 0;
    long Garbage = 0;      // bytes of noise before the identity answer
    long Extra = 0;        // bytes after the image
    bool NoAnswer = false; // ignores every command
    long HangupAfter = -1; // closes its end after this many bytes of an image
    std::string Lines = "CTS DSR CD";
};

// Sets one option; false with `error` filled when the name or value is not valid.
bool SetOption(Options& options, const std::string& name, const std::string& value,
               std::string& error);
// Reads "name value" lines ("#" starts a comment).
bool ReadConfigFile(Options& options, const std::string& path, std::string& error);
const char* HelpText();
