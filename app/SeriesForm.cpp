#include "app/SeriesForm.h"

#include <algorithm>
#include <commctrl.h>
#include <utility>
#include <windowsx.h>

#include "app/MeasureTexts.h"
#include "app/Plotter.h"
#include "common/Folders.h"
#include "common/NumberText.h"
#include "common/Text1252.h"
#include "export/DataFile.h"
#include "export/FileSave.h"
#include "export/SeriesTable.h"
#include "export/TransferText.h"
#include "ui/FileDialog.h"
#include "ui/MessageDialog.h"
#include "ui/SystemSettings.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

constexpr int kWidth = 900, kHeight = 720, kMinimumWidth = 560, kMinimumHeight = 480;
constexpr int kMargin = 6;
constexpr COLORREF kGainColour = RGB(0, 0, 200);
constexpr COLORREF kPhaseColour = RGB(200, 0, 0);
constexpr COLORREF kCutOffColour = RGB(0, 130, 0);

enum class Kind { Button, Check, Label, Edit };

struct Tool {
    int Id;
    Kind What;
    const char* Text;  // UTF-8 source text; "&" marks the Alt letter
    int EditWidth = 0; // an edit's width at 96 dpi
};

constexpr Tool kTools[] = {
    {TSeriesForm::idNewSeriesBtn, Kind::Button, "&Nouvelle série"},
    {TSeriesForm::idDeleteRowBtn, Kind::Button, "S&upprimer la ligne"},
    {TSeriesForm::idSaveSeriesBtn, Kind::Button, "Enregistrer la &série…"},
    {TSeriesForm::idSendSeriesBtn, Kind::Button, "En&voyer vers Curvilab"},
    {TSeriesForm::idCopyImageBtn, Kind::Button, "&Copier l'image"},
    {TSeriesForm::idSaveImageBtn, Kind::Button, "Enregistrer l'&image…"},
    {TSeriesForm::idSweepBtn, Kind::Button, "&Balayage automatique…"},
    {TSeriesForm::idSaveEachCheck, Kind::Check, "Enregistrer c&haque acquisition"},
    {TSeriesForm::idFolderLabel, Kind::Label, "&Dossier :"},
    {TSeriesForm::idFolderEdit, Kind::Edit, "", 260},
    {TSeriesForm::idNameLabel, Kind::Label, "N&om :"},
    {TSeriesForm::idNameEdit, Kind::Edit, "mesure", 100},
};

ControlSpec ToolSpec(const Tool& tool) {
    switch (tool.What) {
    case Kind::Button:
        return {L"BUTTON", Cp1252(tool.Text), BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 10, 10, tool.Id};
    case Kind::Check:
        return {L"BUTTON", Cp1252(tool.Text), BS_AUTOCHECKBOX | WS_TABSTOP, 0, 0, 10, 10, tool.Id};
    case Kind::Label: return {L"STATIC", Cp1252(tool.Text), SS_LEFT, 0, 0, 10, 10, tool.Id};
    case Kind::Edit: break;
    }
    return {L"EDIT", Cp1252(tool.Text), ES_AUTOHSCROLL | WS_TABSTOP, 0, 0, tool.EditWidth, 10,
            tool.Id, WS_EX_CLIENTEDGE};
}

const char* const kColumns[] = {"N°", "Heure", "Base de temps", "Fréquence", "",
                                "",   "Gain",  "Déphasage",     "Remarques"};

std::wstring W(const char* utf8) { return Wide(Cp1252(utf8)); }

std::wstring GainText(const Measure& gain) {
    if (!gain.Value) return W("—");
    return ScreenText(FormatGeneral(*gain.Value, 3, 1, DecimalSeparator()) + " dB");
}

