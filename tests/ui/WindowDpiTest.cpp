// A window moved to a monitor of another scale. Wine never sends WM_DPICHANGED (one DPI for the
// whole desktop), so the test sends it as Windows does, with the rectangle the system offers.
#include <gtest/gtest.h>

#include "ui/Window.h"
#include "ui/WindowBase.h"

namespace {

class Probe : public WindowBase {
public:
    Probe() {
        CreateFrame({L"TVexorDpiProbe", "", WS_POPUP, 0, 0, 0, 200, 150});
        control = CreateControl(Window(), {L"BUTTON", "Aa", BS_PUSHBUTTON, 10, 20, 100, 30});
    }
    int Laid() const { return Dpi(); }
    HWND control;
    int dpiSeen = 0; // the base's DPI when the window's own handler ran

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_DPICHANGED) dpiSeen = Dpi();
        return DefWindowProcW(Window(), message, wParam, lParam);
    }
};

RECT PlaceOf(HWND control) {
    RECT box{};
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&box), 2);
    return box;
}

} // namespace

TEST(WindowDpi, TheChildrenAndTheirFontFollowAMoveToAnotherScale) {
    Probe probe;
    int start = probe.Laid();
    RECT created = PlaceOf(probe.control);
    struct Move {
        int Dpi;
        RECT Offered;
    } moves[] = {{start * 2, {5, 6, 405, 306}}, {start, {5, 6, 205, 156}}};
    for (const Move& move : moves) {
        SendMessageW(probe.Window(), WM_DPICHANGED, MAKEWPARAM(move.Dpi, move.Dpi),
                     reinterpret_cast<LPARAM>(&move.Offered));
        EXPECT_EQ(probe.Laid(), move.Dpi);
        EXPECT_EQ(probe.dpiSeen, move.Dpi);
        RECT frame{}, place = PlaceOf(probe.control);
        GetWindowRect(probe.Window(), &frame);
        EXPECT_TRUE(EqualRect(&frame, &move.Offered));
        int scale = move.Dpi / start;
        RECT wanted{created.left * scale, created.top * scale, created.right * scale,
                    created.bottom * scale};
        EXPECT_TRUE(EqualRect(&place, &wanted)) << move.Dpi;
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(probe.control, WM_GETFONT, 0, 0)),
                  InterfaceFont(move.Dpi));
    }
}
