#pragma once
// The two file formats of the save command: the Curvilab data file (.cv3) and the tab-separated
// ASCII table (any other extension). Both are 1252 text with CR LF after every line. One writer
// lays out any table; the acquisition's files go through it with their sample texts.
#include <cstddef>
#include <string>
#include <vector>

#include "acquisition/Record.h"
#include "export/DataTable.h"

// The Curvilab format is chosen by the name's extension only (".cv3" in any letter case, taken
// from the last "." of the file-name part).
bool IsCurvilabFileName(const std::string& path);

// Any table. The header: the Curvilab sections up to the value marker line (`source` and
// `comment` are single lines), or the ASCII table's four header lines.
std::string WriteTableHeader(const std::vector<TableVariable>& variables, const std::string& source,
                             const std::string& comment, std::size_t rows, bool curvilab);
// The value rows, every field followed by a TAB, written with TableValueText (the abscissa with
// "." in a Curvilab file). Throws std::invalid_argument for a table of uneven shape.
std::string WriteTableRows(const DataTable& table, bool curvilab);
// The whole file; an ASCII table holds neither the source nor the comment.
std::string DataFileText(const DataTable& table, bool curvilab);

// The acquisition's variables: "t" (s, temps), then each handed-on channel (V, its meaning).
std::vector<TableVariable> AcquisitionVariables(const AcquisitionRecord& record);

// The acquisition's header, with an empty page comment.
std::string WriteFileHeader(const AcquisitionRecord& record, const std::string& programPath,
                            bool curvilab);
// The value rows: 205 or 2048 rows (time with "."), or the ASCII table's 2048 rows (time with the
// user's separator); every row ends with a TAB.
std::string WriteCurvilabRows(const AcquisitionRecord& record);
std::string WriteAsciiRows(const AcquisitionRecord& record);

// The whole file.
std::string DataFileText(const AcquisitionRecord& record, const std::string& programPath,
                         bool curvilab);
