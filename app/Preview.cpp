#include "app/Preview.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <windowsx.h>

#include "common/Text1252.h"
#include "export/DataFile.h"
#include "export/DataReader.h"
#include "export/FileSave.h"
#include "ui/FileDialog.h"
#include "ui/MessageDialog.h"
#include "ui/SystemSettings.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

constexpr int kMinimumWidth = 560, kMinimumHeight = 480; // at 96 dpi
constexpr int kWidth = 900, kHeight = 700;
constexpr int kMargin = 6;
constexpr int kGrabPixels = 5; // how near a cursor the mouse takes it

struct ToolButton {
    int Id;
    const char* Text; // UTF-8 source text; "&" marks the Alt letter
    DWORD Style;
    const wchar_t* Class = L"BUTTON";
    int Width = 10; // an edit's, at 96 dpi
};

constexpr ToolButton kToolRow[] = {
    {TPreviewForm::idXYCheck, "&XY", BS_AUTOCHECKBOX},
    {TPreviewForm::idCursorsCheck, "C&urseurs", BS_AUTOCHECKBOX},
    {TPreviewForm::idCopyImageBtn, "&Copier l'image", BS_PUSHBUTTON},
    {TPreviewForm::idSaveImageBtn, "&Enregistrer l'image…", BS_PUSHBUTTON},
    {TPreviewForm::idSeriesBtn, "&Série…", BS_PUSHBUTTON},
    {TPreviewForm::idSpectrumBtn, "S&pectre…", BS_PUSHBUTTON},
    {TPreviewForm::idOpenBtn, "&Ouvrir…", BS_PUSHBUTTON},
    {TPreviewForm::idLiveBtn, "&Acquisition en cours", BS_PUSHBUTTON},
    {TPreviewForm::idSaveAsBtn, "E&nregistrer sous…", BS_PUSHBUTTON},
    {TPreviewForm::idKeepReferenceBtn, "&Garder comme référence", BS_PUSHBUTTON},
    {TPreviewForm::idClearReferenceBtn, "Effacer la &référence", BS_PUSHBUTTON},
    {TPreviewForm::idName3Label, "Nom CH&3 :", SS_LEFT | SS_CENTERIMAGE, L"STATIC"},
    {TPreviewForm::idName3Edit, "", ES_AUTOHSCROLL, L"EDIT", 90},
    {TPreviewForm::idName4Label, "Nom CH&4 :", SS_LEFT | SS_CENTERIMAGE, L"STATIC"},
    {TPreviewForm::idName4Edit, "", ES_AUTOHSCROLL, L"EDIT", 90},
};

// A control not hidden, whether its window is shown yet or not.
bool Shows(HWND control) { return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

// The label and the field of a scope's CH3 or CH4.
struct NameField {
    int Input, Label, Edit;
};
constexpr NameField kNameFields[] = {
    {3, TPreviewForm::idName3Label, TPreviewForm::idName3Edit},
    {4, TPreviewForm::idName4Label, TPreviewForm::idName4Edit},
};

const std::vector<FileType> kDataFileTypes = {{"Curvilab (*.cv3)", L"*.cv3"},
                                              {"Tableur ASCII (*.txt)", L"*.txt"}};

} // namespace

TPreviewForm::TPreviewForm(const CommandState& state, std::function<void()> openSeries,
                           std::function<void(const Series&)> takeSeries,
                           std::function<void(int, const std::string&)> rename,
                           std::function<void(const std::string&, const std::string&)> sendPage)
    : ToolWindow({kClassName, Cp1252("Aperçu de l'acquisition"), kWidth, kHeight, kMinimumWidth,
                  kMinimumHeight}),
      state_(state), openSeries_(std::move(openSeries)), takeSeries_(std::move(takeSeries)),
      rename_(std::move(rename)), spectrum_(state, std::move(sendPage)) {}

void TPreviewForm::Show(HWND owner) {
    if (!Create(owner)) return;
    DragAcceptFiles(Window(), TRUE);
    cursors_ = live_ ? StartingCursors(*live_) : Cursors{};
    Refresh();
    ShowWindow(Window(), SW_SHOW);
}

