// ReadDataFile over any bytes, as a Curvilab file and as an ASCII table: nothing thrown but
// EDataFileError, with its line in the message. A table that reads, written again with either
// separator, reads again to the same variables and the very same values, and writes the same
// bytes once more. Every column it holds gets a finite axis that holds its values.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "acquisition/PlotScale.h"
#include "common/NumberText.h"
#include "export/DataFile.h"
#include "export/DataReader.h"
#include "export/SeriesTable.h"

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
}

void CheckAxes(const DataTable& table) {
    for (const std::vector<double>& column : table.Columns) {
        if (column.empty()) continue;
        auto [low, high] = std::minmax_element(column.begin(), column.end());
        PlotAxis axis = FittingAxis(*low, *high, 8);
        Require(std::isfinite(axis.Start) && std::isfinite(axis.PerDivision) &&
                    axis.PerDivision > 0,
                "a finite axis");
        Require(axis.LineValue(0) <= *low + 1e-9 * axis.PerDivision &&
                    axis.LineValue(axis.Divisions) >= *high,
                "an axis holding the column");
    }
}

void CheckChoices(const DataTable& table) {
    try {
        AcquisitionColumns columns = FindAcquisitionColumns(table);
        Require(table.Variables.at(columns.Time).Unit == "s", "time of unit s");
        Require(!columns.Voltages.empty() && columns.Voltages.size() <= kMostVoltages,
                "one to four voltages");
        for (std::size_t v : columns.Voltages)
            Require(table.Variables.at(v).Unit == "V", "voltages of unit V");
    } catch (const EDataFileError& error) {
        Require(error.Line == 0, "a page's refusal names no line");
    }
    // A series' value it cannot take (a frequency of 0, a phase past 3600°) refuses the page, as
    // the program tells the person.
    try {
        if (std::optional<Series> series = FindSeries(table))
            Require(series->Points.size() == table.RowCount(), "a series point per row");
    } catch (const EDataFileError& error) {
        Require(error.Line == 0, "a series' refusal names no line");
    }
}

void CheckRoundTrip(const DataTable& table, bool curvilab) {
    for (char separator : {'.', ','}) {
        SetDecimalSeparator(separator);
        std::string written = DataFileText(table, curvilab);
        DataFileContents again;
        try {
            again = ReadDataFile(written, curvilab);
        } catch (const EDataFileError& error) {
            std::fprintf(stderr, "%s\n", error.what());
            Require(false, "what is written reads back");
        }
        const DataTable& second = again.Table;
        Require(second.Variables == table.Variables, "same variables");
        Require(!curvilab || (second.Source == table.Source && second.Comment == table.Comment),
                "same source and comment");
        Require(!again.MorePages, "one page written");
        Require(second.RowCount() == table.RowCount(), "same rows");
        for (std::size_t c = 0; c < table.Columns.size(); ++c)
            for (std::size_t row = 0; row < table.RowCount(); ++row)
                Require(table.Columns[c][row] == second.Columns[c][row], "same values");
        Require(DataFileText(second, curvilab) == written, "same bytes once written");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    for (bool curvilab : {true, false}) {
        DataFileContents read;
        try {
            read = ReadDataFile(bytes, curvilab);
        } catch (const EDataFileError& error) {
            std::string prefix = "Ligne " + std::to_string(error.Line) + " : ";
            Require(error.Line > 0 && std::string(error.what()).starts_with(prefix),
                    "a refusal names its line");
            continue;
        }
        const DataTable& table = read.Table;
        Require(!table.Variables.empty() && table.Variables.size() <= kMaxTableVariables,
                "variables within bounds");
        Require(table.Columns.size() == table.Variables.size(), "a column per variable");
        for (const std::vector<double>& column : table.Columns) {
            Require(column.size() == table.RowCount(), "columns of one length");
            for (double value : column)
                Require(value == 0 || (std::fabs(value) >= kSmallestValue &&
                                       std::fabs(value) <= kLargestValue),
                        "values within bounds");
        }
        Require(table.RowCount() <= kMaxTableRows, "rows within bounds");
        CheckChoices(table);
        CheckAxes(table);
        CheckRoundTrip(table, curvilab);
    }
    SetDecimalSeparator('.');
    return 0;
}
