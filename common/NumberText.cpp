#include "common/NumberText.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/Text1252.h"

namespace {

constexpr std::size_t kMaxNumberText = 255;

std::atomic<char> g_separator{'.'};

struct Prefix {
    char letter;
    const char* exponent;
};
constexpr Prefix kPrefixes[] = {
    {'y', "E-24"}, {'z', "E-21"},       {'a', "E-18"}, {'f', "E-15"}, {'p', "E-12"},
    {'n', "E-9"},  {kMicroSign, "E-6"}, {'m', "E-3"},  {'k', "E+3"},  {'M', "E+6"},
    {'G', "E+9"},  {'T', "E+12"},       {'P', "E+15"}, {'E', "E+18"},
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The whole text must be: sign? digits [separator digits] [(E|e) sign? digits], with at least
// one mantissa digit. Returns the text rewritten with "." as the separator, or "" when it is not
// a number.
std::string StrictNumber(std::string_view text, char separator) {
    std::string out;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') out += '-';
        ++i;
    }
    int digits = 0;
    while (i < text.size() && IsDigit(text[i])) out += text[i++], ++digits;
    if (i < text.size() && text[i] == separator) {
        out += '.';
        ++i;
        while (i < text.size() && IsDigit(text[i])) out += text[i++], ++digits;
    }
    if (digits == 0) return {};
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        out += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) out += text[i++];
        int exponentDigits = 0;
        while (i < text.size() && IsDigit(text[i])) out += text[i++], ++exponentDigits;
        if (exponentDigits == 0) return {};
    }
    return i == text.size() ? out : std::string{};
}

} // namespace

char DecimalSeparator() { return g_separator.load(); }
void SetDecimalSeparator(char separator) { g_separator.store(separator); }

void ExpandUnitPrefix(std::string& text, std::size_t maxLength) {
    std::erase(text, ' ');
    if (text.empty()) return;
    for (const Prefix& prefix : kPrefixes) {
        if (text.back() != prefix.letter) continue;
        text.pop_back();
        text += prefix.exponent;
        if (text.size() > maxLength) text.resize(maxLength);
        return;
    }
}

double ParseReal(std::string_view text) {
    std::string work(text.substr(0, kMaxNumberText));
    char separator = DecimalSeparator();
    char other = separator == ',' ? '.' : separator == '.' ? ',' : '\0';
    if (other != '\0') {
        auto pos = work.find(other);
        if (pos != std::string::npos) work[pos] = separator;
    }
    ExpandUnitPrefix(work, kMaxNumberText);
    std::string number = StrictNumber(work, separator);
    if (number.empty()) return NoValue;
    double value = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(value))
        return NoValue;
    return value;
}

namespace {

// `value` rounded to `precision` significant digits: "d.ddddde-XX". A value that a double holds
// exactly (every time, and many samples) goes through to_chars, several times faster than
// printf's extended-precision path; both round the exact binary value, so the digits agree.
std::string Scientific(long double value, int precision) {
    char buffer[64];
    auto asDouble = double(value);
    if ((long double)asDouble == value) {
        auto end = std::to_chars(buffer, buffer + sizeof buffer, asDouble,
                                 std::chars_format::scientific, precision - 1)
                       .ptr;
        return std::string(buffer, end);
    }
    std::snprintf(buffer, sizeof buffer, "%.*Le", precision - 1, value);
    return buffer;
}

} // namespace

std::string FormatGeneral(long double value, int precision, int exponentDigits, char separator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";

    std::string scientific = Scientific(std::fabs(value), precision);
    auto ePos = scientific.find('e');
    std::string digits = scientific.substr(0, 1) + scientific.substr(2, ePos - 2);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    int e = std::atoi(scientific.c_str() + ePos + 1) + 1;
    int k = int(digits.size());

    std::string out = value < 0 ? "-" : "";
    if (e >= -3 && e <= precision) {
        if (e > 0) {
            out += digits.substr(0, std::size_t(std::min(e, k)));
            if (k < e) out.append(std::size_t(e - k), '0');
            if (k > e) out += separator + digits.substr(std::size_t(e));
        } else {
            out += '0';
            out += separator;
            out.append(std::size_t(-e), '0');
            out += digits;
        }
    } else {
        out += digits[0];
        if (k > 1) out += separator + digits.substr(1);
        out += 'E';
        if (e - 1 < 0) out += '-';
        std::string exponent = std::to_string(std::abs(e - 1));
        if (int(exponent.size()) < exponentDigits)
            exponent.insert(0, std::size_t(exponentDigits) - exponent.size(), '0');
        out += exponent;
    }
    return out.substr(0, kMaxNumberText);
}

std::string FormatShortest(double value, int leastPrecision, int exponentDigits, char separator) {
    std::string text;
    for (int precision = leastPrecision; precision <= 17; ++precision) {
        text = FormatGeneral(value, precision, exponentDigits, '.');
        double back = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), back);
        if (error == std::errc() && end == text.data() + text.size() && back == value) break;
    }
    if (auto point = text.find('.'); point != std::string::npos) text[point] = separator;
    return text;
}

std::string FormatSample(long double volts) {
    return FormatGeneral(volts, 5, 1, DecimalSeparator());
}

std::string FormatReal(double value) { return FormatGeneral(value, 6, 2, DecimalSeparator()); }

std::string FormatRealDot(double value) {
    std::string text = FormatReal(value);
    if (DecimalSeparator() == ',') {
        auto pos = text.find(',');
        if (pos != std::string::npos) text[pos] = '.';
    }
    return text;
}
