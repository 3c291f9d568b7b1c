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

// `rows` rows of `columns` fields joined by TABs, each cut as every data line is.
void Rows(TextSink& out, std::size_t rows, std::size_t columns, const FieldText& field) {
    std::string row;
    for (std::size_t i = 0; i < rows; ++i) {
        row.clear();
        for (std::size_t column = 0; column < columns; ++column) {
            if (column > 0) row += '\t';
            row += field(i, column);
        }
        if (row.size() > kMaxLine) row.resize(kMaxLine);
        Line(out, row);
    }
}

} // namespace

void WriteTransferText(TextSink& out, const Acquisition& acquisition,
                       const std::string& programPath, const PageInformation& page) {
    std::string title = acquisition.Source().FromAnHm()
                            ? "Acquisition avec oscillo HAMEG"
                            : "Acquisition avec oscillo " + acquisition.Source().Instrument;
    WriteHeader(out, AcquisitionVariables(acquisition), programPath, title, page);
    Rows(out, acquisition.SignalRows(), 1 + acquisition.Channels().size(),
         AcquisitionFields(acquisition, true));
    AppendPageParameter(out, page);
}

void WriteTransferText(TextSink& out, const DataTable& table, const std::string& programPath,
                       const PageInformation& page) {
    CheckTableShape(table);
    WriteHeader(out, table.Variables, programPath, "Acquisition avec oscillo HAMEG", page);
    Rows(out, table.RowCount(), table.Columns.size(), TableFields(table, true));
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
