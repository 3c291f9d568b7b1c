#include "tools/ui-driver/UiDriver.h"

#include <stdexcept>

#include "ui/Handles.h"
#include "ui/MessageDialog.h"
#include "ui/Wide.h"

namespace UiDriver {
namespace {

constexpr DWORD kPollMs = 20;

struct Search {
    std::wstring Prefix;
    std::wstring ClassName; // empty: any
    bool EvenHidden;
    HWND Found = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    if (!search->EvenHidden && !IsWindowVisible(window)) return TRUE;
    if (!search->ClassName.empty()) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (search->ClassName != name) return TRUE;
    }
    wchar_t title[512] = {};
    GetWindowTextW(window, title, 512);
    if (std::wstring(title).rfind(search->Prefix, 0) != 0) return TRUE;
    search->Found = window;
    return FALSE;
}

HWND Poll(Search search, DWORD timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        search.Found = nullptr;
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.Found) return search.Found;
        Sleep(kPollMs);
    } while (GetTickCount64() < deadline);
    return nullptr;
}

BOOL CALLBACK AddChild(HWND child, LPARAM data) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(data);
    list->push_back(child);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, AddChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

ControlState StateOf(HWND topLevel, HWND child) {
    ControlState state{child,       GetDlgCtrlID(child),         "",
                       Text(child), IsWindowVisible(child) != 0, {}};
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    state.ClassName = Narrow(name);
    GetWindowRect(child, &state.Bounds);
    MapWindowPoints(nullptr, topLevel, reinterpret_cast<POINT*>(&state.Bounds), 2);
    return state;
}

} // namespace

HWND WaitForWindow(const std::string& titlePrefix, DWORD timeoutMs, bool evenHidden) {
    return Poll({Wide(titlePrefix), L"", evenHidden}, timeoutMs);
}

HWND WaitForMessageBox(const std::string& title, DWORD timeoutMs) {
    return Poll({Wide(title), kMessageDialogClass, false}, timeoutMs);
}

// WM_GETTEXT reaches another process's controls; GetWindowText would only see captions.
std::wstring TextW(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(copied);
    return text;
}

std::string Text(HWND window) { return Narrow(TextW(window)); }

std::vector<ControlState> Controls(HWND topLevel) {
    std::vector<ControlState> states;
    for (HWND child : Children(topLevel)) states.push_back(StateOf(topLevel, child));
    return states;
}

ControlState Control(HWND topLevel, int id) {
    HWND child = GetDlgItem(topLevel, id);
    return child ? StateOf(topLevel, child) : ControlState{nullptr, id, "", "", false, {}};
}

SIZE TextSize(HWND control) {
    std::wstring text = TextW(control);
    if (text.empty()) return {0, 0};
    DWORD_PTR font = 0;
    SendMessageTimeoutW(control, WM_GETFONT, 0, 0, SMTO_ABORTIFHUNG, 2000, &font);
    LOGFONTW shape{};
    HGDIOBJ used = font ? reinterpret_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT);
    if (!GetObjectW(used, sizeof shape, &shape))
        throw std::runtime_error("the control's font cannot be read");
    UniqueGdiObject copy(CreateFontIndirectW(&shape));
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    LONG style = GetWindowLongW(control, GWL_STYLE);
    bool noPrefix = _wcsicmp(name, L"Edit") == 0 || _wcsicmp(name, L"ComboBox") == 0 ||
                    (_wcsicmp(name, L"Static") == 0 && (style & SS_NOPREFIX));
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, copy.get());
    RECT box{};
    DrawTextW(dc, text.c_str(), int(text.size()), &box,
              DT_CALCRECT | DT_EXPANDTABS | (noPrefix ? DT_NOPREFIX : 0u));
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return {box.right, box.bottom};
}

HWND Focus(HWND topLevel) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(topLevel, nullptr), &info);
    return info.hwndFocus;
}

void Click(HWND topLevel, int id) { PostMessageW(GetDlgItem(topLevel, id), BM_CLICK, 0, 0); }

bool ClickButton(HWND topLevel, const std::string& caption) {
    for (HWND child : Children(topLevel)) {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (_wcsicmp(name, L"Button") == 0 && Text(child) == caption) {
            PostMessageW(child, BM_CLICK, 0, 0);
            return true;
        }
    }
    return false;
}

bool SaveAs(HWND fileDialog, const std::string& path) { return SaveAs(fileDialog, Wide(path)); }

bool SaveAs(HWND fileDialog, const std::wstring& path) {
    constexpr int kFileNameField = 1148; // the name field of the system's file dialogs
    for (HWND child : Children(fileDialog)) {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (GetDlgCtrlID(child) != kFileNameField || _wcsicmp(name, L"Edit") != 0) continue;
        DWORD_PTR result = 0;
        SendMessageTimeoutW(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                            SMTO_ABORTIFHUNG, 2000, &result);
        PostMessageW(GetDlgItem(fileDialog, IDOK), BM_CLICK, 0, 0);
        return true;
    }
    return false;
}

std::string MessageBoxText(HWND box) {
    for (HWND child : Children(box)) {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (_wcsicmp(name, L"Static") == 0 && !Text(child).empty()) return Text(child);
    }
    return {};
}

std::vector<std::string> MessageBoxButtons(HWND box) {
    std::vector<std::string> captions;
    for (HWND child : Children(box)) {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (_wcsicmp(name, L"Button") == 0) captions.push_back(Text(child));
    }
    return captions;
}

std::string ClipboardText() {
    if (!OpenClipboard(nullptr)) return {};
    std::string text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) text = bytes;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (IsWindow(window)) {
        if (GetTickCount64() > deadline) return false;
        Sleep(kPollMs);
    }
    return true;
}

} // namespace UiDriver
