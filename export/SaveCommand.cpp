#include "export/SaveCommand.h"

#include "common/Text1252.h"
#include "export/DataFile.h"
#include "export/FileSave.h"
#include "ui/FileDialog.h"
#include "ui/SystemSettings.h"
#include "ui/Wide.h"

std::wstring SaveDialogData(HWND owner) {
    return AskSavePath(owner, Cp1252("Sauvegarde données"),
                       {{"Curvilab (*.cv3)", L"*.cv3"}, {"Tableur ASCII (*.txt)", L"*.txt"}},
                       L"cv3", Existing::Replace);
}

void SaveAcquisition(const std::wstring& path, const Acquisition& acquisition) {
    // The extension the choice rests on is plain ASCII: the 1252 form of the path tells it.
    bool curvilab = IsCurvilabFileName(Narrow(path));
    WriteFileAtomically(
        path, [&](TextSink& out) { WriteDataFile(out, acquisition, ProgramPath(), curvilab); });
}
