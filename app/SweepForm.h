#pragma once
// The window "Balayage automatique": the generator and the sweep's settings, kept in vexor.ini
// (section "Balayage"); "Tester" asks the generator who it is; "Démarrer" steps it through the
// frequencies while the scope chosen in the Instrument window is read, each point a row of the
// series as soon as it is measured; "Arrêter" ends the sweep and puts the instruments back.
#include <windows.h>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "acquisition/CommandState.h"
#include "instrument/SerialStream.h"
#include "instrument/SweepLink.h"
#include "ui/ToolWindow.h"

// The scope a sweep reads and the main window's channel names.
struct SweepScope {
    InstrumentResource Resource; // of kind Serial: the HM
    std::array<std::string, 4> Names;
    bool HmFound = false; // the HM answered its identification
    // An HM's image for a point, the person asked first to set what changed; null when they
    // declined or no whole image came.
    std::function<AcquisitionPtr(const HmSettingsRequest&)> ReadHm;
};

class TSweepForm : public ToolWindow {
public:
    TSweepForm(CommandState& state, std::function<SweepScope()> scope,
               std::function<void(const SweepPoint&)> addPoint);
    // A sweep under way is stopped, and its instruments are given a second to be put back.
    ~TSweepForm() override;

    // Opens the window over `owner`, or brings it forward.
    void Show(HWND owner);
    bool Running() const { return sweeping_.has_value(); }
    // Arrêter, and the window closes once the instruments are put back.
    void StopAndClose();
    // The scope's channels on the circuit's input and output, as vexor.ini keeps them: the series
    // measures those too.
    static std::array<int, 2> MeasuredChannels();

    static constexpr const wchar_t* kClassName = L"TVexorSweep";
    enum Control : int {
        idGeneratorEdit = 600,
        idTestBtn,
        idGeneratorText,
        idStartBtn,
        idStopBtn,
        idEstimateText,
        idProgressBar,
        idStatusText,
        idScopeGeneratorCheck,
        idFirstField = 620, // a label and an edit each, the edit's id one more
    };
    // The settings' fields, in their order.
    enum Field : int {
        kChannel,
        kInput,
        kOutput,
        kAmplitude,
        kOffset,
        kStart,
        kStop,
        kPerDecade,
        kSettling,
        kPeriods,
        kAverages
    };
    static constexpr int EditOf(Field field) { return idFirstField + 2 * int(field) + 1; }

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void CreateControls() override;
    void PlaceControls() override {}
    void ReadSettings();
    void WriteSettings() const;
    // The settings typed; none, with the reason said, when one is not a number in its range.
    std::optional<SweepSettings> TypedSettings() const;
    void ShowEstimate();
    void TestClick();
    void StartClick();
    void StopClick();
    void TakeEvents();
    void Ended(const SweepEvent& event);
    std::string EndText(bool stopped) const;
    void BreakOffTest();
    void ShowRunning(bool running);
    // The job for the generator the field names, a serial line opened here; false with the
    // reason given to `say` when it cannot be.
    bool GeneratorJob(SweepJob& job, const std::function<void(const std::string&)>& say);
    // "Générateur de l'oscilloscope" is ticked: the scope's own generator, on its connection.
    bool ScopeGeneratorChosen() const;
    HWND Item(int id) const { return GetDlgItem(Window(), id); }

    CommandState& state_;
    std::function<SweepScope()> scope_;
    std::function<AcquisitionPtr(const HmSettingsRequest&)> readHm_; // the sweep's, with an HM
    std::function<void(const SweepPoint&)> addPoint_;
    std::shared_ptr<SerialStream> serial_; // outlives the worker, which link_ ends first
    SweepLink link_;
    std::optional<CommandState::Activity> sweeping_;
    bool testing_ = false, closeWhenEnded_ = false;
    std::string generatorAddress_;
    std::vector<double> frequencies_;
    std::size_t done_ = 0, measured_ = 0; // points taken, and those of them with a value
    double startedAt_ = 0;
    SweepSettings settings_;
};
