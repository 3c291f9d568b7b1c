#include "ui/FileDialog.h"

#include <commdlg.h>

#include "common/Text1252.h"
#include "ui/MessageDialog.h"
#include "ui/MessageLoop.h"
#include "ui/Wide.h"

namespace {

std::wstring AskPath(HWND owner, const std::string& title, const std::vector<FileType>& types,
                     const wchar_t* defaultExtension, bool open,
                     const std::wstring& initial = L"") {
    wchar_t name[MAX_PATH] = {};
    initial.copy(name, MAX_PATH - 1);
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

bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::wstring AskSavePath(HWND owner, const std::string& title, const std::vector<FileType>& types,
                         const wchar_t* defaultExtension, Existing existing) {
    std::wstring path;
    for (;;) {
        path = AskPath(owner, title, types, defaultExtension, false, path);
        if (path.empty() || existing == Existing::Replace || !FileExists(path)) return path;
        std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
        bool replace = ConfirmYesNo(Cp1252("Le fichier « ") + Narrow(name) +
                                    Cp1252(" » existe déjà.\rVoulez-vous le remplacer ?"));
        if (QuitRequested()) return L"";
        if (replace) return path;
    }
}

std::wstring AskOpenPath(HWND owner, const std::string& title, const std::vector<FileType>& types) {
    return AskPath(owner, title, types, nullptr, true);
}
