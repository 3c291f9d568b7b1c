#include "ui/WindowBase.h"

#include <stdexcept>

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

LRESULT CALLBACK WindowBase::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created =
            static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        created->window_.reset(window);
    }
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result =
        CallGuarded([&] { return self->HandleMessage(message, wParam, lParam); }, ShowErrorBox);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_.release();
    }
    return result;
}
