#include "app/SpectrumForm.h"

#include <algorithm>
#include <cmath>
#include <windowsx.h>

#include "app/MeasureTexts.h"
#include "app/PreviewContent.h"
#include "app/SpectrumTexts.h"
#include "common/NumberText.h"
#include "common/Text1252.h"
#include "export/Clipboard.h"
#include "export/DataFile.h"
#include "export/FileSave.h"
#include "export/TransferText.h"
#include "ui/FileDialog.h"
#include "ui/MessageDialog.h"
#include "ui/SystemSettings.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

constexpr int kWidth = 900, kHeight = 720, kMinimumWidth = 560, kMinimumHeight = 480;
constexpr int kMargin = 6;
constexpr COLORREF kMouseColour = RGB(150, 150, 150);
constexpr double kDbvRange = 100; // the dBV axis: 10 divisions of 10 dB under its top

enum class Kind { Button, Check, Label, List };

struct Tool {
    int Id;
    Kind What;
    const char* Text;  // UTF-8 source text; "&" marks the Alt letter
    int ListWidth = 0; // a list's width at 96 dpi
};

constexpr Tool kTools[] = {
    {TSpectrumForm::idWindowLabel, Kind::Label, "&Fenêtre :"},
    {TSpectrumForm::idWindowCombo, Kind::List, "", 110},
    {TSpectrumForm::idUnitLabel, Kind::Label, "&Unité :"},
    {TSpectrumForm::idUnitCombo, Kind::List, "", 100},
    {TSpectrumForm::idLogCheck, Kind::Check, "Fréquences en é&chelle log"},
    {TSpectrumForm::idChannelLabel, Kind::Label, "&Harmoniques de :"},
    {TSpectrumForm::idChannelCombo, Kind::List, "", 110},
    {TSpectrumForm::idCopyTableBtn, Kind::Button, "Copier le &tableau"},
    {TSpectrumForm::idSendBtn, Kind::Button, "En&voyer vers Curvilab"},
    {TSpectrumForm::idSaveBtn, Kind::Button, "Enregistrer le &spectre…"},
    {TSpectrumForm::idCopyImageBtn, Kind::Button, "C&opier l'image"},
    {TSpectrumForm::idSaveImageBtn, Kind::Button, "Enregistrer l'&image…"},
};

// In the order of SpectrumWindow and SpectrumUnit.
const char* const kWindowNames[] = {"Flat-top", "Hann", "Rectangulaire"};
const char* const kUnitNames[] = {"dBV", "V efficaces"};

ControlSpec ToolSpec(const Tool& tool) {
    switch (tool.What) {
    case Kind::Button:
        return {L"BUTTON", Cp1252(tool.Text), BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 10, 10, tool.Id};
    case Kind::Check:
        return {L"BUTTON", Cp1252(tool.Text), BS_AUTOCHECKBOX | WS_TABSTOP, 0, 0, 10, 10, tool.Id};
    case Kind::Label:
        return {L"STATIC", Cp1252(tool.Text), SS_LEFT | SS_CENTERIMAGE, 0, 0, 10, 10, tool.Id};
    case Kind::List: break;
    }
    return {L"COMBOBOX", "",     CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, 0, tool.ListWidth,
            10,          tool.Id};
}

void FillList(HWND list, const std::vector<std::string>& items, std::size_t selected) {
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    SendMessageW(list, CB_SETCURSEL, WPARAM(selected), 0);
}

std::size_t Selected(HWND list) {
    LRESULT at = SendMessageW(list, CB_GETCURSEL, 0, 0);
    return at == CB_ERR ? 0 : std::size_t(at);
}

std::wstring W(const std::string& text1252) { return ScreenText(text1252); }

std::string LevelText(SpectrumUnit unit, double voltsRms) {
    if (unit == SpectrumUnit::VoltsRms) return EngineeringText(voltsRms, "V");
    return FormatGeneral(LevelIn(unit, voltsRms), 4, 1, DecimalSeparator()) + " dBV";
}

const std::vector<Spectrum>* SpectraOf(const std::vector<Spectrum>& spectra) {
    return spectra.empty() || spectra.front().Reason != Why::None ? nullptr : &spectra;
}

} // namespace

TSpectrumForm::TSpectrumForm(
    const CommandState& state,
    std::function<void(const std::string& page, const std::string& what)> sendPage)
    : ToolWindow({kClassName, "Spectre", kWidth, kHeight, kMinimumWidth, kMinimumHeight}),
      state_(state), sendPage_(std::move(sendPage)) {}

