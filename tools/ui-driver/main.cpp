// ui-driver.exe: the UI driver for scripts.
//   ui-driver wait TITLE [MS]          waits for a top-level window whose title starts with TITLE
//   ui-driver title TITLE              prints the full title of that window
//   ui-driver controls TITLE           lists its controls: id class visible x y w h text
//   ui-driver rect TITLE               prints the window's frame on the screen: WxH+X+Y
//   ui-driver click TITLE ID           clicks control ID
//   ui-driver key TITLE ID KEY [COUNT] presses the virtual key KEY (a number) on control ID
//   ui-driver scroll TITLE ID STEPS    moves scroll bar ID by STEPS arrow clicks (< 0: left)
//   ui-driver answer BOXTITLE CAPTION [MS]   clicks a button of the program's message box
//   ui-driver close TITLE              asks the window to close, waits until it has gone
//   ui-driver visible TITLE ID [MS]    waits until control ID is visible
//   ui-driver clipboard FILE           writes the clipboard's text (1252 bytes) to FILE
//   ui-driver saveas TITLE PATH        types PATH into the file dialog TITLE and saves
// Exit code 0 on success, 1 when the window or control was not found. Texts are printed in UTF-8.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/ui-driver/UiDriver.h"
#include "ui/Wide.h"

namespace {

std::string Utf8(const std::string& text1252) {
    std::wstring wide = Wide(text1252);
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), int(wide.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string out(std::size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), int(wide.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

std::string From(const wchar_t* argument) { return Narrow(argument); }

bool SaveClipboard(const wchar_t* path) {
    std::string text = UiDriver::ClipboardText();
    FILE* file = _wfopen(path, L"wb");
    if (!file) return false;
    std::fwrite(text.data(), 1, text.size(), file);
    return std::fclose(file) == 0 && !text.empty();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: ui-driver wait|title|controls|click|answer|close TITLE ...\n");
        return 2;
    }
    std::string command = From(argv[1]);
    if (command == "clipboard") return SaveClipboard(argv[2]) ? 0 : 1;
    std::string title = From(argv[2]);
    DWORD timeout = 10000;
    if (command == "answer") {
        if (argc < 4) return 2;
        if (argc > 4) timeout = DWORD(std::stoi(argv[4]));
        HWND box = UiDriver::WaitForMessageBox(title, timeout);
        return box && UiDriver::ClickButton(box, From(argv[3])) ? 0 : 1;
    }
    if (command == "wait" && argc > 3) timeout = DWORD(std::stoi(argv[3]));
    if (command == "visible" && argc > 4) timeout = DWORD(std::stoi(argv[4]));
    HWND window = UiDriver::WaitForWindow(title, timeout);
    if (!window) return 1;
    if (command == "title") {
        std::printf("%s\n", Utf8(UiDriver::Text(window)).c_str());
    } else if (command == "rect") {
        RECT r{};
        GetWindowRect(window, &r);
        std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    } else if (command == "controls") {
        for (const auto& c : UiDriver::Controls(window))
            std::printf("%d %s %d %ld %ld %ld %ld %s\n", c.Id, c.ClassName.c_str(), c.Visible,
                        c.Bounds.left, c.Bounds.top, c.Bounds.right - c.Bounds.left,
                        c.Bounds.bottom - c.Bounds.top, Utf8(c.Text).c_str());
    } else if (command == "click" && argc > 3) {
        UiDriver::Click(window, std::stoi(argv[3]));
    } else if (command == "scroll" && argc > 4) {
        HWND bar = GetDlgItem(window, std::stoi(argv[3]));
        int steps = std::stoi(argv[4]);
        for (int i = 0; bar && i < std::abs(steps); ++i)
            PostMessageW(window, WM_HSCROLL, steps > 0 ? SB_LINERIGHT : SB_LINELEFT,
                         reinterpret_cast<LPARAM>(bar));
        if (!bar) return 1;
    } else if (command == "key" && argc > 4) {
        HWND control = GetDlgItem(window, std::stoi(argv[3]));
        for (int i = argc > 5 ? std::stoi(argv[5]) : 1; control && i > 0; --i)
            PostMessageW(control, WM_KEYDOWN, WPARAM(std::stoi(argv[4])), 0);
        if (!control) return 1;
    } else if (command == "visible" && argc > 3) {
        ULONGLONG deadline = GetTickCount64() + timeout;
        while (!UiDriver::Control(window, std::stoi(argv[3])).Visible) {
            if (GetTickCount64() > deadline) return 1;
            Sleep(20);
        }
    } else if (command == "saveas" && argc > 3) {
        return UiDriver::SaveAs(window, From(argv[3])) && UiDriver::WaitUntilGone(window, timeout)
                   ? 0
                   : 1;
    } else if (command == "close") {
        PostMessageW(window, WM_CLOSE, 0, 0);
        return UiDriver::WaitUntilGone(window, timeout) ? 0 : 1;
    } else if (command != "wait") {
        return 2;
    }
    return 0;
}
