#pragma once
// The page-information dialog: a comment, one named parameter, and whether Curvilab opens the
// data as a new file or adds them as a new page. Its contents last for the whole run.
#include "export/TransferText.h"
#include "ui/Handles.h"
#include "ui/ModalForm.h"

class TConstanteDlg : public ModalForm {
public:
    TConstanteDlg();

    // ShowModal gives IDOK when closed with OK. However it closes, what the user typed and chose
    // stays: the fields change only by the user's hand.
    PageInformation Page; // NomConstEdit, UniteConstEdit, ValeurConstEdit, EditComm
    int NewPageIndex() const { return Page.NewFile ? 0 : 1; } // NewPageCB: 0 "Nouveau fichier"
    // A macro's change of NewPageCB; it shows at once in the open dialog.
    void SetNewPageIndex(int index);

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
    void ApplyFonts(HWND window, int dpi) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void ReadBack(HWND window);

    UniqueGdiObject font_, parameterFont_;
};
