#pragma once
// The instrument the main window reads, whichever it is: the HM on its serial port (ReadSession)
// or a network or USB scope (instrument/ScopeSession). Each identifies its instrument, reads it
// through the window it reports to, and holds what its last read gave. What every read does the
// same is written here once: the loss question, the state the read keeps the program in, the
// acquisition handed to the window, and the rule of Curvilab's requests (a request joins the read
// under way, or waits until the program is idle).
#include <string>

#include "acquisition/Acquisition.h"
#include "acquisition/CommandState.h"
#include "acquisition/Hm408Header.h"

enum class Gauge { Data, Zero };

// What the read shows and asks through the main window.
class ReadWindow {
public:
    virtual ~ReadWindow() = default;

    virtual void SetCaption(const std::string& text) = 0;
    // Both gauges run from 0 to `maximum`.
    virtual void SetGaugeMaximum(int maximum) = 0;
    virtual void SetGauge(Gauge gauge, int position) = 0;
    // The help bar's status text.
    virtual void ShowStatus(const std::string& text) = 0;
    // The hourglass.
    virtual void SetBusy(bool busy) = 0;
    virtual void HideReadButton() = 0;
    // The settings the instrument reported (an HM 408's header, a scope's own), in place of the
    // selectors' texts.
    virtual void ShowHeaderSettings(const HeaderSettings& settings) = 0;
    virtual void UpdateCommands() = 0;
    virtual void Notice(const std::string& text) = 0;
    // "Perte des données courantes": true for Oui.
    virtual bool ConfirmLoss() = 0;
    // The zero prompt: true for OK.
    virtual bool AskForTheZero() = 0;
    // Serves the window's messages as they come, up to `ms`: the port's bytes arrive meanwhile.
    virtual void ServeMessages(unsigned ms) = 0;
    // A read ended with a whole acquisition, which no read writes any more.
    virtual void AcquisitionRead() = 0;
    // The end of a read Curvilab asked for: the acquisition goes to Curvilab.
    virtual void PushAcquisition() = 0;
};

// How a read ended.
enum class ReadEnd {
    Closed,     // the program closed during it: nothing more is done
    NothingNew, // no whole acquisition came: what was held before is held still
    Read,       // a whole acquisition came
};

class InstrumentSession {
public:
    InstrumentSession(ReadWindow& window, CommandState& state) : window_(window), state_(state) {}
    virtual ~InstrumentSession() = default;
    InstrumentSession(const InstrumentSession&) = delete;
    InstrumentSession& operator=(const InstrumentSession&) = delete;

    // Asks who answers: the caption names the instrument, or says why it did not answer.
    virtual void IdentifyInstrument() = 0;
    virtual bool Identified() const = 0;
    // Why the instrument did not answer, for the Instrument window; empty when the session says it
    // itself (the HM's notices, then the port dialog).
    virtual std::string Unanswered() const { return ""; }
    // The last read gave a whole acquisition, held still.
    virtual bool Holds() const = 0;
    // That acquisition, with the settings texts the window shows and the read's time; null when
    // none is held.
    virtual AcquisitionPtr Acquisition(const SettingsTexts& shown,
                                       const std::string& timeOfDay) const = 0;
    // Another instrument was chosen: nothing is held any more.
    virtual void Forget() = 0;
    // The name of channel `channel`: CH1 and CH2 in the main window's fields, CH3 and CH4 (a
    // scope's) in the preview; at most 32 characters.
    virtual void SetChannelName(int channel, const std::string& name) = 0;
    virtual std::string ChannelName(int channel) const = 0;
    // The window's selectors convert what is read (the HM 305's): they are shown.
    virtual bool TakesSelectors() const { return false; }

    // The read button: the loss question when an acquisition is held (not within a series), the
    // read, and its acquisition handed to the window; pushed to Curvilab when it asked for it. A
    // read that gave nothing sends nothing, and the request is done.
    void EnregistreBtnClick();
    // A read Curvilab asked for (GETDATA): during a read it joins it, while the program is busy
    // otherwise it waits until the program is idle.
    void RequestRead();
    // A whole acquisition that no read is writing: what exports and pictures may read.
    bool AcquisitionHeld() const { return Holds() && !state_.ReadUnderWay(); }

    bool PushAfterRead = false;

protected:
    // The read itself, once the loss question is answered and the read's state begun.
    virtual ReadEnd ReadInstrument(CommandState::Activity& read) = 0;
    // A read under way that a request may join; a sweep's image, which pushes nothing, is not.
    virtual bool Joinable() const { return true; }

    ReadWindow& window_;
    CommandState& state_;
};
