#include "common/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/Text1252.h"

namespace {

class NumberText : public ::testing::Test {
protected:
    void TearDown() override { SetDecimalSeparator('.'); }
};

} // namespace

TEST_F(NumberText, FormatRealDotGivesTheTableOfTheGeneralFormat) {
    for (char separator : {'.', ','}) {
        SetDecimalSeparator(separator);
        EXPECT_EQ(FormatRealDot(0), "0");
        EXPECT_EQ(FormatRealDot(1.5), "1.5");
        EXPECT_EQ(FormatRealDot(-2.5), "-2.5");
        EXPECT_EQ(FormatRealDot(100), "100");
        EXPECT_EQ(FormatRealDot(1234567), "1.23457E06");
        EXPECT_EQ(FormatRealDot(999999.7), "1E06");
        EXPECT_EQ(FormatRealDot(3.14159265), "3.14159");
        EXPECT_EQ(FormatRealDot(2.0 / 3.0), "0.666667");
        EXPECT_EQ(FormatRealDot(0.0001), "0.0001");
        EXPECT_EQ(FormatRealDot(0.00001), "1E-05");
        EXPECT_EQ(FormatRealDot(0.000123456), "0.000123456");
        EXPECT_EQ(FormatRealDot(1.5E-7), "1.5E-07");
        EXPECT_EQ(FormatRealDot(NoValue), "1E-27");
        EXPECT_EQ(FormatRealDot(1E20), "1E20");
        EXPECT_EQ(FormatRealDot(1E100), "1E100");
        EXPECT_EQ(FormatRealDot(0.000005), "5E-06");
        EXPECT_EQ(FormatRealDot(0.000015), "1.5E-05");
        EXPECT_EQ(FormatRealDot(0.010235), "0.010235");
        EXPECT_EQ(FormatRealDot(99.99996), "100");
        EXPECT_EQ(FormatRealDot(123456), "123456");
    }
}

TEST_F(NumberText, FormatRealTakesTheUsersSeparatorAndFormatRealDotForcesTheDot) {
    SetDecimalSeparator(',');
    EXPECT_EQ(FormatReal(1234.5), "1234,5");
    EXPECT_EQ(FormatRealDot(1234.5), "1234.5");
    EXPECT_EQ(FormatReal(0.0001), "0,0001");
    EXPECT_EQ(FormatReal(1.5E-7), "1,5E-07");
    SetDecimalSeparator(';');
    EXPECT_EQ(FormatRealDot(1.5), "1;5"); // only "," is forced to "."
}

TEST_F(NumberText, GeneralFormatFiveOneExamples) {
    EXPECT_EQ(FormatGeneral(0.00004L, 5, 1, '.'), "4E-5");
    EXPECT_EQ(FormatGeneral(-0.04L, 5, 1, '.'), "-0.04");
    EXPECT_EQ(FormatGeneral(123456.0L, 5, 1, '.'), "1.2346E5");
    EXPECT_EQ(FormatGeneral(99999.0L, 5, 1, '.'), "99999");
    EXPECT_EQ(FormatGeneral(-51.0L, 5, 1, ','), "-51");
    EXPECT_EQ(FormatGeneral(0.2L, 5, 1, ','), "0,2");
    EXPECT_EQ(FormatGeneral(1E-10L, 5, 1, '.'), "1E-10");
}