void TSpectrumForm::Show(HWND owner, AcquisitionPtr shown, AcquisitionPtr reference) {
    bool created = Create(owner);
    Follow(std::move(shown), std::move(reference));
    if (created) ShowWindow(Window(), SW_SHOW);
}

void TSpectrumForm::Follow(AcquisitionPtr shown, AcquisitionPtr reference) {
    if (!Window() || (shown == shown_ && reference == reference_ && shown_)) return;
    bool sameChannels = shown && shown_ && shown->Channels().size() == shown_->Channels().size();
    shown_ = std::move(shown);
    reference_ = std::move(reference);
    if (!sameChannels) channel_ = 0;
    Compute();
}

void TSpectrumForm::CreateControls() {
    for (const Tool& tool : kTools) CreateControl(Window(), ToolSpec(tool));
    std::vector<std::string> windows, units;
    for (const char* name : kWindowNames) windows.push_back(Cp1252(name));
    for (const char* name : kUnitNames) units.push_back(Cp1252(name));
    FillList(GetDlgItem(Window(), idWindowCombo), windows, std::size_t(window_));
    FillList(GetDlgItem(Window(), idUnitCombo), units, std::size_t(unit_));
    Button_SetCheck(GetDlgItem(Window(), idLogCheck), logarithmic_ ? BST_CHECKED : BST_UNCHECKED);
    plot_ = std::make_unique<PlotView>(
        Window(), idPlotView,
        PlotView::Events{[this](HDC dc, const RECT& box, int dpi) { Draw(dc, box, dpi, true); },
                         [this](UINT message, POINT at) { OnMouse(message, at); },
                         [](UINT) { return false; }, [] { return UINT(0); }});
}

void TSpectrumForm::PlaceControls() {
    RECT client{};
    GetClientRect(Window(), &client);
    int dpi = Dpi(), margin = Scaled(kMargin, dpi);
    std::vector<HWND> row;
    for (const Tool& tool : kTools) row.push_back(GetDlgItem(Window(), tool.Id));
    int bottom = FlowControls(row, {margin, margin, client.right - margin, client.bottom}, dpi);
    int top = bottom + margin;
    MoveWindow(plot_->Window(), 0, top, client.right, std::max(int(client.bottom) - top, 1), TRUE);
}

std::vector<std::string> TSpectrumForm::ChannelNames() const {
    std::vector<std::string> names;
    if (shown_)
        for (const AcquisitionChannel& channel : shown_->Channels()) names.push_back(channel.Name);
    return names;
}

void TSpectrumForm::FillChannels() {
    channel_ = std::min(channel_, std::max<std::size_t>(ChannelNames().size(), 1) - 1);
    FillList(GetDlgItem(Window(), idChannelCombo), ChannelNames(), channel_);
}

// The record's signal rows only: a short HM record's padding is no signal.
void TSpectrumForm::Compute() {
    spectra_.clear();
    referenceSpectra_.clear();
    table_ = {};
    auto spectraOf = [this](const Acquisition& acquisition, std::vector<Spectrum>& into) {
        for (std::size_t c = 0; c < acquisition.Channels().size(); ++c)
            into.push_back(SpectrumOf(acquisition.Samples(c), window_, acquisition.SignalRows()));
    };
    if (shown_) spectraOf(*shown_, spectra_);
    if (reference_) spectraOf(*reference_, referenceSpectra_);
    FillChannels();
    MakeTable();
    MakeTraces();
    StateChanged();
}

// The fundamental the preview measured, when it has one.
void TSpectrumForm::MakeTable() {
    table_ = {};
    if (spectra_.empty()) return;
    channel_ = std::min(channel_, spectra_.size() - 1);
    table_ = HarmonicsOf(spectra_[channel_], shown_->Measures().Channels[channel_].Frequency.Value);
}

void TSpectrumForm::MakeTraces() {
    traces_.clear();
    auto add = [this](const std::vector<Spectrum>& spectra, bool pale) {
        for (std::size_t c = 0; c < spectra.size(); ++c) {
            const Spectrum& s = spectra[c];
            if (s.Reason != Why::None) continue;
            Trace trace{{}, {}, kChannelColours[c % 4], pale};
            // A logarithmic axis has no place for the DC bin.
            for (std::size_t bin = logarithmic_ ? 1 : 0; bin < s.Levels.size(); ++bin) {
                trace.Frequencies.push_back(s.FrequencyOf(bin));
                trace.Levels.push_back(LevelIn(unit_, s.Levels[bin]));
            }
            traces_.push_back(std::move(trace));
        }
    };
    add(referenceSpectra_, true);
    add(spectra_, false);
    if (plot_) plot_->Invalidate();
}

