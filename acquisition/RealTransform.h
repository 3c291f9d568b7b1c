#pragma once
// The discrete Fourier transform of a real record, through kissfft.
//
// A kissfft plan works out a twiddle factor, a sine and a cosine, for each of its points: for the
// half a million points of a million samples, that took longer than the transform itself, and
// twice as long in the 32-bit program. So the N / 2 complex points that N real samples pack into
// (even samples real, odd ones imaginary) are transformed in Cooley and Tukey's four steps, as a
// matrix of R rows by C columns with R x C = N / 2 and R at most √(N / 2): a transform of R points
// down each column, each of its results turned by its twiddle factor, then a transform of C points
// along each row. Its two plans hold R and C points; every other twiddle factor is the product of
// two from tables of about √N values. The real record's bins are then unpacked from the complex
// transform, as kissfft's own real transform does.
#include <complex>
#include <cstddef>
#include <vector>

// Bins 0 to N / 2 of the first N samples, N even, at least 4, of the factors 2, 3 and 5 only:
// sum over n of x[n] e^(-2 pi i k n / N).
std::vector<std::complex<double>> RealTransform(const double* samples, std::size_t count);
