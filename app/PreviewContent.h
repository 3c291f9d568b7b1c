#pragma once
// What the preview shows of an acquisition: its curves on the screen it was taken on (or channel 2
// against channel 1), its measurements as tables of texts, the cursors and their readouts, laid
// out in one picture. Plain functions of what is shown: the window, its picture out and the
// benchmark draw the same.
#include <windows.h>
#include <array>
#include <string>
#include <vector>

#include "acquisition/Acquisition.h"
#include "app/Plotter.h"

constexpr COLORREF kChannelColours[4] = {RGB(0, 0, 200), RGB(200, 0, 0), RGB(0, 130, 0),
                                         RGB(190, 110, 0)};

// The grid an acquisition is drawn on: its screen's time axis; each channel's volts on the
// screen's divisions up at its scale around its offset, or 1 V a division when the scale cannot
// be an instrument's (an unreadable header).
PlotAxis TimeAxisOf(const Acquisition& acquisition);
PlotAxis ChannelAxisOf(const Acquisition& acquisition, std::size_t channel);

// Two time cursors and two level cursors. A level is in divisions above the centre line, so that
// each channel reads it in its own volts.
struct Cursors {
    bool Shown = false;
    std::array<double, 2> Times{};
    std::array<double, 2> Levels{};
    int Selected = 0; // 0 and 1 the time cursors, 2 and 3 the levels
};
// At a fifth and four fifths of the screen across, two divisions below and above its centre.
Cursors StartingCursors(const Acquisition& shown);
// The selected cursor moved by `steps` of a 25th of a division (one converter count for a
// level), or of one sample with `fine`; kept on the screen.
void MoveCursor(Cursors& cursors, const Acquisition& shown, int steps, bool fine);

// Where a level cursor lies on a channel's axis.
double LevelValue(const PlotAxis& axis, double level);

// Every texts of the picture, as the window's hidden controls also carry them.
struct PreviewTexts {
    // Row 0: the channels' names; then one row a measurement: its name, each channel's value
    // or "— (reason)", then the reference's channels' after the columns of two channels at least
    // (in columns 3 and 4 when two or fewer are shown).
    std::vector<std::vector<std::wstring>> Measures;
    std::size_t Channels = 0;  // of the acquisition shown
    std::wstring Phase, Delay; // empty with one channel
    // Row 0: t1, t2, Δt, 1/Δt; then a row a channel: its name, its values under t1 and t2, ΔV.
    std::vector<std::vector<std::wstring>> Cursors;
};
// Takes the measurements of `shown` and of `reference`, the first time they are asked for.
PreviewTexts PreviewTextsOf(const Acquisition& shown, const Cursors& cursors,
                            const Acquisition* reference = nullptr);

// What the picture shows beside the acquisition.
struct PreviewView {
    bool XY = false;
    int MouseSample = -1;                   // the sample under the mouse, -1 when none
    std::wstring Banner;                    // "Lecture en cours…"
    const Acquisition* Reference = nullptr; // drawn paler, behind
};

// Where the graph lies in a picture of `box` at `dpi`: the measurement tables take what they
// need below it.
RECT PreviewGraphBox(const RECT& box, const PreviewTexts& texts, int dpi);
PlotDescription PreviewPlot(const Acquisition* shown, const Cursors& cursors,
                            const PreviewView& view);
// The whole picture: the graph, then the tables; `shown` null when there is no acquisition (a
// reference alone is then drawn on its own grid).
void DrawPreview(HDC dc, const RECT& box, int dpi, const Acquisition* shown,
                 const PreviewTexts& texts, const Cursors& cursors, const PreviewView& view);
