#include "export/Hpconst.h"

#include "common/Text1252.h"
#include "ui/Wide.h"
#include "ui/Window.h"

TConstanteDlg::TConstanteDlg()
    : ModalForm({kClassName, Cp1252("Renseignements sur la page courante"), 360, 230}) {}

void TConstanteDlg::SetNewPageIndex(int index) {
    Page.NewFile = index == 0;
    if (Window())
        CheckRadioButton(Window(), idNouveauFichier, idNouvellePage,
                         Page.NewFile ? idNouveauFichier : idNouvellePage);
}

bool TConstanteDlg::OnCommand(int id, int, HWND) {
    switch (id) {
    case IDOK:
        ReadBack(Window());
        Close(IDOK);
        return true;
    case IDCANCEL: ReadBack(Window()); return false; // the base closes it
    case idNouveauFichier:
    case idNouvellePage: ReadBack(Window()); return true;
    case idHelpBtn: return true; // no help in this program
    }
    return false;
}

bool TConstanteDlg::OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message == WM_CLOSE) ReadBack(Window());
    return false;
}

void TConstanteDlg::ReadBack(HWND window) {
    Page.ParameterName = WindowText(GetDlgItem(window, idNomConstEdit));
    Page.ParameterUnit = WindowText(GetDlgItem(window, idUniteConstEdit));
    Page.ParameterValue = WindowText(GetDlgItem(window, idValeurConstEdit));
    Page.Comment = WindowText(GetDlgItem(window, idEditComm));
    Page.NewFile =
        SendMessageW(GetDlgItem(window, idNouveauFichier), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND TConstanteDlg::CreateControls(HWND w) {
    auto edit = [&](int id, const std::string& text, int x, int y, int width) {
        CreateControl(
            w, {L"EDIT", text, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, x, y, width, 22, id});
    };
    auto label = [&](const char* text, int x, int y) {
        CreateControl(w, {L"STATIC", Cp1252(text), SS_LEFT, x, y, 60, 16});
    };
    CreateControl(w, {L"BUTTON", Cp1252("Paramètre"), BS_GROUPBOX, 8, 4, 344, 62});
    label("Nom", 16, 22);
    label("Unité", 128, 22);
    label("Valeur", 240, 22);
    edit(idNomConstEdit, Page.ParameterName, 16, 38, 104);
    edit(idUniteConstEdit, Page.ParameterUnit, 128, 38, 104);
    edit(idValeurConstEdit, Page.ParameterValue, 240, 38, 104);
    CreateControl(w, {L"BUTTON", "Commentaire", BS_GROUPBOX, 8, 70, 344, 50});
    edit(idEditComm, Page.Comment, 16, 90, 328);
    CreateControl(w, {L"BUTTON", Cp1252("Données vers Curvilab"), BS_GROUPBOX, 8, 124, 344, 50});
    CreateControl(w, {L"BUTTON", "Nouveau fichier", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 16,
                      144, 160, 20, idNouveauFichier});
    CreateControl(
        w, {L"BUTTON", "Nouvelle page", BS_AUTORADIOBUTTON, 184, 144, 160, 20, idNouvellePage});
    CheckRadioButton(w, idNouveauFichier, idNouvellePage,
                     Page.NewFile ? idNouveauFichier : idNouvellePage);
    HWND ok = CreateControl(
        w, {L"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 104, 190, 75, 25, IDOK});
    CreateControl(w, {L"BUTTON", "Annuler", WS_TABSTOP, 188, 190, 75, 25, IDCANCEL});
    CreateControl(w, {L"BUTTON", "&Aide", WS_TABSTOP, 272, 190, 75, 25, idHelpBtn});
    return ok;
}

// The Curvilab face for the labels and the page's fields, larger for the parameter; the buttons
// keep the interface font.
void TConstanteDlg::ApplyFonts(HWND w, int dpi) {
    UniqueGdiObject font(CreateInstalledFont(L"Curvilab", 11, dpi));
    UniqueGdiObject parameterFont(CreateInstalledFont(L"Curvilab", 13, dpi));
    for (HWND child = GetWindow(w, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        int id = GetDlgCtrlID(child);
        if (id == IDOK || id == IDCANCEL || id == idHelpBtn) continue;
        bool parameter = id == idNomConstEdit || id == idUniteConstEdit || id == idValeurConstEdit;
        SetControlFont(child, static_cast<HFONT>(parameter ? parameterFont.get() : font.get()));
    }
    if (font) font_ = std::move(font);
    if (parameterFont) parameterFont_ = std::move(parameterFont);
}
