#include "ui/SystemSettings.h"

#include <windows.h>
#include <shlobj.h>

#include "common/Folders.h"
#include "ui/Wide.h"

char LocaleDecimalSeparator() {
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) < 2) return '.';
    return Narrow(std::wstring_view(buffer, 1))[0];
}

std::wstring SpecialFolderPath(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return WithTrailingBackslash(path);
}

std::string ProgramPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return Narrow(path);
}
