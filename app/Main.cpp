// Start-up: user folders, the single-instance rule, the windows, the message loop.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "app/Application.h"
#include "app/Hmabout.h"
#include "app/Hmain.h"
#include "app/NumberText.h"
#include "app/Startup.h"
#include "app/SystemSettings.h"
#include "serial/Win32System.h"
#include "ui/MessageDialog.h"
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
    if (!CheckSingleInstance(Arguments())) return 0;

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    SetPreDispatchHook(ApplicationMessage);
    try {
        TAboutBox aboutBox;
        THamegMain main(aboutBox);
        main.Show();
        return RunMessageLoop();
    } catch (const std::exception& e) {
        ShowErrorBox(e.what());
        return 1;
    }
}
