#include "export/SaveCommand.h"

#include <commdlg.h>

#include "common/Text1252.h"
#include "export/DataFile.h"
#include "export/FileSave.h"
#include "ui/SystemSettings.h"
#include "ui/Wide.h"

std::wstring SaveDialogData(HWND owner) {
    wchar_t name[MAX_PATH] = {};
    std::wstring filter = Wide("Curvilab (*.cv3)") + L'\0' + L"*.cv3" + L'\0' +
                          Wide("Tableur ASCII (*.txt)") + L'\0' + L"*.txt" + L'\0' + L'\0';
    std::wstring title = Wide(Cp1252("Sauvegarde données"));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"cv3";
    dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER; // no question before overwriting
    return GetSaveFileNameW(&dialog) ? std::wstring(name) : std::wstring();
}

void SaveAcquisition(const std::wstring& path, const AcquisitionRecord& record) {
    // The extension the choice rests on is plain ASCII: the 1252 form of the path tells it.
    bool curvilab = IsCurvilabFileName(Narrow(path));
    WriteFileAtomically(path, DataFileText(record, ProgramPath(), curvilab));
}
