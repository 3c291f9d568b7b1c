#include "export/DataFile.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "common/NumberText.h"
#include "export/CurvilabFormat.h"

using namespace CurvilabFormat;

namespace {

void Section(TextSink& out, std::size_t count, std::string_view title) {
    out.Write(std::string(1, kSectionMarker) + std::to_string(count));
    out.Write(title);
    out.Write(kLineEnd);
}

// Significant digits for times `step` apart up to `largest`: the digit that tells two rows apart,
// and one more.
int TimeDigits(double largest, double step) {
    if (!(step > 0) || !(largest > 0)) return 6;
    int digits = int(std::floor(std::log10(largest))) - int(std::floor(std::log10(step))) + 2;
    return std::clamp(digits, 6, 17);
}

// `rows` rows of `columns` fields, each field followed by a TAB.
void Rows(TextSink& out, std::size_t rows, std::size_t columns, const FieldText& field) {
    std::string row;
    for (std::size_t i = 0; i < rows; ++i) {
        row.clear();
        for (std::size_t column = 0; column < columns; ++column) {
            row += field(i, column);
            row += '\t';
        }
        row += kLineEnd;
        out.Write(row);
    }
}

} // namespace

bool IsCurvilabFileName(const std::string& path) {
    std::size_t nameStart = path.find_last_of("\\/");
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart))
        return false;
    std::string extension = path.substr(dot);
    for (char& c : extension)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return extension == ".CV3";
}

void WriteTableHeader(TextSink& out, const std::vector<TableVariable>& variables,
                      const std::string& source, const std::string& comment, std::size_t rows,
                      bool curvilab, std::string_view asciiTitle) {
    if (!curvilab) {
        out.Write(asciiTitle);
        out.Write(kLineEnd);
        for (std::string TableVariable::*field :
             {&TableVariable::Name, &TableVariable::Unit, &TableVariable::Meaning}) {
            for (const TableVariable& variable : variables)
                out.Write(OneField(variable.*field) + '\t');
            out.Write(kLineEnd);
        }
        return;
    }
    out.Write(kTitle);
    out.Write(kLineEnd);
    for (auto [field, title] : {std::pair{&TableVariable::Name, kNames},
                                {&TableVariable::Unit, kUnits},
                                {&TableVariable::Meaning, kMeanings}}) {
        Section(out, variables.size(), title);
        for (const TableVariable& variable : variables) {
            out.Write(OneField(variable.*field));
            out.Write(kLineEnd);
        }
    }
    Section(out, 1, kAcquisition);
    out.Write(source);
    out.Write(kLineEnd);
    Section(out, 1, kComment);
    out.Write(comment);
    out.Write(kLineEnd);
    out.Write(std::string(1, kValueMarker) + std::to_string(rows));
    out.Write(kValues);
    out.Write(kLineEnd);
}

void WriteDataFile(TextSink& out, const DataTable& table, bool curvilab) {
    CheckTableShape(table);
    WriteTableHeader(out, table.Variables, table.Source, table.Comment, table.RowCount(), curvilab,
                     kAsciiTitle);
    Rows(out, table.RowCount(), table.Columns.size(), TableFields(table, curvilab));
}

FieldText AcquisitionFields(const Acquisition& acquisition, bool dot) {
    return [&acquisition, dot](std::size_t row, std::size_t column) {
        return column == 0 ? TimeText(acquisition, acquisition.Times()[row], dot)
                           : FormatSample(acquisition.Samples(column - 1).Values[row]);
    };
}

FieldText TableFields(const DataTable& table, bool dotAbscissa) {
    return [&table, dotAbscissa](std::size_t row, std::size_t column) {
        return TableValueText(table.Columns[column][row], column, dotAbscissa, table.ReadBack);
    };
}

std::vector<TableVariable> AcquisitionVariables(const Acquisition& acquisition) {
    std::vector<TableVariable> variables = {{"t", "s", "temps"}};
    for (const AcquisitionChannel& channel : acquisition.Channels())
        variables.push_back({channel.Name, channel.Unit, channel.Meaning});
    return variables;
}

std::string AsciiTitle(const Acquisition& acquisition) {
    return acquisition.Source().FromAnHm() ? std::string(kAsciiTitle)
                                           : acquisition.Source().Instrument;
}

std::string TimeText(const Acquisition& acquisition, double time, bool dot) {
    char separator = dot ? '.' : DecimalSeparator();
    if (acquisition.Source().FromAnHm()) return FormatGeneral(time, 6, 2, separator);
    const std::vector<double>& times = acquisition.Times();
    double largest = std::max(std::fabs(times.front()), std::fabs(times.back()));
    double step = (times.back() - times.front()) / double(times.size() - 1);
    return FormatGeneral(time, TimeDigits(largest, step), 2, separator);
}

void WriteFileHeader(TextSink& out, const Acquisition& acquisition, const std::string& programPath,
                     bool curvilab) {
    std::size_t rows = curvilab ? acquisition.SignalRows() : acquisition.SampleCount();
    WriteTableHeader(out, AcquisitionVariables(acquisition), programPath, "", rows, curvilab,
                     AsciiTitle(acquisition));
}

void WriteCurvilabRows(TextSink& out, const Acquisition& acquisition) {
    Rows(out, acquisition.SignalRows(), 1 + acquisition.Channels().size(),
         AcquisitionFields(acquisition, true));
}

void WriteAsciiRows(TextSink& out, const Acquisition& acquisition) {
    Rows(out, acquisition.SampleCount(), 1 + acquisition.Channels().size(),
         AcquisitionFields(acquisition, false));
}

void WriteDataFile(TextSink& out, const Acquisition& acquisition, const std::string& programPath,
                   bool curvilab) {
    WriteFileHeader(out, acquisition, programPath, curvilab);
    if (curvilab)
        WriteCurvilabRows(out, acquisition);
    else
        WriteAsciiRows(out, acquisition);
}

std::string DataFileText(const DataTable& table, bool curvilab) {
    StringSink out;
    WriteDataFile(out, table, curvilab);
    return out.Text;
}

std::string DataFileText(const Acquisition& acquisition, const std::string& programPath,
                         bool curvilab) {
    StringSink out;
    WriteDataFile(out, acquisition, programPath, curvilab);
    return out.Text;
}
