#include "export/SeriesTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>
#include <stdexcept>

#include "common/Text1252.h"
#include "export/DataReader.h"

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

namespace {

constexpr double kLargestPhase = 3600; // ten turns: beyond, no filter's phase

// Into ]-180°, 180°].
double Wrapped(double degrees) { return degrees - 360 * std::ceil((degrees - 180) / 360); }

bool BelievablePhase(double degrees) {
    return std::isfinite(degrees) && std::fabs(degrees) <= kLargestPhase;
}

} // namespace

// Another program may have written the phase unwrapped: it comes back within a turn. A row with a
// phase no filter gives, or a frequency no axis of decades holds, refuses the whole file: leaving
// it out would drop it from the file saved again.
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
        std::string where = Cp1252("Série, ligne de valeurs ") + std::to_string(row + 1) + " : ";
        if (!(point.Frequency > 0))
            throw EDataFileError(0, where + Cp1252("fréquence positive attendue"));
        if (!BelievablePhase(point.Phase))
            throw EDataFileError(0, where + Cp1252("déphasage entre -3600° et 3600° attendu"));
        point.Phase = Wrapped(point.Phase);
        series.Points.push_back(point);
    }
    return series;
}

Series SeriesOfRows(const std::vector<std::string>& channelNames,
                    const std::vector<SeriesRow>& rows) {
    Series series{channelNames, {}};
    for (const SeriesRow& row : rows)
        if (row.Complete())
            series.Points.push_back({*row.Frequency.Value,
                                     {*row.PeakToPeak[0].Value, *row.PeakToPeak[1].Value},
                                     *row.Gain.Value,
                                     *row.Phase.Value});
    std::stable_sort(
        series.Points.begin(), series.Points.end(),
        [](const SeriesPoint& a, const SeriesPoint& b) { return a.Frequency < b.Frequency; });
    return series;
}

namespace {

constexpr const char* kRecoveryTitle = "Scoptera : serie en cours";

// A value as the shortest text that reads back to it, "." for the point; "" when absent.
std::string ValueField(const Measure& measure) {
    if (!measure.Value) return "";
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, *measure.Value).ptr);
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    return fields;
}

// A value, or the code of why there is none.
bool ReadMeasure(const std::string& value, const std::string& reason, Measure& measure) {
    measure = {std::nullopt, reason.empty() ? Why::None : WhyOfCode(reason)};
    if (value.empty()) return !reason.empty();
    double number = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || !std::isfinite(number))
        return false;
    measure = {number, Why::None};
    return reason.empty();
}

} // namespace

std::string SeriesRecoveryText(const std::vector<std::string>& channelNames,
                               const std::vector<SeriesRow>& rows) {
    std::string text = std::string(kRecoveryTitle) + "\r\n";
    for (const std::string& name : channelNames) text += OneField(name) + "\t";
    text += "\r\n";
    for (const SeriesRow& row : rows) {
        text +=
            std::to_string(row.Number) + "\t" + OneField(row.Time) + "\t" + OneField(row.TimeBase);
        for (const Measure* m :
             {&row.Frequency, &row.PeakToPeak[0], &row.PeakToPeak[1], &row.Gain, &row.Phase})
            text += "\t" + ValueField(*m) + "\t" + std::string(WhyCode(m->Reason));
        text += std::string("\t") + (row.Coarse[0] ? "1" : "0") + (row.Coarse[1] ? "1" : "0");
        text += "\r\n";
    }
    return text;
}

std::optional<RecoveredSeries> ReadSeriesRecovery(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (lines.size() < 2 || lines[0] != kRecoveryTitle) return std::nullopt;
    RecoveredSeries series;
    // Each name is followed by its TAB, an empty one too.
    series.ChannelNames = Fields(lines[1]);
    if (!lines[1].empty() && lines[1].back() == '\t') series.ChannelNames.pop_back();
    if (series.ChannelNames.empty() || series.ChannelNames.size() > 2) return std::nullopt;
    constexpr std::size_t kFields = 3 + 2 * 5 + 1;
    for (std::size_t l = 2; l < lines.size(); ++l) {
        std::vector<std::string> f = Fields(lines[l]);
        if (f.size() != kFields) continue;
        SeriesRow row;
        int number = 0;
        auto [end, error] = std::from_chars(f[0].data(), f[0].data() + f[0].size(), number);
        if (error != std::errc() || end != f[0].data() + f[0].size() || number <= 0) continue;
        row.Number = number;
        row.Time = f[1];
        row.TimeBase = f[2];
        Measure* measures[] = {&row.Frequency, &row.PeakToPeak[0], &row.PeakToPeak[1], &row.Gain,
                               &row.Phase};
        bool whole = true;
        for (std::size_t m = 0; m < 5; ++m)
            whole = ReadMeasure(f[3 + 2 * m], f[4 + 2 * m], *measures[m]) && whole;
        const std::string& coarse = f[13];
        if (!whole || coarse.size() != 2) continue;
        if (row.Phase.Value && !BelievablePhase(*row.Phase.Value)) continue;
        row.Coarse = {coarse[0] == '1', coarse[1] == '1'};
        series.Rows.push_back(row);
    }
    return series;
}