// What a row lacks and why, and the channels read too coarsely for a gain.
std::wstring Remarks(const SeriesRow& row, const std::vector<std::string>& names) {
    std::vector<std::string> said;
    if (row.Swept) said.push_back("balayage");
    if (row.Distorted) said.push_back(Cp1252("signal déformé ou bruité"));
    if (row.Disagrees) said.push_back(Cp1252("en désaccord avec la mesure par passages"));
    auto note = [&](const std::string& what, const Measure& measure) {
        if (measure.Value || measure.Reason == Why::None) return;
        std::string text = what + " : " + ReasonText(measure.Reason);
        if (std::find(said.begin(), said.end(), text) == said.end()) said.push_back(text);
    };
    note(Cp1252("fréquence"), row.Frequency);
    for (std::size_t c = 0; c < 2; ++c) {
        note(names[c], row.PeakToPeak[c]);
        if (row.Coarse[c]) said.push_back(names[c] + " : calibre trop grand");
    }
    if (row.PeakToPeak[0].Value && row.PeakToPeak[1].Value) note("gain", row.Gain);
    note(Cp1252("déphasage"), row.Phase);
    std::string text;
    for (const std::string& each : said) text += (text.empty() ? "" : " ; ") + each;
    return Wide(text);
}

bool WholePath(const std::wstring& folder) {
    bool drive = folder.size() >= 3 && iswalpha(folder[0]) && folder[1] == L':' &&
                 (folder[2] == L'\\' || folder[2] == L'/');
    return drive || folder.starts_with(L"\\\\");
}

// Why per-point files cannot go where the fields say, in 1252; empty when they can.
std::string PerPointProblem(const std::wstring& folder, const std::wstring& name) {
    const std::string what = "Enregistrer chaque acquisition : ";
    if (!WholePath(folder))
        return what + Cp1252("indiquez le chemin complet d'un dossier, par exemple C:\\Mesures.");
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return what + Cp1252("le dossier « ") + Narrow(folder) + Cp1252(" » n'existe pas.");
    if (name.empty() || name.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos)
        return what + Cp1252("un nom sans aucun des caractères \\ / : * ? \" < > | est attendu.");
    return {};
}

// A Bode panel: the gain or the phase against the frequency, on decades; the values are the
// caller's, alive while the panel is drawn.
PlotDescription BodePanel(const std::vector<double>& f, const std::vector<double>& y,
                          const std::vector<double>& cutOffs, bool gain) {
    PlotDescription plot;
    auto [low, high] = std::minmax_element(y.begin(), y.end());
    COLORREF colour = gain ? kGainColour : kPhaseColour;
    plot.X = DecadeAxis(f.front(), f.back());
    plot.Y[0] = FittingAxis(*low, *high, 6);
    plot.XLabels = {true, "Hz", RGB(0, 0, 0)};
    plot.YLabels[0] = {true, gain ? "dB" : "\xB0", colour};
    plot.Curves.push_back({f, y, 0, colour, false, true});
    plot.Legend.push_back({colour, false, gain ? L"Gain G (dB)" : L"Déphasage φ (°)"});
    for (double cutOff : cutOffs)
        plot.Lines.push_back({true, cutOff, 0, kCutOffColour, false, L"fc"});
    return plot;
}

// As wide as its widest cell and its title, measured in the list's font: the list view's own
// sizing to the header leaves titles cut under some systems.
void FitColumn(HWND list, int column) {
    wchar_t title[64] = {};
    LVCOLUMNW text{};
    text.mask = LVCF_TEXT;
    text.pszText = title;
    text.cchTextMax = int(std::size(title));
    ListView_GetColumn(list, column, &text);
    ListView_SetColumnWidth(list, column, LVSCW_AUTOSIZE);
    int padding = Scaled(16, WindowDpi(list));
    int width = std::max(ListView_GetColumnWidth(list, column),
                         ListView_GetStringWidth(list, title) + padding);
    ListView_SetColumnWidth(list, column, width);
}

} // namespace

TSeriesForm::TSeriesForm(CommandState& state, std::function<void(const std::string&)> sendPage,
                         std::function<SweepScope()> sweepScope)
    : ToolWindow(
          {kClassName, Cp1252("Série de mesures"), kWidth, kHeight, kMinimumWidth, kMinimumHeight}),
      state_(state), sendPage_(std::move(sendPage)),
      sweep_(state, std::move(sweepScope),
             [this](const SweepPoint& point) { AddSweepPoint(point); }) {}

// Rows neither saved nor cleared stay in their file, for the next run to offer.
TSeriesForm::~TSeriesForm() { KeepPending(); }

