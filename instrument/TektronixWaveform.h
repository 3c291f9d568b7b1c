#pragma once
// What Tektronix's TDS1000/2000 and TBS1000B, and its TBS1000C and TBS2000, read the same way:
// the channels selected, each one's preamble fields asked by name and its waveform by CURVe?, one
// trigger for all channels. The two differ in the preamble's command, the time base's and the
// trigger's words.
#include "instrument/ScopeDialect.h"

struct TektronixModel {
    const char* Preamble; // "WFMPre" or "WFMOutpre"
    const char* TimeBase; // "HORizontal:MAIn:SCAle" or "HORizontal:SCAle"
    // The record's length query; null for the older models' fixed 2500 points.
    const char* RecordLength;
};

std::vector<ScopeChannel> ReadTektronixChannels(ScpiSession& session, const ScopeIdentity& identity,
                                                ScopeScreen& screen, const ScopeRequest& request,
                                                const TektronixModel& model);
// "ACQuire:STATE RUN" for a scope that runs or waits for its single shot (ACQuire:STOPAfter,
// left as it is, decides which), "" for a stopped one.
std::string TektronixResume(ScpiSession& session);
// A Tektronix model's name without its spaces ("TBS 1072C" is written both ways); "" for another
// make.
std::string TektronixModelName(const std::string& make, const std::string& model);
