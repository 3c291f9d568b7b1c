#pragma once
// The plotter: a graph of divisions with its curves, cursors, legend and the values of its
// division lines, and tables of texts, drawn into any DC at any size and any DPI from a plain
// description of what to draw. The preview, the series window, their pictures out and the
// benchmarks draw with it; none of them needs a window for it.
#include <windows.h>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "acquisition/PlotScale.h"

// The values along one side of the graph.
struct PlotLabels {
    bool Shown = false;
    std::string Unit; // 1252: "s", "V", "Hz", "dB"; "°" writes degrees as DegreeText does
    COLORREF Colour = RGB(0, 0, 0);
};

// The points are the caller's, alive while the plot is drawn. A curve of more points than the
// grid has pixels across is drawn as its low and high point in each pixel's column: what a
// million segments would draw, at the cost of a few thousand.
struct PlotCurve {
    std::span<const double> X, Y;
    int Axis = 0; // the vertical axis: 0 the left one, 1 the right one, 2 and 3 unmarked
    COLORREF Colour = RGB(0, 0, 0);
    bool Pale = false;  // a reference: a paler shade, drawn behind the other curves
    bool Marks = false; // a small square on each point (measured points, not samples)
};

// A cursor, or a marked value: a line across the grid with its label beside it.
struct PlotLine {
    bool Vertical = true; // at X's value; else at the vertical axis `Axis`'s value
    double Value = 0;
    int Axis = 0;
    COLORREF Colour = RGB(0, 0, 0);
    bool Selected = false; // drawn thicker
    std::wstring Label;
};

struct PlotLegend {
    COLORREF Colour = RGB(0, 0, 0);
    bool Pale = false;
    std::wstring Text;
};

struct PlotDescription {
    PlotAxis X;
    // The vertical axes, on the same divisions: the first two' values are marked on the left and
    // the right side, the others' are not.
    std::array<PlotAxis, 4> Y;
    PlotLabels XLabels;
    std::array<PlotLabels, 2> YLabels;
    std::vector<PlotCurve> Curves;
    std::vector<PlotLine> Lines;
    std::vector<PlotLegend> Legend;
    std::wstring LegendRight; // at the legend's right end: "Base de temps : 5ms/div"
    std::wstring Message;     // in the middle of an empty graph: "Aucune acquisition"
    std::wstring Banner;      // across the grid's top: "Lecture en cours…"
    std::wstring Footer;      // under the values of the bottom edge
};

// The paler shade a reference is drawn in.
COLORREF Paler(COLORREF colour);

// A 1252 text as the screen shows it: a minus before a digit becomes the true minus sign.
std::wstring ScreenText(const std::string& text);

// The font every plot and table is drawn with at `dpi`: the interface face at its usual size.
HFONT PlotFont(int dpi);

// Where the grid lies when a plot is drawn in `box` at `dpi`: room above for the legend, beside
// and below for the values of the division lines, and the footer's line.
PlotArea PlotGrid(const RECT& box, int dpi);
void DrawPlot(HDC dc, const RECT& box, const PlotDescription& plot, int dpi);

// Blocks of rows of texts; each block's columns as wide as their widest text. Blocks stand side by
// side while the width holds them, else below one another.
struct TextBlock {
    std::vector<std::vector<std::wstring>> Rows;
    std::vector<COLORREF> ColumnColours; // missing columns in black
    std::vector<COLORREF> RowColours;    // when given, they colour whole rows instead
};
int TablesHeight(HDC dc, const std::vector<TextBlock>& blocks, int width, int dpi);
void DrawTables(HDC dc, const RECT& box, const std::vector<TextBlock>& blocks, int dpi);
