#include "app/HintBar.h"

#include "ui/Wide.h"

std::string HintBar::HintAt(HWND control) const {
    for (HWND at = control; at; at = GetParent(at)) {
        auto found = hints_.find(at);
        if (found == hints_.end() || found->second.empty()) continue;
        std::size_t bar = found->second.find('|');
        return bar == std::string::npos ? found->second : found->second.substr(bar + 1);
    }
    return {};
}

void HintBar::Show(const std::string& hint) {
    if (hint == shown_) return;
    shown_ = hint;
    SetWindowText1252(bar_, hint);
}

void HintBar::MouseOver(HWND control) {
    if (GetAncestor(control, GA_ROOT) != window_) return Show("");
    // The system says when the mouse leaves this control; MouseLeft then looks where it went.
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, control, 0};
    TrackMouseEvent(&track);
    Show(HintAt(control));
}

void HintBar::MouseLeft() {
    POINT at{};
    GetCursorPos(&at);
    HWND under = WindowFromPoint(at);
    if (!under || GetAncestor(under, GA_ROOT) != window_) Show("");
}
