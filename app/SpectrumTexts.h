#pragma once
// A harmonic table as the spectrum window says it, in 1252 text: the rows it draws under the
// spectrum, and the same rows as "Copier le tableau" puts them on the clipboard, TAB-separated,
// numbers without their units (which go to the headers) and with the user's decimal separator.
// Portable.
#include <string>
#include <vector>

#include "acquisition/Spectrum.h"

using TextRows = std::vector<std::vector<std::string>>;

// A header row, H1 to H10 (frequency, volts RMS, level against H1, phase against H1; "—" and the
// reason for a harmonic at or above half the sampling rate), then the DC level, THD and THD+N,
// each with what may be said of it: at the converter's floor, or clipped. A table without values
// is one row saying why. `plain`: numbers as a spreadsheet reads them.
TextRows HarmonicRows(const HarmonicTable& table, bool plain);

// The rows, cells joined by TAB, rows ended by CR LF.
std::string TabSeparated(const TextRows& rows);
