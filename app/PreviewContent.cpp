#include "app/PreviewContent.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "app/MeasureTexts.h"
#include "common/NumberText.h"
#include "common/Text1252.h"
#include "ui/Handles.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

constexpr int kCursorStepsPerDivision = 25; // a converter count on the level cursors
constexpr COLORREF kCursorColour = RGB(0, 130, 0);
constexpr COLORREF kMouseColour = RGB(150, 150, 150);
constexpr std::size_t kFirstBlockRows = 8; // the names, then the levels; then the times

struct Quantity {
    const char* Name; // UTF-8 source text
    const char* Unit;
    Measure ChannelMeasures::*Field;
};

constexpr Quantity kQuantities[] = {
    {"Minimum", "V", &ChannelMeasures::Minimum},
    {"Maximum", "V", &ChannelMeasures::Maximum},
    {"Crête à crête", "V", &ChannelMeasures::PeakToPeak},
    {"Niveau haut", "V", &ChannelMeasures::Top},
    {"Niveau bas", "V", &ChannelMeasures::Base},
    {"Moyenne", "V", &ChannelMeasures::Mean},
    {"Efficace", "V", &ChannelMeasures::Rms},
    {"Période", "s", &ChannelMeasures::Period},
    {"Fréquence", "Hz", &ChannelMeasures::Frequency},
    {"Temps de montée", "s", &ChannelMeasures::RiseTime},
    {"Temps de descente", "s", &ChannelMeasures::FallTime},
    {"Largeur positive", "s", &ChannelMeasures::PositiveWidth},
    {"Largeur négative", "s", &ChannelMeasures::NegativeWidth},
    {"Rapport cyclique", "%", &ChannelMeasures::DutyCycle},
};

std::wstring W(const char* utf8) { return Wide(Cp1252(utf8)); }

std::wstring ValueText(double value, const std::string& unit) {
    if (unit == "%") return ScreenText(FormatGeneral(value, 3, 1, DecimalSeparator()) + " %");
    return ScreenText(EngineeringText(value, unit));
}

std::wstring MeasureText(const Measure& measure, const std::string& unit) {
    if (measure.Value) return ValueText(*measure.Value, unit);
    if (measure.Reason == Why::None) return W("—");
    return W("— (") + Wide(ReasonText(measure.Reason)) + L")";
}

bool Mean(const Quantity& q) {
    return q.Field == &ChannelMeasures::Mean || q.Field == &ChannelMeasures::Rms;
}

std::wstring ChannelTitle(const Acquisition& acquisition, std::size_t c) {
    std::wstring title = Wide(acquisition.Channels()[c].Name);
    if (acquisition.Measures().Channels[c].Clipped) title += W(" (signal écrêté)");
    return title;
}

// The signal's times and values: a short record's first samples.
std::span<const double> SignalTimes(const Acquisition& acquisition) {
    return std::span(acquisition.Times()).first(acquisition.SignalRows());
}
std::span<const double> SignalValues(const Acquisition& acquisition, std::size_t c) {
    return std::span(acquisition.Samples(c).Values).first(acquisition.SignalRows());
}

// A file's scale was fitted to its values; an instrument's may be what an unreadable header gave.
bool BelievableScale(const Acquisition& acquisition, std::size_t c) {
    return acquisition.Source().Kind == SourceKind::File ||
           BelievableSensitivity(acquisition.Channels()[c].VoltsPerDivision);
}

// The value of a channel under a time cursor: its nearest sample's.
std::wstring ValueUnder(const Acquisition& acquisition, std::size_t c, double time) {
    if (!BelievableScale(acquisition, c)) return W("—");
    return ValueText(SignalValues(acquisition, c)[NearestSample(SignalTimes(acquisition), time)],
                     "V");
}

