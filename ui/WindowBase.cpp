#include "ui/WindowBase.h"

#include <stdexcept>
#include <utility>

#include "ui/MessageDialog.h"
#include "ui/Wide.h"
#include "ui/Window.h"

WindowBase::~WindowBase() {
    if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

void WindowBase::CreateFrame(const Frame& frame) {
    RegisterWindowClass(frame.ClassName, Procedure, frame.Icon);
    HWND window = CreateWindowExW(frame.ExStyle, frame.ClassName, Wide(frame.Title).c_str(),
                                  frame.Style, frame.X, frame.Y, frame.Width, frame.Height,
                                  frame.Owner, nullptr, GetModuleHandleW(nullptr), this);
    if (!window) throw std::runtime_error("CreateWindowEx failed for a window");
}

void WindowBase::DestroyFrame() {
    if (window_) DestroyWindow(window_.get());
}

void WindowBase::SetClientSize(int width, int height) {
    HWND w = Window();
    SIZE outer =
        OuterSize(Scaled(width, dpi_), Scaled(height, dpi_), DWORD(GetWindowLongW(w, GWL_STYLE)),
                  DWORD(GetWindowLongW(w, GWL_EXSTYLE)), dpi_);
    SetWindowPos(w, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK WindowBase::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created =
            static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        created->window_.reset(window);
        created->dpi_ = WindowDpi(window);
    }
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_DPICHANGED && LOWORD(wParam) > 0) {
        int old = std::exchange(self->dpi_, int(LOWORD(wParam)));
        FollowDpiChange(window, old, self->dpi_, *reinterpret_cast<const RECT*>(lParam));
    }
    LRESULT result =
        CallGuarded([&] { return self->HandleMessage(message, wParam, lParam); }, ShowErrorBox);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_.release();
    }
    return result;
}
