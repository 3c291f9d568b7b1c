#include "ui/MessageLoop.h"

#include <vector>

namespace {

PreDispatchHook g_hook = nullptr;

struct DisableWalk {
    HWND Dialog;
    std::vector<HWND> Disabled;
};

BOOL CALLBACK DisableIfOther(HWND window, LPARAM data) {
    auto* walk = reinterpret_cast<DisableWalk*>(data);
    if (window != walk->Dialog && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        walk->Disabled.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> DisableOtherThreadWindows(HWND dialog) {
    DisableWalk walk{dialog, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableIfOther, reinterpret_cast<LPARAM>(&walk));
    return walk.Disabled;
}

// Dispatches what the queue holds; false when a WM_QUIT came, which is posted again.
bool DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return false;
        }
        DispatchThreadMessage(msg);
    }
    return true;
}

} // namespace

void SetPreDispatchHook(PreDispatchHook hook) { g_hook = hook; }

void DispatchThreadMessage(MSG& msg, HWND dialog) {
    if (g_hook) g_hook(msg);
    if (dialog && IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int RunMessageLoop() {
    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) > 0) DispatchThreadMessage(msg);
    return got == 0 ? int(msg.wParam) : 0;
}

void RunModalLoop(HWND dialog, HWND focus, const bool& done) {
    std::vector<HWND> disabled = DisableOtherThreadWindows(dialog);
    ShowWindow(dialog, SW_SHOW);
    SetFocus(focus);
    MSG msg;
    while (!done) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        if (got < 0) break;
        DispatchThreadMessage(msg, dialog);
    }
    for (HWND window : disabled)
        if (IsWindow(window)) EnableWindow(window, TRUE);
}

bool WaitProcessingMessages(HANDLE handle, DWORD ms) {
    ULONGLONG deadline = GetTickCount64() + ms;
    DWORD count = handle ? 1 : 0;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        DWORD left = now >= deadline ? 0 : DWORD(deadline - now);
        DWORD result = MsgWaitForMultipleObjectsEx(count, handle ? &handle : nullptr, left,
                                                   QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (handle && result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + count) return false; // time-out or failure
        if (!DispatchPending() || left == 0) return false;
    }
}

void ProcessMessagesOrWait(DWORD ms) {
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    DispatchPending();
}
