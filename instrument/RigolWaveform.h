#pragma once
// What Rigol's DS1000Z and DHO800/900 read and set the same way: the trigger's state, the channels
// shown, the preamble and the screen's points in pages of ":WAVeform:DATA?", and the commands a
// sweep sets. A model differs in its screen, its code width and its page.
#include <cstddef>

#include "instrument/ScopeDialect.h"

struct RigolModel {
    bool Words = false;         // 16-bit codes, least significant byte first; else 8-bit
    std::size_t PagePoints = 0; // the most points one ":WAVeform:DATA?" answers
};

std::vector<ScopeChannel> ReadRigolChannels(ScpiSession& session, const ScopeIdentity& identity,
                                            ScopeScreen& screen, const ScopeRequest& request,
                                            const RigolModel& model);
// ":SING" for a single shot that waits, ":RUN" for a running scope, "" for a stopped one.
std::string RigolResume(ScpiSession& session);
bool ServesRigol(const std::string& make);

// The guide both follow, and the words a sweep sets.
extern const char* const kRigolGuide;
extern const ScopeSettingWords kRigolSettings;
