#pragma once
// Every loop of the program that takes messages from the queue: the main loop, the modal loops
// and the waits that keep the thread's windows served. Each runs the pre-dispatch hook on what it
// takes, and each hands a WM_QUIT it meets on to the loop outside it (posts it again and ends).
// Once the program is quitting, the waits and modal loops return at once: whatever a handler was
// waiting for, it unwinds to the main loop, which ends.
#include <windows.h>

// The program's pre-dispatch hook: sees every message its own loops take from the queue, before
// it is dispatched (the keyboard and hint hooks of the main window); true when it took the
// message, which then goes no further.
using PreDispatchHook = bool (*)(MSG& msg);
void SetPreDispatchHook(PreDispatchHook hook);

// Dispatches one message taken from the queue: the hook, then the dialog keys (Tab, Enter,
// Escape, Alt and a letter) of `dialog`, or when none is given of the program's top-level window
// the message is for, then the window's procedure.
void DispatchThreadMessage(MSG& msg, HWND dialog = nullptr);

// Runs until WM_QUIT; returns its exit code.
int RunMessageLoop();

// Ends the program: posts WM_QUIT. QuitRequested is true from then on (also once any loop has met
// a WM_QUIT another way).
void RequestQuit(int exitCode);
bool QuitRequested();

// Dispatches what the queue holds now; false when a WM_QUIT came (it is posted again).
bool DispatchPending();

// Told when a modal box or dialog of the program opens (true) and when it goes (false): its
// message boxes, its forms and the system's file dialogs. The program's command state counts them.
using ModalObserver = void (*)(bool opened);
void SetModalObserver(ModalObserver observer);

// A modal box or dialog while it lives, for the observer.
class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};

// Shows `dialog` modally until `done` is true: every other enabled top-level window of the thread
// is disabled before it appears and enabled again after, `focus` gets the keyboard focus, dialog
// keys (Tab, Enter, Escape, mnemonics) are handled.
void RunModalLoop(HWND dialog, HWND focus, const bool& done);

// Waits for `handle` (or, when it is null, only for the time) up to `ms`, dispatching this
// thread's messages as they come; it never spins. True when the handle was signalled. Once the
// program is quitting it serves only the messages other threads send (a worker may wait for one
// to be answered), and a wait for the time alone returns at once.
bool WaitProcessingMessages(HANDLE handle, DWORD ms);

// Waits up to `ms` for a message (a sent one included) and dispatches what has come; returns as
// soon as something was dispatched, so the caller can look at its state again.
void ProcessMessagesOrWait(DWORD ms);