void TSeriesForm::Show(HWND owner) {
    if (!Create(owner)) return;
    state_.SetSeriesMode(true);
    SeriesChanged();
    ShowWindow(Window(), SW_SHOW);
    if (!std::exchange(offered_, true)) OfferInterruptedSeries();
}

void TSeriesForm::CreateControls() {
    for (const Tool& tool : kTools) CreateControl(Window(), ToolSpec(tool));
    SetWindowTextW(GetDlgItem(Window(), idFolderEdit), DocumentsDir.c_str());
    for (int id : {idPointsText, idCutOffText})
        CreateControl(Window(), {L"STATIC", "", SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, id});
    HWND list = CreateControl(Window(), {WC_LISTVIEWW, "",
                                         LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                                             LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP,
                                         0, 0, 10, 10, idRowList});
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (std::size_t c = 0; c < std::size(kColumns); ++c) {
        std::wstring title = W(kColumns[c]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title.data();
        column.cx = 60;
        ListView_InsertColumn(list, int(c), &column);
    }
    plot_ = std::make_unique<PlotView>(
        Window(), idPlotView,
        PlotView::Events{
            [this](HDC dc, const RECT& box, int dpi) { Draw(dc, box, dpi); }, {}, {}, {}});
}

void TSeriesForm::PlaceControls() {
    RECT client{};
    GetClientRect(Window(), &client);
    int dpi = Dpi();
    int margin = Scaled(kMargin, dpi);
    std::vector<HWND> tools;
    for (const Tool& tool : kTools) tools.push_back(GetDlgItem(Window(), tool.Id));
    int top = FlowControls(tools, {margin, margin, client.right - margin, client.bottom}, dpi);
    int line = Scaled(20, dpi);
    int width = int(client.right) - 2 * margin;
    MoveWindow(GetDlgItem(Window(), idPointsText), margin, top + margin, Scaled(120, dpi), line,
               TRUE);
    MoveWindow(GetDlgItem(Window(), idCutOffText), margin + Scaled(130, dpi), top + margin,
               width - Scaled(130, dpi), line, TRUE);
    top += margin + line;
    int rest = int(client.bottom) - top;
    int listHeight = std::max(rest * 3 / 10, Scaled(110, dpi));
    MoveWindow(GetDlgItem(Window(), idRowList), margin, top, width, listHeight, TRUE);
    top += listHeight + margin;
    MoveWindow(plot_->Window(), 0, top, client.right, std::max(int(client.bottom) - top, 1), TRUE);
}

// The row is taken at once; the window shows it, and writes its files, on the next turn of the
// message loop (or as the window goes): a read's end is not held up by them.
void TSeriesForm::AddPoint(const AcquisitionPtr& acquisition) {
    if (!Window()) return;
    auto [input, output] = TSweepForm::MeasuredChannels();
    RowAdded(MeasureSeriesRow(*acquisition, input, output), acquisition, {input, output});
}

void TSeriesForm::AddSweepPoint(const SweepPoint& point) {
    if (!Window()) return;
    RowAdded(SeriesRowOf(point), point.Last, {point.Input, point.Output});
}

void TSeriesForm::RowAdded(SeriesRow row, const AcquisitionPtr& acquisition,
                           std::array<int, 2> measured) {
    row.Number = nextNumber_++;
    // The columns take the names of the channels measured, as MeasureSeriesRow takes them.
    if (acquisition) {
        const auto& channels = acquisition->Channels();
        names_[0] = channels[acquisition->IndexOfInput(measured[0]).value_or(0)].Name;
        std::optional<std::size_t> output = acquisition->IndexOfInput(measured[1]);
        names_[1] = output ? channels[*output].Name : "V2";
    }
    rows_.push_back(row);
    saved_ = false;
    if (acquisition && Button_GetCheck(GetDlgItem(Window(), idSaveEachCheck)) == BST_CHECKED)
        pendingFiles_.push_back(acquisition);
    if (!std::exchange(keepPending_, true)) PostMessageW(Window(), kKeepMessage, 0, 0);
}

// The series' file first: a row the window shows is one a program killed does not lose.
void TSeriesForm::KeepPending() {
    if (!std::exchange(keepPending_, false)) return;
    KeepRunningSeries();
    for (const AcquisitionPtr& acquisition : std::exchange(pendingFiles_, {}))
        SaveEachAcquisition(*acquisition);
    ShowRows();
}

// The per-point files go into the folder the field names, whatever the current directory: it
// must be a whole path to an existing folder, and the name a plain name. Otherwise the box is
// unticked with the reason, said once.
bool TSeriesForm::PerPointFilesPossible() {
    std::string problem = PerPointProblem(WindowTextW(GetDlgItem(Window(), idFolderEdit)),
                                          WindowTextW(GetDlgItem(Window(), idNameEdit)));
    if (problem.empty()) return true;
    Button_SetCheck(GetDlgItem(Window(), idSaveEachCheck), BST_UNCHECKED);
    ShowNotice(problem);
    return false;
}

// NAME-001.cv3, NAME-002.cv3...: the next number whose file does not exist.
void TSeriesForm::SaveEachAcquisition(const Acquisition& acquisition) {
    if (!PerPointFilesPossible()) return;
    std::wstring folder = WithTrailingBackslash(WindowTextW(GetDlgItem(Window(), idFolderEdit)));
    std::wstring name = WindowTextW(GetDlgItem(Window(), idNameEdit));
    std::wstring path;
    do {
        wchar_t number[16];
        std::swprintf(number, 16, L"-%03d.cv3", nextFileNumber_++);
        path = folder + name + number;
    } while (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES);
    try {
        WriteFileAtomically(
            path, [&](TextSink& out) { WriteDataFile(out, acquisition, ProgramPath(), true); });
    } catch (const ESaveError& e) {
        // One box, not one a point: the saving stops until the box is ticked again.
        Button_SetCheck(GetDlgItem(Window(), idSaveEachCheck), BST_UNCHECKED);
        ShowErrorBox(e.what());
    }
}

void TSeriesForm::SeriesChanged() {
    KeepRunningSeries();
    ShowRows();
}

void TSeriesForm::ShowRows() {
    if (!Window()) return;
    bode_ = BodePoints(rows_);
    cutOffs_ = CutOffFrequencies(bode_);
    FillList();
    std::wstring count =
        std::to_wstring(rows_.size()) + (rows_.size() > 1 ? L" points" : L" point");
    SetWindowTextW(GetDlgItem(Window(), idPointsText), count.c_str());
    SetWindowTextW(GetDlgItem(Window(), idCutOffText), CutOffText().c_str());
    plot_->Invalidate();
}

// The list holds no text of its own: it asks for each cell as it draws it (LVS_OWNERDATA), so that
// a row added costs no more with a hundred rows than with one.
void TSeriesForm::FillList() {
    HWND list = GetDlgItem(Window(), idRowList);
    for (int c : {4, 5}) {
        std::wstring title = Wide(names_[std::size_t(c - 4)]) + W(" crête à crête");
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = title.data();
        ListView_SetColumn(list, c, &column);
    }
    ListView_SetItemCountEx(list, int(rows_.size()), 0);
    for (int c = 0; c < int(std::size(kColumns)); ++c) FitColumn(list, c);
    InvalidateRect(list, nullptr, TRUE);
}

std::vector<std::wstring> TSeriesForm::Cells(const SeriesRow& row) const {
    return {std::to_wstring(row.Number),
            Wide(row.Time),
            Wide(row.TimeBase),
            ScreenText(EngineeringText(row.Frequency, "Hz")),
            ScreenText(EngineeringText(row.PeakToPeak[0], "V")),
            ScreenText(EngineeringText(row.PeakToPeak[1], "V")),
            GainText(row.Gain),
            ScreenText(DegreeText(row.Phase.Value)),
            Remarks(row, names_)};
}

void TSeriesForm::GiveCell(LVITEMW& item) {
    if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || std::size_t(item.iItem) >= rows_.size())
        return;
    std::vector<std::wstring> cells = Cells(rows_[std::size_t(item.iItem)]);
    if (item.iSubItem < 0 || std::size_t(item.iSubItem) >= cells.size()) return;
    cell_ = cells[std::size_t(item.iSubItem)];
    item.pszText = cell_.data();
}