PlotDescription TSpectrumForm::Plot(bool withMouse) const {
    PlotDescription plot;
    const std::vector<Spectrum>* spectra = SpectraOf(spectra_);
    if (!spectra) {
        plot.Message = !shown_ ? W("Aucune acquisition")
                               : W("Pas de spectre : " + ReasonText(spectra_.front().Reason));
        return plot;
    }
    const Spectrum& first = spectra->front();
    double highest = first.FrequencyOf(first.Levels.size() - 1);
    plot.X = logarithmic_ ? DecadeAxis(first.BinWidth, highest) : FittingAxis(0, highest, 10);
    bool dbv = unit_ == SpectrumUnit::Dbv;
    double loudest = dbv ? -kDbvRange : 0;
    for (const Trace& trace : traces_)
        for (double level : trace.Levels) loudest = std::max(loudest, level);
    double top = 10 * std::ceil(loudest / 10);
    plot.Y[0] = dbv ? PlotAxis{top - kDbvRange, kDbvRange / 10, 10} : FittingAxis(0, loudest, 10);
    plot.XLabels = {true, "Hz"};
    plot.YLabels[0] = {true, dbv ? "dBV" : "V"};
    for (const Trace& trace : traces_)
        plot.Curves.push_back({trace.Frequencies, trace.Levels, 0, trace.Colour, trace.Pale});
    std::vector<std::string> names = ChannelNames();
    for (std::size_t c = 0; c < names.size(); ++c)
        plot.Legend.push_back({kChannelColours[c % 4], false, W(names[c])});
    if (reference_) plot.Legend.push_back({kChannelColours[0], true, W(Cp1252("référence"))});
    plot.LegendRight = W(Cp1252("Fenêtre ") + Cp1252(kWindowNames[int(window_)]));
    std::string footer = Cp1252("Résolution ") + EngineeringText(first.BinWidth, "Hz") + ", " +
                         std::to_string(first.Length) + " points";
    // The bin under the mouse, read in the footer: a line's label has no room for four levels.
    if (withMouse && mouseFrequency_ >= 0) {
        std::size_t bin = std::min(std::size_t(std::lround(mouseFrequency_ / first.BinWidth)),
                                   first.Levels.size() - 1);
        footer += Cp1252(" — ") + EngineeringText(first.FrequencyOf(bin), "Hz");
        for (std::size_t c = 0; c < spectra->size() && c < names.size(); ++c)
            footer += " ; " + names[c] + " " + LevelText(unit_, (*spectra)[c].Levels[bin]);
        plot.Lines.push_back({true, first.FrequencyOf(bin), 0, kMouseColour, false, L""});
    }
    plot.Footer = W(footer);
    return plot;
}

// The spectrum over three fifths of the picture, the table under it.
RECT TSpectrumForm::GraphBox(const RECT& box) const {
    return {box.left, box.top, box.right, box.top + (box.bottom - box.top) * 3 / 5};
}

void TSpectrumForm::Draw(HDC dc, const RECT& box, int dpi, bool withMouse) const {
    RECT graph = GraphBox(box);
    DrawPlot(dc, graph, Plot(withMouse), dpi);
    if (!shown_) return;
    TextBlock block;
    std::vector<std::string> names = ChannelNames();
    block.Rows.push_back({W("Harmoniques de " + names[channel_])});
    for (const auto& row : HarmonicRows(table_, false)) {
        std::vector<std::wstring> cells;
        for (const std::string& cell : row) cells.push_back(W(cell));
        block.Rows.push_back(cells);
    }
    int margin = Scaled(8, dpi);
    DrawTables(dc, {box.left + margin, graph.bottom + margin, box.right - margin, box.bottom},
               {block}, dpi);
}

void TSpectrumForm::OnMouse(UINT message, POINT at) {
    double frequency = -1;
    const std::vector<Spectrum>* spectra = SpectraOf(spectra_);
    if (spectra && message != WM_MOUSELEAVE) {
        RECT client{};
        GetClientRect(plot_->Window(), &client);
        PlotArea grid = PlotGrid(GraphBox(client), plot_->Dpi());
        bool inside = at.x >= grid.Left && at.x < grid.Left + grid.Width && at.y >= grid.Top &&
                      at.y < grid.Top + grid.Height;
        if (inside) frequency = std::max(0.0, ValueAtX(grid, Plot(false).X, at.x));
    }
    if (frequency == mouseFrequency_) return;
    mouseFrequency_ = frequency;
    plot_->Invalidate();
}

