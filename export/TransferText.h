#pragma once
// The text Curvilab reads from the clipboard: a table (the acquisition, a series of measurements)
// with its page information.
#include <string>

#include "acquisition/Record.h"
#include "export/DataTable.h"

// What the page-information dialog adds to a transfer.
struct PageInformation {
    bool NewFile = true; // "Nouveau fichier" (else "Nouvelle page")
    std::string Comment;
    std::string ParameterName;
    std::string ParameterUnit;
    std::string ParameterValue; // as typed
};

// Every line ends with CR LF: the program's path, the page title, the comment, names, units,
// meanings, one row per sample (time with ".", values with the user's separator), then the
// page parameter when it has a name and a value that reads as a number.
std::string TransferText(const AcquisitionRecord& record, const std::string& programPath,
                         const PageInformation& page);

// The same layout for any table, its rows written with TableValueText (the abscissa with ".").
// The table's own source and comment are not used: the page's comment is. Throws
// std::invalid_argument for a table of uneven shape.
std::string TransferText(const DataTable& table, const std::string& programPath,
                         const PageInformation& page);
