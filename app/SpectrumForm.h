#pragma once
// The window "Spectre": the amplitude spectrum of each channel the preview shows, in its colours,
// the preview's reference paler behind them, up to half the sampling rate; the harmonic table of
// the channel chosen under it. The window function, the unit (dBV or volts RMS) and a logarithmic
// frequency axis are the user's choice; the mouse reads a bin's frequency and levels. The table
// to the clipboard, the spectrum and the table to Curvilab, the spectrum into a file, the picture
// out. Non-modal; it follows what the preview shows.
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/Acquisition.h"
#include "acquisition/CommandState.h"
#include "acquisition/Spectrum.h"
#include "app/PlotView.h"
#include "app/Plotter.h"
#include "export/SpectrumTable.h"
#include "ui/ToolWindow.h"

class TSpectrumForm : public ToolWindow {
public:
    // `sendPage` puts a page on the clipboard and has Curvilab load it as a new file; `what`
    // names the page in a failure's box.
    TSpectrumForm(const CommandState& state,
                  std::function<void(const std::string& page, const std::string& what)> sendPage);

    // Opens the window over `owner`, or brings it forward when it is open, showing the spectra of
    // `shown` and of its reference, each possibly none.
    void Show(HWND owner, AcquisitionPtr shown, AcquisitionPtr reference);
    // What the preview shows now and its reference: drawn again at once while the window is
    // open; nothing is kept while it is closed.
    void Follow(AcquisitionPtr shown, AcquisitionPtr reference);
    // The program's state changed: the buttons that send and save.
    void StateChanged();

    static constexpr const wchar_t* kClassName = L"TVexorSpectrum";
    enum Control : int {
        idWindowLabel = 600,
        idWindowCombo,
        idUnitLabel,
        idUnitCombo,
        idLogCheck,
        idChannelLabel,
        idChannelCombo,
        idCopyTableBtn,
        idSendBtn,
        idSaveBtn,
        idCopyImageBtn,
        idSaveImageBtn,
        idPlotView = 690,
    };

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CreateControls() override;
    void PlaceControls() override;
    // The spectra and the table again, from what is followed and the choices.
    void Compute();
    // The harmonic table of the channel chosen.
    void MakeTable();
    // The curves' points in the unit and on the axis chosen.
    void MakeTraces();
    void FillChannels();
    void Draw(HDC dc, const RECT& box, int dpi, bool withMouse) const;
    PlotDescription Plot(bool withMouse) const;
    RECT GraphBox(const RECT& box) const;
    void OnMouse(UINT message, POINT at);
    // The sends and saves may go: a spectrum is shown and the program's state allows it; else a
    // beep.
    bool Allowed() const;
    void CopyTableClick();
    void SendClick();
    void SaveClick();
    std::vector<std::string> ChannelNames() const;
    DataTable CurrentSpectrumTable() const;

    const CommandState& state_;
    std::function<void(const std::string&, const std::string&)> sendPage_;
    AcquisitionPtr shown_, reference_;
    SpectrumWindow window_ = SpectrumWindow::FlatTop;
    SpectrumUnit unit_ = SpectrumUnit::Dbv;
    bool logarithmic_ = false;
    std::size_t channel_ = 0; // the table's
    std::vector<Spectrum> spectra_, referenceSpectra_;
    HarmonicTable table_;
    struct Trace {
        std::vector<double> Frequencies, Levels;
        COLORREF Colour;
        bool Pale;
    };
    std::vector<Trace> traces_;
    double mouseFrequency_ = -1; // the bin under the mouse; negative when none
    std::unique_ptr<PlotView> plot_;
};
