#include "app/MainLayout.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "app/ControlIds.h"
#include "app/ToolGlyphs.h"
#include "common/Text1252.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

constexpr int kButtonSize = 25;

struct ToolButton {
    int Id;
    int X;
    Glyph Picture;
    const char* Hint;
};

constexpr ToolButton kToolButtons[] = {
    {idFileSaveBtn, 0, Glyph::Save, "Sauve (fichier)|Sauvegarde de l'acquisition"},
    {idClipSaveBtn, 24, Glyph::Clipboard,
     "Presse-papier|Sauvegarde de l'acquisition dans le presse-papier"},
    {idSendToCurvilabBtn, 48, Glyph::Send,
     "Sauve (Curvilab)|Envoi des données courantes vers Curvilab"},
    {idPreviewBtn, 72, Glyph::Graph, "Aperçu|Courbes et mesures de l'acquisition"},
    {idEnregistreBtn, 144, Glyph::Read, "Lecture|Lance la lecture e l'oscilloscope"},
    {idSetBtn, 168, Glyph::Port, "Voie série|Configuration de la voie série"},
    {idInstrumentBtn, 192, Glyph::Instrument, "Instrument|Choix de l'oscilloscope"},
    {idCloseBtn, 232, Glyph::Quit, "Quitter"},
    {idAideBtn, 256, Glyph::About, "A propos ..."},
};

// The tool bar's panel and buttons; only the read button shows its short hint as a tooltip.
void CreateToolBar(HWND w, std::map<HWND, std::string>& hints) {
    CreateControl(w, {L"STATIC", "", WS_BORDER, 0, 0, kMainClientWidth, 29, idBoutonsPanel});
    for (const ToolButton& button : kToolButtons) {
        CreateControl(w, {L"BUTTON", "", BS_OWNERDRAW | WS_TABSTOP, 1 + button.X, 2, kButtonSize,
                          kButtonSize, button.Id});
        hints[GetDlgItem(w, button.Id)] = Cp1252(button.Hint);
    }
    HWND tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, w, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
    std::wstring tip = Wide("Lecture");
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = w;
    info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(w, idEnregistreBtn));
    info.lpszText = tip.data();
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

} // namespace

void CreateMainControls(HWND w, std::map<HWND, std::string>& hints) {
    CreateToolBar(w, hints);

    auto group = [&](int id, const char* caption, int y, int height) {
        CreateControl(
            w, {L"BUTTON", Cp1252(caption), BS_GROUPBOX, 0, y, kMainClientWidth, height, id});
    };
    auto gauge = [&](int id, int boxY) {
        HWND bar =
            CreateControl(w, {PROGRESS_CLASSW, "", PBS_SMOOTH, 2, boxY + 41 - 22, 346, 20, id});
        // The navy fill needs the classic look. A blank name switches the theme off everywhere;
        // an empty one is taken by some systems as "the default theme".
        SetWindowTheme(bar, L" ", L" ");
        SendMessageW(bar, PBM_SETRANGE32, 0, kMainGaugeMaximum);
        SendMessageW(bar, PBM_SETBARCOLOR, 0, RGB(0, 0, 128));
    };
    group(idGroupBox1, "Lecture de la mémoire de l'oscilloscope", 29, 41);
    gauge(idGaugeData, 29);
    group(idZeroGB, "Lecture du zéro", 70, 41);
    gauge(idGaugeZero, 70);

    group(idGroupBoxTemps, "Base de temps", 111, 63);
    CreateControl(
        w, {L"EDIT", "", ES_LEFT | WS_BORDER | WS_DISABLED, 8, 127, 121, 24, idBaseDeTempsEdit});
    CreateControl(w,
                  {L"SCROLLBAR", "", SBS_HORZ | WS_TABSTOP, 8, 151, 121, 17, idBaseDeTempsScroll});

    auto channel = [&](int boxY, int height, int box, int gammeEdit, int gamme, int label, int nom,
                       const char* caption, const char* name) {
        group(box, caption, boxY, height);
        CreateControl(
            w, {L"EDIT", "", ES_LEFT | WS_BORDER | WS_DISABLED, 8, boxY + 16, 121, 24, gammeEdit});
        CreateControl(w, {L"SCROLLBAR", "", SBS_HORZ | WS_TABSTOP, 8, boxY + 40, 121, 17, gamme});
        CreateControl(w, {L"STATIC", "Nom", SS_LEFT, 136, boxY + 40, 30, 16, label});
        CreateControl(w, {L"EDIT", name, ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 176,
                          boxY + 32, 97, 24, nom, WS_EX_CLIENTEDGE});
    };
    channel(174, 65, idGroupBoxCH1, idGammeEditCH1, idGammeCH1, idLabel1, idNom1Edit, "CH1", "V1");

    CreateControl(w, {L"STATIC", "", 0, 0, 251, kMainClientWidth, 63, idPanel1});
    CreateControl(
        w, {L"EDIT",
            Cp1252("Vérifier que les verniers sont en position calibrée et\r\nque le bouton STOR. "
                   "est enfoncé\r\nainsi que le bouton HOLD."),
            ES_MULTILINE | ES_READONLY, 2, 253, kMainClientWidth - 4, 59, idMemo1});

    channel(314, 64, idGroupBoxCH2, idGammeEditCH2, idGammeCH2, idLabel2, idNom2Edit, "CH2", "V2");
    CreateControl(w, {L"STATIC", "", SS_LEFT | SS_CENTERIMAGE | WS_BORDER | SS_NOPREFIX, 0, 378,
                      kMainClientWidth, 22, idPanelAide});
}

// The bold Curvilab face for every control but the reminder, at the window's DPI.
void ApplyMainFonts(HWND window, int dpi, MainFonts& fonts) {
    int height = -Scaled(13, dpi);
    fonts.Bold.reset(
        CreateFontW(height, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Curvilab"));
    fonts.Memo.reset(CreateFontW(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                                 L"MS Sans Serif"));
    HWND memo = GetDlgItem(window, idMemo1);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT,
                     reinterpret_cast<WPARAM>(child == memo ? fonts.Memo.get() : fonts.Bold.get()),
                     FALSE);
}

bool DrawToolButton(const DRAWITEMSTRUCT& item, int dpi) {
    for (const ToolButton& button : kToolButtons) {
        if (int(item.CtlID) != button.Id) continue;
        RECT box = item.rcItem;
        UINT state = DFCS_BUTTONPUSH | (item.itemState & ODS_SELECTED ? DFCS_PUSHED : 0);
        DrawFrameControl(item.hDC, &box, DFC_BUTTON, state);
        if (item.itemState & ODS_SELECTED) OffsetRect(&box, 1, 1);
        DrawGlyph(item.hDC, box, button.Picture, !(item.itemState & ODS_DISABLED), dpi);
        if (item.itemState & ODS_FOCUS) {
            int inset = Scaled(3, dpi);
            InflateRect(&box, -inset, -inset);
            DrawFocusRect(item.hDC, &box);
        }
        return true;
    }
    return false;
}
