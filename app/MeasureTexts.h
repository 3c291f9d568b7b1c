#pragma once
// The measurements as the program's windows say them, in 1252 text: numbers with their prefix
// and unit, degrees, the phase in words, and why a value is missing. Portable, like the
// measurements themselves.
#include <optional>
#include <string>

#include "acquisition/Measurements.h"

// "signal constant", "moins de deux périodes"...; empty for Why::None.
std::string ReasonText(Why why);

// "(V2 en retard)", "(V2 en avance)", "(en phase)" within half a degree of 0, "(en opposition de
// phase)" within half a degree of 180; `secondName` stands for V2.
std::string PhaseWords(double degrees, const std::string& secondName);

// "Déphasage de V2 par rapport à V1 : -45° (V2 en retard)", with "-" for the minus; without a
// phase, "— (reason)" after the colon.
std::string PhaseSentence(const PhaseMeasures& phase, const std::string& firstName,
                          const std::string& secondName);

// Three significant digits, a prefix from n to M and the unit: "-1,5 V", "250 µs", "2,5 kHz",
// with the user's decimal separator. An absent value is "—".
std::string EngineeringText(double value, const std::string& unit);
std::string EngineeringText(std::optional<double> value, const std::string& unit);
std::string EngineeringText(const Measure& measure, const std::string& unit);

// "45°", "-90°", one decimal when needed ("12,5°"); an absent value is "—". What rounds to -180°
// reads "180°", the same opposition.
std::string DegreeText(std::optional<double> degrees);
