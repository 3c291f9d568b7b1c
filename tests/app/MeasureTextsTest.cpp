// The measurements as the windows say them: numbers with their prefix and unit, degrees, the
// phase in words, the reasons.
#include "app/MeasureTexts.h"

#include <gtest/gtest.h>

#include "common/NumberText.h"
#include "common/Text1252.h"

namespace {

class MeasureTexts : public ::testing::Test {
protected:
    void TearDown() override { SetDecimalSeparator('.'); }
};

} // namespace

TEST_F(MeasureTexts, ThePhaseIsSaidInASentence) {
    SetDecimalSeparator(',');
    PhaseMeasures lagging{{-45.0, Why::None}, {1e-3, Why::None}};
    EXPECT_EQ(PhaseSentence(lagging, "Ue", "Us"),
              Cp1252("Déphasage de Us par rapport à Ue : -45° (Us en retard)"));
    PhaseMeasures constant{{std::nullopt, Why::Constant}, {std::nullopt, Why::Constant}};
    EXPECT_EQ(PhaseSentence(constant, "V1", "V2"),
              Cp1252("Déphasage de V2 par rapport à V1 : — (signal constant)"));
    EXPECT_EQ(ReasonText(Why::EdgeFasterThanSampling),
              Cp1252("front plus rapide que l'échantillonnage"));
    EXPECT_EQ(ReasonText(Why::None), "");
}

TEST_F(MeasureTexts, ThreeDigitsAPrefixAndTheUnitWithTheUsersSeparator) {
    SetDecimalSeparator(',');
    EXPECT_EQ(EngineeringText(-1.5, "V"), "-1,5 V");
    EXPECT_EQ(EngineeringText(250e-6, "s"), "250 \xB5s");
    EXPECT_EQ(EngineeringText(1.2, "V"), "1,2 V");
    EXPECT_EQ(EngineeringText(50.0, "Hz"), "50 Hz");
    EXPECT_EQ(EngineeringText(0.02, "s"), "20 ms");
    EXPECT_EQ(EngineeringText(2500.0, "Hz"), "2,5 kHz");
    EXPECT_EQ(EngineeringText(0.0, "V"), "0 V");
    EXPECT_EQ(EngineeringText(-0.0, "V"), "0 V");
    EXPECT_EQ(EngineeringText(12.345, "V"), "12,3 V");
    EXPECT_EQ(EngineeringText(1234567.0, "Hz"), "1,23 MHz");
    EXPECT_EQ(EngineeringText(3.3e-9, "s"), "3,3 ns");
    EXPECT_EQ(EngineeringText(float(0.2f * 3 / 25), "V"), "24 mV");
    EXPECT_EQ(EngineeringText(1.69e-21, "V"), "0 V"); // what a sum leaves of a zero mean
    EXPECT_EQ(EngineeringText(-4e-13, "V"), "0 V");
    SetDecimalSeparator('.');
    EXPECT_EQ(EngineeringText(-1.5, "V"), "-1.5 V");
    EXPECT_EQ(EngineeringText(2500.0, "Hz"), "2.5 kHz");
    EXPECT_EQ(EngineeringText(1.25e-5, "s"), Cp1252("12.5 µs"));
    EXPECT_EQ(EngineeringText(Measure{2500.0, {}}, "Hz"), "2.5 kHz");
    EXPECT_EQ(EngineeringText(Measure{std::nullopt, Why::Constant}, "Hz"), Cp1252("—"));
}

TEST_F(MeasureTexts, RoundingCanCarryToTheNextPrefix) {
    EXPECT_EQ(EngineeringText(999.96e-6, "s"), "1 ms");
    EXPECT_EQ(EngineeringText(-999.7, "V"), "-1 kV");
    EXPECT_EQ(EngineeringText(999.4, "Hz"), "999 Hz");
}

TEST_F(MeasureTexts, DegreesAreWholeOrHaveOneDecimal) {
    SetDecimalSeparator(',');
    EXPECT_EQ(DegreeText(45.0), "45\xB0");
    EXPECT_EQ(DegreeText(-90.0), Cp1252("-90°"));
    EXPECT_EQ(DegreeText(12.5), Cp1252("12,5°"));
    EXPECT_EQ(DegreeText(-0.46), Cp1252("-0,5°"));
    EXPECT_EQ(DegreeText(179.97), Cp1252("180°"));
    EXPECT_EQ(DegreeText(-179.97), Cp1252("180°")); // the same opposition as 180°
    EXPECT_EQ(DegreeText(0.02), Cp1252("0°"));
    SetDecimalSeparator('.');
    EXPECT_EQ(DegreeText(12.5), Cp1252("12.5°"));
    EXPECT_EQ(DegreeText(std::nullopt), Cp1252("—"));
}

TEST_F(MeasureTexts, DegreesFarOutOfRangeStayNumbers) {
    SetDecimalSeparator(',');
    EXPECT_EQ(DegreeText(1e20), Cp1252("1E20°"));
    EXPECT_EQ(DegreeText(-2.5e9), Cp1252("-2,5E9°"));
    EXPECT_EQ(DegreeText(123456.7), Cp1252("123456,7°"));
}
