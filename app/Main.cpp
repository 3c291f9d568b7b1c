// Start-up: user folders, the single-instance rule, the windows, the message loop.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "app/Application.h"
#include "app/Hmabout.h"
#include "app/Hmain.h"
#include "app/Startup.h"
#include "common/NumberText.h"
#include "export/Hpconst.h"
#include "link/Hmdde.h"
#include "serial/ComSelect.h"
#include "serial/Hmcom.h"
#include "serial/Win32System.h"
#include "ui/MessageDialog.h"
#include "ui/MessageLoop.h"
#include "ui/SystemSettings.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Narrow(list[i]));
    LocalFree(list);
    return arguments;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    TimerResolution timerResolution;
    SetDecimalSeparator(LocaleDecimalSeparator());
    CreateUserFolders();
    DdeLayer dde;
    if (!CheckSingleInstance(Arguments())) return 0;

    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    SetPreDispatchHook(ApplicationMessage);
    SetSerialErrorReport(ShowErrorBox);
    TSerialCustomComPort::ChoosePort = ChoosePortWithSelectForm;
    int exitCode = 1;
    try {
        TAboutBox aboutBox;
        THamegMain main(aboutBox);
        TComCfgDlg portDialog;
        TConstanteDlg pageDialog;
        TFormDDE formDDE(main.Handle(), pageDialog, main.State());
        main.Attach(portDialog, pageDialog, formDDE);
        main.Show();
        exitCode = RunMessageLoop();
    } catch (const std::exception& e) {
        ShowErrorBox(e.what());
    }
    return exitCode;
}
