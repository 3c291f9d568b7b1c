#include "app/Application.h"

#include <cwchar>
#include <iterator>

#include "app/Hmain.h"
#include "app/InstrumentForm.h"
#include "app/Keyboard.h"
#include "common/Text1252.h"

namespace {

// The windows the program adds to the specified ones keep the edit keys (Ctrl+A, C, V, X, Z) in
// their fields: the replacement of Ctrl+letter is the specified windows' own.
bool KeepsEditKeys(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(GetAncestor(window, GA_ROOT), name, int(std::size(name)));
    for (const wchar_t* added : {TPreviewForm::kClassName, TSeriesForm::kClassName,
                                 TInstrumentForm::kClassName, TSweepForm::kClassName})
        if (std::wcscmp(name, added) == 0) return true;
    return false;
}

} // namespace

bool ApplicationMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN) {
        if (THamegMain* main = HamegMain()) return main->TakeShortcut(msg);
    } else if (msg.message == WM_CHAR && !KeepsEditKeys(msg.hwnd)) {
        int code = ReplaceControlCharacter(int(msg.wParam), GetKeyState(VK_CONTROL) < 0,
                                           GetKeyState(VK_SHIFT) < 0);
        if (code != int(msg.wParam)) msg.wParam = Utf16From1252(std::string(1, char(code)))[0];
    } else if (msg.message == WM_MOUSEMOVE) {
        if (THamegMain* main = HamegMain()) main->MouseOver(msg.hwnd);
    } else if (msg.message == WM_MOUSELEAVE) {
        if (THamegMain* main = HamegMain()) main->MouseLeft();
    }
    return false;
}
