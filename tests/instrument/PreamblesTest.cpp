// The preamble forms the guides show, each read or refused whole.
#include <gtest/gtest.h>

#include "acquisition/Acquisition.h"
#include "instrument/Preambles.h"

TEST(Preambles, TenFieldPreamblesAsRigolAndKeysightWriteThem) {
    const struct {
        const char* Answer;
        std::size_t MostPoints;
        std::size_t Points; // 0: refused
        double YIncrement;
    } kCases[] = {
        {"0,0,1200,1,1.000000e-06,-6.000000e-04,0,4.000000e-02,0,127", kMostScreenPoints, 1200,
         0.04},
        // A Keysight's: signs, a whole record.
        {"+0,+0,+62500,+1,+1.60000000E-08,-5.00000000E-04,+0,+3.12500000E-02,+0.0E+00,+128",
         kMostSamples, 62500, 0.03125},
        {"+0,+0,+62500,+1,+1.6E-08,-5.0E-04,+0,+3.1E-02,+0.0E+00,+128", kMostScreenPoints, 0, 0},
        {"2,0,1200,1,1e-6,0,0,0.04,0,127", kMostScreenPoints, 0, 0}, // ASCII
        {"0,0,1200,1,1e-6,0,0,0,0,127", kMostScreenPoints, 0, 0},    // no increment
        {"0,0,1200,1,1e-6,0,0,0.04,0", kMostScreenPoints, 0, 0},     // nine fields
        {"+0", kMostSamples, 0, 0}, // what a DSO-X answers just after an acquisition
    };
    for (const auto& c : kCases) {
        if (c.Points == 0) {
            EXPECT_THROW(ParseRigolPreamble(c.Answer, c.MostPoints), EInstrumentError) << c.Answer;
            continue;
        }
        RigolPreamble p = ParseRigolPreamble(c.Answer, c.MostPoints);
        EXPECT_EQ(p.Points, c.Points);
        EXPECT_DOUBLE_EQ(p.YIncrement, c.YIncrement);
    }
}

// Each field answered alone, with or without its header ("HEADer" on or off).
TEST(Preambles, TektronixFieldsWithOrWithoutTheirHeaders) {
    using Fields = std::vector<std::pair<std::string, std::string>>;
    const Fields bare{{"NR_PT", "2500"}, {"XINCR", "8.0E-7"}, {"YMULT", "4.0E-2"},
                      {"YOFF", "-12"},   {"YZERO", "0.5"},    {"BYT_NR", "1"}};
    Fields headed;
    for (const auto& [name, value] : bare)
        headed.push_back({name, ":WFMOUTPRE:" + name + " " + value});
    for (const Fields& fields : {bare, headed}) {
        TektronixPreamble p = ParseTektronixPreamble(fields);
        EXPECT_EQ(p.Points, 2500u);
        EXPECT_DOUBLE_EQ(p.XIncrement, 8e-7);
        EXPECT_DOUBLE_EQ(p.Volts(13), 25 * 0.04 + 0.5);
    }
    const std::pair<const char*, const char*> kRefused[] = {
        {"NR_PT", "1"},  {"NR_PT", "2000001"}, {"NR_PT", "25.5"}, {"XINCR", "0"},
        {"YMULT", "-1"}, {"BYT_NR", "2"},      {"YOFF", "1e9"},   {"YZERO", "none"}};
    for (const auto& [name, value] : kRefused) {
        Fields fields = bare;
        for (auto& field : fields)
            if (field.first == name) field.second = value;
        EXPECT_THROW(ParseTektronixPreamble(fields), EInstrumentError) << name << " " << value;
    }
    Fields missing(bare.begin(), bare.end() - 1);
    EXPECT_THROW(ParseTektronixPreamble(missing), EInstrumentError);
}
