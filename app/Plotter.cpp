#include "app/Plotter.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>

#include "app/MeasureTexts.h"
#include "ui/Handles.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

constexpr COLORREF kGridColour = RGB(215, 215, 215);
constexpr COLORREF kAxisColour = RGB(150, 150, 150);
constexpr COLORREF kInk = RGB(0, 0, 0);
constexpr COLORREF kBannerColour = RGB(200, 0, 0);

// The plot's measures at a DPI: a line of text, and the widest value beside the grid.
struct Metrics {
    int Line, LabelWidth, Gap;
};

Metrics MeasureFont(HDC dc, int dpi) {
    TEXTMETRICW text{};
    GetTextMetricsW(dc, &text);
    SIZE label{};
    const std::wstring widest = L"\u2212888 mV";
    GetTextExtentPoint32W(dc, widest.c_str(), int(widest.size()), &label);
    return {int(text.tmHeight) + Scaled(4, dpi), int(label.cx) + Scaled(8, dpi), Scaled(4, dpi)};
}

class Drawing {
public:
    Drawing(HDC dc, int dpi) : dc_(dc), dpi_(dpi), font_(PlotFont(dpi)) {
        oldFont_ = SelectObject(dc, font_.get());
        SetBkMode(dc, TRANSPARENT);
        metrics_ = MeasureFont(dc, dpi);
    }
    ~Drawing() { SelectObject(dc_, oldFont_); }
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;

    const Metrics& Measures() const { return metrics_; }
    int Dpi() const { return dpi_; }

    void Line(COLORREF colour, int width, int style, const std::vector<POINT>& points) const {
        if (points.size() < 2) return;
        UniqueGdiObject pen(CreatePen(style, width, colour));
        HGDIOBJ old = SelectObject(dc_, pen.get());
        Polyline(dc_, points.data(), int(points.size()));
        SelectObject(dc_, old);
    }
    void Box(COLORREF colour, RECT box) const {
        UniqueGdiObject brush(CreateSolidBrush(colour));
        FillRect(dc_, &box, static_cast<HBRUSH>(brush.get()));
    }
    void Text(const std::wstring& text, RECT box, UINT format, COLORREF colour = kInk) const {
        SetTextColor(dc_, colour);
        DrawTextW(dc_, text.c_str(), int(text.size()), &box, format | DT_NOPREFIX | DT_SINGLELINE);
    }
    int TextWidth(const std::wstring& text) const {
        SIZE size{};
        GetTextExtentPoint32W(dc_, text.c_str(), int(text.size()), &size);
        return int(size.cx);
    }

private:
    HDC dc_;
    int dpi_;
    UniqueGdiObject font_;
    HGDIOBJ oldFont_;
    Metrics metrics_;
};

std::wstring LabelText(double value, const PlotLabels& labels) {
    if (labels.Unit == "\xB0") return ScreenText(DegreeText(value));
    return ScreenText(EngineeringText(value, labels.Unit));
}

int GridX(const PlotArea& a, const PlotAxis& axis, int line) {
    return a.Left + int(std::lround(double(line) / axis.Divisions * (a.Width - 1)));
}
int GridY(const PlotArea& a, const PlotAxis& axis, int line) {
    return a.Top + a.Height - 1 - int(std::lround(double(line) / axis.Divisions * (a.Height - 1)));
}

void DrawGrid(const Drawing& draw, const PlotArea& a, const PlotAxis& x, const PlotAxis& y) {
    int right = a.Left + a.Width - 1, bottom = a.Top + a.Height - 1;
    // A decade's 2 and 5 in a lighter dotted line.
    if (x.Logarithmic)
        for (int decade = 0; decade < x.Divisions; ++decade)
            for (double within : {2.0, 5.0}) {
                int at = PixelX(a, x, x.LineValue(decade) * within);
                draw.Line(kGridColour, 1, PS_DOT, {{at, a.Top}, {at, bottom}});
            }
    for (int i = 1; i < x.Divisions; ++i) {
        bool middle = !x.Logarithmic && i * 2 == x.Divisions;
        int at = GridX(a, x, i);
        draw.Line(middle ? kAxisColour : kGridColour, 1, PS_SOLID, {{at, a.Top}, {at, bottom}});
    }
    for (int j = 1; j < y.Divisions; ++j) {
        int at = GridY(a, y, j);
        draw.Line(j * 2 == y.Divisions ? kAxisColour : kGridColour, 1, PS_SOLID,
                  {{a.Left, at}, {right, at}});
    }
    draw.Line(
        kInk, 1, PS_SOLID,
        {{a.Left, a.Top}, {right, a.Top}, {right, bottom}, {a.Left, bottom}, {a.Left, a.Top}});
}

