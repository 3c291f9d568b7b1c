#pragma once
// The hidden DDE form: the client that sends Curvilab one macro at a time, and the server through
// which Curvilab drives this program. All of it runs on the user-interface thread.
#include <windows.h>
#include <ddeml.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/Acquisition.h"
#include "acquisition/CommandState.h"
#include "export/Hpconst.h"
#include "export/TextSink.h"
#include "ui/Handles.h"

// The process-wide DDE instance and the program's own service, named after the executable:
// initialised and registered for as long as it lives.
class DdeLayer {
public:
    DdeLayer();
    ~DdeLayer();
    DdeLayer(const DdeLayer&) = delete;
    DdeLayer& operator=(const DdeLayer&) = delete;

    // The instance of the living layer; 0 when DDE is unavailable.
    static DWORD Instance();
    // The service name: the executable's file name up to its first ".".
    static std::string ServiceName();
};

using DdeConversation = UniqueHandle<NullEmptyTraits<HCONV, DdeDisconnect>>;

class TFormDDE {
public:
    // FormCreate: the launch command from the registry and the hidden window titled
    // "Acquisition"; the server's executes come here from now on. `mainWindow` is the window that
    // macros focus and ask for a read; a send is the program's state while it lasts.
    TFormDDE(HWND mainWindow, TConstanteDlg& pageDialog, CommandState& state);
    ~TFormDDE();
    TFormDDE(const TFormDDE&) = delete;
    TFormDDE& operator=(const TFormDDE&) = delete;

    // The acquisition the main window holds, or none: what the transfers hand on.
    void Publish(AcquisitionPtr acquisition) { acquisition_ = std::move(acquisition); }
    // Puts the acquisition text on the clipboard; with `send`, tells Curvilab to load it as a new
    // file ("CLIP|LOAD") or to add it as a new page ("CLIP|ADD"). Nothing without one.
    void TransferAcquisition(bool send);
    // Puts a page of the clipboard layout (a series', a spectrum's) on the clipboard and tells
    // Curvilab to load it as a new file; the page dialog's choice is left as it is. `what` names
    // the page in the box of a clipboard another program holds: "la série".
    void TransferPage(const std::string& text, const std::string& what);

    // Launches Curvilab if needed, connects, executes the macro, disconnects; failures are shown.
    // The waits on the way serve messages; a send asked for during a send is refused, and the
    // program's quitting ends it at the next wait.
    void SendMacro(const std::string& macro);

    // The server's execute handler, with the lines of the command text.
    void ExecuteMacro(const std::vector<std::string>& lines);

    HWND Handle() const { return window_.get(); }

private:
    // The text on the clipboard, or the error box and false: Curvilab is then sent nothing, as it
    // would import what another program left there.
    // `what` names it in the box: "l'acquisition", "la série".
    bool PutOnClipboard(const std::function<void(TextSink&)>& write, const std::string& what);
    void LaunchCurvilab();
    bool Connect();
    bool Execute(const std::string& macro);

    AcquisitionPtr acquisition_;
    HWND mainWindow_;
    TConstanteDlg& pageDialog_;
    CommandState& state_;
    std::wstring serviceApplication_;
    UniqueWindow window_;
    DdeConversation conversation_;
};
