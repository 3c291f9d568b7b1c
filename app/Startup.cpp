#include "app/Startup.h"

#include <shlobj.h>

#include "app/HandOff.h"
#include "common/Folders.h"
#include "export/Clipboard.h"
#include "ui/Handles.h"
#include "ui/SystemSettings.h"
#include "ui/Window.h"

namespace {

constexpr const wchar_t* kMutexName = L"CVLOSC";
constexpr const wchar_t* kTitlePrefix = L"Acquisition";
constexpr int kTitlePrefixLength = 11;

std::wstring CurvilabFolderIn(int csidl) {
    std::wstring path = SpecialFolderPath(csidl) + L"Curvilab";
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryW(path.c_str(), nullptr);
    return path + L"\\";
}

struct Search {
    HWND Found = nullptr;
};

BOOL CALLBACK FindReceiver(HWND window, LPARAM data) {
    wchar_t title[kTitlePrefixLength + 1] = {};
    GetWindowTextW(window, title, kTitlePrefixLength + 1);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() || std::wstring(title) != kTitlePrefix) return TRUE;
    reinterpret_cast<Search*>(data)->Found = window;
    return FALSE;
}

} // namespace

void CreateUserFolders() {
    DocumentsDir = CurvilabFolderIn(CSIDL_PERSONAL);
    AppDataDir = CurvilabFolderIn(CSIDL_APPDATA);
}

bool CheckSingleInstance(const std::vector<std::string>& arguments) {
    // The handle lives as long as the process: it marks a running instance.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
    if (!mutex || GetLastError() != ERROR_ALREADY_EXISTS) return true;
    Search search;
    EnumWindows(FindReceiver, reinterpret_cast<LPARAM>(&search));
    if (!search.Found) return true;
    // A restore request must not bring a hidden window (such as the DDE form) onto the screen.
    if (IsWindowVisible(search.Found)) PostMessageW(search.Found, WM_SYSCOMMAND, SC_RESTORE, 0);
    SetForegroundWindow(search.Found);
    if (arguments.empty())
        PostMessageW(search.Found, kHandOffWithoutArguments, 1, 0);
    else
        HandOffCommandLine(search.Found, arguments);
    return false;
}

void HandOffCommandLine(HWND target, const std::vector<std::string>& arguments) {
    std::string text = HandOffText(arguments);
    if (text.empty()) {
        PostMessageW(target, kHandOffWithoutArguments, 1, 0);
        return;
    }
    // Without the text on the clipboard the receiver is only asked to come forward.
    UniqueWindow owner(CreateMessageOnlyWindow());
    bool onClipboard = owner && PutTextOnClipboard(owner.get(), text);
    PostMessageW(target, onClipboard ? kHandOffWithArguments : kHandOffWithoutArguments, 1, 0);
}
