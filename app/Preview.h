#pragma once
// The preview window "Aperçu de l'acquisition": the held acquisition's curves on the instrument's
// screen of 10 x 8 divisions, its measurements, and the picture out to the clipboard or a PNG
// file. Non-modal: the main window stays usable while it is open.
#include <windows.h>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "acquisition/CommandState.h"
#include "acquisition/Measurements.h"
#include "acquisition/Record.h"
#include "ui/Picture.h"
#include "ui/WindowBase.h"

// The settings in force as the main window shows them: "5ms/div", "200mV/div".
struct PreviewSettings {
    std::string TimeBase, Sensitivity1, Sensitivity2;
};

// The window shows the last whole acquisition it was given, a copy of its own: a read that starts
// writes the record in place, so meanwhile the window keeps its picture, marked as being read,
// and takes the new acquisition (or none) when the read ends.
class TPreviewForm : public WindowBase {
public:
    // `held` gives the whole acquisition no read is writing, or null.
    TPreviewForm(std::function<const AcquisitionRecord*()> held, const CommandState& state,
                 std::function<PreviewSettings()> settings);

    // Opens the window over `owner`, or brings it forward when it is open.
    void Show(HWND owner);
    // Takes the held acquisition (or none) unless a read is writing it; draws it again and
    // measures it, when the window is open.
    void Refresh();
    // The program's state changed: the picture buttons, the mark of a read under way.
    void StateChanged();

    static constexpr const wchar_t* kClassName = L"TVexorPreview";
    static constexpr int kToolRowHeight = 33; // the picture is the client area below it
    static constexpr int kRowHeight = 20;
    static constexpr int kMeasureBandHeight = 4 * kRowHeight + 8; // titles, 2 channels, phase
    enum Control : int {
        idXYCheck = 300,
        idCopyImageBtn,
        idSaveImageBtn,
        idMeasureTable = 400, // + 10 x row (0 the titles, 1 and 2 the channels) + column
        idPhaseText = 430,
    };
    static constexpr int kMeasureColumns = 8;

    // Where the curves go in a graph of `width` x `height` pixels: room for the legend above,
    // the values of the divisions beside and below, and the mouse's readout under them.
    static PlotArea GraphPlotArea(int width, int height) {
        constexpr int left = 72, right = 72, top = 30, bottom = 2 * kRowHeight + 4;
        return {left, top, std::max(width - left - right, 2), std::max(height - top - bottom, 2)};
    }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CreateControls();
    void PlaceControls();
    void ShowMeasures();
    void Paint();
    int GraphHeight() const;
    // The picture: the graph with its legend and, below it, the measurements, as the window
    // shows them; the mouse's cursor and readout at `cursorSample` unless it is -1.
    void DrawPicture(const Picture& picture, int cursorSample) const;
    void DrawGraph(HDC dc, int width, int height, int cursorSample) const;
    void DrawMeasures(HDC dc) const;
    // The picture out: the client area below the tool row, without the mouse's cursor.
    std::unique_ptr<Picture> RenderPicture() const;
    void TrackMouse(int x, int y);
    void CopyImageClick();
    void SaveImageClick();
    // The picture may go out: a whole acquisition is shown and the program's state allows it.
    bool PictureMayGoOut() const;

    std::function<const AcquisitionRecord*()> heldAcquisition_;
    const CommandState& state_;
    std::function<PreviewSettings()> settings_;
    AcquisitionRecord shown_; // valid while held_
    PreviewSettings shownSettings_;
    bool held_ = false;
    bool xy_ = false;
    int cursorSample_ = -1;               // the sample under the mouse, -1 when none
    std::unique_ptr<Picture> backBuffer_; // the graph as last drawn, kept while the size holds
};
