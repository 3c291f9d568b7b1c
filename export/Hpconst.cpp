#include "export/Hpconst.h"

#include "app/Text1252.h"
#include "ui/Handles.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kWidth = 360, kHeight = 230;
} // namespace

LRESULT CALLBACK TConstanteDlg::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = WindowObject<TConstanteDlg>(window, message, lParam);
    if (self && message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDOK:
            self->ReadBack(window);
            self->accepted_ = true;
            self->done_ = true;
            return 0;
        case IDCANCEL:
            self->done_ = true;
            return 0;
        case idHelpBtn: return 0; // no help in this program
        }
    }
    if (self && message == WM_CLOSE) {
        self->done_ = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TConstanteDlg::ReadBack(HWND window) {
    Page.ParameterName = WindowText(GetDlgItem(window, idNomConstEdit));
    Page.ParameterUnit = WindowText(GetDlgItem(window, idUniteConstEdit));
    Page.ParameterValue = WindowText(GetDlgItem(window, idValeurConstEdit));
    Page.Comment = WindowText(GetDlgItem(window, idEditComm));
    Page.NewFile = SendMessageW(GetDlgItem(window, idNouveauFichier), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool TConstanteDlg::ShowModal() {
    RegisterWindowClass(kClassName, WindowProc);
    SIZE outer = OuterSize(kWidth, kHeight, kStyle, kExStyle);
    done_ = accepted_ = false;
    UniqueWindow window(CreateWindowExW(kExStyle, kClassName,
                                        Wide("Renseignements sur la page courante").c_str(), kStyle,
                                        0, 0, outer.cx, outer.cy, GetActiveWindow(), nullptr,
                                        GetModuleHandleW(nullptr), this));
    if (!window) return false;
    HWND w = window.get();
    auto edit = [&](int id, const std::string& text, int x, int y, int width) {
        CreateControl(w, {L"EDIT", text, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, x, y, width, 22, id});
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
    CreateControl(w, {L"BUTTON", "Nouveau fichier", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
                      16, 144, 160, 20, idNouveauFichier});
    CreateControl(w, {L"BUTTON", "Nouvelle page", BS_AUTORADIOBUTTON, 184, 144, 160, 20, idNouvellePage});
    CheckRadioButton(w, idNouveauFichier, idNouvellePage, Page.NewFile ? idNouveauFichier : idNouvellePage);
    CreateControl(w, {L"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 104, 190, 75, 25, IDOK});
    CreateControl(w, {L"BUTTON", "Annuler", WS_TABSTOP, 188, 190, 75, 25, IDCANCEL});
    CreateControl(w, {L"BUTTON", "&Aide", WS_TABSTOP, 272, 190, 75, 25, idHelpBtn});
    CentreOnScreen(w);
    RunModalLoop(w, GetDlgItem(w, IDOK), done_);
    return accepted_;
}
