#pragma once
// The text of the DDE macros Curvilab sends: "Fonction(Paramètre)", one per execute.
#include <string>
#include <vector>

// Splits a command text into lines at CR, LF or CR LF; a line end at the very end adds no line
// and an empty text gives none.
std::vector<std::string> SplitCommandLines(const std::string& text);

// The function name in upper case (ASCII letters): the text before the first "(", or the whole
// line; only the first 255 characters of the line count.
std::string MacroFunctionName(const std::string& line);
