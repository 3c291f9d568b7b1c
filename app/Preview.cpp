#include "app/Preview.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>
#include <windowsx.h>

#include "common/Text1252.h"
#include "export/Clipboard.h"
#include "export/FileSave.h"
#include "ui/FileDialog.h"
#include "ui/Handles.h"
#include "ui/MessageDialog.h"
#include "ui/Picture.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

constexpr COLORREF kChannelColours[] = {RGB(0, 0, 200), RGB(200, 0, 0)};
constexpr COLORREF kGridColour = RGB(215, 215, 215);
constexpr COLORREF kAxisColour = RGB(150, 150, 150);
constexpr COLORREF kInk = RGB(0, 0, 0);
constexpr int kRowHeight = TPreviewForm::kRowHeight;
constexpr int kMeasureBand = TPreviewForm::kMeasureBandHeight;
constexpr int kMargin = 8;
constexpr int kMinimumWidth = 560, kMinimumHeight = 440;

const char* const kMeasureTitles[TPreviewForm::kMeasureColumns] = {
    "Voie", "Minimum", "Maximum", "Crête à crête", "Moyenne", "Efficace", "Période", "Fréquence"};

int MeasureId(int row, int column) { return TPreviewForm::idMeasureTable + 10 * row + column; }

// The instrument's screen holds 2000 samples across its 10 divisions.
double SecondsPerDivision(const AcquisitionRecord& record) {
    return double(record.TimeStep) * 2000 / kDivisionsAcross;
}

class Drawing {
public:
    explicit Drawing(HDC dc) : dc_(dc), font_(SelectObject(dc, InterfaceFont())) {
        SetBkMode(dc, TRANSPARENT);
    }
    ~Drawing() { SelectObject(dc_, font_); }
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;

    void Line(COLORREF colour, int style, const std::vector<POINT>& points) const {
        UniqueGdiObject pen(CreatePen(style, 1, colour));
        HGDIOBJ old = SelectObject(dc_, pen.get());
        Polyline(dc_, points.data(), int(points.size()));
        SelectObject(dc_, old);
    }
    // `text` (1252) in `box`, with DrawText's `format`.
    void Text(const std::string& text, RECT box, UINT format, COLORREF colour = kInk) const {
        SetTextColor(dc_, colour);
        std::wstring wide = Wide(text);
        DrawTextW(dc_, wide.c_str(), int(wide.size()), &box, format | DT_NOPREFIX | DT_SINGLELINE);
    }

private:
    HDC dc_;
    HGDIOBJ font_;
};

void DrawGrid(const Drawing& draw, const PlotArea& a) {
    int right = a.Left + a.Width - 1, bottom = a.Top + a.Height - 1;
    for (int i = 1; i < kDivisionsAcross; ++i) {
        int x = a.Left + i * (a.Width - 1) / kDivisionsAcross;
        draw.Line(i == kDivisionsAcross / 2 ? kAxisColour : kGridColour, PS_SOLID,
                  {{x, a.Top}, {x, bottom}});
    }
    for (int j = 1; j < kDivisionsUp; ++j) {
        int y = a.Top + j * (a.Height - 1) / kDivisionsUp;
        draw.Line(j == kDivisionsUp / 2 ? kAxisColour : kGridColour, PS_SOLID,
                  {{a.Left, y}, {right, y}});
    }
    draw.Line(
        kInk, PS_SOLID,
        {{a.Left, a.Top}, {right, a.Top}, {right, bottom}, {a.Left, bottom}, {a.Left, a.Top}});
}

// Values along the bottom edge: `across(i)` at division line i.
template <typename Label>
void BottomLabels(const Drawing& draw, const PlotArea& a, COLORREF colour, Label across) {
    int bottom = a.Top + a.Height;
    int step = a.Width / kDivisionsAcross < 60 ? 2 : 1; // room for "-12,5 ms" each
    for (int i = 0; i <= kDivisionsAcross; i += step) {
        int x = a.Left + i * (a.Width - 1) / kDivisionsAcross;
        draw.Text(across(i), {x - 40, bottom + 2, x + 40, bottom + kRowHeight}, DT_CENTER, colour);
    }
}

