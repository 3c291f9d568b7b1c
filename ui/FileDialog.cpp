#include "ui/FileDialog.h"

#include <commdlg.h>

#include "ui/MessageLoop.h"
#include "ui/Wide.h"

namespace {

std::wstring AskPath(HWND owner, const std::string& title, const std::vector<FileType>& types,
                     const wchar_t* defaultExtension, bool open) {
    wchar_t name[MAX_PATH] = {};
    std::wstring filter;
    for (const FileType& type : types)
        filter += Wide(type.Description) + L'\0' + type.Pattern + L'\0';
    filter += L'\0';
    std::wstring wideTitle = Wide(title);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = wideTitle.c_str();
    dialog.lpstrDefExt = defaultExtension;
    dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | (open ? OFN_FILEMUSTEXIST : 0);
    ModalScope modal;
    BOOL chosen = open ? GetOpenFileNameW(&dialog) : GetSaveFileNameW(&dialog);
    return chosen ? std::wstring(name) : std::wstring();
}

} // namespace

std::wstring AskSavePath(HWND owner, const std::string& title, const std::vector<FileType>& types,
                         const wchar_t* defaultExtension) {
    return AskPath(owner, title, types, defaultExtension, false);
}

std::wstring AskOpenPath(HWND owner, const std::string& title, const std::vector<FileType>& types) {
    return AskPath(owner, title, types, nullptr, true);
}
