#pragma once
// A table of values as the data files and the clipboard text hold it, whatever it came from: an
// acquisition, a series of measurements, a file read back. Text is 1252 bytes.
#include <cstddef>
#include <string>
#include <vector>

struct TableVariable {
    std::string Name;
    std::string Unit;
    std::string Meaning;

    bool operator==(const TableVariable&) const = default;
};

struct DataTable {
    std::vector<TableVariable> Variables;
    // Columns[v] holds the values of Variables[v]; every column has the same length.
    std::vector<std::vector<double>> Columns;
    std::string Source;  // the Curvilab file's ACQUISITION line: the path of the writing program
    std::string Comment; // the Curvilab file's page comment
    // The values were read from a file: each is written back with the digits that read back the
    // same value, never fewer than the general layout gives (another program may have written
    // more).
    bool ReadBack = false;

    std::size_t RowCount() const { return Columns.empty() ? 0 : Columns.front().size(); }
};

// How a table's values are written. The first column is the abscissa (the time, a frequency):
// G(6, 2), with "." when `dotAbscissa`, else the user's separator. The others are written like
// the samples: G(5, 1) with the user's separator. A value read back gets the digits it needs to
// read back the same (DataTable::ReadBack).
std::string TableValueText(double value, std::size_t column, bool dotAbscissa, bool readBack);

// A name, a unit or a meaning on one field of one line: a TAB or a line end in it becomes a blank.
std::string OneField(std::string text);

// Throws std::invalid_argument when the columns do not match the variables or differ in length.
void CheckTableShape(const DataTable& table);
