#include "app/PreviewContent.h"

#include <algorithm>
#include <cmath>

#include "common/NumberText.h"
#include "common/Text1252.h"
#include "export/DataReader.h"
#include "ui/Handles.h"
#include "ui/Wide.h"

namespace {

constexpr int kScreenDivisionsAcross = 10;
constexpr int kScreenDivisionsUp = 8;
constexpr int kCursorStepsPerDivision = 25; // a converter count on the level cursors
constexpr COLORREF kCursorColour = RGB(0, 130, 0);
constexpr COLORREF kMouseColour = RGB(150, 150, 150);
constexpr std::size_t kFirstBlockRows = 8; // the names, then the levels; then the times

// The instrument's screen holds 2000 samples across its 10 divisions.
double SecondsPerDivisionOf(const AcquisitionRecord& record) {
    return double(record.TimeStep) * 2000 / kScreenDivisionsAcross;
}

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
    return measure.Reason.empty() ? W("—") : W("— (") + Wide(measure.Reason) + L")";
}

bool Mean(const Quantity& q) {
    return q.Field == &ChannelMeasures::Mean || q.Field == &ChannelMeasures::Rms;
}

std::wstring ChannelTitle(const ShownAcquisition::Channel& channel) {
    std::wstring title = Wide(channel.Name);
    if (channel.Measures.Clipped) title += W(" (signal écrêté)");
    return title;
}

double SampleStep(const ShownAcquisition& shown) {
    const auto& times = shown.Channels.front().Samples.Times;
    return times.size() > 1 ? times[1] - times[0] : shown.SecondsPerDivision / 200;
}

// The value of a channel under a time cursor: its nearest sample's.
std::wstring ValueUnder(const ShownAcquisition::Channel& channel, double time) {
    const ChannelSamples& s = channel.Samples;
    if (s.Values.empty() || !BelievableSensitivity(channel.VoltsPerDivision)) return W("—");
    return ValueText(s.Values[std::size_t(NearestSample(s.Times, time))], "V");
}

std::vector<TextBlock> Blocks(const PreviewTexts& texts) {
    std::vector<TextBlock> blocks;
    if (texts.Measures.empty()) return blocks;
    std::vector<COLORREF> colours = {RGB(0, 0, 0), kChannelColours[0], kChannelColours[1],
                                     Paler(kChannelColours[0]), Paler(kChannelColours[1])};
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
    HDC screen = GetDC(nullptr);
    int height = TablesHeight(screen, blocks, width, dpi);
    ReleaseDC(nullptr, screen);
    return height;
}

void MeasureShown(ShownAcquisition& shown) {
    std::vector<const ChannelSamples*> samples;
    for (const auto& channel : shown.Channels) samples.push_back(&channel.Samples);
    RecordMeasures measures = MeasureRecord(samples);
    for (std::size_t n = 0; n < shown.Channels.size(); ++n)
        shown.Channels[n].Measures = measures.Channels[n];
    shown.Phase = measures.Phase;
}

} // namespace

ShownAcquisition ShowAcquisition(const AcquisitionRecord& record, const PreviewSettings& settings) {
    ShownAcquisition shown;
    shown.TimeBaseText = settings.TimeBase;
    shown.SecondsPerDivision = SecondsPerDivisionOf(record);
    shown.Time = TimeAxis(shown.SecondsPerDivision);
    int count = record.ChannelCount >= 2 ? 2 : 1;
    for (int n = 1; n <= count; ++n) {
        ShownAcquisition::Channel channel;
        channel.Name = record.Channel(n).Name;
        channel.SensitivityText = n == 1 ? settings.Sensitivity1 : settings.Sensitivity2;
        channel.VoltsPerDivision = record.Channel(n).Sensitivity;
        bool believable = BelievableSensitivity(channel.VoltsPerDivision);
        channel.Axis = VoltageAxis(believable ? channel.VoltsPerDivision : 1);
        channel.Samples = SamplesInVolts(record, n);
        shown.Channels.push_back(std::move(channel));
    }
    MeasureShown(shown);
    return shown;
}

ShownAcquisition ShowTable(const DataTable& table, const std::wstring& fileName) {
    AcquisitionColumns columns = FindAcquisitionColumns(table);
    if (table.RowCount() == 0)
        throw EDataFileError(0, Cp1252("le fichier ne contient aucune valeur"));
    ShownAcquisition shown;
    shown.FileName = fileName;
    const std::vector<double>& times = table.Columns[columns.Time];
    shown.Time = FittingAxis(times.front(), times.back(), kScreenDivisionsAcross);
    shown.SecondsPerDivision = shown.Time.PerDivision;
    for (std::size_t column : columns.Voltages) {
        ShownAcquisition::Channel channel;
        channel.Name = table.Variables[column].Name;
        channel.Samples.Times = times;
        channel.Samples.Values = table.Columns[column];
        auto [low, high] =
            std::minmax_element(channel.Samples.Values.begin(), channel.Samples.Values.end());
        channel.Axis = FittingAxis(*low, *high, kScreenDivisionsUp);
        channel.VoltsPerDivision = channel.Axis.PerDivision;
        shown.Channels.push_back(std::move(channel));
    }
    MeasureShown(shown);
    return shown;
}

