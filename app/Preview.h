#pragma once
// The preview window "Aperçu de l'acquisition": the held acquisition's curves on the instrument's
// screen of 10 x 8 divisions, its measurements, the cursors, and the picture out to the clipboard
// or a PNG file. Non-modal: the main window stays usable while it is open. It also shows a data
// file opened or dropped on it (saved again under another name if wanted) until the next read,
// and keeps one acquisition as a reference drawn behind the current one.
//
// The window shows the last acquisition the main window published; a read under way is marked on
// it, and the next acquisition (or none) takes its place when the read ends. It measures only
// what it shows, and only while it is open.
#include <windows.h>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "acquisition/Acquisition.h"
#include "acquisition/CommandState.h"
#include "app/PlotView.h"
#include "app/PreviewContent.h"
#include "app/SpectrumForm.h"
#include "export/DataTable.h"
#include "export/SeriesTable.h"
#include "ui/ToolWindow.h"

class TPreviewForm : public ToolWindow {
public:
    // `openSeries` opens the series window; `takeSeries` gives it a series read from a file;
    // `rename` names a scope's CH3 or CH4 (the main window's fields name CH1 and CH2); `sendPage`
    // puts a page of the spectrum window on the clipboard and has Curvilab load it.
    TPreviewForm(const CommandState& state, std::function<void()> openSeries,
                 std::function<void(const Series&)> takeSeries,
                 std::function<void(int input, const std::string& name)> rename,
                 std::function<void(const std::string& page, const std::string& what)> sendPage);

    // Opens the window over `owner`, or brings it forward when it is open.
    void Show(HWND owner);
    // The main window's acquisition, or none, shown on the next turn of the message loop. One a
    // read left takes the place of an opened file; one made again from the same read (a
    // selector, a name) does not.
    void Publish(AcquisitionPtr acquisition, bool fromARead);
    // The program's state changed: the picture buttons, the mark of a read under way.
    void StateChanged();
    // Ctrl+C in the window copies its picture; true when `msg` was that key going down. Taken
    // on the key-down because the character Ctrl+C gives is replaced by the program's keyboard
    // hook.
    bool TakeShortcut(const MSG& msg);

    static constexpr const wchar_t* kClassName = L"TVexorPreview";
    enum Control : int {
        idXYCheck = 300,
        idCursorsCheck,
        idCopyImageBtn,
        idSaveImageBtn,
        idSeriesBtn,
        idOpenBtn,
        idLiveBtn,
        idSaveAsBtn,
        idKeepReferenceBtn,
        idClearReferenceBtn,
        idName3Label,
        idName3Edit,
        idName4Label,
        idName4Edit,
        idSpectrumBtn,
        idPlotView = 390,
        idPhaseText = 900,
        idDelayText,
    };
    // The hidden controls that carry the picture's texts for the UI driver and assistive tools.
    // A measurement's row r (0: the channels' names) and column c (0: the measurement's name, 1
    // and 2: the channels, 3 and 4: a reference's channels); the cursors' row r (0: the times)
    // and column c.
    static constexpr int MeasureId(int row, int column) { return 1000 + 100 * row + column; }
    static constexpr int CursorId(int row, int column) { return 4000 + 100 * row + column; }

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CreateControls() override;
    void PlaceControls() override;
    // What is shown again: the title, the buttons, the texts and the picture.
    void Refresh();
    // The acquisition shown: an opened file's, else the main window's; null when none.
    const Acquisition* Shown() const;
    AcquisitionPtr ShownPointer() const;
    // What the preview shows goes to the spectrum window.
    void SpectrumFollows();
    void SpectrumClick();
    // The texts again, in the picture and in the hidden controls.
    void UpdateTexts();
    void SetHiddenText(int id, const std::wstring& text);
    void Draw(HDC dc, const RECT& box, int dpi, bool withMouse) const;
    PreviewView View(bool withMouse) const;
    // Where the graph's grid lies in the plot view.
    PlotArea Grid() const;
    void OnMouse(UINT message, POINT at);
    bool OnKey(UINT key);
    UINT WantedKeys() const;
    PlotView::Drawer PictureOut() const; // the picture without the mouse's line
    void CopyImageClick();
    void SaveImageClick();
    void OpenClick();
    void OpenFile(const std::wstring& path);
    void LiveClick();
    void SaveAsClick();
    void KeepReferenceClick();
    void ClearReferenceClick();
    // The cursors for what is shown now, after `before`: they keep their places on the screen
    // when the same source changed its time base.
    void KeepCursors(const Acquisition* before, bool sameSource);
    // The title, the buttons that depend on what is shown.
    void ShowSource();
    // The picture may go out: a whole acquisition is shown and the program's state allows it.
    bool PictureMayGoOut() const;
    // The name fields of a scope's CH3 and CH4, shown with the main window's acquisition when it
    // has them.
    void ShowNameFields();
    void NameEditChange(int input);

    const CommandState& state_;
    std::function<void()> openSeries_;
    std::function<void(const Series&)> takeSeries_;
    std::function<void(int, const std::string&)> rename_;
    bool namesShown_ = false; // the program writes the name fields: no rename
    struct OpenedFile {
        std::wstring Name;
        DataTable Table;        // saved again as it was read, every variable
        bool MorePages = false; // a Curvilab file of several pages: only the first one was read
        AcquisitionPtr Acquisition;
    };
    std::optional<OpenedFile> opened_;
    AcquisitionPtr live_; // the main window's
    AcquisitionPtr reference_;
    PreviewTexts texts_;
    Cursors cursors_;
    bool xy_ = false;
    int mouseSample_ = -1;      // the sample under the mouse, -1 when none
    int dragged_ = -1;          // the cursor the mouse drags, -1 when none
    std::set<int> hiddenTexts_; // the ids of the hidden controls made so far
    std::unique_ptr<PlotView> plot_;
    TSpectrumForm spectrum_;
    static constexpr UINT kRefreshMessage = WM_APP + 1;
    bool refreshPending_ = false; // kRefreshMessage is on its way
};
