#include "acquisition/PlotScale.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// Pixel at `fraction` (0..1) of `length` pixels from `start`; a fraction outside, or NaN, stays
// at the nearer end.
int Along(int start, int length, double fraction) {
    fraction = fraction > 0 ? std::min(fraction, 1.0) : 0;
    return start + int(std::lround(fraction * std::max(length - 1, 0)));
}

double FractionAlong(int start, int length, int pixel) {
    return length > 1 ? double(pixel - start) / (length - 1) : 0;
}

} // namespace

double PlotAxis::Fraction(double value) const {
    double span = PerDivision * Divisions;
    if (!Logarithmic) return (value - Start) / span;
    if (!(value > 0) || !(Start > 0)) return std::nan("");
    return std::log10(value / Start) / span;
}

double PlotAxis::ValueAt(double fraction) const {
    double span = PerDivision * Divisions;
    return Logarithmic ? Start * std::pow(10.0, fraction * span) : Start + fraction * span;
}

PlotAxis TimeAxis(double secondsPerDivision, int divisions, double left) {
    return {left, secondsPerDivision, divisions, false};
}

PlotAxis VoltageAxis(double voltsPerDivision, int divisions, double offset) {
    return {offset - divisions / 2.0 * voltsPerDivision, voltsPerDivision, divisions, false};
}

// Values that differ by less than a billionth of their size are one value: a range narrower than
// that is widened, else a step a rounding error of the values' size could not hold them.
PlotAxis FittingAxis(double low, double high, int divisions) {
    if (!std::isfinite(low) || !std::isfinite(high)) low = high = 0;
    if (high < low) std::swap(low, high);
    double size = std::max(std::fabs(low), std::fabs(high));
    if (high - low <= size * 1e-9) {
        double half = std::max(1.0, size * 1e-9);
        low -= half, high += half;
    }
    static constexpr double kSteps[] = {1, 2, 5};
    double decade = std::pow(10.0, std::floor(std::log10((high - low) / divisions)));
    // The first decade nearly always holds the range, the next one always does.
    for (int tries = 0; tries < 3; ++tries, decade *= 10)
        for (double step : kSteps) {
            double perDivision = decade * step;
            // A value a rounding error below a whole step is on it: 0.3 / 0.002 is 149.99999.
            double start = std::floor(low / perDivision + 1e-9) * perDivision;
            if (start + perDivision * divisions >= high)
                return {start, perDivision, divisions, false};
        }
    return {low, (high - low) / divisions, divisions, false};
}

PlotAxis DecadeAxis(double low, double high) {
    if (!(low > 0)) low = 1;
    if (!(high > low)) high = low;
    double first = std::floor(std::log10(low)), last = std::ceil(std::log10(high));
    int decades = std::max(int(last - first), 1);
    return {std::pow(10.0, first), 1, decades, true};
}

int PixelX(const PlotArea& area, const PlotAxis& axis, double value) {
    return Along(area.Left, area.Width, axis.Fraction(value));
}

int PixelY(const PlotArea& area, const PlotAxis& axis, double value) {
    return Along(area.Top, area.Height, 1 - axis.Fraction(value));
}

double ValueAtX(const PlotArea& area, const PlotAxis& axis, int x) {
    return axis.ValueAt(FractionAlong(area.Left, area.Width, x));
}

double ValueAtY(const PlotArea& area, const PlotAxis& axis, int y) {
    return axis.ValueAt(1 - FractionAlong(area.Top, area.Height, y));
}

std::size_t NearestSample(std::span<const double> times, double time) {
    if (times.empty()) return 0;
    auto after = std::lower_bound(times.begin(), times.end(), time);
    if (after == times.end()) return times.size() - 1;
    if (after != times.begin() && time - *std::prev(after) <= *after - time) --after;
    return std::size_t(after - times.begin());
}
