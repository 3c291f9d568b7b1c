// Rigol DS1000Z: 12 divisions across, the screen's 1200 points as bytes, at most 250 000 bytes an
// answer.
// DS1000Z guide, :WAVeform:DATA? (pp. 2-135/2-136): 1200 screen points in NORMal mode (100 a
// division), 250 000 points at most an answer in BYTE format.
#include "instrument/RigolWaveform.h"

AcquisitionPtr ReadRigolDs1000z(ScpiSession& session, const ScopeIdentity& identity,
                                const ScopeRequest& request) {
    return ReadRigol(session, identity, request, {12, false, 250000});
}
