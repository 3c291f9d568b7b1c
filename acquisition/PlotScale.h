#pragma once
// The geometry of a graph of divisions: where a value lies on an axis and at which pixel, and the
// axes the program's graphs use: the instrument's screen (10 divisions of time from 0, 8 of volts
// around the centre line), 1-2-5 steps that fit a set of values, and decades of frequency.
#include <vector>

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

// The instrument's screen: time 0 at the left edge; 0 V on the centre line of 8 divisions.
PlotAxis TimeAxis(double secondsPerDivision);
PlotAxis VoltageAxis(double voltsPerDivision);
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
int NearestSample(const std::vector<double>& times, double time);
