#include "export/DataTable.h"

#include <algorithm>
#include <stdexcept>

#include "common/NumberText.h"

std::string TableValueText(double value, std::size_t column, bool dotAbscissa, bool readBack) {
    if (readBack)
        return column == 0 ? FormatShortest(value, 6, 2, dotAbscissa ? '.' : DecimalSeparator())
                           : FormatShortest(value, 5, 1, DecimalSeparator());
    if (column == 0) return dotAbscissa ? FormatRealDot(value) : FormatReal(value);
    return FormatSample(value);
}

std::string OneField(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return text;
}

void CheckTableShape(const DataTable& table) {
    if (table.Columns.size() != table.Variables.size())
        throw std::invalid_argument("one column per variable");
    for (const std::vector<double>& column : table.Columns)
        if (column.size() != table.RowCount()) throw std::invalid_argument("columns of one length");
}
