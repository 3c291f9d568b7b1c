#pragma once
// The page-information dialog: a comment, one named parameter, and whether Curvilab opens the
// data as a new file or adds them as a new page. Its contents last for the whole run.
#include <windows.h>

#include "export/TransferText.h"

class TConstanteDlg {
public:
    // Shows the dialog with the current contents; true when closed with OK, which keeps what
    // the user typed.
    bool ShowModal();

    PageInformation Page;                   // NomConstEdit, UniteConstEdit, ValeurConstEdit, EditComm
    int NewPageIndex() const { return Page.NewFile ? 0 : 1; } // NewPageCB: 0 "Nouveau fichier"
    void SetNewPageIndex(int index) { Page.NewFile = index == 0; }

    static constexpr const wchar_t* kClassName = L"TVexorConstanteDlg";
    enum Control : int {
        idNomConstEdit = 200, idUniteConstEdit, idValeurConstEdit, idEditComm, idNouveauFichier,
        idNouvellePage, idHelpBtn = 220
    };

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void ReadBack(HWND window);
    bool done_ = false;
    bool accepted_ = false;
};
