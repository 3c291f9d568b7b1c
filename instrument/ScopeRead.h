#pragma once
// What every scope dialect does the same: numbers out of the scope's answers, the settings as the
// main window's fields show them, and the acquisition a read ends in. A dialect (one file each,
// ScopeDialect.h) knows its commands, its preamble and its codes.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/Acquisition.h"
#include "instrument/ScopeIdentity.h"
#include "instrument/ScpiSession.h"

// The points of a channel a read takes at most: the screen's, decimated by the scope.
constexpr std::size_t kMostScreenPoints = 14000;

// What a read needs besides the connection.
struct ScopeRequest {
    // The channels' names: CH1 and CH2 the main window's name fields, CH3 and CH4 the preview's.
    std::array<std::string, 4> Names{"V1", "V2", "V3", "V4"};
    std::string TimeOfDay;
    TransferProgress Progress; // of the whole read: both channels' bytes
};

// One channel as a dialect read it.
struct ScopeChannel {
    int Number = 1; // CH1 to CH4
    std::vector<double> Volts;
    double VoltsPerDivision = 1; // at the probe's tip, as the scope's screen shows it
    double Offset = 0;           // volts at the screen's centre line
    double Step = 0;             // volts between two codes
    bool ClippedLow = false, ClippedHigh = false; // codes at the converter's ends
};

struct ScopeScreen {
    int DivisionsAcross = 10, DivisionsUp = 8;
    double SecondsPerDivision = 1;
    double SampleTime = 1; // seconds between two points read, the first at the left edge
};

// The number in an answer: "5.00E-01", "C1:VDIV 5.00E-01V", "1.000000e-09", "7.00E+05pts",
// "1.4Mpts", "1.00GSa/s"; throws EInstrumentError(BadPreamble) for an answer that holds none.
double AnswerNumber(const std::string& answer);
// The answer's last word, upper case: "C1:TRA ON" gives "ON".
std::string AnswerWord(const std::string& answer);

// A setting in the style of the main window's tables: "500µs/div", "2mV/div" (1252).
std::string DivisionText(double value, const std::string& unit);

// The acquisition of the channels read, named from the main window's fields of their numbers.
// Throws EInstrumentError(NoChannelShown) when none was read.
AcquisitionPtr ScopeAcquisition(const ScopeIdentity& identity, const ScopeScreen& screen,
                                std::vector<ScopeChannel> channels, const ScopeRequest& request);

// The channels `shown`, read one after the other by `read`, each given its share of the whole
// read's progress.
std::vector<ScopeChannel> ReadEachShown(
    const std::vector<int>& shown, const ScopeRequest& request,
    const std::function<ScopeChannel(int number, const TransferProgress& progress)>& read);