void TPreviewForm::CreateControls() {
    for (const ToolButton& button : kToolRow) {
        bool edit = std::wstring(button.Class) == L"EDIT";
        CreateControl(Window(), {button.Class, Cp1252(button.Text),
                                 button.Style | (button.Class[0] == L'S' ? 0 : WS_TABSTOP), 0, 0,
                                 button.Width, 10, button.Id, edit ? DWORD(WS_EX_CLIENTEDGE) : 0});
    }
    for (const NameField& field : kNameFields)
        for (int id : {field.Label, field.Edit}) ShowWindow(GetDlgItem(Window(), id), SW_HIDE);
    plot_ = std::make_unique<PlotView>(
        Window(), idPlotView,
        PlotView::Events{[this](HDC dc, const RECT& box, int dpi) { Draw(dc, box, dpi, true); },
                         [this](UINT message, POINT at) { OnMouse(message, at); },
                         [this](UINT key) { return OnKey(key); }, [this] { return WantedKeys(); }});
}

void TPreviewForm::PlaceControls() {
    RECT client{};
    GetClientRect(Window(), &client);
    int dpi = Dpi();
    std::vector<HWND> row;
    for (const ToolButton& button : kToolRow)
        if (Shows(GetDlgItem(Window(), button.Id))) row.push_back(GetDlgItem(Window(), button.Id));
    int margin = Scaled(kMargin, dpi);
    int bottom = FlowControls(row, {margin, margin, client.right - margin, client.bottom}, dpi);
    int top = bottom + margin;
    MoveWindow(plot_->Window(), 0, top, client.right, std::max(int(client.bottom) - top, 1), TRUE);
}

const Acquisition* TPreviewForm::Shown() const { return ShownPointer().get(); }

AcquisitionPtr TPreviewForm::ShownPointer() const { return opened_ ? opened_->Acquisition : live_; }

void TPreviewForm::SpectrumFollows() { spectrum_.Follow(ShownPointer(), reference_); }

void TPreviewForm::SpectrumClick() {
    if (!state_.MayStart(Command::Spectrum)) {
        MessageBeep(MB_OK);
        return;
    }
    spectrum_.Show(Window(), ShownPointer(), reference_);
}

// The window takes the acquisition at once and shows it on the next turn of the message loop: a
// read's end is not held up by what the window writes and draws.
void TPreviewForm::Publish(AcquisitionPtr acquisition, bool fromARead) {
    const Acquisition* before = Shown();
    bool wasLive = !opened_;
    if (fromARead && acquisition) opened_.reset();
    live_ = std::move(acquisition);
    if (!Window()) return;
    KeepCursors(before, wasLive && !opened_);
    if (!std::exchange(refreshPending_, true)) PostMessageW(Window(), kRefreshMessage, 0, 0);
    plot_->Invalidate();
}

void TPreviewForm::Refresh() {
    refreshPending_ = false;
    if (!Window()) return;
    ShowSource();
    mouseSample_ = -1;
    const Acquisition* shown = Shown();
    bool twoChannels = shown && shown->Channels().size() == 2;
    if (!twoChannels) xy_ = false;
    Button_SetCheck(GetDlgItem(Window(), idXYCheck), xy_ ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(Window(), idXYCheck), twoChannels);
    EnableWindow(GetDlgItem(Window(), idCursorsCheck), shown != nullptr);
    ShowNameFields();
    StateChanged();
    UpdateTexts();
    SpectrumFollows();
}

void TPreviewForm::ShowNameFields() {
    const Acquisition* named = opened_ ? nullptr : live_.get();
    bool changed = false;
    for (const NameField& field : kNameFields) {
        auto channel =
            named
                ? std::find_if(named->Channels().begin(), named->Channels().end(),
                               [&](const AcquisitionChannel& c) { return c.Input == field.Input; })
                : std::vector<AcquisitionChannel>::const_iterator{};
        bool shown = named && channel != named->Channels().end();
        HWND edit = GetDlgItem(Window(), field.Edit);
        changed |= Shows(edit) != shown;
        for (int id : {field.Label, field.Edit})
            ShowWindow(GetDlgItem(Window(), id), shown ? SW_SHOW : SW_HIDE);
        if (shown && WindowText(edit) != channel->Name) {
            namesShown_ = true;
            SetWindowText1252(edit, channel->Name);
            namesShown_ = false;
        }
    }
    if (changed) PlaceControls();
}

void TPreviewForm::NameEditChange(int input) {
    if (namesShown_ || !rename_) return;
    for (const NameField& field : kNameFields)
        if (field.Input == input) rename_(input, WindowText(GetDlgItem(Window(), field.Edit)));
}