void DrawLabels(const Drawing& draw, const PlotArea& a, const PlotDescription& plot) {
    const Metrics& m = draw.Measures();
    if (plot.XLabels.Shown) {
        int bottom = a.Top + a.Height;
        int widest = 0;
        for (int i = 0; i <= plot.X.Divisions; ++i)
            widest = std::max(widest, draw.TextWidth(LabelText(plot.X.LineValue(i), plot.XLabels)));
        int spacing = std::max(a.Width / std::max(plot.X.Divisions, 1), 1);
        int step = widest + m.Gap > spacing ? 2 : 1;
        for (int i = 0; i <= plot.X.Divisions; i += step) {
            int x = GridX(a, plot.X, i);
            draw.Text(LabelText(plot.X.LineValue(i), plot.XLabels),
                      {x - spacing * step / 2, bottom + m.Gap / 2, x + spacing * step / 2,
                       bottom + m.Line},
                      DT_CENTER, plot.XLabels.Colour);
        }
    }
    for (int side = 0; side < 2; ++side) {
        const PlotLabels& labels = plot.YLabels[std::size_t(side)];
        if (!labels.Shown) continue;
        const PlotAxis& axis = plot.Y[std::size_t(side)];
        for (int j = 0; j <= axis.Divisions; ++j) {
            int y = GridY(a, axis, j);
            RECT box = side == 0 ? RECT{a.Left - m.LabelWidth, y - m.Line / 2, a.Left - m.Gap,
                                        y + m.Line / 2}
                                 : RECT{a.Left + a.Width + m.Gap, y - m.Line / 2,
                                        a.Left + a.Width + m.LabelWidth, y + m.Line / 2};
            draw.Text(LabelText(axis.LineValue(j), labels), box,
                      (side == 0 ? DT_RIGHT : DT_LEFT) | DT_VCENTER, labels.Colour);
        }
    }
}

// A run's points, each pixel column's first, lowest, highest and last point once the run holds
// more than those: a trace drawn through them covers every pixel the full run would.
class RunPoints {
public:
    RunPoints(std::vector<POINT>& run, bool envelope) : run_(run), envelope_(envelope) {}
    ~RunPoints() { Flush(); }
    RunPoints(const RunPoints&) = delete;
    RunPoints& operator=(const RunPoints&) = delete;

    bool Empty() const { return count_ == 0 && run_.empty(); }
    void Add(POINT p) {
        if (!envelope_) return run_.push_back(p);
        if (count_ > 0 && p.x != first_.x) Flush();
        if (count_++ == 0) first_ = low_ = high_ = p;
        if (p.y < low_.y) low_ = p;
        if (p.y > high_.y) high_ = p;
        last_ = p;
    }
    void Flush() {
        if (count_ == 0) return;
        bool lowFirst = low_.y != high_.y; // the order they came in is lost: either draws them
        for (POINT p : {first_, lowFirst ? low_ : high_, lowFirst ? high_ : low_, last_})
            if (run_.empty() || run_.back().x != p.x || run_.back().y != p.y) run_.push_back(p);
        count_ = 0;
    }

private:
    std::vector<POINT>& run_;
    bool envelope_;
    std::size_t count_ = 0;
    POINT first_{}, low_{}, high_{}, last_{};
};

// The curve's points on the grid, in runs: points beyond the X axis's ends are not drawn (the
// screen ends there), values off the grid vertically run along its edge. A curve of more points
// than four a pixel across keeps each pixel column's extremes.
std::vector<std::vector<POINT>> Runs(const PlotArea& a, const PlotAxis& x, const PlotAxis& y,
                                     const PlotCurve& curve) {
    std::vector<std::vector<POINT>> runs(1);
    std::size_t count = std::min(curve.X.size(), curve.Y.size());
    bool envelope = count > 4 * std::size_t(a.Width);
    auto points = std::make_unique<RunPoints>(runs.back(), envelope);
    for (std::size_t i = 0; i < count; ++i) {
        double fraction = x.Fraction(curve.X[i]);
        bool inside = fraction >= -1e-9 && fraction <= 1 + 1e-9 && !std::isnan(curve.Y[i]);
        if (!inside) {
            if (points->Empty()) continue;
            points.reset();
            runs.emplace_back();
            points = std::make_unique<RunPoints>(runs.back(), envelope);
            continue;
        }
        points->Add({PixelX(a, x, curve.X[i]), PixelY(a, y, curve.Y[i])});
    }
    points.reset();
    return runs;
}

