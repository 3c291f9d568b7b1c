#pragma once
// The geometry of a graph of divisions: where a value lies on an axis and at which pixel, and the
// axes the program's graphs use: an instrument's screen (divisions of time from its left edge,
// of volts around its centre line), 1-2-5 steps that fit a set of values, and decades of
// frequency.
#include <cstddef>
#include <span>

struct PlotAxis {
    double Start = 0;       // the value at the start edge: the left one, or the bottom one
    double PerDivision = 1; // units per division; decades per division on a logarithmic axis
    int Divisions = 10;
    bool Logarithmic = false;

    // Where `value` lies: 0 at the start edge, 1 at the far edge, beyond them outside; NaN for a
    // value a logarithmic axis cannot show (0 or less).
    double Fraction(double value) const;
    double ValueAt(double fraction) const;
    // The value of division line `line` (0 at the start edge).
    double LineValue(int line) const { return ValueAt(double(line) / Divisions); }
};

// An instrument's screen: `left` seconds at its left edge, `offset` volts on the centre line of
// its divisions up (10 across and 8 up on an HM).
PlotAxis TimeAxis(double secondsPerDivision, int divisions = 10, double left = 0);
PlotAxis VoltageAxis(double voltsPerDivision, int divisions = 8, double offset = 0);
// The fewest whole steps of 1, 2 or 5 x 10^n per division that hold low..high in `divisions`
// divisions, the start a multiple of the step; an empty or single-valued range gets one unit
// around its value.
PlotAxis FittingAxis(double low, double high, int divisions);
// Whole decades holding low..high (both above 0), one a division.
PlotAxis DecadeAxis(double low, double high);

struct PlotArea {
    int Left, Top, Width, Height;
};

// The pixel of a value, kept within the area: a trace off the screen runs along its edge. The
// area's first and last pixels are the axis's edges; y grows downwards from the top edge.
int PixelX(const PlotArea& area, const PlotAxis& axis, double value);
int PixelY(const PlotArea& area, const PlotAxis& axis, double value);
double ValueAtX(const PlotArea& area, const PlotAxis& axis, int x);
double ValueAtY(const PlotArea& area, const PlotAxis& axis, int y);

// The index of the time nearest to `time` in increasing `times`; 0 when there are none.
std::size_t NearestSample(std::span<const double> times, double time);