void TSpectrumForm::StateChanged() {
    if (!Window()) return;
    bool may = SpectraOf(spectra_) && state_.MayStart(Command::Export);
    for (int id : {idCopyTableBtn, idSendBtn, idSaveBtn, idCopyImageBtn, idSaveImageBtn})
        EnableWindow(GetDlgItem(Window(), id), may);
}

bool TSpectrumForm::Allowed() const {
    if (SpectraOf(spectra_) && !state_.Closing() && state_.MayStart(Command::Export)) return true;
    MessageBeep(MB_OK);
    return false;
}

DataTable TSpectrumForm::CurrentSpectrumTable() const {
    std::vector<const Spectrum*> spectra;
    for (const Spectrum& s : spectra_) spectra.push_back(&s);
    return SpectrumTable(spectra, ChannelNames(), unit_, ProgramPath());
}

void TSpectrumForm::CopyTableClick() {
    if (!Allowed()) return;
    if (!PutTextOnClipboard(Window(), TabSeparated(HarmonicRows(table_, true))))
        ShowErrorBox(Cp1252("Le presse-papier est occupé par un autre programme : le tableau des "
                            "harmoniques n'a pas été copié."));
}

// The spectrum as a new file, then the harmonic table as another, when there is one.
void TSpectrumForm::SendClick() {
    if (!Allowed()) return;
    DataTable spectrum = CurrentSpectrumTable();
    DataTable harmonics = HarmonicDataTable(table_, ChannelNames()[channel_], ProgramPath());
    sendPage_(TransferText(spectrum, ProgramPath(),
                           PageInformation{true, SpectrumComment(window_), "", "", ""}),
              "la page du spectre");
    if (harmonics.RowCount() == 0 || state_.Closing()) return;
    sendPage_(
        TransferText(harmonics, ProgramPath(),
                     PageInformation{true, HarmonicComment(ChannelNames()[channel_]), "", "", ""}),
        "la page des harmoniques");
}

void TSpectrumForm::SaveClick() {
    if (!Allowed()) return;
    std::wstring path =
        AskSavePath(Window(), Cp1252("Sauvegarde du spectre"),
                    {{"Curvilab (*.cv3)", L"*.cv3"}, {"Tableur ASCII (*.txt)", L"*.txt"}}, L"cv3",
                    Existing::Ask);
    if (path.empty() || state_.Closing() || !SpectraOf(spectra_)) return;
    DataTable table = CurrentSpectrumTable();
    bool curvilab = IsCurvilabFileName(Narrow(path));
    WriteFileAtomically(path, [&](TextSink& out) { WriteDataFile(out, table, curvilab); });
}

LRESULT TSpectrumForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        HWND from = reinterpret_cast<HWND>(lParam);
        bool chosen = HIWORD(wParam) == CBN_SELCHANGE;
        switch (LOWORD(wParam)) {
        case idWindowCombo:
            if (!chosen) break;
            window_ = SpectrumWindow(Selected(from));
            Compute();
            return 0;
        case idUnitCombo:
            if (!chosen) break;
            unit_ = SpectrumUnit(Selected(from));
            MakeTraces();
            return 0;
        case idChannelCombo:
            if (!chosen) break;
            channel_ = Selected(from);
            MakeTable();
            plot_->Invalidate();
            return 0;
        case idLogCheck:
            logarithmic_ = Button_GetCheck(from) == BST_CHECKED;
            MakeTraces();
            return 0;
        case idCopyTableBtn: CopyTableClick(); return 0;
        case idSendBtn: SendClick(); return 0;
        case idSaveBtn: SaveClick(); return 0;
        case idCopyImageBtn:
            if (Allowed())
                plot_->CopyPicture(
                    [this](HDC dc, const RECT& box, int dpi) { Draw(dc, box, dpi, false); });
            return 0;
        case idSaveImageBtn:
            if (Allowed())
                plot_->SavePicture(
                    [this](HDC dc, const RECT& box, int dpi) { Draw(dc, box, dpi, false); },
                    [this] { return state_.Closing(); });
            return 0;
        }
        break;
    }
    case WM_DESTROY:
        plot_.reset();
        shown_.reset();
        reference_.reset();
        spectra_.clear();
        referenceSpectra_.clear();
        traces_.clear();
        return 0;
    }
    return DefWindowProcW(Window(), message, wParam, lParam);
}