double LevelValue(const PlotAxis& axis, double level) {
    return axis.ValueAt(0.5 + level / axis.Divisions);
}

Cursors StartingCursors(const ShownAcquisition& shown) {
    Cursors cursors;
    cursors.Times = {shown.Time.LineValue(2), shown.Time.LineValue(8)};
    cursors.Levels = {-2, 2};
    return cursors;
}

void MoveCursor(Cursors& cursors, const ShownAcquisition& shown, int steps, bool fine) {
    int which = std::clamp(cursors.Selected, 0, 3);
    if (which < 2) {
        double step = fine ? SampleStep(shown) : shown.SecondsPerDivision / kCursorStepsPerDivision;
        double& time = cursors.Times[std::size_t(which)];
        time = std::clamp(time + steps * step, shown.Time.LineValue(0),
                          shown.Time.LineValue(shown.Time.Divisions));
    } else {
        double& level = cursors.Levels[std::size_t(which - 2)];
        level = std::clamp(level + double(steps) / kCursorStepsPerDivision,
                           -kScreenDivisionsUp / 2.0, kScreenDivisionsUp / 2.0);
    }
}

PreviewTexts PreviewTextsOf(const ShownAcquisition& shown, const Cursors& cursors,
                            const ShownAcquisition* reference) {
    PreviewTexts texts;
    if (shown.Channels.empty()) return texts;
    // The reference's columns are always the fourth and the fifth.
    auto withReference = [&](std::vector<std::wstring> row, auto text) {
        if (!reference) return row;
        row.resize(3);
        for (const auto& channel : reference->Channels) row.push_back(text(channel));
        return row;
    };
    std::vector<std::wstring> header{L""};
    for (const auto& channel : shown.Channels) header.push_back(ChannelTitle(channel));
    texts.Measures.push_back(withReference(header, [](const ShownAcquisition::Channel& channel) {
        return ChannelTitle(channel) + W(" (référence)");
    }));
    for (const Quantity& q : kQuantities) {
        auto value = [&q](const ShownAcquisition::Channel& channel) {
            const Measure& measure = channel.Measures.*q.Field;
            std::wstring text = MeasureText(measure, q.Unit);
            if (Mean(q) && measure.Value && !channel.Measures.OverWholePeriods) text += L" *";
            return text;
        };
        std::vector<std::wstring> row{W(q.Name)};
        for (const auto& channel : shown.Channels) row.push_back(value(channel));
        texts.Measures.push_back(withReference(row, value));
    }
    if (shown.Phase) {
        const std::string& first = shown.Channels[0].Name;
        const std::string& second = shown.Channels[1].Name;
        texts.Phase = ScreenText(PhaseSentence(*shown.Phase, first, second));
        texts.Delay = W("Décalage de ") + Wide(second) + W(" par rapport à ") + Wide(first) +
                      L" : Δt = " + MeasureText(shown.Phase->Delay, "s");
    }
    if (cursors.Shown) {
        double dt = cursors.Times[1] - cursors.Times[0];
        std::wstring inverse = dt != 0 ? ValueText(1 / dt, "Hz") : W("—");
        texts.Cursors.push_back({W("Curseurs"), L"t1 = " + ValueText(cursors.Times[0], "s"),
                                 L"t2 = " + ValueText(cursors.Times[1], "s"),
                                 L"Δt = " + ValueText(dt, "s"), L"1/Δt = " + inverse});
        for (const auto& channel : shown.Channels) {
            std::wstring name = Wide(channel.Name);
            double dv = (cursors.Levels[1] - cursors.Levels[0]) * channel.Axis.PerDivision;
            std::wstring delta =
                BelievableSensitivity(channel.VoltsPerDivision) ? ValueText(dv, "V") : W("—");
            texts.Cursors.push_back(
                {name, name + L"(t1) = " + ValueUnder(channel, cursors.Times[0]),
                 name + L"(t2) = " + ValueUnder(channel, cursors.Times[1]), L"ΔV = " + delta});
        }
    }
    return texts;
}

RECT PreviewGraphBox(const RECT& box, const PreviewTexts& texts, int dpi) {
    int width = int(box.right - box.left);
    int tables = TablesHeightOnScreen(Blocks(texts), width - MulDiv(16, dpi, 96), dpi);
    int minimum = MulDiv(160, dpi, 96);
    int bottom = std::max(int(box.bottom) - tables - MulDiv(8, dpi, 96), int(box.top) + minimum);
    return {box.left, box.top, box.right, bottom};
}

