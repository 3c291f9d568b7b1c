#include "export/TransferText.h"

#include "common/NumberText.h"
#include "export/DataFile.h"

namespace {

constexpr std::size_t kMaxLine = 255;
const std::string kLineEnd = "\r\n";

void Line(TextSink& out, std::string text) {
    text += kLineEnd;
    out.Write(text);
}

// The program's path, the title, the comment, then the variables' names, units and meanings.
void WriteHeader(TextSink& out, const std::vector<TableVariable>& variables,
                 const std::string& programPath, const std::string& title,
                 const PageInformation& page) {
    Line(out, programPath);
    Line(out, page.NewFile ? title : "");
    Line(out, page.Comment);
    for (std::string TableVariable::*field :
         {&TableVariable::Name, &TableVariable::Unit, &TableVariable::Meaning}) {
        std::string line;
        for (std::size_t v = 0; v < variables.size(); ++v) {
            if (v > 0) line += '\t';
            line += OneField(variables[v].*field);
        }
        Line(out, line.substr(0, kMaxLine));
    }
}

// The parameter block: an empty line, the name, the unit and the value, when the value reads.
void AppendPageParameter(TextSink& out, const PageInformation& page) {
    if (page.ParameterName.empty()) return;
    double value = ParseReal(page.ParameterValue);
    if (value == NoValue) return;
    for (const std::string& line :
         {std::string(), page.ParameterName, page.ParameterUnit, FormatReal(value)})
        Line(out, line);
}

// A row's fields joined by TABs, cut as every data line is.
void Row(TextSink& out, std::string& row) {
    if (row.size() > kMaxLine) row.resize(kMaxLine);
    Line(out, row);
}

} // namespace

void WriteTransferText(TextSink& out, const Acquisition& acquisition,
                       const std::string& programPath, const PageInformation& page) {
    std::string title = acquisition.Source().FromAnHm()
                            ? "Acquisition avec oscillo HAMEG"
                            : "Acquisition avec oscillo " + acquisition.Source().Instrument;
    WriteHeader(out, AcquisitionVariables(acquisition), programPath, title, page);
    char separator = DecimalSeparator();
    std::string row;
    for (std::size_t i = 0; i < acquisition.SignalRows(); ++i) {
        row = TimeText(acquisition, acquisition.Times()[i], true);
        for (std::size_t c = 0; c < acquisition.Channels().size(); ++c) {
            row += '\t';
            row += FormatGeneral(acquisition.Samples(c).Values[i], 5, 1, separator);
        }
        Row(out, row);
    }
    AppendPageParameter(out, page);
}

void WriteTransferText(TextSink& out, const DataTable& table, const std::string& programPath,
                       const PageInformation& page) {
    CheckTableShape(table);
    WriteHeader(out, table.Variables, programPath, "Acquisition avec oscillo HAMEG", page);
    std::string row;
    for (std::size_t i = 0; i < table.RowCount(); ++i) {
        row.clear();
        for (std::size_t column = 0; column < table.Columns.size(); ++column) {
            if (column > 0) row += '\t';
            row += TableValueText(table.Columns[column][i], column, true, table.ReadBack);
        }
        Row(out, row);
    }
    AppendPageParameter(out, page);
}

std::string TransferText(const Acquisition& acquisition, const std::string& programPath,
                         const PageInformation& page) {
    StringSink out;
    WriteTransferText(out, acquisition, programPath, page);
    return out.Text;
}

std::string TransferText(const DataTable& table, const std::string& programPath,
                         const PageInformation& page) {
    StringSink out;
    WriteTransferText(out, table, programPath, page);
    return out.Text;
}
