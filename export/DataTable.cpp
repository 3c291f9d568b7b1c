#include "export/DataTable.h"

#include <stdexcept>

#include "common/NumberText.h"

std::string TableValueText(double value, std::size_t column, bool dotAbscissa) {
    if (column == 0) return dotAbscissa ? FormatRealDot(value) : FormatReal(value);
    return FormatGeneral(value, 5, 1, DecimalSeparator());
}

void CheckTableShape(const DataTable& table) {
    if (table.Columns.size() != table.Variables.size())
        throw std::invalid_argument("one column per variable");
    for (const std::vector<double>& column : table.Columns)
        if (column.size() != table.RowCount()) throw std::invalid_argument("columns of one length");
}
