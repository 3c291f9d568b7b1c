#include "app/Application.h"

#include "app/Hmain.h"
#include "app/Keyboard.h"
#include "common/Text1252.h"

bool ApplicationMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN) {
        if (THamegMain* main = HamegMain()) return main->TakeShortcut(msg);
    } else if (msg.message == WM_CHAR) {
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