// A highest gain between the ends (a band-pass, a resonance) is the reference, and it is said.
std::wstring TSeriesForm::CutOffText() const {
    if (cutOffs_.empty()) return L"";
    std::wstring text = cutOffs_.size() > 1 ? L"Fréquences de coupure" : L"Fréquence de coupure";
    text += GainPeaksInside(bode_) ? L" à G_max \u2212 3 dB \u2248 " : L" \u2248 ";
    for (std::size_t i = 0; i < cutOffs_.size(); ++i)
        text += (i ? L" et " : L"") + ScreenText(EngineeringText(cutOffs_[i], "Hz"));
    return text;
}

void TSeriesForm::Draw(HDC dc, const RECT& box, int dpi) const {
    if (bode_.empty()) {
        PlotDescription empty;
        empty.Message = W("Aucun point : chaque lecture ajoute un point à la série.");
        DrawPlot(dc, box, empty, dpi);
        return;
    }
    std::vector<double> f, gain, phase;
    for (const BodePoint& p : bode_)
        f.push_back(p.Frequency), gain.push_back(p.Gain), phase.push_back(p.Phase);
    int middle = int(box.top + box.bottom) / 2;
    DrawPlot(dc, {box.left, box.top, box.right, middle}, BodePanel(f, gain, cutOffs_, true), dpi);
    PlotDescription phasePanel = BodePanel(f, phase, cutOffs_, false);
    phasePanel.Footer = CutOffText();
    DrawPlot(dc, {box.left, middle, box.right, box.bottom}, phasePanel, dpi);
}

