#pragma once
// The two file formats of the save command: the Curvilab data file (.cv3) and the tab-separated
// ASCII table (any other extension). Both are 1252 text with CR LF after every line.
#include <string>

#include "acquisition/Record.h"

// The Curvilab format is chosen by the name's extension only (".cv3" in any letter case, taken
// from the last "." of the file-name part).
bool IsCurvilabFileName(const std::string& path);

// The file's header: the Curvilab sections up to the value marker line, or the ASCII table's four
// header lines.
std::string WriteFileHeader(const AcquisitionRecord& record, const std::string& programPath,
                            bool curvilab);
// The value rows: 205 or 2048 rows (time with "."), or the ASCII table's 2048 rows (time with the
// user's separator); every row ends with a TAB.
std::string WriteCurvilabRows(const AcquisitionRecord& record);
std::string WriteAsciiRows(const AcquisitionRecord& record);

// The whole file.
std::string DataFileText(const AcquisitionRecord& record, const std::string& programPath,
                         bool curvilab);
