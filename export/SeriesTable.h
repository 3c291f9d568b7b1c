#pragma once
// A series of measurements as a table: for each frequency, each channel's peak-to-peak voltage,
// the gain and the phase shift. Its variables, in this order, tell it from any other table:
// "f" (Hz, fréquence), one per channel named after the channel (V, tension crête à crête),
// "G" (dB, gain), "phi" (°, déphasage).
#include <array>
#include <optional>
#include <string>
#include <vector>

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

// The series a table holds, or nothing when its variables are not a series'. Throws
// std::invalid_argument for a table of uneven shape.
std::optional<Series> FindSeries(const DataTable& table);
