#include "acquisition/RealTransform.h"

#include <cmath>
#include <kissfft/kissfft.hh>
#include <numbers>

namespace {

using Complex = std::complex<double>;

// e^(-2 pi i j / period) for every j below the period, as a coarse turn of a multiple of `fine`
// steps times a fine one: two tables of about √period values.
class Turns {
public:
    explicit Turns(std::size_t period)
        : period_(period), fine_(std::size_t(std::ceil(std::sqrt(double(period))))) {
        for (std::size_t j = 0; j < fine_; ++j) fineTurns_.push_back(Unit(j));
        for (std::size_t j = 0; j < period; j += fine_) coarseTurns_.push_back(Unit(j));
    }

    // The turns of 0, step, 2 step... in order, with no division each.
    class Walk {
    public:
        Walk(const Turns& turns, std::size_t step)
            : turns_(turns), coarseStep_(step / turns.fine_), fineStep_(step % turns.fine_) {}
        Complex Next() {
            Complex turn = turns_.coarseTurns_[coarse_] * turns_.fineTurns_[fine_];
            coarse_ += coarseStep_;
            fine_ += fineStep_;
            if (fine_ >= turns_.fine_) {
                fine_ -= turns_.fine_;
                ++coarse_;
            }
            return turn;
        }

    private:
        const Turns& turns_;
        std::size_t coarseStep_, fineStep_, coarse_ = 0, fine_ = 0;
    };

private:
    Complex Unit(std::size_t j) const {
        return std::polar(1.0, -2 * std::numbers::pi * double(j) / double(period_));
    }

    std::size_t period_, fine_;
    std::vector<Complex> fineTurns_, coarseTurns_;
};

// The largest divisor of `points` up to its square root.
std::size_t RowsOf(std::size_t points) {
    std::size_t rows = 1;
    for (std::size_t divisor = 2; divisor * divisor <= points; ++divisor)
        if (points % divisor == 0) rows = divisor;
    return rows;
}

// The complex transform of the samples' pairs x[2n] + i x[2n + 1], n below `points`.
std::vector<Complex> PairTransform(const double* samples, std::size_t points) {
    std::size_t rows = RowsOf(points), columns = points / rows;
    kissfft<double> down(rows, false), along(columns, false);
    Turns turns(points);
    // Column c holds the pairs c, c + columns, c + 2 columns...; its transform, turned, is kept
    // as the c-th run of `rows` values.
    std::vector<Complex> turned(points), in(rows), out(columns);
    for (std::size_t column = 0; column < columns; ++column) {
        for (std::size_t row = 0; row < rows; ++row) {
            const double* pair = samples + 2 * (row * columns + column);
            in[row] = {pair[0], pair[1]};
        }
        down.transform(in.data(), turned.data() + column * rows);
        Turns::Walk walk(turns, column);
        for (std::size_t row = 0; row < rows; ++row) turned[column * rows + row] *= walk.Next();
    }
    std::vector<Complex> bins(points + 1);
    for (std::size_t row = 0; row < rows; ++row) {
        along.transform(turned.data() + row, out.data(), 0, 1, rows);
        for (std::size_t column = 0; column < columns; ++column)
            bins[row + rows * column] = out[column];
    }
    return bins;
}

} // namespace

std::vector<std::complex<double>> RealTransform(const double* samples, std::size_t count) {
    std::size_t points = count / 2;
    std::vector<Complex> bins = PairTransform(samples, points);
    // The even and odd samples' transforms E and O, from the pairs' Z:
    // E[k] = (Z[k] + conj Z[points - k]) / 2, O[k] = (Z[k] - conj Z[points - k]) / 2i, and
    // X[k] = E[k] + e^(-2 pi i k / count) O[k], X[points - k] = conj(E[k] - e^(...) O[k]).
    Turns turns(count);
    Turns::Walk walk(turns, 1);
    walk.Next();
    for (std::size_t k = 1; 2 * k <= points; ++k) {
        Complex z = bins[k], mirror = std::conj(bins[points - k]);
        Complex even = (z + mirror) / 2.0, odd = (z - mirror) / Complex(0, 2);
        Complex turned = walk.Next() * odd;
        bins[k] = even + turned;
        bins[points - k] = std::conj(even - turned);
    }
    Complex first = bins[0];
    bins[0] = first.real() + first.imag();
    bins[points] = first.real() - first.imag();
    return bins;
}