std::vector<TextBlock> Blocks(const PreviewTexts& texts) {
    std::vector<TextBlock> blocks;
    if (texts.Measures.empty()) return blocks;
    std::vector<COLORREF> colours = {RGB(0, 0, 0)};
    std::size_t shown = std::max<std::size_t>(texts.Channels, 2);
    for (std::size_t c = 0; c < shown; ++c) colours.push_back(kChannelColours[c]);
    for (COLORREF colour : kChannelColours) colours.push_back(Paler(colour));
    TextBlock first{{}, colours, {}}, second{{}, colours, {}};
    const auto& rows = texts.Measures;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r < kFirstBlockRows) first.Rows.push_back(rows[r]);
        if (r == 0 || r >= kFirstBlockRows) second.Rows.push_back(rows[r]);
    }
    blocks.push_back(first);
    blocks.push_back(second);
    TextBlock notes;
    notes.Rows.push_back({W("Moyenne et efficace sur des périodes entières ; "
                            "* sur tout l'enregistrement, faute de période")});
    if (!texts.Phase.empty()) notes.Rows.push_back({texts.Phase});
    if (!texts.Delay.empty()) notes.Rows.push_back({texts.Delay});
    blocks.push_back(notes);
    if (!texts.Cursors.empty()) blocks.push_back({texts.Cursors, {}, colours});
    return blocks;
}

int TablesHeightOnScreen(const std::vector<TextBlock>& blocks, int width, int dpi) {
    WindowDc screen(nullptr);
    return TablesHeight(screen.get(), blocks, width, dpi);
}

} // namespace

PlotAxis TimeAxisOf(const Acquisition& acquisition) {
    const AcquisitionScreen& screen = acquisition.Screen();
    return TimeAxis(screen.SecondsPerDivision, screen.DivisionsAcross, screen.LeftTime);
}

PlotAxis ChannelAxisOf(const Acquisition& acquisition, std::size_t channel) {
    int divisions = acquisition.Screen().DivisionsUp;
    if (!BelievableScale(acquisition, channel)) return VoltageAxis(1, divisions);
    const AcquisitionChannel& c = acquisition.Channels()[channel];
    return VoltageAxis(c.VoltsPerDivision, divisions, c.Offset);
}

double LevelValue(const PlotAxis& axis, double level) {
    return axis.ValueAt(0.5 + level / axis.Divisions);
}

Cursors StartingCursors(const Acquisition& shown) {
    PlotAxis time = TimeAxisOf(shown);
    Cursors cursors;
    cursors.Times = {time.ValueAt(0.2), time.ValueAt(0.8)};
    cursors.Levels = {-2, 2};
    return cursors;
}

void MoveCursor(Cursors& cursors, const Acquisition& shown, int steps, bool fine) {
    int which = std::clamp(cursors.Selected, 0, 3);
    PlotAxis time = TimeAxisOf(shown);
    if (which < 2) {
        double sample = shown.Times()[1] - shown.Times()[0];
        double step = fine ? sample : time.PerDivision / kCursorStepsPerDivision;
        double& at = cursors.Times[std::size_t(which)];
        at = std::clamp(at + steps * step, time.LineValue(0), time.LineValue(time.Divisions));
    } else {
        double half = shown.Screen().DivisionsUp / 2.0;
        double& level = cursors.Levels[std::size_t(which - 2)];
        level = std::clamp(level + double(steps) / kCursorStepsPerDivision, -half, half);
    }
}