void TPreviewForm::KeepCursors(const Acquisition* before, bool sameSource) {
    const Acquisition* now = Shown();
    if (!now) return;
    double was = before ? before->Screen().SecondsPerDivision : 0;
    if (sameSource && was > 0 && cursors_.Shown) {
        // The cursors keep their places on the screen when the time base changes.
        for (double& time : cursors_.Times) time *= now->Screen().SecondsPerDivision / was;
        return;
    }
    bool cursorsShown = cursors_.Shown;
    cursors_ = StartingCursors(*now);
    cursors_.Shown = cursorsShown;
}

void TPreviewForm::ShowSource() {
    std::string title =
        opened_ ? Cp1252("Aperçu — ") + Narrow(opened_->Name) : Cp1252("Aperçu de l'acquisition");
    if (WindowText(Window()) != title) SetWindowText1252(Window(), title);
    EnableWindow(GetDlgItem(Window(), idLiveBtn), opened_.has_value());
    EnableWindow(GetDlgItem(Window(), idSaveAsBtn), opened_.has_value());
    EnableWindow(GetDlgItem(Window(), idKeepReferenceBtn), Shown() != nullptr);
    EnableWindow(GetDlgItem(Window(), idClearReferenceBtn), reference_ != nullptr);
}

bool TPreviewForm::PictureMayGoOut() const {
    return Shown() && !state_.ReadUnderWay() && state_.MayStart(Command::Export);
}

void TPreviewForm::StateChanged() {
    spectrum_.StateChanged();
    if (!Window()) return;
    for (int id : {idCopyImageBtn, idSaveImageBtn})
        EnableWindow(GetDlgItem(Window(), id), PictureMayGoOut());
    plot_->Invalidate();
}

void TPreviewForm::SetHiddenText(int id, const std::wstring& text) {
    HWND control = GetDlgItem(Window(), id);
    if (!control) {
        control = CreateControl(Window(), {L"STATIC", "", SS_LEFT | SS_NOPREFIX, 0, 0, 1, 1, id});
        ShowWindow(control, SW_HIDE);
        hiddenTexts_.insert(id);
    }
    if (WindowTextW(control) != text) SetWindowTextW(control, text.c_str());
}

void TPreviewForm::UpdateTexts() {
    texts_ = Shown() ? PreviewTextsOf(*Shown(), cursors_, reference_.get()) : PreviewTexts{};
    std::map<int, std::wstring> wanted;
    for (int id : hiddenTexts_) wanted[id] = L"";
    auto table = [&](const auto& rows, int (*id)(int, int)) {
        for (std::size_t r = 0; r < rows.size(); ++r)
            for (std::size_t c = 0; c < rows[r].size(); ++c)
                wanted[id(int(r), int(c))] = rows[r][c];
    };
    table(texts_.Measures, MeasureId);
    table(texts_.Cursors, CursorId);
    wanted[idPhaseText] = texts_.Phase;
    wanted[idDelayText] = texts_.Delay;
    for (const auto& [id, text] : wanted) SetHiddenText(id, text);
    plot_->Invalidate();
}

PreviewView TPreviewForm::View(bool withMouse) const {
    PreviewView view;
    view.XY = xy_;
    view.MouseSample = withMouse ? mouseSample_ : -1;
    view.Reference = reference_.get();
    if (state_.ReadUnderWay()) view.Banner = Wide(Cp1252("Lecture en cours…"));
    return view;
}

void TPreviewForm::Draw(HDC dc, const RECT& box, int dpi, bool withMouse) const {
    DrawPreview(dc, box, dpi, Shown(), texts_, cursors_, View(withMouse));
}

PlotArea TPreviewForm::Grid() const {
    RECT client{};
    GetClientRect(plot_->Window(), &client);
    int dpi = plot_->Dpi();
    return PlotGrid(PreviewGraphBox(client, texts_, dpi), dpi);
}

