#include "export/SpectrumTable.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "common/Text1252.h"

namespace {

constexpr double kLeastDbv = -200;

const char* WindowName(SpectrumWindow window) {
    switch (window) {
    case SpectrumWindow::FlatTop: return "flat-top";
    case SpectrumWindow::Hann: return "Hann";
    case SpectrumWindow::Rectangular: return "rectangulaire";
    }
    return "";
}

} // namespace

double LevelIn(SpectrumUnit unit, double voltsRms) {
    if (unit == SpectrumUnit::VoltsRms) return voltsRms;
    return voltsRms > 0 ? std::max(Dbv(voltsRms), kLeastDbv) : kLeastDbv;
}

std::string SpectrumComment(SpectrumWindow window) {
    return Cp1252("Spectre (fenêtre ") + WindowName(window) + ")";
}

DataTable SpectrumTable(const std::vector<const Spectrum*>& spectra,
                        const std::vector<std::string>& names, SpectrumUnit unit,
                        const std::string& programPath) {
    if (spectra.empty() || spectra.size() != names.size())
        throw std::invalid_argument("a name for each spectrum");
    const Spectrum& first = *spectra.front();
    for (const Spectrum* spectrum : spectra)
        if (spectrum->Levels.size() != first.Levels.size() || spectrum->Levels.empty() ||
            spectrum->BinWidth != first.BinWidth)
            throw std::invalid_argument("spectra of the same bins");
    DataTable table;
    table.Variables.push_back({"f", "Hz", Cp1252("fréquence")});
    for (const std::string& name : names)
        table.Variables.push_back(unit == SpectrumUnit::Dbv
                                      ? TableVariable{name, "dBV", "niveau"}
                                      : TableVariable{name, "V", "valeur efficace"});
    table.Columns.resize(table.Variables.size());
    for (std::size_t bin = 0; bin < first.Levels.size(); ++bin) {
        table.Columns[0].push_back(first.FrequencyOf(bin));
        for (std::size_t c = 0; c < spectra.size(); ++c)
            table.Columns[c + 1].push_back(LevelIn(unit, spectra[c]->Levels[bin]));
    }
    table.Source = programPath;
    table.Comment = SpectrumComment(first.Window);
    return table;
}

std::string HarmonicComment(const std::string& channelName) {
    return "Harmoniques de " + channelName;
}

DataTable HarmonicDataTable(const HarmonicTable& harmonics, const std::string& channelName,
                            const std::string& programPath) {
    DataTable table;
    table.Variables = {{"n", "", "rang"},
                       {"f", "Hz", Cp1252("fréquence")},
                       {"Veff", "V", "valeur efficace"},
                       {"L", "dB", Cp1252("niveau par rapport à H1")},
                       {"phi", Cp1252("°"), Cp1252("phase par rapport à H1")}};
    table.Columns.resize(table.Variables.size());
    for (const Harmonic& h : harmonics.Harmonics) {
        if (!h.Rms.Value || !h.RelativeDb.Value || !h.PhaseDegrees.Value) continue;
        const double row[] = {double(h.Order), h.Frequency, *h.Rms.Value, *h.RelativeDb.Value,
                              *h.PhaseDegrees.Value};
        for (std::size_t c = 0; c < table.Columns.size(); ++c) table.Columns[c].push_back(row[c]);
    }
    table.Source = programPath;
    table.Comment = HarmonicComment(channelName);
    return table;
}
