#pragma once
// The words of the two file formats, which the writer (DataFile) and the reader (DataReader) both
// spell from here.
#include <string_view>

namespace CurvilabFormat {

constexpr std::string_view kTitle = "MORVANET CURVILAB WINDOWS 1.0";
constexpr char kSectionMarker = '\xA3'; // the pound sign in 1252
constexpr char kValueMarker = '&';
constexpr std::string_view kNames = " NOM VAR", kUnits = " UNITE VAR", kMeanings = " SIGNIF VAR",
                           kAcquisition = " ACQUISITION", kComment = " PAGE COMMENT",
                           kValues = " VALEUR VAR";
constexpr std::string_view kLineEnd = "\r\n";

// The ASCII table's first line, for an acquisition of an HM and for the tables of the program's
// own (series, files saved again).
constexpr std::string_view kAsciiTitle = "Hameg";

} // namespace CurvilabFormat
