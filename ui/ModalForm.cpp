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
    done_ = false;
    result_ = frame_.CancelResult;
    try {
        CreateFrame({frame_.ClassName, frame_.Caption, kStyle, kExStyle | frame_.ExStyle, 0, 0, 0,
                     0, GetActiveWindow()});
    } catch (const std::runtime_error&) {
        return frame_.CancelResult; // out of window resources: as if cancelled
    }
    SetClientSize(frame_.ClientWidth, frame_.ClientHeight);
    HWND focus = CreateControls(Window());
    ApplyFonts(Window(), Dpi());
    CentreOnScreen(Window());
    RunModalLoop(Window(), focus, done_);
    DestroyFrame();
    return result_;
}

void ModalForm::ApplyFonts(HWND, int) {}

bool ModalForm::OnCommand(int, int, HWND) { return false; }

bool ModalForm::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void ModalForm::Close(int result) {
    result_ = result;
    done_ = true;
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
    case WM_DPICHANGED: ApplyFonts(Window(), Dpi()); return 0;
    }
    return DefWindowProcW(Window(), message, wParam, lParam);
}
