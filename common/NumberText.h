#pragma once
// Reading numbers typed by the user and writing numbers in the program's general format.
#include <cstddef>
#include <string>
#include <string_view>

// What ParseReal returns for a text that is not a number; callers compare with ==.
constexpr double NoValue = 1E-27;

// The user's decimal separator, read from the locale once at start-up; "." until then.
char DecimalSeparator();
void SetDecimalSeparator(char separator);

// Removes every blank, then replaces a trailing SI prefix letter by its exponent ("4,7 k" gives
// "4,7E+3"), keeping the text within maxLength characters.
void ExpandUnitPrefix(std::string& text, std::size_t maxLength);

// Lenient reading: "." or "," as decimal separator, blanks ignored, one trailing SI prefix.
double ParseReal(std::string_view text);

// The general format G(precision, exponentDigits): `precision` significant digits, fixed notation
// when the decimal exponent e (value = 0.d1d2... x 10^e) lies in -3..precision, else scientific
// with at least `exponentDigits` exponent digits and no "+".
std::string FormatGeneral(long double value, int precision, int exponentDigits, char separator);

// The fewest significant digits, `leastPrecision` or more, in the layout of G(P, exponentDigits),
// that read back as `value` itself: a value read from a file is written again unchanged.
std::string FormatShortest(double value, int leastPrecision, int exponentDigits, char separator);

// G(6, 2) with the user's separator; FormatRealDot forces "." as the separator.
std::string FormatReal(double value);
// A sample's volts as the exports write them: G(5, 1), the user's decimal separator.
std::string FormatSample(long double volts);
std::string FormatRealDot(double value);