bool TSeriesForm::KeepRunningSeries() {
    if (saved_ || rows_.empty()) {
        recovery_.Forget();
        return true;
    }
    return recovery_.Keep(names_, rows_);
}

// The file of the interrupted series goes only once the user answered: on Oui once this run's own
// copy is written, on Non at once. A box closed otherwise (the program closing, Escape) leaves it
// for the next run to offer.
void TSeriesForm::OfferInterruptedSeries() {
    std::optional<SeriesRecovery::Interrupted> kept = recovery_.FindInterrupted();
    if (!kept) return;
    std::string question = Cp1252("Une série de ") + std::to_string(kept->Series.Rows.size()) +
                           Cp1252(" points n'a été ni enregistrée ni terminée. La reprendre ?");
    int answer = ShowMessageDialog(
        {BoxKind::Confirmation, question, {{"&Oui", IDYES}, {"&Non", IDNO}}, 0, IDCANCEL});
    if (state_.Closing() || answer == IDCANCEL) return;
    if (answer == IDNO) return SeriesRecovery::Drop(*kept);
    rows_ = kept->Series.Rows;
    names_ = kept->Series.ChannelNames;
    names_.resize(2, "V2");
    for (const SeriesRow& row : rows_) nextNumber_ = std::max(nextNumber_, row.Number + 1);
    saved_ = false;
    if (KeepRunningSeries()) SeriesRecovery::Drop(*kept);
    ShowRows();
}

bool TSeriesForm::Allowed(Command command) const {
    if (state_.MayStart(command)) return true;
    MessageBeep(MB_OK);
    return false;
}

void TSeriesForm::NewSeriesClick() {
    if (!Allowed(Command::SeriesEdit)) return;
    if (!rows_.empty() &&
        !ConfirmYesNo(Cp1252("Nouvelle série : effacer les ") + std::to_string(rows_.size()) +
                      " points de la série en cours ?"))
        return;
    rows_.clear();
    nextNumber_ = 1;
    saved_ = true;
    SeriesChanged();
}