// Volts along a side: the division lines from the top, +4 to -4 divisions.
void SideLabels(const Drawing& draw, const PlotArea& a, double voltsPerDivision, COLORREF colour,
                bool left) {
    for (int j = 0; j <= kDivisionsUp; ++j) {
        int y = a.Top + j * (a.Height - 1) / kDivisionsUp;
        std::string text = EngineeringText((kDivisionsUp / 2 - j) * voltsPerDivision, "V");
        RECT box = left ? RECT{0, y - 8, a.Left - 4, y + 8}
                        : RECT{a.Left + a.Width + 4, y - 8, a.Left + a.Width + 80, y + 8};
        draw.Text(text, box, left ? DT_RIGHT : DT_LEFT, colour);
    }
}

std::vector<POINT> Trace(const PlotArea& a, const ChannelSamples& s, double secondsPerDivision,
                         double voltsPerDivision) {
    std::vector<POINT> points;
    points.reserve(s.Values.size());
    // The screen ends at 10 divisions, as the instrument's: later samples are not drawn.
    double end = kDivisionsAcross * secondsPerDivision * (1 + 1e-9);
    for (std::size_t i = 0; i < s.Values.size() && s.Times[i] <= end; ++i)
        points.push_back(
            {PlotX(a, s.Times[i], secondsPerDivision), PlotY(a, s.Values[i], voltsPerDivision)});
    return points;
}

// Channel 2 against channel 1, each with its own sensitivity, 0 V at the centre.
std::vector<POINT> Lissajous(const PlotArea& a, const ChannelSamples& x, double xVolts,
                             const ChannelSamples& y, double yVolts) {
    std::vector<POINT> points;
    points.reserve(x.Values.size());
    for (std::size_t i = 0; i < x.Values.size() && i < y.Values.size(); ++i)
        points.push_back({PlotX(a, x.Values[i] + kDivisionsAcross / 2 * xVolts, xVolts),
                          PlotY(a, y.Values[i], yVolts)});
    return points;
}

} // namespace

TPreviewForm::TPreviewForm(std::function<const AcquisitionRecord*()> held,
                           const CommandState& state, std::function<PreviewSettings()> settings)
    : heldAcquisition_(std::move(held)), state_(state), settings_(std::move(settings)) {}

void TPreviewForm::Show(HWND owner) {
    if (Window()) {
        ShowWindow(Window(), SW_RESTORE);
        SetForegroundWindow(Window());
        return;
    }
    CreateFrame({kClassName, Cp1252("Aperçu de l'acquisition"),
                 WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, CW_USEDEFAULT, CW_USEDEFAULT, 720, 600,
                 owner, LoadIconW(GetModuleHandleW(nullptr), L"MAINICON")});
    CreateControls();
    Refresh();
    ShowWindow(Window(), SW_SHOW);
}

void TPreviewForm::CreateControls() {
    CreateControl(Window(),
                  {L"BUTTON", "XY", BS_AUTOCHECKBOX | WS_TABSTOP, kMargin, 6, 50, 22, idXYCheck});
    CreateControl(Window(),
                  {L"BUTTON", "Copier l'image", WS_TABSTOP, 70, 4, 120, 25, idCopyImageBtn});
    CreateControl(Window(), {L"BUTTON", Cp1252("Enregistrer l'image…"), WS_TABSTOP, 198, 4, 150, 25,
                             idSaveImageBtn});
    // The measurements' texts are hidden controls the window draws itself, in the one paint of
    // its picture: two dozen controls painting themselves cost more than the whole graph, and
    // what assistive tools and the UI driver read stays in them.
    auto text = [this](int id, const std::string& initial) {
        ShowWindow(
            CreateControl(Window(), {L"STATIC", initial, SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, id}),
            SW_HIDE);
    };
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < kMeasureColumns; ++column)
            text(MeasureId(row, column), row == 0 ? Cp1252(kMeasureTitles[column]) : "");
    text(idPhaseText, "");
    PlaceControls();
}

