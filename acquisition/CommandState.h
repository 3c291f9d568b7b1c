#pragma once
// The one state of the program's commands. The user-interface thread serves messages inside its
// waits (the read's wait loop, every box and dialog, the launch of Curvilab), so any handler can
// run inside another. Every entry point asks this object before it acts: the main window's
// commands, the preview's buttons, Curvilab's requests, the port dialog, the close. What may start
// in each state is one table, kMayStart in CommandState.cpp.
//
// A read Curvilab asks for while the program is busy is not refused: during a read it joins that
// read (the read pushes its result), otherwise it waits and starts as soon as the program is idle.
// The close wins over everything: from then on nothing starts.
#include <functional>

enum class ProgramState {
    Idle,
    Dialog,     // a box or dialog of the program is open (port, page, save, about, a question)
    Confirming, // a read asks "Perte des données courantes"
    Reading,    // a read waits for an image, or shows one of its notices
    AskingZero, // a read asks for the inputs to be grounded
    Sending,    // a macro is on its way to Curvilab
    Sweeping,   // an automatic sweep steps the generator and reads the scope
    Closing,    // the main window is closing: nothing starts any more
};

enum class Command {
    Read,          // the read button and a read Curvilab asked for
    Export,        // save, clipboard, send, the pictures out: they read the held acquisition
    PortDialog,    // the port dialog and the identification after it
    Instrument,    // the Instrument window and the identification after it
    About,         // the about box
    Preview,       // opening the preview window
    Spectrum,      // opening the spectrum window
    FocusCurvilab, // the channel 2 frame: "FOCUS()" to Curvilab
    SeriesEdit,    // "Nouvelle série", "Supprimer la ligne"
    Sweep,         // an automatic sweep's start
    Quit,          // Quitter (the close box is never refused)
};

class CommandState {
public:
    // One activity of the program while it lasts: a read (whose phase moves on), a send, a
    // dialog, a sweep. Ending it may make the program idle, which starts a deferred read. A
    // sweep's boxes and sends are activities of their own within it: what may start then is what
    // both allow.
    class Activity {
    public:
        Activity(CommandState& state, ProgramState what);
        ~Activity();
        Activity(const Activity&) = delete;
        Activity& operator=(const Activity&) = delete;
        // A read's next phase: Confirming, Reading, AskingZero.
        void Become(ProgramState phase);

    private:
        CommandState& state_;
        ProgramState what_;
    };

    ProgramState Current() const;
    bool MayStart(Command command) const;
    bool Closing() const { return closing_; }
    bool Sending() const { return sends_ > 0; }
    // A series of measurements is running: its reads ask no loss question (each point is kept
    // as its row) and read no zero (the gain and the phase do not depend on it).
    bool SeriesMode() const { return seriesMode_; }
    void SetSeriesMode(bool running) { seriesMode_ = running; }
    // A read is between its question and its end: its record is being written.
    bool ReadUnderWay() const { return readPhase_ != ProgramState::Idle; }

    [[nodiscard]] Activity Begin(ProgramState what) { return Activity(*this, what); }
    // Any modal box or dialog of the program, shown or gone.
    void BoxOpened();
    void BoxClosed();
    void Close();

    // A read asked for while the program is busy and no read is under way: `StartDeferredRead`
    // runs once the program is idle again, once for any number of requests.
    void DeferRead();

    std::function<void()> StartDeferredRead;
    // Every change of Current(): the windows update their buttons and status.
    std::function<void()> Changed;

private:
    void Update(const std::function<void()>& change);

    ProgramState readPhase_ = ProgramState::Idle;
    int sends_ = 0;
    int dialogs_ = 0;
    bool closing_ = false;
    bool readDeferred_ = false;
    bool seriesMode_ = false;
    bool sweeping_ = false;
};
