#pragma once
// What Rigol's DS1000Z and DHO800/900 read the same way: the trigger's state, the channels shown,
// the preamble and the screen's points in pages of ":WAVeform:DATA?". A model differs in its
// screen, its code width and its page.
#include <cstddef>

#include "instrument/Dialects.h"

struct RigolModel {
    int DivisionsAcross = 12;
    bool Words = false;         // 16-bit codes, least significant byte first; else 8-bit
    std::size_t PagePoints = 0; // the most points one ":WAVeform:DATA?" answers
};

AcquisitionPtr ReadRigol(ScpiSession& session, const ScopeIdentity& identity,
                         const ScopeRequest& request, const RigolModel& model);