int TPreviewForm::GraphHeight() const {
    RECT client{};
    GetClientRect(Window(), &client);
    return std::max(int(client.bottom) - kToolRowHeight - kMeasureBand, 40);
}

void TPreviewForm::PlaceControls() {
    RECT client{};
    GetClientRect(Window(), &client);
    int top = kToolRowHeight + GraphHeight() + 4;
    int width = (client.right - 2 * kMargin) / kMeasureColumns;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < kMeasureColumns; ++column)
            MoveWindow(GetDlgItem(Window(), MeasureId(row, column)), kMargin + column * width,
                       top + row * kRowHeight, width - 4, kRowHeight - 2, TRUE);
    MoveWindow(GetDlgItem(Window(), idPhaseText), kMargin, top + 3 * kRowHeight,
               client.right - 2 * kMargin, kRowHeight - 2, TRUE);
}

void TPreviewForm::Refresh() {
    if (const AcquisitionRecord* held = heldAcquisition_()) {
        shown_ = *held;
        shownSettings_ = settings_();
        held_ = true;
    } else if (!state_.ReadUnderWay()) {
        held_ = false;
    }
    if (!Window()) return;
    cursorSample_ = -1;
    bool twoChannels = held_ && shown_.ChannelCount >= 2;
    if (!twoChannels) xy_ = false;
    Button_SetCheck(GetDlgItem(Window(), idXYCheck), xy_ ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(Window(), idXYCheck), twoChannels);
    StateChanged();
    ShowMeasures();
}

bool TPreviewForm::PictureMayGoOut() const {
    return held_ && !state_.ReadUnderWay() && state_.MayStart(Command::Export);
}

void TPreviewForm::StateChanged() {
    if (!Window()) return;
    for (int id : {idCopyImageBtn, idSaveImageBtn})
        EnableWindow(GetDlgItem(Window(), id), PictureMayGoOut());
    InvalidateRect(Window(), nullptr, FALSE);
}

void TPreviewForm::ShowMeasures() {
    auto set = [this](int id, const std::string& text) {
        HWND control = GetDlgItem(Window(), id);
        if (WindowText(control) != text) SetWindowText1252(control, text);
    };
    std::vector<ChannelSamples> channels;
    if (held_)
        for (int n = 1; n <= shown_.ChannelCount; ++n)
            channels.push_back(SamplesInVolts(shown_, n));
    for (int row = 1; row <= 2; ++row) {
        if (std::size_t(row) > channels.size()) {
            for (int column = 0; column < kMeasureColumns; ++column)
                set(MeasureId(row, column), "");
            continue;
        }
        ChannelMeasures m = MeasureChannel(channels[std::size_t(row - 1)]);
        const std::string texts[kMeasureColumns] = {
            shown_.Channel(row).Name,        EngineeringText(m.Minimum, "V"),
            EngineeringText(m.Maximum, "V"), EngineeringText(m.PeakToPeak, "V"),
            EngineeringText(m.Mean, "V"),    EngineeringText(m.Rms, "V"),
            EngineeringText(m.Period, "s"),  EngineeringText(m.Frequency, "Hz")};
        for (int column = 0; column < kMeasureColumns; ++column)
            set(MeasureId(row, column), texts[column]);
    }
    std::string phase;
    if (channels.size() == 2)
        phase = Cp1252("Déphasage de ") + shown_.Channel(2).Name + " sur " +
                shown_.Channel(1).Name + " : " + DegreeText(PhaseShift(channels[0], channels[1]));
    set(idPhaseText, phase);
}

