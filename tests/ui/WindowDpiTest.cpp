// A window moved to a monitor of another scale. Wine never sends WM_DPICHANGED (one DPI for the
// whole desktop): the test sends it as Windows does, with the rectangle the system offers.
#include <gtest/gtest.h>

#include "ui/Window.h"
#include "ui/WindowBase.h"

namespace {

class Probe : public WindowBase {
public:
    Probe() { CreateFrame({L"TVexorDpiProbe", "", WS_POPUP, 0, 0, 0, 200, 150}); }
    int Laid() const { return Dpi(); }
    int dpiSeen = 0; // the base's DPI when the window's own handler ran

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_DPICHANGED) dpiSeen = Dpi();
        return DefWindowProcW(Window(), message, wParam, lParam);
    }
};

} // namespace

TEST(WindowDpi, TheChildrenAndTheirFontFollowAMoveToAnotherScale) {
    Probe probe;
    HWND control = CreateControl(probe.Window(), {L"BUTTON", "Aa", 0, 10, 20, 100, 30});
    int start = probe.Laid();
    RECT created{};
    GetWindowRect(control, &created);
    struct Move {
        int Scale;
        RECT Offered;
    } moves[] = {{2, {5, 6, 405, 306}}, {1, {5, 6, 205, 156}}};
    for (const Move& move : moves) {
        int dpi = start * move.Scale;
        SendMessageW(probe.Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&move.Offered));
        EXPECT_EQ(probe.dpiSeen, dpi);
        RECT frame{}, place{};
        GetWindowRect(probe.Window(), &frame);
        GetWindowRect(control, &place);
        EXPECT_TRUE(EqualRect(&frame, &move.Offered));
        EXPECT_EQ(place.right - place.left, (created.right - created.left) * move.Scale);
        EXPECT_EQ(place.top - frame.top, created.top * move.Scale);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)),
                  InterfaceFont(dpi));
    }
}
