#include "export/DataFile.h"

#include "common/NumberText.h"

namespace {

constexpr char kSectionMarker = '\xA3';
constexpr char kValueMarker = '&';
const std::string kLineEnd = "\r\n";

int Channels(const AcquisitionRecord& record) { return record.ChannelCount == 1 ? 1 : 2; }

std::string Section(std::size_t count, const char* title) {
    return kSectionMarker + std::to_string(count) + title + kLineEnd;
}

// `rows` rows of `columns` fields; appendCell(text, row, column) appends one field.
template <typename AppendCell>
std::string Rows(std::size_t rows, std::size_t columns, AppendCell&& appendCell) {
    std::string text;
    text.reserve(rows * 32);
    for (std::size_t row = 0; row < rows; ++row) {
        for (std::size_t column = 0; column < columns; ++column) {
            appendCell(text, row, column);
            text += '\t';
        }
        text += kLineEnd;
    }
    return text;
}

std::string AcquisitionRows(const AcquisitionRecord& record, int rows,
                            std::string (*time)(double)) {
    std::vector<SampleTexts> samples;
    for (int c = 1; c <= Channels(record); ++c) samples.emplace_back(record, record.Channel(c));
    return Rows(std::size_t(rows), 1 + samples.size(),
                [&](std::string& text, std::size_t row, std::size_t column) {
                    if (column == 0)
                        text += time(record.SampleTime(int(row)));
                    else
                        text += samples[column - 1](uint16_t(row));
                });
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

std::string WriteTableHeader(const std::vector<TableVariable>& variables, const std::string& source,
                             const std::string& comment, std::size_t rows, bool curvilab) {
    std::string text;
    if (!curvilab) {
        text = "Hameg" + kLineEnd;
        for (std::string TableVariable::*field :
             {&TableVariable::Name, &TableVariable::Unit, &TableVariable::Meaning}) {
            for (const TableVariable& variable : variables)
                text += OneField(variable.*field) + '\t';
            text += kLineEnd;
        }
        return text;
    }
    text += "MORVANET CURVILAB WINDOWS 1.0" + kLineEnd;
    for (auto [field, title] : {std::pair{&TableVariable::Name, " NOM VAR"},
                                {&TableVariable::Unit, " UNITE VAR"},
                                {&TableVariable::Meaning, " SIGNIF VAR"}}) {
        text += Section(variables.size(), title);
        for (const TableVariable& variable : variables)
            text += OneField(variable.*field) + kLineEnd;
    }
    text += Section(1, " ACQUISITION") + source + kLineEnd;
    text += Section(1, " PAGE COMMENT") + comment + kLineEnd;
    text += kValueMarker + std::to_string(rows) + " VALEUR VAR" + kLineEnd;
    return text;
}

std::string WriteTableRows(const DataTable& table, bool curvilab) {
    CheckTableShape(table);
    return Rows(table.RowCount(), table.Columns.size(),
                [&](std::string& text, std::size_t row, std::size_t column) {
                    text += TableValueText(table.Columns[column][row], column, curvilab,
                                           table.ReadBack);
                });
}

std::string DataFileText(const DataTable& table, bool curvilab) {
    std::string rows = WriteTableRows(table, curvilab);
    return WriteTableHeader(table.Variables, table.Source, table.Comment, table.RowCount(),
                            curvilab) +
           rows;
}

std::vector<TableVariable> AcquisitionVariables(const AcquisitionRecord& record) {
    std::vector<TableVariable> variables = {{"t", "s", "temps"}};
    for (int c = 1; c <= Channels(record); ++c)
        variables.push_back({record.Channel(c).Name, "V", record.Channel(c).Meaning});
    return variables;
}

std::string WriteFileHeader(const AcquisitionRecord& record, const std::string& programPath,
                            bool curvilab) {
    return WriteTableHeader(AcquisitionVariables(record), programPath, "",
                            std::size_t(record.RowCount()), curvilab);
}

std::string WriteCurvilabRows(const AcquisitionRecord& record) {
    return AcquisitionRows(record, record.RowCount(), FormatRealDot);
}

std::string WriteAsciiRows(const AcquisitionRecord& record) {
    return AcquisitionRows(record, kSamplesPerChannel, FormatReal);
}

std::string DataFileText(const AcquisitionRecord& record, const std::string& programPath,
                         bool curvilab) {
    return WriteFileHeader(record, programPath, curvilab) +
           (curvilab ? WriteCurvilabRows(record) : WriteAsciiRows(record));
}