PreviewTexts PreviewTextsOf(const Acquisition& shown, const Cursors& cursors,
                            const Acquisition* reference) {
    PreviewTexts texts;
    std::size_t channels = shown.Channels().size();
    texts.Channels = channels;
    // The reference's columns follow those of two channels at least.
    auto withReference = [&](std::vector<std::wstring> row, auto text) {
        if (!reference) return row;
        row.resize(1 + std::max<std::size_t>(channels, 2));
        for (std::size_t c = 0; c < reference->Channels().size(); ++c)
            row.push_back(text(*reference, c));
        return row;
    };
    std::vector<std::wstring> header{L""};
    for (std::size_t c = 0; c < channels; ++c) header.push_back(ChannelTitle(shown, c));
    texts.Measures.push_back(withReference(header, [](const Acquisition& a, std::size_t c) {
        return ChannelTitle(a, c) + W(" (référence)");
    }));
    for (const Quantity& q : kQuantities) {
        auto value = [&q](const Acquisition& a, std::size_t c) {
            const ChannelMeasures& measures = a.Measures().Channels[c];
            const Measure& measure = measures.*q.Field;
            std::wstring text = MeasureText(measure, q.Unit);
            if (Mean(q) && measure.Value && !measures.OverWholePeriods) text += L" *";
            return text;
        };
        std::vector<std::wstring> row{W(q.Name)};
        for (std::size_t c = 0; c < channels; ++c) row.push_back(value(shown, c));
        texts.Measures.push_back(withReference(row, value));
    }
    if (const auto& phase = shown.Measures().Phase) {
        const std::string& first = shown.Channels()[0].Name;
        const std::string& second = shown.Channels()[1].Name;
        texts.Phase = ScreenText(PhaseSentence(*phase, first, second));
        texts.Delay = W("Décalage de ") + Wide(second) + W(" par rapport à ") + Wide(first) +
                      L" : Δt = " + MeasureText(phase->Delay, "s");
    }
    if (cursors.Shown) {
        double dt = cursors.Times[1] - cursors.Times[0];
        std::wstring inverse = dt != 0 ? ValueText(1 / dt, "Hz") : W("—");
        texts.Cursors.push_back({W("Curseurs"), L"t1 = " + ValueText(cursors.Times[0], "s"),
                                 L"t2 = " + ValueText(cursors.Times[1], "s"),
                                 L"Δt = " + ValueText(dt, "s"), L"1/Δt = " + inverse});
        for (std::size_t c = 0; c < channels; ++c) {
            std::wstring name = Wide(shown.Channels()[c].Name);
            double dv =
                (cursors.Levels[1] - cursors.Levels[0]) * ChannelAxisOf(shown, c).PerDivision;
            std::wstring delta = BelievableScale(shown, c) ? ValueText(dv, "V") : W("—");
            texts.Cursors.push_back(
                {name, name + L"(t1) = " + ValueUnder(shown, c, cursors.Times[0]),
                 name + L"(t2) = " + ValueUnder(shown, c, cursors.Times[1]), L"ΔV = " + delta});
        }
    }
    return texts;
}

RECT PreviewGraphBox(const RECT& box, const PreviewTexts& texts, int dpi) {
    int width = int(box.right - box.left);
    int tables = TablesHeightOnScreen(Blocks(texts), width - Scaled(16, dpi), dpi);
    int minimum = Scaled(160, dpi);
    int bottom = std::max(int(box.bottom) - tables - Scaled(8, dpi), int(box.top) + minimum);
    return {box.left, box.top, box.right, bottom};
}

namespace {

// Channel 2 against channel 1, on channel 1's volts across as many divisions as the screen has.
PlotAxis AcrossAxis(const Acquisition& acquisition) {
    const PlotAxis up = ChannelAxisOf(acquisition, 0);
    int across = acquisition.Screen().DivisionsAcross;
    return {up.ValueAt(0.5) - across / 2.0 * up.PerDivision, up.PerDivision, across, false};
}

void AddXY(PlotDescription& plot, const Acquisition& acquisition, bool pale) {
    plot.Curves.push_back(
        {SignalValues(acquisition, 0), SignalValues(acquisition, 1), 0, kChannelColours[0], pale});
}

void AddCurves(PlotDescription& plot, const Acquisition& acquisition, bool pale) {
    for (std::size_t n = 0; n < acquisition.Channels().size(); ++n)
        plot.Curves.push_back({SignalTimes(acquisition), SignalValues(acquisition, n), int(n),
                               kChannelColours[n], pale});
}

void AddLegend(PlotDescription& plot, const Acquisition& acquisition, bool pale) {
    for (std::size_t n = 0; n < acquisition.Channels().size(); ++n) {
        const AcquisitionChannel& channel = acquisition.Channels()[n];
        std::string text = channel.Name;
        if (pale)
            text += Cp1252(" (référence)");
        else if (!channel.ScaleText.empty())
            text += " : " + channel.ScaleText;
        plot.Legend.push_back({kChannelColours[n], pale, Wide(text)});
    }
}

std::wstring SourceText(const Acquisition& acquisition) {
    if (acquisition.Source().Kind == SourceKind::File) return Wide(acquisition.Source().Instrument);
    return Wide("Base de temps : " + acquisition.Screen().TimeBaseText);
}

} // namespace

