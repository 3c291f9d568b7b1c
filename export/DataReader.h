#pragma once
// Reading back the data files the save command writes (DataFile.h): a Curvilab data file (.cv3),
// also one the analysis program wrote with other variables, or an ASCII table. A file is read
// whole or refused; nothing of a refused file is kept.
//
// A file is taken as Windows-1252 text. A file whose bytes above 0x7F all form UTF-8 sequences is
// refused as UTF-8 rather than read with its accents garbled: the section marker of a Curvilab
// file alone (a lone 0xA3) is never UTF-8, so the program's own files cannot be mistaken for it.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/Acquisition.h"
#include "export/DataTable.h"

// What the program writes at its largest: two channels of a million rows (about 50 Mo).
constexpr std::size_t kMaxDataFileBytes = std::size_t(64) << 20;
constexpr std::size_t kMaxTableRows = 1000000;
constexpr std::size_t kMaxTableVariables = 32;
// A value's magnitude, when not 0: whatever is written back reads back.
constexpr double kSmallestValue = 1E-300;
constexpr double kLargestValue = 1E300;

// Why a file cannot be read: a French message in 1252 text, "Ligne 3 : nom de variable attendu".
// The caller adds the file's name. The only exception the functions below throw, allocation
// failures aside.
class EDataFileError : public std::runtime_error {
public:
    // `line` 0: the message concerns the whole file and names no line.
    EDataFileError(int line, const std::string& message);
    int Line;
};

struct DataFileContents {
    DataTable Table; // an ASCII table has no source and no comment
    // A Curvilab file went on after the first page's values with another section: further pages,
    // which are not read.
    bool MorePages = false;
};

// Both decimal separators are read in every column, whatever the user's. Lines end with LF or
// CR LF; every line, the last one included, must be ended; each field's closing TAB may be
// missing. Throws EDataFileError.
DataFileContents ReadDataFile(std::string_view bytes, bool curvilab);

// The channels a file gives back as an acquisition at most: as many as a scope sends.
constexpr std::size_t kMostVoltages = 4;

// Where an acquisition lies in a table: the first variable of unit "s" is the time, the first
// kMostVoltages of unit "V" are the channels. Throws EDataFileError when either is missing.
struct AcquisitionColumns {
    std::size_t Time = 0;
    std::vector<std::size_t> Voltages; // one to kMostVoltages
};
AcquisitionColumns FindAcquisitionColumns(const DataTable& table);

// The acquisition a table holds, its source the file: on a screen of 10 x 8 divisions of 1-2-5
// steps that fits its values, since a file carries no instrument settings. Throws EDataFileError
// when it holds no acquisition or fewer than two rows.
AcquisitionPtr AcquisitionOfFile(const DataTable& table, const std::string& fileName);
