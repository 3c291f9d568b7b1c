#include "app/Hmabout.h"

#include "common/Text1252.h"
#include "ui/Window.h"

TAboutBox::TAboutBox() : ModalForm({kClassName, "A propos", 298, 183}) {}

HWND TAboutBox::CreateControls(HWND window) {
    CreateControl(window, {L"STATIC", "", SS_SUNKEN, 8, 8, 282, 128});
    HWND icon = CreateControl(window, {L"STATIC", "", SS_ICON, 16, 16, 32, 32});
    SendMessageW(icon, STM_SETICON,
                 reinterpret_cast<WPARAM>(LoadIconW(GetModuleHandleW(nullptr), L"MAINICON")), 0);
    const char* lines[] = {"Acquisition par Hameg 305, 408", "pour Curvilab Windows 95",
                           "Version 2.15 du 14/02/2009", "Scoptera",
                           "Lecture de la mémoire, envoi vers Curvilab"};
    int y = 18;
    for (const char* line : lines) {
        CreateControl(window, {L"STATIC", Cp1252(line), SS_LEFT | SS_NOPREFIX, 64, y, 220, 18});
        y += 22;
    }
    HWND ok = CreateControl(
        window, {L"BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 112, 148, 75, 25, IDOK});
    return ok;
}

void TAboutBox::ApplyFonts(HWND window, int dpi) {
    UniqueGdiObject font(CreateInstalledFont(L"MS Sans Serif", 13, dpi));
    SetControlFont(window, static_cast<HFONT>(font.get()), true);
    if (font) font_ = std::move(font);
}

bool TAboutBox::OnCommand(int id, int, HWND) {
    if (id != IDOK) return false;
    Close(IDOK);
    return true;
}
