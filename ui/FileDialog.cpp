#include "ui/FileDialog.h"

#include <commdlg.h>

#include "ui/MessageLoop.h"
#include "ui/Wide.h"

std::wstring AskSavePath(HWND owner, const std::string& title, const std::vector<FileType>& types,
                         const wchar_t* defaultExtension) {
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
    dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER;
    ModalScope modal;
    return GetSaveFileNameW(&dialog) ? std::wstring(name) : std::wstring();
}
