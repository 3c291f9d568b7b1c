// Rigol DHO800 and DHO900: 10 divisions across, the screen's 1000 points as 16-bit words (7500
// codes a division), read in pages of at most 125 000 words as the DS1000Z's word pages are.
// DHO800/DHO900 guide §3.28: 1000 screen points, YINCrement = scale / 7500 for WORD data.
#include "instrument/RigolWaveform.h"

AcquisitionPtr ReadRigolDho(ScpiSession& session, const ScopeIdentity& identity,
                            const ScopeRequest& request) {
    return ReadRigol(session, identity, request, {10, true, 125000});
}
