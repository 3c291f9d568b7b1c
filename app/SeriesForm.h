#pragma once
// The window "Série de mesures": a frequency response built from a series of reads. While it is
// open the series runs: every read that ends with a whole acquisition adds a row (its reads ask
// no loss question and read no zero); closed, the series pauses and keeps its rows. The rows,
// their Bode diagram with its cut-off frequencies, the series' file and its page for Curvilab.
//
// Nothing is lost: after every change the running series is kept in a file of this run's own
// (SeriesRecovery.h). A file whose run has gone (killed, or ended with rows neither saved nor
// cleared by "Nouvelle série") is offered back the first time the window opens in a later run; a
// second instance running beside the first never sees the first's.
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/Acquisition.h"
#include "acquisition/CommandState.h"
#include "acquisition/Series.h"
#include "app/PlotView.h"
#include "app/SeriesRecovery.h"
#include "app/SweepForm.h"
#include "export/SeriesTable.h"
#include "ui/ToolWindow.h"

class TSeriesForm : public ToolWindow {
public:
    // `sendPage` puts a page on the clipboard and has Curvilab load it as a new file; `sweepScope`
    // gives the scope an automatic sweep reads.
    TSeriesForm(CommandState& state, std::function<void(const std::string& page)> sendPage,
                std::function<SweepScope()> sweepScope);
    ~TSeriesForm() override;

    // Opens the window over `owner` (or brings it forward); the first time in a run, offers to
    // take up a series an earlier run left.
    void Show(HWND owner);
    // A series read from a file takes the place of the rows, once the user agrees to give them up;
    // reads then go on adding rows to it.
    void TakeSeries(HWND owner, const Series& series);
    // A read ended with a whole acquisition: a row, when the series runs.
    void AddPoint(const AcquisitionPtr& acquisition);
    // A sweep's point: a row whatever came of it, its reason when it has no value.
    void AddSweepPoint(const SweepPoint& point);

    static constexpr const wchar_t* kClassName = L"TVexorSeries";
    enum Control : int {
        idNewSeriesBtn = 500,
        idDeleteRowBtn,
        idSaveSeriesBtn,
        idSendSeriesBtn,
        idCopyImageBtn,
        idSaveImageBtn,
        idSaveEachCheck,
        idFolderLabel,
        idFolderEdit,
        idNameLabel,
        idNameEdit,
        idPointsText,
        idCutOffText,
        idRowList,
        idSweepBtn,
        idPlotView = 590,
    };

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CreateControls() override;
    void PlaceControls() override;
    // The series changed: its file, then what the window shows of it.
    void SeriesChanged();
    // The list, the counts, the cut-off frequencies and the diagram again.
    void ShowRows();
    void FillList();
    // A row's cells, as the list shows them.
    std::vector<std::wstring> Cells(const SeriesRow& row) const;
    // The list asks for a cell it draws.
    void GiveCell(LVITEMW& item);
    // A row taken, of the channels `measured` (the circuit's input and output): its files and the
    // list on the next turn of the message loop.
    void RowAdded(SeriesRow row, const AcquisitionPtr& acquisition, std::array<int, 2> measured);
    // What the points added since last did not do yet: the series' file, their own files (when
    // each is saved), the list shown again.
    void KeepPending();
    // The running series into its file, or the file away once the series is saved or cleared;
    // false when it could not be written.
    bool KeepRunningSeries();
    void OfferInterruptedSeries();
    bool PerPointFilesPossible();
    void SaveEachAcquisition(const Acquisition& acquisition);
    // Whether the program's state lets `command` start; a beep when it does not.
    bool Allowed(Command command) const;
    void NewSeriesClick();
    void DeleteRowClick();
    void SaveSeriesClick();
    void SendSeriesClick();
    void CopyImageClick();
    void SaveImageClick();
    void Draw(HDC dc, const RECT& box, int dpi) const;
    std::wstring CutOffText() const;

    CommandState& state_;
    std::function<void(const std::string&)> sendPage_;
    std::vector<SeriesRow> rows_;
    // What the diagram and the cut-off text show of the rows, worked out once a change.
    std::vector<BodePoint> bode_;
    std::vector<double> cutOffs_;
    std::vector<std::string> names_{"V1", "V2"};
    int nextNumber_ = 1;
    int nextFileNumber_ = 1;
    bool saved_ = true;    // every row is in a file the user saved (or there are none)
    bool offered_ = false; // the interrupted series was looked for in this run
    static constexpr UINT kKeepMessage = WM_APP + 1;
    bool keepPending_ = false;                 // kKeepMessage is on its way
    std::vector<AcquisitionPtr> pendingFiles_; // points whose own file is still to write
    std::wstring cell_;                        // the cell the list asked for last
    SeriesRecovery recovery_;
    std::unique_ptr<PlotView> plot_;
    TSweepForm sweep_;
};