void TSeriesForm::TakeSeries(HWND owner, const Series& series) {
    Show(owner);
    if (!rows_.empty() &&
        !ConfirmYesNo(Cp1252("Remplacer les ") + std::to_string(rows_.size()) +
                      Cp1252(" points de la série en cours par ceux du fichier ?")))
        return;
    if (state_.Closing()) return;
    rows_.clear();
    for (const SeriesPoint& point : series.Points) {
        SeriesRow row;
        row.Number = int(rows_.size()) + 1;
        row.Frequency.Value = point.Frequency;
        for (std::size_t c = 0; c < 2; ++c) row.PeakToPeak[c].Value = point.PeakToPeak[c];
        row.Gain.Value = point.Gain;
        row.Phase.Value = point.Phase;
        rows_.push_back(row);
    }
    names_ = series.ChannelNames;
    names_.resize(2, "V2");
    nextNumber_ = int(rows_.size()) + 1;
    saved_ = true; // they are in the file
    SeriesChanged();
}

void TSeriesForm::DeleteRowClick() {
    if (!Allowed(Command::SeriesEdit)) return;
    int selected = ListView_GetNextItem(GetDlgItem(Window(), idRowList), -1, LVNI_SELECTED);
    if (selected < 0 || std::size_t(selected) >= rows_.size()) {
        MessageBeep(MB_OK);
        return;
    }
    rows_.erase(rows_.begin() + selected);
    saved_ = false;
    SeriesChanged();
}

void TSeriesForm::SaveSeriesClick() {
    if (!Allowed(Command::Export)) return;
    std::wstring path =
        AskSavePath(Window(), Cp1252("Sauvegarde de la série"),
                    {{"Curvilab (*.cv3)", L"*.cv3"}, {"Tableur ASCII (*.txt)", L"*.txt"}}, L"cv3",
                    Existing::Ask);
    if (path.empty() || state_.Closing()) return;
    DataTable table = SeriesTable(SeriesOfRows(names_, rows_), ProgramPath());
    bool curvilab = IsCurvilabFileName(Narrow(path));
    WriteFileAtomically(path, [&](TextSink& out) { WriteDataFile(out, table, curvilab); });
    saved_ = true;
    KeepRunningSeries();
}

void TSeriesForm::SendSeriesClick() {
    if (!Allowed(Command::Export)) return;
    DataTable table = SeriesTable(SeriesOfRows(names_, rows_), ProgramPath());
    sendPage_(
        TransferText(table, ProgramPath(), PageInformation{true, SeriesComment(), "", "", ""}));
}

void TSeriesForm::CopyImageClick() {
    if (!Allowed(Command::Export)) return;
    plot_->CopyPicture([this](HDC dc, const RECT& box, int dpi) { Draw(dc, box, dpi); });
}

void TSeriesForm::SaveImageClick() {
    if (!Allowed(Command::Export)) return;
    plot_->SavePicture([this](HDC dc, const RECT& box, int dpi) { Draw(dc, box, dpi); },
                       [this] { return state_.Closing(); });
}

LRESULT TSeriesForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (state_.Closing()) return 0;
        switch (LOWORD(wParam)) {
        case idNewSeriesBtn: NewSeriesClick(); return 0;
        case idDeleteRowBtn: DeleteRowClick(); return 0;
        case idSaveSeriesBtn: SaveSeriesClick(); return 0;
        case idSendSeriesBtn: SendSeriesClick(); return 0;
        case idCopyImageBtn: CopyImageClick(); return 0;
        case idSaveImageBtn: SaveImageClick(); return 0;
        case idSweepBtn: sweep_.Show(Window()); return 0;
        case idSaveEachCheck:
            if (Button_GetCheck(GetDlgItem(Window(), idSaveEachCheck)) == BST_CHECKED)
                PerPointFilesPossible();
            return 0;
        }
        break;
    case kKeepMessage: KeepPending(); return 0;
    case WM_CLOSE:
        // A sweep adds its rows here: it stops first, and this window stays until it has.
        if (!sweep_.Running()) break;
        sweep_.StopAndClose();
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->idFrom == idRowList && header->code == LVN_GETDISPINFOW)
            GiveCell(reinterpret_cast<NMLVDISPINFOW*>(lParam)->item);
        break;
    }
    case WM_DESTROY:
        KeepPending();
        state_.SetSeriesMode(false); // closed: the series pauses
        plot_.reset();
        return 0;
    }
    return DefWindowProcW(Window(), message, wParam, lParam);
}