void TPreviewForm::DrawGraph(HDC dc, int width, int height, int cursorSample) const {
    Drawing draw(dc);
    PlotArea area = GraphPlotArea(width, height);
    DrawGrid(draw, area);
    RECT inside{area.Left, area.Top, area.Left + area.Width, area.Top + area.Height};
    if (state_.ReadUnderWay())
        draw.Text(Cp1252("Lecture en cours…"),
                  {inside.left, inside.top + 4, inside.right, inside.top + 24}, DT_CENTER,
                  kChannelColours[1]);
    if (!held_) {
        if (!state_.ReadUnderWay()) draw.Text("Aucune acquisition", inside, DT_CENTER | DT_VCENTER);
        return;
    }
    const PreviewSettings& settings = shownSettings_;
    const std::string sensitivities[] = {settings.Sensitivity1, settings.Sensitivity2};
    int count = shown_.ChannelCount >= 2 ? 2 : 1;
    std::vector<ChannelSamples> channels;
    for (int n = 1; n <= count; ++n) channels.push_back(SamplesInVolts(shown_, n));
    double seconds = SecondsPerDivision(shown_);
    double volts[] = {double(shown_.Channel(1).Sensitivity), double(shown_.Channel(2).Sensitivity)};

    // The legend: each channel's colour, name and sensitivity, then the time base.
    int x = area.Left;
    for (int n = 0; n < count; ++n) {
        draw.Line(kChannelColours[n], PS_SOLID, {{x, 15}, {x + 20, 15}});
        draw.Line(kChannelColours[n], PS_SOLID, {{x, 16}, {x + 20, 16}});
        draw.Text(shown_.Channel(n + 1).Name + " : " + sensitivities[n], {x + 26, 6, x + 200, 26},
                  DT_LEFT);
        x += 200;
    }
    if (!xy_)
        draw.Text("Base de temps : " + settings.TimeBase, {x, 6, area.Left + area.Width, 26},
                  DT_RIGHT);

    if (xy_ && count == 2) {
        BottomLabels(draw, area, kChannelColours[0], [&](int i) {
            return EngineeringText((i - kDivisionsAcross / 2) * volts[0], "V");
        });
        SideLabels(draw, area, volts[1], kChannelColours[1], true);
        draw.Line(kChannelColours[0], PS_SOLID,
                  Lissajous(area, channels[0], volts[0], channels[1], volts[1]));
        return;
    }
    BottomLabels(draw, area, kInk, [&](int i) { return EngineeringText(i * seconds, "s"); });
    for (int n = 0; n < count; ++n) {
        SideLabels(draw, area, volts[n], kChannelColours[n], n == 0);
        draw.Line(kChannelColours[n], PS_SOLID,
                  Trace(area, channels[std::size_t(n)], seconds, volts[n]));
    }
    if (cursorSample < 0 || std::size_t(cursorSample) >= channels[0].Times.size()) return;
    auto sample = std::size_t(cursorSample);
    int cursorX = PlotX(area, channels[0].Times[sample], seconds);
    draw.Line(kAxisColour, PS_DOT, {{cursorX, area.Top}, {cursorX, area.Top + area.Height}});
    std::string readout = "t = " + EngineeringText(channels[0].Times[sample], "s");
    for (int n = 0; n < count; ++n)
        readout += "     " + shown_.Channel(n + 1).Name + " = " +
                   EngineeringText(channels[std::size_t(n)].Values[sample], "V");
    draw.Text(readout, {area.Left, height - kRowHeight, width, height}, DT_LEFT);
}

// The measurement controls' texts where they stand.
void TPreviewForm::DrawMeasures(HDC dc) const {
    Drawing draw(dc);
    auto copy = [&](HWND control) {
        RECT box{};
        GetWindowRect(control, &box);
        MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&box), 2);
        OffsetRect(&box, 0, -kToolRowHeight);
        draw.Text(WindowText(control), box, DT_LEFT);
    };
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < kMeasureColumns; ++column)
            copy(GetDlgItem(Window(), MeasureId(row, column)));
    copy(GetDlgItem(Window(), idPhaseText));
}

