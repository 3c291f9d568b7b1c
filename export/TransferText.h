#pragma once
// The text Curvilab reads from the clipboard: an acquisition or a table (a series of
// measurements) with its page information, written line by line as it goes.
#include <string>

#include "acquisition/Acquisition.h"
#include "export/DataTable.h"
#include "export/TextSink.h"

// What the page-information dialog adds to a transfer.
struct PageInformation {
    bool NewFile = true; // "Nouveau fichier" (else "Nouvelle page")
    std::string Comment;
    std::string ParameterName;
    std::string ParameterUnit;
    std::string ParameterValue; // as typed
};

// Every line ends with CR LF: the program's path, the page title ("Acquisition avec oscillo
// HAMEG" for an HM read, the instrument's name else), the comment, names, units, meanings, one
// row per signal sample (time with ".", values with the user's separator), then the page
// parameter when it has a name and a value that reads as a number.
void WriteTransferText(TextSink& out, const Acquisition& acquisition,
                       const std::string& programPath, const PageInformation& page);

// The same layout for any table, its rows written with TableValueText (the abscissa with ".").
// The table's own source and comment are not used: the page's comment is. Throws
// std::invalid_argument for a table of uneven shape.
void WriteTransferText(TextSink& out, const DataTable& table, const std::string& programPath,
                       const PageInformation& page);

// The whole text at once.
std::string TransferText(const Acquisition& acquisition, const std::string& programPath,
                         const PageInformation& page);
std::string TransferText(const DataTable& table, const std::string& programPath,
                         const PageInformation& page);
