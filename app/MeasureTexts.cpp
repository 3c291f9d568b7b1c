#include "app/MeasureTexts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "common/NumberText.h"
#include "common/Text1252.h"

namespace {

struct Wording {
    Why What;
    const char* Utf8;
};

constexpr Wording kReasons[] = {
    {Why::NoSamples, "aucun échantillon"},
    {Why::BadSamples, "échantillons invalides"},
    {Why::BadSensitivity, "sensibilité invalide"},
    {Why::BadTimeBase, "base de temps invalide"},
    {Why::Clipped, "signal écrêté"},
    {Why::Constant, "signal constant"},
    {Why::FewerThanTwoPeriods, "moins de deux périodes"},
    {Why::TooFewSamplesPerPeriod, "trop peu d'échantillons par période"},
    {Why::TooNoisy, "signal trop bruité"},
    {Why::NoRisingEdge, "aucun front montant"},
    {Why::NoFallingEdge, "aucun front descendant"},
    {Why::EdgeFasterThanSampling, "front plus rapide que l'échantillonnage"},
    {Why::NoPulse, "aucune impulsion"},
    {Why::DifferentPeriods, "périodes différentes"},
    {Why::NoCommonCrossing, "aucun passage commun"},
    {Why::OneChannel, "une seule voie"},
    {Why::ZeroVoltage, "tension nulle"},
    {Why::FrequencyRefused, "fréquence refusée par le générateur"},
    {Why::NoFundamental, "aucun signal à la fréquence du générateur"},
    {Why::TooFewSamples, "trop peu d'échantillons"},
    {Why::FewerThanFourPeriods, "moins de quatre périodes"},
    {Why::AboveHalfSampling, "au-delà de la moitié de la fréquence d'échantillonnage"},
    {Why::Unknown, "raison inconnue"},
};

} // namespace

std::string ReasonText(Why why) {
    for (const Wording& wording : kReasons)
        if (wording.What == why) return Cp1252(wording.Utf8);
    return {};
}

std::string PhaseWords(double degrees, const std::string& secondName) {
    degrees = std::remainder(degrees, 360.0);
    if (std::fabs(degrees) <= 0.5) return "(en phase)";
    if (std::fabs(degrees) >= 179.5) return "(en opposition de phase)";
    return "(" + secondName + (degrees < 0 ? " en retard)" : " en avance)");
}

std::string PhaseSentence(const PhaseMeasures& phase, const std::string& firstName,
                          const std::string& secondName) {
    std::string sentence = Cp1252("Déphasage de ") + secondName + Cp1252(" par rapport à ") +
                           firstName + " : " + DegreeText(phase.Degrees.Value) + " ";
    if (phase.Degrees.Value) return sentence + PhaseWords(*phase.Degrees.Value, secondName);
    return sentence + "(" + ReasonText(phase.Degrees.Reason) + ")";
}

namespace {

struct Prefix {
    const char* utf8;
    double factor;
};
constexpr Prefix kPrefixes[] = {{"n", 1e-9}, {"µ", 1e-6}, {"m", 1e-3},
                                {"", 1},     {"k", 1e3},  {"M", 1e6}};
constexpr int kUnitPrefix = 3; // index of the unit without prefix

std::string AbsentText() { return Cp1252("—"); }

} // namespace

// The prefix follows the value rounded to three digits, so 999.96 µs is "1 ms", not "1E3 µs".
std::string EngineeringText(double value, const std::string& unit) {
    if (!std::isfinite(value)) return AbsentText();
    char buffer[32] = {}; // zeros after the digits end the exponent for atoi
    char* end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 2).ptr;
    double rounded = 0;
    std::from_chars(buffer, end, rounded);
    int exponent = rounded == 0 ? 0 : std::atoi(std::find(buffer, end, 'e') + 1);
    int group = int(std::floor(exponent / 3.0));
    // Below the smallest prefix is below any instrument's resolution: what a sum of samples
    // leaves of a zero mean, say.
    if (group + kUnitPrefix < 0) return "0 " + unit;
    const Prefix& prefix =
        kPrefixes[std::clamp(group + kUnitPrefix, 0, int(std::size(kPrefixes)) - 1)];
    return FormatGeneral(rounded / prefix.factor, 3, 1, DecimalSeparator()) + ' ' +
           Cp1252(prefix.utf8) + unit;
}

std::string EngineeringText(std::optional<double> value, const std::string& unit) {
    return value ? EngineeringText(*value, unit) : AbsentText();
}

std::string EngineeringText(const Measure& measure, const std::string& unit) {
    return EngineeringText(measure.Value, unit);
}

// Tenths of a degree while they fit a 32-bit long; beyond, what no phase is (a damaged file's)
// is still written as a number.
std::string DegreeText(std::optional<double> degrees) {
    if (!degrees || !std::isfinite(*degrees)) return AbsentText();
    if (std::fabs(*degrees) >= 1e8)
        return FormatGeneral(*degrees, 6, 1, DecimalSeparator()) + Cp1252("°");
    long tenths = std::lround(*degrees * 10);
    if (tenths == -1800) tenths = 1800;
    std::string text = tenths < 0 ? "-" : "";
    text += std::to_string(std::labs(tenths) / 10);
    if (tenths % 10 != 0) text += DecimalSeparator() + std::to_string(std::labs(tenths) % 10);
    return text + Cp1252("°");
}
