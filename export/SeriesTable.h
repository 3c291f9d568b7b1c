#pragma once
// A series of measurements as a table: for each frequency, each channel's peak-to-peak voltage,
// the gain and the phase shift. Its variables, in this order, tell it from any other table:
// "f" (Hz, fréquence), one per channel named after the channel (V, tension crête à crête),
// "G" (dB, gain), "phi" (°, déphasage).
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/Series.h"
#include "export/DataTable.h"

struct SeriesPoint {
    double Frequency = 0;               // Hz
    std::array<double, 2> PeakToPeak{}; // V, for the series' channels in order
    double Gain = 0;                    // dB
    double Phase = 0;                   // degrees
};

struct Series {
    std::vector<std::string> ChannelNames; // one or two
    std::vector<SeriesPoint> Points;
};

// "Série de mesures", the page comment of a series.
std::string SeriesComment();

// The table of a series, its comment SeriesComment(). Throws std::invalid_argument for other
// than one or two channels.
DataTable SeriesTable(const Series& series, const std::string& programPath);

// The series a table holds, or nothing when its variables are not a series'; phases come back
// within ]-180°, 180°]. Throws EDataFileError for a frequency of 0 or less or a phase beyond
// ±3600°, std::invalid_argument for a table of uneven shape.
std::optional<Series> FindSeries(const DataTable& table);

// The series of the window's complete rows, in order of frequency, for its file and its page.
Series SeriesOfRows(const std::vector<std::string>& channelNames,
                    const std::vector<SeriesRow>& rows);

// The running series as the program keeps it between its rows, so that a program killed loses
// none: every row with all it holds (number, time, time base, values or the codes of why they are
// missing). 1252 text, a line a row.
std::string SeriesRecoveryText(const std::vector<std::string>& channelNames,
                               const std::vector<SeriesRow>& rows);
struct RecoveredSeries {
    std::vector<std::string> ChannelNames;
    std::vector<SeriesRow> Rows;
};
// What such a text holds; nothing when it is not one. A damaged line (a phase beyond ±3600° among
// them) is left out.
std::optional<RecoveredSeries> ReadSeriesRecovery(const std::string& text);
