#include "ui/ModalForm.h"

#include <stdexcept>

#include "ui/MessageLoop.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
} // namespace

int ModalForm::ShowModal() {
    if (QuitRequested()) return frame_.CancelResult; // the program is ending: nobody to ask
    DWORD exStyle = kExStyle | frame_.ExStyle;
    SIZE outer = OuterSize(frame_.ClientWidth, frame_.ClientHeight, kStyle, exStyle);
    done_ = false;
    result_ = frame_.CancelResult;
    try {
        CreateFrame({frame_.ClassName, frame_.Caption, kStyle, exStyle, 0, 0, outer.cx, outer.cy,
                     GetActiveWindow()});
    } catch (const std::runtime_error&) {
        return frame_.CancelResult; // out of window resources: as if cancelled
    }
    HWND focus = CreateControls(Window());
    CentreOnScreen(Window());
    RunModalLoop(Window(), focus, done_);
    DestroyFrame();
    return result_;
}

bool ModalForm::OnCommand(int, int, HWND) { return false; }

bool ModalForm::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void ModalForm::Close(int result) {
    result_ = result;
    done_ = true;
}

void ModalForm::SetClientSize(int width, int height) {
    DWORD exStyle = kExStyle | frame_.ExStyle;
    SIZE outer = OuterSize(width, height, kStyle, exStyle);
    SetWindowPos(Window(), nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER);
}

LRESULT ModalForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnMessage(message, wParam, lParam, result)) return result;
    switch (message) {
    case WM_COMMAND:
        if (!OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) &&
            LOWORD(wParam) == IDCANCEL)
            Close(frame_.CancelResult);
        return 0;
    case WM_CLOSE: Close(frame_.CancelResult); return 0;
    }
    return DefWindowProcW(Window(), message, wParam, lParam);
}