TEST_F(NumberText, GeneralFormatNamesTheValuesThatAreNotNumbers) {
    EXPECT_EQ(FormatReal(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FormatReal(-std::numeric_limits<double>::infinity()), "-INF");
    EXPECT_EQ(FormatReal(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FormatReal(-0.0), "0");
    EXPECT_EQ(FormatReal(std::numeric_limits<double>::max()), "1.79769E308");
    EXPECT_EQ(FormatReal(std::numeric_limits<double>::denorm_min()), "4.94066E-324");
}

TEST_F(NumberText, ExpandUnitPrefixRemovesBlanksAndExpandsOneTrailingLetter) {
    auto expand = [](std::string text, std::size_t max = 255) {
        ExpandUnitPrefix(text, max);
        return text;
    };
    EXPECT_EQ(expand("4,7 k"), "4,7E+3");
    EXPECT_EQ(expand(Cp1252("22µ")), "22E-6");
    EXPECT_EQ(expand("1 000"), "1000");
    EXPECT_EQ(expand("2Z"), "2Z");
    EXPECT_EQ(expand("3E"), "3E+18");
    EXPECT_EQ(expand("5m"), "5E-3");
    EXPECT_EQ(expand("5M"), "5E+6");
    EXPECT_EQ(expand("  "), "");
    EXPECT_EQ(expand("1\t2"), "1\t2"); // only blanks go
    EXPECT_EQ(expand("12345k", 8), "12345E+3");
    EXPECT_EQ(expand("12345k", 7), "12345E+");
}

TEST_F(NumberText, ParseRealUnderACommaSeparator) {
    SetDecimalSeparator(',');
    EXPECT_DOUBLE_EQ(ParseReal("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(ParseReal("1,5"), 1.5);
    EXPECT_DOUBLE_EQ(ParseReal("1.5k"), 1500);
    EXPECT_DOUBLE_EQ(ParseReal("  -2 , 5 m  "), -0.0025);
    EXPECT_EQ(ParseReal(""), NoValue);
    EXPECT_EQ(ParseReal("abc"), NoValue);
    EXPECT_DOUBLE_EQ(ParseReal("1e3"), 1000);
    EXPECT_DOUBLE_EQ(ParseReal("3E"), 3E18);
    EXPECT_EQ(ParseReal("5 Y"), NoValue);
    EXPECT_EQ(ParseReal("1.234.5"), NoValue);
    EXPECT_DOUBLE_EQ(ParseReal("2,2E-3"), 0.0022);
    EXPECT_DOUBLE_EQ(ParseReal("9,81"), 9.81);
    EXPECT_DOUBLE_EQ(ParseReal("10 m"), 0.01);
    EXPECT_DOUBLE_EQ(ParseReal(Cp1252("4,7µ")), 4.7E-6);
}

TEST_F(NumberText, ParseRealUnderADotSeparator) {
    SetDecimalSeparator('.');
    EXPECT_DOUBLE_EQ(ParseReal("1,5"), 1.5);
    EXPECT_DOUBLE_EQ(ParseReal("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(ParseReal("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseReal("4.7k"), 4700);
    EXPECT_DOUBLE_EQ(ParseReal("+7"), 7);
    EXPECT_DOUBLE_EQ(ParseReal(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseReal("5."), 5);
}

TEST_F(NumberText, ParseRealRefusesWhatIsNotStrictlyANumber) {
    for (const char* text : {".", "-", "+", "1e", "1e+", "1 000,5,5", "1\t", "0x10", "1..2", "e5",
                             "--1", "1-", "1E5E", "inf", "nan", "1E400", "1k5"})
        EXPECT_EQ(ParseReal(text), NoValue) << text;
}

TEST_F(NumberText, ParseRealOnlyLooksAtTheFirst255Characters) {
    std::string longNumber(300, '1');
    EXPECT_DOUBLE_EQ(ParseReal(longNumber), std::stod(std::string(255, '1')));
}

TEST_F(NumberText, ParseRealSurvivesRandomTexts) {
    std::mt19937 random(12345);
    const std::string alphabet = std::string("0123456789+-.,eEkmMyzafpnGTPZY \t\xB5\x01\xFF");
    for (int round = 0; round < 20000; ++round) {
        SetDecimalSeparator(round % 2 ? ',' : '.');
        std::string text(random() % 300, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        double value = ParseReal(text);
        EXPECT_TRUE(value == NoValue || std::isfinite(value)) << text;
        EXPECT_LE(FormatReal(value).size(), 255u);
    }
}

// Values a double holds exactly take a faster conversion than the others: both must give the
// digits of the extended-precision printf, ties (12.5 at two digits) included.
TEST_F(NumberText, GeneralFormatOfExactDoublesMatchesTheExtendedConversion) {
    auto reference = [](long double value, int precision) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*Le", precision - 1, std::fabs(value));
        return std::string(buffer);
    };
    auto digitsOf = [](const std::string& general) {
        std::string digits;
        for (char c : general.substr(0, general.find('E')))
            if (c >= '0' && c <= '9') digits += c;
        digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
        while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
        return digits;
    };
    std::mt19937_64 random(11);
    std::vector<double> values = {12.5,      0.125,           2.5,    1.5,
                                  1234565.0, 0.0001220703125, 1e-300, 1.7e308};
    std::uniform_real_distribution<double> mantissa(1, 10);
    std::uniform_int_distribution<int> exponent(-40, 40);
    for (int i = 0; i < 20000; ++i)
        values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    for (int row = 1; row < 5000; ++row) values.push_back(row * double(2.5e-5f));
    for (double value : values) {
        for (int precision : {2, 5, 6}) {
            std::string expected = reference(value, precision);
            std::string digits = expected.substr(0, 1) + expected.substr(2, expected.find('e') - 2);
            while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
            ASSERT_EQ(digitsOf(FormatGeneral(value, precision, 2, '.')), digits)
                << value << " at " << precision << " digits: " << expected;
        }
    }
}