namespace {

// Channel 2 against channel 1: the instrument's XY screen, or a fitting grid for a file.
void AddXY(PlotDescription& plot, const ShownAcquisition& shown, bool pale) {
    const auto& channels = shown.Channels;
    plot.Curves.push_back(
        {channels[0].Samples.Values, channels[1].Samples.Values, 0, kChannelColours[0], pale});
}

PlotAxis AcrossAxis(const ShownAcquisition::Channel& channel) {
    const PlotAxis& up = channel.Axis;
    return {up.ValueAt(0.5) - kScreenDivisionsAcross / 2.0 * up.PerDivision, up.PerDivision,
            kScreenDivisionsAcross, false};
}

void AddCurves(PlotDescription& plot, const ShownAcquisition& shown, bool pale) {
    for (std::size_t n = 0; n < shown.Channels.size(); ++n) {
        const auto& channel = shown.Channels[n];
        plot.Curves.push_back(
            {channel.Samples.Times, channel.Samples.Values, int(n), kChannelColours[n], pale});
    }
}

void AddLegend(PlotDescription& plot, const ShownAcquisition& shown, bool pale) {
    for (std::size_t n = 0; n < shown.Channels.size(); ++n) {
        const auto& channel = shown.Channels[n];
        std::string text = channel.Name;
        if (pale)
            text += Cp1252(" (référence)");
        else if (!channel.SensitivityText.empty())
            text += " : " + channel.SensitivityText;
        plot.Legend.push_back({kChannelColours[n], pale, Wide(text)});
    }
}

} // namespace

PlotDescription PreviewPlot(const ShownAcquisition* shown, const Cursors& cursors,
                            const PreviewView& view) {
    PlotDescription plot;
    plot.X = TimeAxis(shown ? shown->SecondsPerDivision : 1);
    plot.Y = {VoltageAxis(1), VoltageAxis(1)};
    plot.Banner = view.Banner;
    const ShownAcquisition* reference = view.Reference;
    // Without an acquisition, a reference is drawn on its own grid.
    const ShownAcquisition* grid = shown && !shown->Channels.empty() ? shown : reference;
    if (!grid || grid->Channels.empty()) {
        if (view.Banner.empty()) plot.Message = L"Aucune acquisition";
        return plot;
    }
    const auto& channels = grid->Channels;
    bool xy = view.XY && channels.size() == 2;
    if (reference) AddLegend(plot, *reference, true);
    if (grid == shown) AddLegend(plot, *shown, false);
    if (xy) {
        plot.X = AcrossAxis(channels[0]);
        plot.Y[0] = channels[1].Axis;
        plot.XLabels = {true, "V", kChannelColours[0]};
        plot.YLabels[0] = {true, "V", kChannelColours[1]};
        if (reference && reference->Channels.size() == 2) AddXY(plot, *reference, true);
        if (grid == shown) AddXY(plot, *shown, false);
        return plot;
    }
    plot.X = grid->Time;
    plot.LegendRight =
        grid->FileName.empty() ? Wide("Base de temps : " + grid->TimeBaseText) : grid->FileName;
    plot.XLabels = {true, "s", RGB(0, 0, 0)};
    for (std::size_t n = 0; n < channels.size(); ++n) {
        plot.Y[n] = channels[n].Axis;
        plot.YLabels[n] = {true, "V", kChannelColours[n]};
    }
    // The reference's channels on the current ones' axes, in volts and seconds.
    if (reference) AddCurves(plot, *reference, true);
    for (PlotCurve& curve : plot.Curves)
        curve.Axis = std::min(curve.Axis, int(channels.size()) - 1);
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
    if (view.MouseSample >= 0 && std::size_t(view.MouseSample) < channels[0].Samples.Times.size()) {
        auto sample = std::size_t(view.MouseSample);
        double time = channels[0].Samples.Times[sample];
        plot.Lines.push_back({true, time, 0, kMouseColour, false, L""});
        std::wstring readout = L"t = " + ValueText(time, "s");
        for (const auto& channel : channels)
            readout +=
                L"     " + Wide(channel.Name) + L" = " +
                ValueText(
                    channel.Samples.Values[std::min(sample, channel.Samples.Values.size() - 1)],
                    "V");
        plot.Footer = readout;
    }
    return plot;
}

void DrawPreview(HDC dc, const RECT& box, int dpi, const ShownAcquisition* shown,
                 const PreviewTexts& texts, const Cursors& cursors, const PreviewView& view) {
    RECT graph = PreviewGraphBox(box, texts, dpi);
    DrawPlot(dc, graph, PreviewPlot(shown, cursors, view), dpi);
    int margin = MulDiv(8, dpi, 96);
    DrawTables(dc, {box.left + margin, graph.bottom + margin, box.right - margin, box.bottom},
               Blocks(texts), dpi);
}
