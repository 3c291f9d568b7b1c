#pragma once
// The two file formats of the save command: the Curvilab data file (.cv3) and the tab-separated
// ASCII table (any other extension). Both are 1252 text with CR LF after every line, written row
// by row as they go. One layout serves any table and any acquisition.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/Acquisition.h"
#include "export/DataTable.h"
#include "export/TextSink.h"

// The Curvilab format is chosen by the name's extension only (".cv3" in any letter case, taken
// from the last "." of the file-name part).
bool IsCurvilabFileName(const std::string& path);

// The header: the Curvilab sections up to the value marker line (`source` and `comment` are
// single lines), or the ASCII table's four header lines under `asciiTitle`.
void WriteTableHeader(TextSink& out, const std::vector<TableVariable>& variables,
                      const std::string& source, const std::string& comment, std::size_t rows,
                      bool curvilab, std::string_view asciiTitle);

// Any table, its values written with TableValueText (the abscissa with "." in a Curvilab file).
// Throws std::invalid_argument for a table of uneven shape. An ASCII table holds neither the
// source nor the comment.
void WriteDataFile(TextSink& out, const DataTable& table, bool curvilab);

// The acquisition's variables: "t" (s, temps), then each channel (its unit, its meaning).
std::vector<TableVariable> AcquisitionVariables(const Acquisition& acquisition);
// The first line of its ASCII table: "Hameg" for an HM read, else the instrument's name.
std::string AsciiTitle(const Acquisition& acquisition);
// The time of a row as the outputs write it: G(6, 2) for an HM read; for another source the
// digits that tell consecutive rows apart, six at least. `dot` forces "." as the separator.
std::string TimeText(const Acquisition& acquisition, double time, bool dot);

// The text of a value row's field: of an acquisition or of a table, the same for every output.
using FieldText = std::function<std::string(std::size_t row, std::size_t column)>;
// An acquisition's: the row's time, then each channel's volts (FormatSample).
FieldText AcquisitionFields(const Acquisition& acquisition, bool dot);
// A table's: TableValueText.
FieldText TableFields(const DataTable& table, bool dotAbscissa);

// The acquisition's header, with an empty page comment.
void WriteFileHeader(TextSink& out, const Acquisition& acquisition, const std::string& programPath,
                     bool curvilab);
// The value rows, each ending with a TAB: the signal's rows with the time's "." (205 for a short
// HM 408 record), or the ASCII table's every sample with the user's separator.
void WriteCurvilabRows(TextSink& out, const Acquisition& acquisition);
void WriteAsciiRows(TextSink& out, const Acquisition& acquisition);
void WriteDataFile(TextSink& out, const Acquisition& acquisition, const std::string& programPath,
                   bool curvilab);

// The whole text at once, for a table or an acquisition that a string holds well.
std::string DataFileText(const DataTable& table, bool curvilab);
std::string DataFileText(const Acquisition& acquisition, const std::string& programPath,
                         bool curvilab);
