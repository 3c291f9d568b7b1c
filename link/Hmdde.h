#pragma once
// The hidden DDE form: the client that sends Curvilab one macro at a time, and the server through
// which Curvilab drives this program. All of it runs on the user-interface thread.
#include <string>
#include <vector>
#include <windows.h>
#include <ddeml.h>

#include "export/Hpconst.h"

class THamegMain;

class TFormDDE {
public:
    // FormCreate: the launch command from the registry and the hidden window titled
    // "Acquisition". The DDE layer must be initialised first (DdeLayer).
    TFormDDE(THamegMain& main, TConstanteDlg& pageDialog);
    ~TFormDDE();
    TFormDDE(const TFormDDE&) = delete;
    TFormDDE& operator=(const TFormDDE&) = delete;

    // Puts the acquisition text on the clipboard; with `send`, tells Curvilab to load it as a new
    // file ("CLIP|LOAD") or to add it as a new page ("CLIP|ADD").
    void TransferAcquisition(bool send);

    // Launches Curvilab if needed, connects, executes the macro, disconnects; failures are shown.
    void SendMacro(const std::string& macro);

    // The server's execute handler, with the lines of the command text.
    void ExecuteMacro(const std::vector<std::string>& lines);

    const std::string& ServiceApplication() const { return serviceApplication_; }
    HWND Handle() const { return window_; }

private:
    void LaunchCurvilab();
    bool Connect();
    void Disconnect();
    bool Execute(const std::string& macro);

    THamegMain& main_;
    TConstanteDlg& pageDialog_;
    std::string serviceApplication_;
    HWND window_ = nullptr;
    HCONV conversation_ = nullptr;
    HANDLE semaphore_ = nullptr;
};

// The process-wide DDE instance and the program's own service, named after the executable.
namespace DdeLayer {
// Initialises DDEML for the process and registers the service; false if DDE is unavailable.
bool Initialise();
void Uninitialise();
DWORD Instance();
// The service name: the executable's file name up to its first ".".
std::string ServiceName();
// Where the server's executes go.
void SetServer(TFormDDE* form);
} // namespace DdeLayer