void TPreviewForm::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Window(), &paint);
    RECT client{};
    GetClientRect(Window(), &client);
    // Drawn off the screen, shown in one copy: no flicker while the window is resized.
    int height = std::max(int(client.bottom) - kToolRowHeight, 1);
    if (!backBuffer_ || backBuffer_->Width() != client.right || backBuffer_->Height() != height)
        backBuffer_ = std::make_unique<Picture>(client.right, height);
    DrawPicture(*backBuffer_, cursorSample_);
    BitBlt(dc, 0, kToolRowHeight, backBuffer_->Width(), backBuffer_->Height(), backBuffer_->Dc(), 0,
           0, SRCCOPY);
    RECT top{0, 0, client.right, kToolRowHeight};
    FillRect(dc, &top, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(Window(), &paint);
}

void TPreviewForm::DrawPicture(const Picture& picture, int cursorSample) const {
    RECT all{0, 0, picture.Width(), picture.Height()};
    FillRect(picture.Dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawGraph(picture.Dc(), picture.Width(), GraphHeight(), cursorSample);
    DrawMeasures(picture.Dc());
}

void TPreviewForm::TrackMouse(int x, int y) {
    int sample = -1;
    RECT client{};
    GetClientRect(Window(), &client);
    PlotArea area = GraphPlotArea(client.right, GraphHeight());
    y -= kToolRowHeight;
    if (held_ && !xy_ && x >= area.Left && x < area.Left + area.Width && y >= area.Top &&
        y < area.Top + area.Height) {
        sample = SampleNearX(area, x, SecondsPerDivision(shown_), shown_);
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Window(), 0};
        TrackMouseEvent(&track);
    }
    if (sample == cursorSample_) return;
    cursorSample_ = sample;
    InvalidateRect(Window(), nullptr, FALSE);
}

std::unique_ptr<Picture> TPreviewForm::RenderPicture() const {
    RECT client{};
    GetClientRect(Window(), &client);
    auto picture = std::make_unique<Picture>(client.right, client.bottom - kToolRowHeight);
    DrawPicture(*picture, -1);
    return picture;
}

void TPreviewForm::CopyImageClick() {
    if (!PictureMayGoOut()) {
        MessageBeep(MB_OK);
        return;
    }
    if (!PutOnClipboard(Window(), CF_DIB, RenderPicture()->DibBytes()))
        ShowErrorBox(Cp1252("Le presse-papier est occupé par un autre programme : "
                            "l'image n'a pas été copiée."));
}

void TPreviewForm::SaveImageClick() {
    if (!PictureMayGoOut()) {
        MessageBeep(MB_OK);
        return;
    }
    std::wstring path =
        AskSavePath(Window(), "Enregistrer l'image", {{"Image PNG (*.png)", L"*.png"}}, L"png");
    if (!path.empty() && !state_.Closing()) WriteFileAtomically(path, RenderPicture()->PngBytes());
}

LRESULT TPreviewForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case idXYCheck:
            xy_ = Button_GetCheck(GetDlgItem(Window(), idXYCheck)) == BST_CHECKED;
            cursorSample_ = -1;
            InvalidateRect(Window(), nullptr, FALSE);
            return 0;
        case idCopyImageBtn: CopyImageClick(); return 0;
        case idSaveImageBtn: SaveImageClick(); return 0;
        }
        break;
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1; // WM_PAINT covers the whole client area
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case WM_SIZE:
        PlaceControls();
        InvalidateRect(Window(), nullptr, FALSE);
        return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {kMinimumWidth, kMinimumHeight};
        return 0;
    }
    case WM_MOUSEMOVE: TrackMouse(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSELEAVE:
        cursorSample_ = -1;
        InvalidateRect(Window(), nullptr, FALSE);
        return 0;
    case WM_DESTROY: backBuffer_.reset(); return 0;
    }
    return DefWindowProcW(Window(), message, wParam, lParam);
}
