#pragma once
// The text Curvilab reads from the clipboard: the acquisition with its page information.
#include <string>

#include "acquisition/Record.h"

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
