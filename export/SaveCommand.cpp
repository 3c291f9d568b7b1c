// The save command of the main window: the file dialog, then the chosen format.
#include <windows.h>

#include <commdlg.h>

#include "app/Hmain.h"
#include "app/SystemSettings.h"
#include "app/Text1252.h"
#include "export/DataFile.h"
#include "export/FileSave.h"
#include "ui/Wide.h"

std::string THamegMain::SaveDialogData() {
    wchar_t name[MAX_PATH] = {};
    std::wstring filter = Wide("Curvilab (*.cv3)") + L'\0' + L"*.cv3" + L'\0' +
                          Wide("Tableur ASCII (*.txt)") + L'\0' + L"*.txt" + L'\0' + L'\0';
    std::wstring title = Wide(Cp1252("Sauvegarde données"));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Handle();
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"cv3";
    dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER; // no question before overwriting
    return GetSaveFileNameW(&dialog) ? Narrow(name) : std::string();
}

void THamegMain::SaveItemClick() {
    std::string path = SaveDialogData();
    if (path.empty()) return;
    ApplySelectors();
    bool curvilab = IsCurvilabFileName(path);
    WriteFileAtomically(path, DataFileText(Record, ProgramPath(), curvilab));
}