void TPreviewForm::OnMouse(UINT message, POINT at) {
    if (message == WM_LBUTTONUP) dragged_ = -1;
    int sample = -1;
    const Acquisition* shown = Shown();
    if (shown && !xy_ && message != WM_MOUSELEAVE) {
        PlotArea grid = Grid();
        PlotDescription plot = PreviewPlot(shown, cursors_, View(false));
        const PlotAxis& levels = plot.Y[0];
        int grab = Scaled(kGrabPixels, plot_->Dpi());
        if (message == WM_LBUTTONDOWN && cursors_.Shown) {
            for (int i = 0; i < 2 && dragged_ < 0; ++i) {
                if (std::abs(PixelX(grid, plot.X, cursors_.Times[std::size_t(i)]) - at.x) <= grab)
                    dragged_ = i;
                double volts = LevelValue(levels, cursors_.Levels[std::size_t(i)]);
                if (std::abs(PixelY(grid, levels, volts) - at.y) <= grab) dragged_ = 2 + i;
            }
            if (dragged_ >= 0) cursors_.Selected = dragged_;
        }
        if (dragged_ >= 0 && dragged_ < 2) {
            cursors_.Times[std::size_t(dragged_)] =
                std::clamp(ValueAtX(grid, plot.X, at.x), plot.X.LineValue(0),
                           plot.X.LineValue(plot.X.Divisions));
        } else if (dragged_ >= 2) {
            double fraction = levels.Fraction(ValueAtY(grid, levels, at.y));
            double half = levels.Divisions / 2.0;
            cursors_.Levels[std::size_t(dragged_ - 2)] =
                std::clamp((fraction - 0.5) * levels.Divisions, -half, half);
        }
        bool inside = at.x >= grid.Left && at.x < grid.Left + grid.Width && at.y >= grid.Top &&
                      at.y < grid.Top + grid.Height;
        if (inside)
            sample = int(NearestSample(std::span(shown->Times()).first(shown->SignalRows()),
                                       ValueAtX(grid, plot.X, at.x)));
    }
    bool moved = dragged_ >= 0 || message == WM_LBUTTONDOWN;
    if (sample == mouseSample_ && !moved) return;
    mouseSample_ = sample;
    if (moved && cursors_.Shown)
        UpdateTexts();
    else
        plot_->Invalidate();
}

bool TPreviewForm::OnKey(UINT key) {
    const Acquisition* shown = Shown();
    if (!shown || !cursors_.Shown || xy_) return false;
    bool timeCursor = cursors_.Selected < 2;
    bool fine = GetKeyState(VK_CONTROL) < 0;
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
        if (!timeCursor) return true;
        MoveCursor(cursors_, *shown, key == VK_RIGHT ? 1 : -1, fine);
        break;
    case VK_UP:
    case VK_DOWN:
        if (timeCursor) return true;
        MoveCursor(cursors_, *shown, key == VK_UP ? 1 : -1, fine);
        break;
    case VK_TAB: {
        int next = cursors_.Selected + (GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
        if (next < 0 || next > 3) return false; // on to the window's other controls
        cursors_.Selected = next;
        break;
    }
    default: return false;
    }
    UpdateTexts();
    return true;
}

// Tab moves from cursor to cursor, and on to the next control after the last one.
UINT TPreviewForm::WantedKeys() const {
    if (!Shown() || !cursors_.Shown || xy_) return 0;
    bool back = GetKeyState(VK_SHIFT) < 0;
    bool within = back ? cursors_.Selected > 0 : cursors_.Selected < 3;
    return DLGC_WANTARROWS | (within ? DLGC_WANTTAB : 0);
}

PlotView::Drawer TPreviewForm::PictureOut() const {
    return [this](HDC dc, const RECT& box, int dpi) { Draw(dc, box, dpi, false); };
}

void TPreviewForm::CopyImageClick() {
    if (!PictureMayGoOut()) {
        MessageBeep(MB_OK);
        return;
    }
    plot_->CopyPicture(PictureOut());
}

bool TPreviewForm::TakeShortcut(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != 'C' || !Window() ||
        GetAncestor(msg.hwnd, GA_ROOT) != Window() || GetKeyState(VK_CONTROL) >= 0 ||
        GetKeyState(VK_MENU) < 0)
        return false;
    CopyImageClick();
    return true;
}

void TPreviewForm::SaveImageClick() {
    if (!PictureMayGoOut()) {
        MessageBeep(MB_OK);
        return;
    }
    plot_->SavePicture(PictureOut(), [this] { return state_.Closing(); });
}

void TPreviewForm::OpenClick() {
    std::wstring path = AskOpenPath(Window(), Cp1252("Ouverture de données"), kDataFileTypes);
    if (path.empty() || state_.Closing()) return;
    OpenFile(path);
}

