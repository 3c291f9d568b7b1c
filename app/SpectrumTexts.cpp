#include "app/SpectrumTexts.h"

#include <algorithm>
#include <cstdio>

#include "app/MeasureTexts.h"
#include "common/NumberText.h"
#include "common/Text1252.h"

namespace {

std::string Absent() { return Cp1252("—"); }

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string fixed = text;
    std::replace(fixed.begin(), fixed.end(), '.', DecimalSeparator());
    return fixed;
}

std::string Plain(double value) { return FormatGeneral(value, 6, 1, DecimalSeparator()); }

std::string Value(const Measure& measure, bool plain, const std::string& unit, int decimals) {
    if (!measure.Value) return Absent();
    if (plain) return Plain(*measure.Value);
    if (unit == "V") return EngineeringText(measure, unit);
    return Fixed(*measure.Value, decimals) + (unit.empty() ? "" : " " + unit);
}

std::vector<std::string> DistortionRow(const char* name, const Distortion& d, bool plain) {
    std::string value =
        d.Percent.Value ? Fixed(*d.Percent.Value, 2) + (plain ? "" : " %") : Absent();
    std::string remark;
    if (!d.Percent.Value)
        remark = ReasonText(d.Percent.Reason);
    else if (d.AtFloor)
        remark = "au plancher du convertisseur (" + Fixed(d.FloorPercent, 2) + " %)";
    return {plain ? std::string(name) + " (%)" : name, value, remark};
}

} // namespace

TextRows HarmonicRows(const HarmonicTable& table, bool plain) {
    if (table.Reason != Why::None)
        return {{"Pas de tableau des harmoniques : " + ReasonText(table.Reason)}};
    TextRows rows;
    if (plain)
        rows.push_back({"Rang", Cp1252("Fréquence (Hz)"), "Valeur efficace (V)", "Niveau / H1 (dB)",
                        Cp1252("Phase / H1 (°)")});
    else
        rows.push_back(
            {"Rang", Cp1252("Fréquence"), "Valeur efficace", "Niveau / H1", "Phase / H1"});
    for (const Harmonic& h : table.Harmonics) {
        std::string frequency = plain ? Plain(h.Frequency) : EngineeringText(h.Frequency, "Hz");
        if (!h.Rms.Value) {
            rows.push_back({"H" + std::to_string(h.Order), frequency, Absent(),
                            Absent() + " (" + ReasonText(h.Rms.Reason) + ")", Absent()});
            continue;
        }
        std::string phase =
            plain ? Value(h.PhaseDegrees, true, "", 1) : DegreeText(h.PhaseDegrees.Value);
        rows.push_back({"H" + std::to_string(h.Order), frequency, Value(h.Rms, plain, "V", 0),
                        Value(h.RelativeDb, plain, "dB", 2), phase});
    }
    rows.push_back({plain ? "Continu (V)" : "Continu",
                    plain ? Plain(table.Dc) : EngineeringText(table.Dc, "V")});
    rows.push_back(DistortionRow("THD", table.Thd, plain));
    rows.push_back(DistortionRow("THD+N", table.ThdNoise, plain));
    if (table.Clipped)
        rows.push_back({Cp1252("Signal écrêté : les harmoniques sont en partie celles de "
                               "l'écrêtage")});
    return rows;
}

std::string TabSeparated(const TextRows& rows) {
    std::string text;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) text += (c ? "\t" : "") + row[c];
        text += "\r\n";
    }
    return text;
}