void DrawCurve(const Drawing& draw, const PlotArea& a, const PlotDescription& plot,
               const PlotCurve& curve) {
    COLORREF colour = curve.Pale ? Paler(curve.Colour) : curve.Colour;
    const PlotAxis& y = plot.Y[std::size_t(std::clamp(curve.Axis, 0, 3))];
    for (const auto& run : Runs(a, plot.X, y, curve)) {
        draw.Line(colour, curve.Marks ? Scaled(2, draw.Dpi()) : Scaled(1, draw.Dpi()), PS_SOLID,
                  run);
        if (!curve.Marks) continue;
        int half = Scaled(3, draw.Dpi());
        for (POINT p : run)
            draw.Box(colour, {p.x - half, p.y - half, p.x + half + 1, p.y + half + 1});
    }
}

void DrawLines(const Drawing& draw, const PlotArea& a, const PlotDescription& plot) {
    const Metrics& m = draw.Measures();
    int right = a.Left + a.Width - 1, bottom = a.Top + a.Height - 1;
    for (const PlotLine& line : plot.Lines) {
        int width = line.Selected ? Scaled(2, draw.Dpi()) : 1;
        int style = line.Selected ? PS_SOLID : PS_DASH;
        if (line.Vertical) {
            int x = PixelX(a, plot.X, line.Value);
            draw.Line(line.Colour, width, style, {{x, a.Top}, {x, bottom}});
            draw.Text(line.Label, {x + m.Gap, a.Top + m.Gap, x + m.LabelWidth * 2, a.Top + m.Line},
                      DT_LEFT, line.Colour);
        } else {
            int y = PixelY(a, plot.Y[std::size_t(std::clamp(line.Axis, 0, 3))], line.Value);
            draw.Line(line.Colour, width, style, {{a.Left, y}, {right, y}});
            draw.Text(line.Label, {a.Left + m.Gap, y - m.Line, right - m.Gap, y}, DT_LEFT,
                      line.Colour);
        }
    }
}

void DrawLegend(const Drawing& draw, const RECT& box, const PlotArea& a,
                const PlotDescription& plot) {
    const Metrics& m = draw.Measures();
    int x = a.Left, top = int(box.top) + m.Gap, middle = top + m.Line / 2;
    for (const PlotLegend& entry : plot.Legend) {
        COLORREF colour = entry.Pale ? Paler(entry.Colour) : entry.Colour;
        draw.Line(colour, Scaled(2, draw.Dpi()), PS_SOLID,
                  {{x, middle}, {x + Scaled(20, draw.Dpi()), middle}});
        x += Scaled(26, draw.Dpi());
        draw.Text(entry.Text, {x, top, int(box.right), top + m.Line}, DT_LEFT | DT_VCENTER);
        x += draw.TextWidth(entry.Text) + Scaled(16, draw.Dpi());
    }
    draw.Text(plot.LegendRight, {x, top, a.Left + a.Width, top + m.Line}, DT_RIGHT | DT_VCENTER);
}

} // namespace

// The colour most of the way to white.
COLORREF Paler(COLORREF colour) {
    auto pale = [](int c) { return c + (255 - c) * 3 / 5; };
    return RGB(pale(GetRValue(colour)), pale(GetGValue(colour)), pale(GetBValue(colour)));
}

std::wstring ScreenText(const std::string& text) {
    std::wstring wide = Wide(text);
    for (std::size_t i = 0; i + 1 < wide.size(); ++i)
        if (wide[i] == L'-' && iswdigit(wide[i + 1])) wide[i] = L'\u2212';
    return wide;
}

namespace {

HFONT FontOf(const wchar_t* face, int dpi) {
    return CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                       CLEARTYPE_QUALITY, 0, face);
}

// The first face that has the signs the pictures use beyond 1252 (Δ, −, ≈): the interface's on
// Windows; some systems' stand-in for it lacks Greek letters.
const wchar_t* PlotFace() {
    static const wchar_t* const face = [] {
        const wchar_t* const faces[] = {L"MS Shell Dlg 2", L"Segoe UI", L"DejaVu Sans",
                                        L"Liberation Sans", L"Arial"};
        const wchar_t signs[] = L"\u0394\u2212\u2248";
        WindowDc screen(nullptr);
        const wchar_t* found = faces[0];
        for (const wchar_t* candidate : faces) {
            UniqueGdiObject font(FontOf(candidate, 96));
            HGDIOBJ old = SelectObject(screen.get(), font.get());
            WORD glyphs[3] = {};
            bool all = GetGlyphIndicesW(screen.get(), signs, 3, glyphs,
                                        GGI_MARK_NONEXISTING_GLYPHS) == 3 &&
                       std::find(std::begin(glyphs), std::end(glyphs), 0xFFFF) == std::end(glyphs);
            SelectObject(screen.get(), old);
            if (all) {
                found = candidate;
                break;
            }
        }
        return found;
    }();
    return face;
}

} // namespace

