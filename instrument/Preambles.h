#pragma once
// The parsers of what the scopes describe their waveforms with, each in its dialect's file, and
// tested and fuzzed on their own.
#include <cstdint>
#include <string>
#include <vector>

#include "instrument/ScopeRead.h"

// A Rigol ":WAVeform:PREamble?" answer, and a Keysight's, which gives the same ten fields:
// "format,type,points,count,xincrement,xorigin,xreference,yincrement,yorigin,yreference".
struct RigolPreamble {
    int Format = 0; // 0 BYTE, 1 WORD, 2 ASCII
    std::size_t Points = 0;
    double XIncrement = 0;
    double YIncrement = 0, YOrigin = 0, YReference = 0;
};
// Throws EInstrumentError(BadPreamble) for anything but ten numbers that make sense: a format of
// 0 or 1, from 2 to `mostPoints` points, positive finite increments.
RigolPreamble ParseRigolPreamble(const std::string& answer,
                                 std::size_t mostPoints = kMostScreenPoints);

// The fields of a Siglent waveform descriptor (346 bytes, little-endian) that turn codes into
// volts and seconds.
struct SiglentDescriptor {
    double VoltsPerDivision = 1; // without the probe
    double Offset = 0;           // without the probe
    double CodesPerDivision = 30;
    int ConverterBits = 8;     // more than 8 are read as 16-bit words, least significant byte first
    double SampleInterval = 1; // seconds between two samples of the memory
    std::size_t Sparsing = 1;  // samples of the memory a point read stands for
    double Probe = 1;
};
constexpr std::size_t kSiglentDescriptorSize = 346;
// Throws EInstrumentError(BadPreamble) for a block that is no descriptor or holds no sense.
SiglentDescriptor ParseSiglentDescriptor(const std::vector<uint8_t>& block);

// A Tektronix preamble's fields as the scope answers each by name ("NR_PT" with "2500", "YMULT"
// with ":WFMPRE:YMULT 4.0E-2" under headers): the points, the seconds between two, and
// volts = (code - YOFF) x YMULT + YZERO. Throws EInstrumentError(BadPreamble) for a field missing
// or out of range, or codes of more than one byte.
struct TektronixPreamble {
    std::size_t Points = 0;
    double XIncrement = 0;
    double YMultiplier = 1, YOffset = 0, YZero = 0;
    double Volts(int code) const { return (code - YOffset) * YMultiplier + YZero; }
};
TektronixPreamble
ParseTektronixPreamble(const std::vector<std::pair<std::string, std::string>>& fields);