PlotDescription PreviewPlot(const Acquisition* shown, const Cursors& cursors,
                            const PreviewView& view) {
    PlotDescription plot;
    plot.X = TimeAxis(1);
    plot.Y.fill(VoltageAxis(1));
    plot.Banner = view.Banner;
    const Acquisition* reference = view.Reference;
    // Without an acquisition, a reference is drawn on its own grid.
    const Acquisition* grid = shown ? shown : reference;
    if (!grid) {
        if (view.Banner.empty()) plot.Message = L"Aucune acquisition";
        return plot;
    }
    std::size_t channels = grid->Channels().size();
    bool xy = view.XY && channels == 2;
    if (reference) AddLegend(plot, *reference, true);
    if (grid == shown) AddLegend(plot, *shown, false);
    if (xy) {
        plot.X = AcrossAxis(*grid);
        plot.Y[0] = ChannelAxisOf(*grid, 1);
        plot.XLabels = {true, "V", kChannelColours[0]};
        plot.YLabels[0] = {true, "V", kChannelColours[1]};
        if (reference && reference->Channels().size() == 2) AddXY(plot, *reference, true);
        if (grid == shown) AddXY(plot, *shown, false);
        return plot;
    }
    plot.X = TimeAxisOf(*grid);
    plot.LegendRight = SourceText(*grid);
    plot.XLabels = {true, "s", RGB(0, 0, 0)};
    for (std::size_t n = 0; n < channels; ++n) {
        plot.Y[n] = ChannelAxisOf(*grid, n);
        if (n < plot.YLabels.size()) plot.YLabels[n] = {true, "V", kChannelColours[n]};
    }
    // The reference's channels on the current ones' axes, in volts and seconds.
    if (reference) AddCurves(plot, *reference, true);
    for (PlotCurve& curve : plot.Curves) curve.Axis = std::min(curve.Axis, int(channels) - 1);
    if (grid != shown) return plot;
    AddCurves(plot, *shown, false);
    if (cursors.Shown) {
        for (int i = 0; i < 2; ++i)
            plot.Lines.push_back({true, cursors.Times[std::size_t(i)], 0, kCursorColour,
                                  cursors.Selected == i, L"t" + std::to_wstring(i + 1)});
        for (int i = 0; i < 2; ++i)
            plot.Lines.push_back({false, LevelValue(plot.Y[0], cursors.Levels[std::size_t(i)]), 0,
                                  kCursorColour, cursors.Selected == 2 + i,
                                  L"y" + std::to_wstring(i + 1)});
    }
    if (view.MouseSample >= 0 && std::size_t(view.MouseSample) < shown->SignalRows()) {
        auto sample = std::size_t(view.MouseSample);
        double time = shown->Times()[sample];
        plot.Lines.push_back({true, time, 0, kMouseColour, false, L""});
        std::wstring readout = L"t = " + ValueText(time, "s");
        for (std::size_t c = 0; c < channels; ++c)
            readout += L"     " + Wide(shown->Channels()[c].Name) + L" = " +
                       ValueText(shown->Samples(c).Values[sample], "V");
        plot.Footer = readout;
    }
    return plot;
}

void DrawPreview(HDC dc, const RECT& box, int dpi, const Acquisition* shown,
                 const PreviewTexts& texts, const Cursors& cursors, const PreviewView& view) {
    RECT graph = PreviewGraphBox(box, texts, dpi);
    DrawPlot(dc, graph, PreviewPlot(shown, cursors, view), dpi);
    int margin = Scaled(8, dpi);
    DrawTables(dc, {box.left + margin, graph.bottom + margin, box.right - margin, box.bottom},
               Blocks(texts), dpi);
}
