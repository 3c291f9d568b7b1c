#pragma once
// What the preview shows of an acquisition: its curves on the instrument's screen (or channel 2
// against channel 1), its measurements as tables of texts, the cursors and their readouts, laid
// out in one picture. Plain functions of what is shown: the window, its picture out and the
// benchmark draw the same.
#include <windows.h>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/Measurements.h"
#include "acquisition/Record.h"
#include "app/Plotter.h"
#include "export/DataTable.h"

constexpr COLORREF kChannelColours[2] = {RGB(0, 0, 200), RGB(200, 0, 0)};

// The settings in force as the main window shows them: "5ms/div", "200mV/div".
struct PreviewSettings {
    std::string TimeBase, Sensitivity1, Sensitivity2;
};

// One acquisition as the preview shows it, with its measurements taken once.
struct ShownAcquisition {
    struct Channel {
        std::string Name;            // 1252
        std::string SensitivityText; // 1252: "200mV/div"; empty for a file
        double VoltsPerDivision = 1;
        PlotAxis Axis; // its vertical axis on the grid
        ChannelSamples Samples;
        ChannelMeasures Measures;
    };
    std::vector<Channel> Channels; // one or two
    std::string TimeBaseText;      // 1252: "5ms/div"; empty for a file
    double SecondsPerDivision = 1;
    PlotAxis Time;
    std::wstring FileName;              // an opened file's; empty for the held acquisition
    std::optional<PhaseMeasures> Phase; // with two channels
};

// The held acquisition with the settings the main window shows, on the instrument's screen. A
// time step or a sensitivity that cannot be right measures no time, or none of that channel's
// voltages.
ShownAcquisition ShowAcquisition(const AcquisitionRecord& record, const PreviewSettings& settings);
// A table read back from a file, on a grid of 1-2-5 steps that fits its values: a file carries no
// instrument settings. Throws EDataFileError when it holds no acquisition.
ShownAcquisition ShowTable(const DataTable& table, const std::wstring& fileName);

// Two time cursors and two level cursors. A level is in divisions above the centre line, so that
// each channel reads it in its own volts.
struct Cursors {
    bool Shown = false;
    std::array<double, 2> Times{};
    std::array<double, 2> Levels{};
    int Selected = 0; // 0 and 1 the time cursors, 2 and 3 the levels
};
// At 2 and 8 divisions across, 2 divisions below and above the grid's centre line.
Cursors StartingCursors(const ShownAcquisition& shown);
// The selected cursor moved by `steps` of a 25th of a division (one converter count for a
// level), or of one sample with `fine`; kept on the screen.
void MoveCursor(Cursors& cursors, const ShownAcquisition& shown, int steps, bool fine);

// Where a level cursor lies on a channel's axis.
double LevelValue(const PlotAxis& axis, double level);

// Every texts of the picture, as the window's hidden controls also carry them.
struct PreviewTexts {
    // Row 0: the channels' names; then one row a measurement: its name, each channel's value
    // or "— (reason)", then the reference's channels' in columns 3 and 4.
    std::vector<std::vector<std::wstring>> Measures;
    std::wstring Phase, Delay; // empty with one channel
    // Row 0: t1, t2, Δt, 1/Δt; then a row a channel: its name, its values under t1 and t2, ΔV.
    std::vector<std::vector<std::wstring>> Cursors;
};
PreviewTexts PreviewTextsOf(const ShownAcquisition& shown, const Cursors& cursors,
                            const ShownAcquisition* reference = nullptr);

// What the picture shows beside the acquisition.
struct PreviewView {
    bool XY = false;
    int MouseSample = -1;                        // the sample under the mouse, -1 when none
    std::wstring Banner;                         // "Lecture en cours…"
    const ShownAcquisition* Reference = nullptr; // drawn paler, behind
};

// Where the graph lies in a picture of `box` at `dpi`: the measurement tables take what they
// need below it.
RECT PreviewGraphBox(const RECT& box, const PreviewTexts& texts, int dpi);
PlotDescription PreviewPlot(const ShownAcquisition* shown, const Cursors& cursors,
                            const PreviewView& view);
// The whole picture: the graph, then the tables; `shown` null when there is no acquisition (a
// reference alone is then drawn on its own grid).
void DrawPreview(HDC dc, const RECT& box, int dpi, const ShownAcquisition* shown,
                 const PreviewTexts& texts, const Cursors& cursors, const PreviewView& view);
