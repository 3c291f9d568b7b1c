#include "acquisition/InstrumentSession.h"

#include <utility>

void InstrumentSession::EnregistreBtnClick() {
    if (!state_.MayStart(Command::Read)) return;
    ReadEnd end;
    {
        auto read = state_.Begin(ProgramState::Confirming);
        if (Holds() && !state_.SeriesMode() && !window_.ConfirmLoss()) return;
        if (state_.Closing()) return;
        read.Become(ProgramState::Reading);
        end = ReadInstrument(read);
        if (end == ReadEnd::Closed) return;
    }
    // The push comes once the read is over: a request during the send waits for a read of its own.
    if (end == ReadEnd::Read) window_.AcquisitionRead();
    if (std::exchange(PushAfterRead, false) && end == ReadEnd::Read) window_.PushAcquisition();
}

void InstrumentSession::RequestRead() {
    if (state_.Closing()) return;
    PushAfterRead = true;
    if (state_.ReadUnderWay() && Joinable()) return; // the read under way pushes its result
    if (!state_.MayStart(Command::Read)) return state_.DeferRead();
    EnregistreBtnClick();
}
