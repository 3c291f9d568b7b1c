#pragma once
// The program's own message box. Its titles and button texts are French whatever the system's
// language, which the system's MessageBox cannot promise.
#include <windows.h>
#include <string>
#include <vector>

enum class BoxKind {
    Notice,       // title "Scoptera", no icon
    Warning,      // "Avertissement"
    Error,        // "Erreur"
    Information,  // "Information"
    Confirmation, // "Confirmation", question icon
};

struct BoxButton {
    std::string Caption; // 1252; "&" marks the mnemonic
    int Result;          // IDOK, IDCANCEL, IDYES, IDNO
};

struct BoxRequest {
    BoxKind Kind = BoxKind::Notice;
    std::string Text; // 1252; "\r" or "\n" start a new line
    std::vector<BoxButton> Buttons;
    std::size_t DefaultButton = 0;
    int EscapeResult = IDCANCEL; // Escape and the close box
};

// Shows the box modally, centred on the screen, and returns the chosen button's result.
int ShowMessageDialog(const BoxRequest& request);

// A plain notice with one "OK" button.
void ShowNotice(const std::string& text);

// The general error box: "Erreur", error icon, one "OK" button.
void ShowErrorBox(const std::string& text);

// "Confirmation" with "&Oui" (default) and "&Non"; Escape or closing the box answers No.
// The text is cut at 255 characters.
bool ConfirmYesNo(const std::string& text);

// The class name of the box's window, for the tools that drive the program from outside.
constexpr const wchar_t* kMessageDialogClass = L"VexorMessageDialog";
