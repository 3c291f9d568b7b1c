#pragma once
// The page-information dialog: a comment, one named parameter, and whether Curvilab opens the
// data as a new file or adds them as a new page. Its contents last for the whole run.
#include "export/TransferText.h"
#include "ui/ModalForm.h"

class TConstanteDlg : public ModalForm {
public:
    TConstanteDlg();

    // ShowModal gives IDOK when closed with OK, which keeps what the user typed.
    PageInformation Page; // NomConstEdit, UniteConstEdit, ValeurConstEdit, EditComm
    int NewPageIndex() const { return Page.NewFile ? 0 : 1; } // NewPageCB: 0 "Nouveau fichier"
    void SetNewPageIndex(int index) { Page.NewFile = index == 0; }

    static constexpr const wchar_t* kClassName = L"TVexorConstanteDlg";
    enum Control : int {
        idNomConstEdit = 200,
        idUniteConstEdit,
        idValeurConstEdit,
        idEditComm,
        idNouveauFichier,
        idNouvellePage,
        idHelpBtn = 220
    };

protected:
    HWND CreateControls(HWND window) override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void ReadBack(HWND window);
};
