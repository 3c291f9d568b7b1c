#include "acquisition/CommandState.h"

#include <cstddef>

namespace {

constexpr std::size_t kStates = std::size_t(ProgramState::Closing) + 1;
constexpr std::size_t kCommands = std::size_t(Command::Quit) + 1;

// What may start in each state. Export also needs a held acquisition, which its caller checks.
// The spectrum window opens when the preview may. During a read the preview may open (it shows the
// last whole acquisition, marked as being read); during a send the about box and the preview may
// open, the rest waits for its end. A sweep leaves the series' rows to itself and the instruments
// to itself; the rest may go on.
constexpr bool kMayStart[kStates][kCommands] = {
    //               Read   Export Port   Instr. About  Preview Spectr. Focus  Edit   Sweep  Quit
    /* Idle       */ {true, true, true, true, true, true, true, true, true, true, true},
    /* Dialog     */ {false, false, false, false, false, true, true, false, true, false, true},
    /* Confirming */ {false, false, false, false, false, false, false, false, true, false, true},
    /* Reading    */ {false, false, false, false, false, true, true, false, true, false, true},
    /* AskingZero */ {false, false, false, false, false, false, false, false, true, false, true},
    /* Sending    */ {false, false, false, false, true, true, true, false, true, false, true},
    /* Sweeping   */ {false, true, false, false, true, true, true, true, false, false, true},
    /* Closing    */ {false, false, false, false, false, false, false, false, false, false, false},
};

} // namespace

CommandState::Activity::Activity(CommandState& state, ProgramState what)
    : state_(state), what_(what) {
    state_.Update([&] {
        if (what_ == ProgramState::Sending)
            ++state_.sends_;
        else if (what_ == ProgramState::Dialog)
            ++state_.dialogs_;
        else if (what_ == ProgramState::Sweeping)
            state_.sweeping_ = true;
        else
            state_.readPhase_ = what_;
    });
}

CommandState::Activity::~Activity() {
    state_.Update([&] {
        if (what_ == ProgramState::Sending)
            --state_.sends_;
        else if (what_ == ProgramState::Dialog)
            --state_.dialogs_;
        else if (what_ == ProgramState::Sweeping)
            state_.sweeping_ = false;
        else
            state_.readPhase_ = ProgramState::Idle;
    });
}

void CommandState::Activity::Become(ProgramState phase) {
    what_ = phase;
    state_.Update([&] { state_.readPhase_ = phase; });
}

ProgramState CommandState::Current() const {
    if (closing_) return ProgramState::Closing;
    if (readPhase_ != ProgramState::Idle) return readPhase_;
    if (sends_ > 0) return ProgramState::Sending;
    if (dialogs_ > 0) return ProgramState::Dialog;
    if (sweeping_) return ProgramState::Sweeping;
    return ProgramState::Idle;
}

bool CommandState::MayStart(Command command) const {
    auto allows = [command](ProgramState state) {
        return kMayStart[std::size_t(state)][std::size_t(command)];
    };
    return allows(Current()) && (!sweeping_ || allows(ProgramState::Sweeping));
}

void CommandState::BoxOpened() {
    Update([&] { ++dialogs_; });
}

void CommandState::BoxClosed() {
    Update([&] { --dialogs_; });
}

void CommandState::Close() {
    Update([&] { closing_ = true; });
}

void CommandState::DeferRead() { readDeferred_ = true; }

void CommandState::Update(const std::function<void()>& change) {
    ProgramState before = Current();
    change();
    ProgramState now = Current();
    if (now == before) return;
    if (Changed) Changed();
    if (now == ProgramState::Idle && readDeferred_) {
        readDeferred_ = false;
        if (StartDeferredRead) StartDeferredRead();
    }
}