// A file is read whole before anything shown changes: a refused one leaves the window as it was.
void TPreviewForm::OpenFile(const std::wstring& path) {
    std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    try {
        std::string bytes = ReadFileBytes(path, kMaxDataFileBytes + 1);
        DataFileContents contents = ReadDataFile(bytes, IsCurvilabFileName(Narrow(path)));
        if (std::optional<Series> series = FindSeries(contents.Table)) {
            takeSeries_(*series);
            return;
        }
        AcquisitionPtr acquisition = AcquisitionOfFile(contents.Table, Narrow(name));
        const Acquisition* before = Shown();
        opened_ =
            OpenedFile{name, std::move(contents.Table), contents.MorePages, std::move(acquisition)};
        KeepCursors(before, false);
    } catch (const std::exception& error) {
        // EDataFileError tells the line and what was expected; ESaveError why the file was not
        // read.
        ShowErrorBox(Cp1252("Le fichier « ") + Narrow(name) +
                     Cp1252(" » ne peut pas être ouvert.\r\n") + error.what());
        return;
    }
    Refresh();
}

void TPreviewForm::LiveClick() {
    opened_.reset();
    if (live_) KeepCursors(nullptr, false);
    Refresh();
}

void TPreviewForm::SaveAsClick() {
    if (!opened_) return;
    if (opened_->MorePages) ShowNotice(Cp1252("Seule la première page sera enregistrée"));
    if (!opened_ || state_.Closing()) return;
    std::wstring path =
        AskSavePath(Window(), "Enregistrer sous", kDataFileTypes, L"cv3", Existing::Ask);
    if (path.empty() || state_.Closing() || !opened_) return;
    bool curvilab = IsCurvilabFileName(Narrow(path));
    DataTable table = opened_->Table;
    // The path line as in every file the program writes; a failure is told by the window's guard.
    table.Source = ProgramPath();
    WriteFileAtomically(path, [&](TextSink& out) { WriteDataFile(out, table, curvilab); });
}

void TPreviewForm::KeepReferenceClick() {
    if (!Shown()) return;
    reference_ = opened_ ? opened_->Acquisition : live_;
    ShowSource();
    UpdateTexts();
    SpectrumFollows();
}

void TPreviewForm::ClearReferenceClick() {
    reference_.reset();
    ShowSource();
    UpdateTexts();
    SpectrumFollows();
}

LRESULT TPreviewForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case idXYCheck:
            xy_ = Button_GetCheck(GetDlgItem(Window(), idXYCheck)) == BST_CHECKED;
            mouseSample_ = -1;
            UpdateTexts();
            return 0;
        case idCursorsCheck:
            cursors_.Shown = Button_GetCheck(GetDlgItem(Window(), idCursorsCheck)) == BST_CHECKED;
            if (cursors_.Shown) SetFocus(plot_->Window());
            UpdateTexts();
            return 0;
        case idCopyImageBtn: CopyImageClick(); return 0;
        case idSaveImageBtn: SaveImageClick(); return 0;
        case idSeriesBtn: openSeries_(); return 0;
        case idSpectrumBtn: SpectrumClick(); return 0;
        case idOpenBtn: OpenClick(); return 0;
        case idLiveBtn: LiveClick(); return 0;
        case idSaveAsBtn: SaveAsClick(); return 0;
        case idKeepReferenceBtn: KeepReferenceClick(); return 0;
        case idClearReferenceBtn: ClearReferenceClick(); return 0;
        case idName3Edit:
        case idName4Edit:
            if (HIWORD(wParam) == EN_CHANGE) NameEditChange(LOWORD(wParam) == idName3Edit ? 3 : 4);
            return 0;
        }
        break;
    case WM_DROPFILES: {
        auto drop = reinterpret_cast<HDROP>(wParam);
        wchar_t path[MAX_PATH] = {};
        UINT length = DragQueryFileW(drop, 0, path, MAX_PATH);
        DragFinish(drop);
        if (length > 0 && length < MAX_PATH) OpenFile(path);
        return 0;
    }
    case kRefreshMessage:
        if (refreshPending_) Refresh();
        return 0;
    case WM_DESTROY:
        plot_.reset();
        hiddenTexts_.clear();
        opened_.reset(); // opened again from the main window, it shows the acquisition
        return 0;
    }
    return DefWindowProcW(Window(), message, wParam, lParam);
}