HFONT PlotFont(int dpi) { return FontOf(PlotFace(), dpi); }

PlotArea PlotGrid(const RECT& box, int dpi) {
    WindowDc screen(nullptr);
    Metrics m{};
    {
        UniqueGdiObject font(PlotFont(dpi));
        HGDIOBJ old = SelectObject(screen.get(), font.get());
        m = MeasureFont(screen.get(), dpi);
        SelectObject(screen.get(), old);
    }
    int top = int(box.top) + m.Line + 2 * m.Gap, bottom = int(box.bottom) - 2 * m.Line;
    int left = int(box.left) + m.LabelWidth, right = int(box.right) - m.LabelWidth;
    return {left, top, std::max(right - left, 2), std::max(bottom - top, 2)};
}

void DrawPlot(HDC dc, const RECT& box, const PlotDescription& plot, int dpi) {
    PlotArea a = PlotGrid(box, dpi);
    Drawing draw(dc, dpi);
    const Metrics& m = draw.Measures();
    DrawGrid(draw, a, plot.X, plot.Y[0]);
    RECT inside{a.Left, a.Top, a.Left + a.Width, a.Top + a.Height};
    if (!plot.Message.empty()) draw.Text(plot.Message, inside, DT_CENTER | DT_VCENTER);
    for (bool pale : {true, false})
        for (const PlotCurve& curve : plot.Curves)
            if (curve.Pale == pale) DrawCurve(draw, a, plot, curve);
    DrawLines(draw, a, plot);
    DrawLabels(draw, a, plot);
    DrawLegend(draw, box, a, plot);
    if (!plot.Banner.empty())
        draw.Text(plot.Banner, {inside.left, inside.top + m.Gap, inside.right, inside.top + m.Line},
                  DT_CENTER, kBannerColour);
    draw.Text(plot.Footer, {a.Left, int(box.bottom) - m.Line, int(box.right), int(box.bottom)},
              DT_LEFT | DT_VCENTER);
}

namespace {

struct BlockSize {
    std::vector<int> Columns;
    int Width = 0, Height = 0;
};

BlockSize MeasureBlock(const Drawing& draw, const TextBlock& block) {
    BlockSize size;
    for (const auto& row : block.Rows) {
        if (row.size() > size.Columns.size()) size.Columns.resize(row.size());
        for (std::size_t c = 0; c < row.size(); ++c)
            size.Columns[c] =
                std::max(size.Columns[c], draw.TextWidth(row[c]) + Scaled(12, draw.Dpi()));
    }
    for (int width : size.Columns) size.Width += width;
    size.Height = int(block.Rows.size()) * draw.Measures().Line;
    return size;
}

// Lays the blocks out in `width`; draws them when `dc` is given; the height taken.
int LayOutTables(const Drawing& draw, const RECT& box, const std::vector<TextBlock>& blocks,
                 bool paint) {
    int x = box.left, y = box.top, rowHeight = 0, gap = Scaled(24, draw.Dpi());
    for (const TextBlock& block : blocks) {
        BlockSize size = MeasureBlock(draw, block);
        if (x > box.left && x + size.Width > box.right) {
            x = box.left;
            y += rowHeight + draw.Measures().Gap;
            rowHeight = 0;
        }
        if (paint)
            for (std::size_t r = 0; r < block.Rows.size(); ++r) {
                int cellX = x, cellY = y + int(r) * draw.Measures().Line;
                for (std::size_t c = 0; c < block.Rows[r].size(); ++c) {
                    COLORREF colour =
                        !block.RowColours.empty()
                            ? (r < block.RowColours.size() ? block.RowColours[r] : kInk)
                        : c < block.ColumnColours.size() ? block.ColumnColours[c]
                                                         : kInk;
                    draw.Text(block.Rows[r][c],
                              {cellX, cellY, cellX + size.Columns[c], cellY + draw.Measures().Line},
                              DT_LEFT | DT_VCENTER, colour);
                    cellX += size.Columns[c];
                }
            }
        x += size.Width + gap;
        rowHeight = std::max(rowHeight, size.Height);
    }
    return y + rowHeight - int(box.top);
}

} // namespace

int TablesHeight(HDC dc, const std::vector<TextBlock>& blocks, int width, int dpi) {
    Drawing draw(dc, dpi);
    return LayOutTables(draw, {0, 0, width, 0}, blocks, false);
}

void DrawTables(HDC dc, const RECT& box, const std::vector<TextBlock>& blocks, int dpi) {
    Drawing draw(dc, dpi);
    LayOutTables(draw, box, blocks, true);
}
