#include "export/SeriesTable.h"

#include <stdexcept>

#include "common/Text1252.h"

namespace {

TableVariable Frequency() { return {"f", "Hz", Cp1252("fréquence")}; }
TableVariable PeakToPeak(const std::string& channel) {
    return {channel, "V", Cp1252("tension crête à crête")};
}
TableVariable Gain() { return {"G", "dB", "gain"}; }
TableVariable Phase() { return {"phi", Cp1252("°"), Cp1252("déphasage")}; }

} // namespace

std::string SeriesComment() { return Cp1252("Série de mesures"); }

DataTable SeriesTable(const Series& series, const std::string& programPath) {
    std::size_t channels = series.ChannelNames.size();
    if (channels != 1 && channels != 2) throw std::invalid_argument("one or two channels");
    DataTable table;
    table.Variables.push_back(Frequency());
    for (const std::string& name : series.ChannelNames) table.Variables.push_back(PeakToPeak(name));
    table.Variables.push_back(Gain());
    table.Variables.push_back(Phase());
    table.Columns.resize(table.Variables.size());
    for (const SeriesPoint& point : series.Points) {
        table.Columns[0].push_back(point.Frequency);
        for (std::size_t c = 0; c < channels; ++c)
            table.Columns[1 + c].push_back(point.PeakToPeak[c]);
        table.Columns[1 + channels].push_back(point.Gain);
        table.Columns[2 + channels].push_back(point.Phase);
    }
    table.Source = programPath;
    table.Comment = SeriesComment();
    return table;
}

std::optional<Series> FindSeries(const DataTable& table) {
    const std::vector<TableVariable>& variables = table.Variables;
    if (variables.size() != 3 + 1 && variables.size() != 3 + 2) return std::nullopt;
    std::size_t channels = variables.size() - 3;
    if (variables[0] != Frequency() || variables[1 + channels] != Gain() ||
        variables[2 + channels] != Phase())
        return std::nullopt;
    Series series;
    for (std::size_t c = 0; c < channels; ++c) {
        if (variables[1 + c] != PeakToPeak(variables[1 + c].Name)) return std::nullopt;
        series.ChannelNames.push_back(variables[1 + c].Name);
    }
    CheckTableShape(table);
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
        SeriesPoint point;
        point.Frequency = table.Columns[0][row];
        for (std::size_t c = 0; c < channels; ++c) point.PeakToPeak[c] = table.Columns[1 + c][row];
        point.Gain = table.Columns[1 + channels][row];
        point.Phase = table.Columns[2 + channels][row];
        series.Points.push_back(point);
    }
    return series;
}
