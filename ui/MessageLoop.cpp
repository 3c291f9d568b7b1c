#include "ui/MessageLoop.h"

#include <vector>

namespace {

PreDispatchHook g_hook = nullptr;
ModalObserver g_modalObserver = nullptr;
bool g_quitting = false;

// A WM_QUIT met inside a handler's loop: the program is quitting; the loop outside gets it too.
void PassQuitOn(int exitCode) {
    g_quitting = true;
    PostQuitMessage(exitCode);
}

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

} // namespace

bool DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PassQuitOn(int(msg.wParam));
            return false;
        }
        DispatchThreadMessage(msg);
    }
    return true;
}

void RequestQuit(int exitCode) { PassQuitOn(exitCode); }

bool QuitRequested() { return g_quitting; }

void SetPreDispatchHook(PreDispatchHook hook) { g_hook = hook; }

void SetModalObserver(ModalObserver observer) { g_modalObserver = observer; }

ModalScope::ModalScope() {
    if (g_modalObserver) g_modalObserver(true);
}

ModalScope::~ModalScope() {
    if (g_modalObserver) g_modalObserver(false);
}

// The top-level window of the program a message is for, when it takes the dialog keys (its
// children are a tab sequence), else null.
HWND KeyboardDialogOf(HWND target) {
    HWND root = target ? GetAncestor(target, GA_ROOT) : nullptr;
    if (!root || !(GetWindowLongW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)) return nullptr;
    return root;
}

void DispatchThreadMessage(MSG& msg, HWND dialog) {
    if (g_hook && g_hook(msg)) return;
    if (!dialog) dialog = KeyboardDialogOf(msg.hwnd);
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
    if (g_quitting) return;
    ModalScope modal;
    std::vector<HWND> disabled = DisableOtherThreadWindows(dialog);
    ShowWindow(dialog, SW_SHOW);
    SetFocus(focus);
    MSG msg;
    while (!done) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PassQuitOn(int(msg.wParam));
            break;
        }
        if (got < 0) break;
        DispatchThreadMessage(msg, dialog);
    }
    for (HWND window : disabled)
        if (IsWindow(window)) EnableWindow(window, TRUE);
}

bool WaitProcessingMessages(HANDLE handle, DWORD ms) {
    if (g_quitting && !handle) return false;
    ULONGLONG deadline = GetTickCount64() + ms;
    DWORD count = handle ? 1 : 0;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        DWORD left = now >= deadline ? 0 : DWORD(deadline - now);
        DWORD wake = g_quitting ? QS_SENDMESSAGE : QS_ALLINPUT;
        DWORD result = MsgWaitForMultipleObjectsEx(count, handle ? &handle : nullptr, left, wake,
                                                   MWMO_INPUTAVAILABLE);
        if (handle && result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + count) return false; // time-out or failure
        if (g_quitting) {
            MSG msg; // serves the sent messages, leaves the rest to the main loop's end
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        } else if (!DispatchPending() && !handle) {
            return false;
        }
        if (left == 0) return false;
    }
}

void ProcessMessagesOrWait(DWORD ms) {
    if (g_quitting) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    DispatchPending();
}
