#include "export/TransferText.h"

#include <vector>

#include "common/NumberText.h"
#include "export/DataFile.h"

namespace {

constexpr std::size_t kMaxLine = 255;

// The parameter block: an empty line, the name, the unit and the value, when the value reads.
void AppendPageParameter(std::vector<std::string>& lines, const PageInformation& page) {
    if (page.ParameterName.empty()) return;
    double value = ParseReal(page.ParameterValue);
    if (value == NoValue) return;
    lines.insert(lines.end(), {"", page.ParameterName, page.ParameterUnit, FormatReal(value)});
}

// appendCell(line, row, column) appends one field; fields are joined by TABs.
template <typename AppendCell>
std::string Transfer(const std::vector<TableVariable>& variables, std::size_t rows,
                     AppendCell&& appendCell, const std::string& programPath,
                     const PageInformation& page) {
    std::vector<std::string> lines = {
        programPath, page.NewFile ? "Acquisition avec oscillo HAMEG" : "", page.Comment};
    for (std::string TableVariable::*field :
         {&TableVariable::Name, &TableVariable::Unit, &TableVariable::Meaning}) {
        std::string line;
        for (std::size_t v = 0; v < variables.size(); ++v) {
            if (v > 0) line += '\t';
            line += OneField(variables[v].*field);
        }
        lines.push_back(line.substr(0, kMaxLine));
    }
    for (std::size_t row = 0; row < rows; ++row) {
        std::string line;
        for (std::size_t column = 0; column < variables.size(); ++column) {
            if (column > 0) line += '\t';
            appendCell(line, row, column);
        }
        if (line.size() > kMaxLine) line.resize(kMaxLine);
        lines.push_back(std::move(line));
    }
    AppendPageParameter(lines, page);

    std::string text;
    text.reserve(lines.size() * 32);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace

std::string TransferText(const AcquisitionRecord& record, const std::string& programPath,
                         const PageInformation& page) {
    std::vector<TableVariable> variables = AcquisitionVariables(record);
    std::vector<SampleTexts> samples;
    for (std::size_t c = 1; c < variables.size(); ++c)
        samples.emplace_back(record, record.Channel(int(c)));
    return Transfer(
        variables, std::size_t(record.RowCount()),
        [&](std::string& line, std::size_t row, std::size_t column) {
            if (column == 0)
                line += FormatRealDot(record.SampleTime(int(row)));
            else
                line += samples[column - 1](uint16_t(row));
        },
        programPath, page);
}

std::string TransferText(const DataTable& table, const std::string& programPath,
                         const PageInformation& page) {
    CheckTableShape(table);
    return Transfer(
        table.Variables, table.RowCount(),
        [&](std::string& line, std::size_t row, std::size_t column) {
            line += TableValueText(table.Columns[column][row], column, true, table.ReadBack);
        },
        programPath, page);
}
