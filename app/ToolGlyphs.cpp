#include "app/ToolGlyphs.h"

#include <initializer_list>

#include "ui/Handles.h"
#include "ui/Window.h"

namespace {

constexpr COLORREF kInk = RGB(0, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 128);
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kRed = RGB(192, 0, 0);
constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);

// Drawing in glyph coordinates (0..17 at 96 dpi) at the box's centre.
struct Pen {
    HDC Dc;
    int X0, Y0;
    bool Enabled;
    int Dpi;

    int S(LONG v) const { return Scaled(int(v), Dpi); }

    COLORREF Tone(COLORREF c) const { return Enabled ? c : kGrey; }
    void Line(COLORREF c, int width, std::initializer_list<POINT> points) const {
        UniqueGdiObject pen(CreatePen(PS_SOLID, S(width), Tone(c)));
        HGDIOBJ old = SelectObject(Dc, pen.get());
        bool first = true;
        for (POINT p : points) {
            if (first)
                MoveToEx(Dc, X0 + S(p.x), Y0 + S(p.y), nullptr);
            else
                LineTo(Dc, X0 + S(p.x), Y0 + S(p.y));
            first = false;
        }
        SelectObject(Dc, old);
    }
    void Box(COLORREF edge, COLORREF fill, int l, int t, int r, int b) const {
        UniqueGdiObject pen(CreatePen(PS_SOLID, S(1), Tone(edge)));
        UniqueGdiObject brush(CreateSolidBrush(Enabled ? fill : RGB(220, 220, 220)));
        HGDIOBJ oldPen = SelectObject(Dc, pen.get());
        HGDIOBJ oldBrush = SelectObject(Dc, brush.get());
        Rectangle(Dc, X0 + S(l), Y0 + S(t), X0 + S(r), Y0 + S(b));
        SelectObject(Dc, oldPen);
        SelectObject(Dc, oldBrush);
    }
};

} // namespace

void DrawGlyph(HDC dc, const RECT& box, Glyph glyph, bool enabled, int dpi) {
    int half = Scaled(9, dpi);
    Pen p{dc, (box.left + box.right) / 2 - half, (box.top + box.bottom) / 2 - half, enabled, dpi};
    switch (glyph) {
    case Glyph::Save: // a diskette
        p.Box(kInk, kBlue, 1, 1, 17, 17);
        p.Box(kInk, kPaper, 4, 2, 14, 8);
        p.Box(kInk, RGB(192, 192, 192), 5, 11, 13, 17);
        break;
    case Glyph::Clipboard: // a clipboard with lines of text
        p.Box(kInk, RGB(160, 110, 60), 2, 2, 16, 17);
        p.Box(kInk, kPaper, 4, 4, 14, 16);
        p.Box(kInk, kGrey, 6, 1, 12, 4);
        for (int y : {7, 10, 13}) p.Line(kInk, 1, {{6, y}, {12, y}});
        break;
    case Glyph::Send: // a curve and an arrow into it
        p.Box(kInk, kPaper, 7, 1, 17, 13);
        p.Line(kBlue, 1, {{8, 10}, {10, 5}, {12, 8}, {14, 3}, {16, 6}});
        p.Line(kGreen, 2, {{1, 15}, {9, 15}});
        p.Line(kGreen, 2, {{6, 12}, {9, 15}, {6, 18}});
        break;
    case Glyph::Graph: // a graph with two curves
        p.Box(kInk, kPaper, 1, 1, 17, 17);
        p.Line(kGrey, 1, {{1, 9}, {17, 9}});
        p.Line(kBlue, 1, {{2, 9}, {4, 4}, {6, 3}, {8, 6}, {10, 12}, {12, 15}, {14, 13}, {16, 8}});
        p.Line(kRed, 1, {{2, 13}, {5, 12}, {8, 9}, {11, 6}, {14, 5}, {16, 6}});
        break;
    case Glyph::Read: // an oscilloscope screen with a trace
        p.Box(kInk, RGB(0, 40, 0), 1, 2, 17, 16);
        p.Line(RGB(0, 255, 0), 1,
               {{2, 9}, {4, 5}, {6, 4}, {8, 7}, {10, 12}, {12, 13}, {14, 10}, {16, 6}});
        break;
    case Glyph::Port: // a nine-pin connector
        p.Line(kInk, 1, {{1, 5}, {17, 5}, {14, 13}, {4, 13}, {1, 5}});
        for (int x : {4, 7, 10, 13}) p.Box(kInk, kInk, x, 7, x + 2, 9);
        for (int x : {6, 9, 12}) p.Box(kInk, kInk, x, 10, x + 2, 12);
        break;
    case Glyph::Instrument: // a scope's front: its screen with a wave, two knobs beside it
        p.Box(kInk, RGB(192, 192, 192), 1, 3, 17, 15);
        p.Box(kInk, RGB(0, 64, 0), 3, 5, 11, 13);
        p.Line(RGB(0, 255, 0), 1, {{4, 9}, {5, 7}, {6, 7}, {7, 9}, {8, 11}, {9, 11}, {10, 9}});
        p.Box(kInk, kBlue, 13, 5, 15, 7);
        p.Box(kInk, kBlue, 13, 10, 15, 12);
        break;
    case Glyph::Quit: // a door and an arrow out of it
        p.Box(kInk, RGB(160, 110, 60), 2, 1, 10, 17);
        p.Line(kRed, 2, {{7, 9}, {16, 9}});
        p.Line(kRed, 2, {{13, 6}, {16, 9}, {13, 12}});
        break;
    case Glyph::About: // a question mark
        p.Line(kBlue, 2, {{5, 5}, {7, 2}, {11, 2}, {13, 5}, {13, 7}, {9, 10}, {9, 12}});
        p.Box(kBlue, kBlue, 8, 14, 11, 17);
        break;
    }
}
