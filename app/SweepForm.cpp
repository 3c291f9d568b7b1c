#include "app/SweepForm.h"

#include <cmath>
#include <commctrl.h>
#include <utility>
#include <windowsx.h>

#include "acquisition/Record.h"
#include "app/MeasureTexts.h"
#include "common/Clock.h"
#include "common/Folders.h"
#include "common/NumberText.h"
#include "common/Text1252.h"
#include "instrument/ScopeLink.h"
#include "ui/MessageDialog.h"
#include "ui/Wide.h"
#include "ui/Window.h"

namespace {

constexpr int kWidth = 440, kHeight = 570;
constexpr UINT kEventMessage = WM_APP + 3;
constexpr int kFieldTop = 98, kFieldStep = 28;
// vexor.ini's "Generateur" for the scope's own generator; any other value is a resource text.
constexpr const wchar_t* kScopeGenerator = L"OSCILLOSCOPE";

// The settings the window shows, each kept in vexor.ini under its key.
struct Setting {
    const char* Label; // UTF-8
    const wchar_t* Key;
    double Least, Most;
    bool Whole;
    double Default;
};

constexpr Setting kSettings[] = {
    {"Voie du générateur", L"Voie", 1, 2, true, 1},
    {"Voie de l'oscilloscope à l'entrée", L"VoieEntree", 1, 4, true, 1},
    {"Voie de l'oscilloscope à la sortie", L"VoieSortie", 1, 4, true, 2},
    {"Amplitude (V crête à crête)", L"Amplitude", 0.002, 20, false, 2},
    {"Décalage (V)", L"Decalage", -10, 10, false, 0},
    {"Fréquence de début (Hz)", L"FreqDebut", 0.01, 1e8, false, 10},
    {"Fréquence de fin (Hz)", L"FreqFin", 0.01, 1e8, false, 100000},
    {"Points par décade", L"PointsParDecade", 5, 100, true, 10},
    {"Stabilisation (ms)", L"Stabilisation", 0, 60000, false, 100},
    {"Périodes de stabilisation", L"PeriodesStabilisation", 0, 1000, false, 5},
    {"Moyennes", L"Moyennes", 1, 100, true, 1},
};

std::wstring SettingsPath() { return AppDataDir + L"vexor.ini"; }

// A number the setting takes: read, within its range, whole where it must be.
bool Takes(const Setting& setting, double value) {
    return value != NoValue && value >= setting.Least && value <= setting.Most &&
           (!setting.Whole || value == std::floor(value));
}

// What a capture costs on a lab network with a DS1000Z, for the estimate before the sweep; an
// HM's image at 960 bytes a second.
constexpr CaptureCost kNominalCapture{2 * 1200, 600e3, 15, 0.02};
constexpr int kNominalDivisions = 12;
constexpr CaptureCost kHmCapture{4096, 960, 1, 0};

std::string DurationText(double seconds) {
    long whole = std::lround(std::max(seconds, 0.0));
    if (whole < 60) return std::to_string(whole) + " s";
    return std::to_string(whole / 60) + " min " + std::to_string(whole % 60) + " s";
}

} // namespace

std::array<int, 2> TSweepForm::MeasuredChannels() {
    std::array<int, 2> channels{};
    for (Field field : {kInput, kOutput}) {
        const Setting& setting = kSettings[field];
        wchar_t text[64] = {};
        GetPrivateProfileStringW(L"Balayage", setting.Key, L"", text, 64, SettingsPath().c_str());
        double value = ParseReal(Narrow(text));
        channels[field == kInput ? 0 : 1] = int(Takes(setting, value) ? value : setting.Default);
    }
    if (channels[0] == channels[1]) return {1, 2};
    return channels;
}

TSweepForm::TSweepForm(CommandState& state, std::function<SweepScope()> scope,
                       std::function<void(const SweepPoint&)> addPoint)
    : ToolWindow({kClassName, "Balayage automatique", kWidth, kHeight, kWidth, kHeight}),
      state_(state), scope_(std::move(scope)), addPoint_(std::move(addPoint)) {}

void TSweepForm::Show(HWND owner) {
    if (!Create(owner)) return;
    ShowWindow(Window(), SW_SHOW);
}

void TSweepForm::CreateControls() {
    HWND w = Window();
    CreateControl(w, {L"STATIC", Cp1252("&Générateur"), SS_LEFT, 8, 12, 90, 18});
    CreateControl(w, {L"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, 100, 8, 240, 24, idGeneratorEdit,
                      WS_EX_CLIENTEDGE});
    CreateControl(w, {L"BUTTON", "&Tester", WS_TABSTOP, 348, 8, 80, 25, idTestBtn});
    CreateControl(w, {L"BUTTON", Cp1252("Générateur de l'&oscilloscope"),
                      BS_AUTOCHECKBOX | WS_TABSTOP, 100, 36, 328, 20, idScopeGeneratorCheck});
    CreateControl(w, {L"STATIC", "", SS_LEFT | SS_NOPREFIX, 100, 58, 328, 36, idGeneratorText});
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        int y = kFieldTop + int(i) * kFieldStep;
        CreateControl(w, {L"STATIC", Cp1252(kSettings[i].Label), SS_LEFT, 8, y + 4, 220, 18,
                          idFirstField + 2 * int(i)});
        CreateControl(w, {L"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, 232, y, 110, 24,
                          EditOf(Field(i)), WS_EX_CLIENTEDGE});
    }
    int y = kFieldTop + int(std::size(kSettings)) * kFieldStep + 6;
    CreateControl(w, {L"STATIC", "", SS_LEFT | SS_NOPREFIX, 8, y, 420, 18, idEstimateText});
    CreateControl(w, {PROGRESS_CLASSW, "", PBS_SMOOTH, 8, y + 24, 420, 18, idProgressBar});
    CreateControl(w, {L"STATIC", "", SS_LEFT | SS_NOPREFIX, 8, y + 48, 420, 36, idStatusText});
    CreateControl(w, {L"BUTTON", Cp1252("&Démarrer"), BS_DEFPUSHBUTTON | WS_TABSTOP, 262, y + 90,
                      80, 25, idStartBtn});
    CreateControl(w, {L"BUTTON", Cp1252("&Arrêter"), WS_TABSTOP, 348, y + 90, 80, 25, idStopBtn});
    ReadSettings();
    ShowRunning(false);
    ShowEstimate();
}

// Numbers are written with "." and read as any typed number: a value that does not read, or
// lies outside its range, gives the field's default.
void TSweepForm::ReadSettings() {
    wchar_t text[512] = {};
    GetPrivateProfileStringW(L"Balayage", L"Generateur", L"", text, 512, SettingsPath().c_str());
    bool own = _wcsicmp(text, kScopeGenerator) == 0;
    Button_SetCheck(Item(idScopeGeneratorCheck), own ? BST_CHECKED : BST_UNCHECKED);
    SetWindowTextW(Item(idGeneratorEdit), own ? L"" : text);
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        const Setting& field = kSettings[i];
        GetPrivateProfileStringW(L"Balayage", field.Key, L"", text, 64, SettingsPath().c_str());
        double value = ParseReal(Narrow(text));
        SetWindowText1252(Item(EditOf(Field(i))),
                          FormatReal(Takes(field, value) ? value : field.Default));
    }
}

// A failure to write is not said: the sweep goes on, and the next one starts from the defaults.
void TSweepForm::WriteSettings() const {
    WritePrivateProfileStringW(
        L"Balayage", L"Generateur",
        ScopeGeneratorChosen() ? kScopeGenerator : Wide(WindowText(Item(idGeneratorEdit))).c_str(),
        SettingsPath().c_str());
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        double value = ParseReal(WindowText(Item(EditOf(Field(i)))));
        WritePrivateProfileStringW(L"Balayage", kSettings[i].Key,
                                   Wide(FormatRealDot(value)).c_str(), SettingsPath().c_str());
    }
}

std::optional<SweepSettings> TSweepForm::TypedSettings() const {
    double values[std::size(kSettings)] = {};
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        const Setting& field = kSettings[i];
        values[i] = ParseReal(WindowText(Item(EditOf(Field(i)))));
        if (!Takes(field, values[i])) {
            ShowNotice(Cp1252(field.Label) + Cp1252(" : une valeur ") +
                       (field.Whole ? "entière " : "") + Cp1252("de ") + FormatReal(field.Least) +
                       Cp1252(" à ") + FormatReal(field.Most) + " est attendue.");
            return std::nullopt;
        }
    }
    if (values[kStop] <= values[kStart]) {
        ShowNotice(Cp1252("La fréquence de fin doit dépasser la fréquence de début."));
        return std::nullopt;
    }
    if (values[kInput] == values[kOutput]) {
        ShowNotice(Cp1252("Les voies de l'oscilloscope à l'entrée et à la sortie doivent être "
                          "différentes."));
        return std::nullopt;
    }
    SweepSettings settings;
    settings.Channel = int(values[kChannel]);
    settings.Input = int(values[kInput]);
    settings.Output = int(values[kOutput]);
    settings.Amplitude = values[kAmplitude];
    settings.Offset = values[kOffset];
    settings.Start = values[kStart];
    settings.Stop = values[kStop];
    settings.PointsPerDecade = int(values[kPerDecade]);
    settings.SettlingMs = values[kSettling];
    settings.SettlingPeriods = values[kPeriods];
    settings.Averages = int(values[kAverages]);
    return settings;
}

void TSweepForm::ShowEstimate() {
    auto read = [this](Field i) { return ParseReal(WindowText(Item(EditOf(Field(i))))); };
    std::vector<double> f =
        SweepFrequencies(read(kStart), read(kStop), int(std::lround(read(kPerDecade))));
    int averages = int(std::lround(read(kAverages)));
    std::string text;
    if (!f.empty() && averages >= 1 && read(kSettling) >= 0 && read(kPeriods) >= 0) {
        bool hm = scope_().Resource.Kind == ResourceKind::Serial;
        double seconds = EstimatedSweepSeconds(f, read(kSettling) / 1000, read(kPeriods), averages,
                                               hm ? kScreenDivisions : kNominalDivisions,
                                               hm ? kHmCapture : kNominalCapture);
        text =
            std::to_string(f.size()) + Cp1252(" points, durée estimée : ") + DurationText(seconds);
    }
    SetWindowText1252(Item(idEstimateText), text);
}

void TSweepForm::ShowRunning(bool running) {
    EnableWindow(Item(idStartBtn), !running && !testing_);
    EnableWindow(Item(idTestBtn), !running && !testing_);
    EnableWindow(Item(idStopBtn), running);
    EnableWindow(Item(idScopeGeneratorCheck), !running);
    EnableWindow(Item(idGeneratorEdit), !running && !ScopeGeneratorChosen());
    for (std::size_t i = 0; i < std::size(kSettings); ++i)
        EnableWindow(Item(EditOf(Field(i))), !running);
}

// The link's own end gives the worker its second to put the instruments back, then breaks off.
TSweepForm::~TSweepForm() {
    if (!link_.Running()) return;
    link_.Stop();
    link_.Deliver(nullptr); // an HM's image it may wait for
    if (!serial_) return;
    // A serial line sends what the worker puts back only through this thread.
    serial_->ServeUntil(link_.EndedEvent(), 1000);
    link_.Abandon();
}

bool TSweepForm::ScopeGeneratorChosen() const {
    return Button_GetCheck(Item(idScopeGeneratorCheck)) == BST_CHECKED;
}

bool TSweepForm::GeneratorJob(SweepJob& job, const std::function<void(const std::string&)>& say) {
    if (ScopeGeneratorChosen()) {
        job.ScopeGenerator = true;
        job.Scope = scope_().Resource;
        generatorAddress_ = job.Scope.Address();
        return true;
    }
    try {
        job.Generator = ParseResource(WindowText(Item(idGeneratorEdit)), InstrumentRole::Generator);
        if (job.Generator.Kind == ResourceKind::Serial) {
            say(Cp1252("Indiquez l'adresse du générateur, par exemple "
                       "TCPIP0::192.168.1.30::SOCKET ou ASRL3::INSTR"));
            return false;
        }
        if (job.Generator.Kind == ResourceKind::SerialLine)
            serial_ = std::make_shared<SerialStream>(uint16_t(job.Generator.Port),
                                                     link_.CancelEvent(), kAnswerMs);
    } catch (const EInstrumentError& error) {
        say(InstrumentErrorText(error, job.Generator.Address(), InstrumentRole::Generator));
        return false;
    }
    job.SerialGenerator = serial_;
    generatorAddress_ = job.Generator.Address();
    return true;
}

void TSweepForm::TestClick() {
    if (testing_ || Running()) return;
    SweepJob job;
    if (!GeneratorJob(job, [this](const std::string& text) {
            SetWindowText1252(Item(idGeneratorText), text);
        }))
        return;
    job.IdentifyOnly = true;
    testing_ = true;
    ShowRunning(false);
    SetWindowText1252(Item(idGeneratorText),
                      Cp1252("Connexion à ") + generatorAddress_ + Cp1252("…"));
    link_.Start(std::move(job), Window(), kEventMessage);
}

// The test's worker broken off and waited for, its generator's line closed here: the window opened
// next starts at rest.
void TSweepForm::BreakOffTest() {
    link_.Abandon();
    link_.Join();
    link_.Take();
    testing_ = false;
    serial_.reset();
}

void TSweepForm::StartClick() {
    if (Running() || testing_ || !state_.MayStart(Command::Sweep)) {
        MessageBeep(MB_OK);
        return;
    }
    SweepScope scope = scope_();
    bool hm = scope.Resource.Kind == ResourceKind::Serial;
    if (hm && !scope.HmFound)
        return ShowNotice(
            Cp1252("Aucun oscilloscope HM ne répond : vérifiez le port série et le "
                   "câble, ou choisissez un oscilloscope dans la fenêtre Instrument."));
    std::optional<SweepSettings> settings = TypedSettings();
    if (!settings || state_.Closing()) return;
    if (hm && std::max(settings->Input, settings->Output) > 2)
        return ShowNotice(Cp1252("Un oscilloscope HM n'a que les voies CH1 et CH2."));
    SweepJob job;
    if (!GeneratorJob(job, [](const std::string& text) { ShowNotice(text); })) return;
    WriteSettings();
    settings_ = *settings;
    frequencies_ = SweepFrequencies(settings_.Start, settings_.Stop, settings_.PointsPerDecade);
    job.Scope = scope.Resource;
    readHm_ = scope.ReadHm;
    job.Settings = settings_;
    job.Frequencies = frequencies_;
    job.Request.Names = scope.Names;
    done_ = measured_ = 0;
    startedAt_ = TimeOfDayNow();
    sweeping_.emplace(state_, ProgramState::Sweeping);
    ShowRunning(true);
    SendMessageW(Item(idProgressBar), PBM_SETRANGE32, 0, int(frequencies_.size()));
    SendMessageW(Item(idProgressBar), PBM_SETPOS, 0, 0);
    SetWindowText1252(Item(idStatusText), Cp1252("Connexion aux instruments…"));
    link_.Start(std::move(job), Window(), kEventMessage);
}

void TSweepForm::StopClick() {
    if (!Running()) return;
    link_.Stop();
    SetWindowText1252(Item(idStatusText), Cp1252("Arrêt : les réglages des instruments sont "
                                                 "rétablis…"));
}

void TSweepForm::StopAndClose() {
    if (!Window()) return;
    if (!Running() && !testing_) {
        DestroyWindow(Window());
        return;
    }
    closeWhenEnded_ = true;
    StopClick();
}

void TSweepForm::TakeEvents() {
    for (const SweepEvent& event : link_.Take()) {
        switch (event.What) {
        case SweepEvent::Kind::Connected:
            // The buttons first: the name once shown, the window takes a click again.
            if (std::exchange(testing_, false)) {
                serial_.reset(); // the worker has let go of it
                ShowRunning(false);
            } else
                SetWindowText1252(Item(idStatusText),
                                  event.GeneratorName + " ; " + event.ScopeName);
            SetWindowText1252(Item(idGeneratorText), event.GeneratorName);
            break;
        case SweepEvent::Kind::Point: {
            done_ = event.Index + 1;
            measured_ += event.Point.Result.has_value();
            addPoint_(event.Point);
            SendMessageW(Item(idProgressBar), PBM_SETPOS, WPARAM(done_), 0);
            // The time left: the points to come at the pace of those done so far.
            double elapsed = ElapsedSeconds(startedAt_);
            double left = elapsed / double(done_) * double(frequencies_.size() - done_);
            SetWindowText1252(Item(idStatusText), "Point " + std::to_string(done_) + " / " +
                                                      std::to_string(frequencies_.size()) +
                                                      Cp1252(" — ") +
                                                      EngineeringText(event.Point.Frequency, "Hz") +
                                                      Cp1252(" — reste ") + DurationText(left));
            break;
        }
        case SweepEvent::Kind::Capture:
            // The worker waits for the image, which is read here, on the port's thread.
            link_.Deliver(readHm_ && !state_.Closing() ? readHm_(event.Settings) : nullptr);
            break;
        case SweepEvent::Kind::Ended: Ended(event); break;
        }
    }
    // Closed while a sweep or a test ran: now that it has ended.
    if (closeWhenEnded_ && !Running() && !testing_ && IsWindow(Window())) {
        closeWhenEnded_ = false;
        DestroyWindow(Window());
    }
}

// A sweep that ran to its end without one value says so, rather than that it finished.
std::string TSweepForm::EndText(bool stopped) const {
    std::string points = std::to_string(frequencies_.size());
    if (!stopped && done_ == frequencies_.size() && measured_ == 0)
        return Cp1252("Balayage sans mesure : aucun des ") + points +
               Cp1252(" points n'a donné de signal");
    std::string what = stopped ? Cp1252("Balayage arrêté : ") : "Balayage fini : ";
    return what + std::to_string(done_) + " / " + points + " points";
}

void TSweepForm::Ended(const SweepEvent& event) {
    bool wasTest = std::exchange(testing_, false);
    sweeping_.reset();
    serial_.reset(); // the worker has let go of it
    if (!Window()) return;
    ShowRunning(false);
    if (!wasTest) SetWindowText1252(Item(idStatusText), EndText(event.Stopped));
    std::string said;
    if (event.Error) {
        said = InstrumentErrorText(*event.Error,
                                   event.FailedRole == InstrumentRole::Generator
                                       ? generatorAddress_
                                       : scope_().Resource.Address(),
                                   event.FailedRole);
        if (wasTest) SetWindowText1252(Item(idGeneratorText), said);
    }
    if (!event.NotRestored.empty()) {
        std::string list;
        for (const std::string& name : event.NotRestored)
            if (list.find(name) == std::string::npos) list += (list.empty() ? "" : ", ") + name;
        said += (said.empty() ? "" : "\r") + Cp1252("Réglages non rétablis : ") + list;
    }
    if (!said.empty() && !wasTest && !state_.Closing()) ShowNotice(said);
}

LRESULT TSweepForm::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (state_.Closing()) return 0;
        switch (LOWORD(wParam)) {
        case idTestBtn: TestClick(); return 0;
        case idStartBtn: StartClick(); return 0;
        case idStopBtn: StopClick(); return 0;
        case idScopeGeneratorCheck: ShowRunning(Running()); return 0;
        default:
            if (HIWORD(wParam) == EN_CHANGE) ShowEstimate();
            return 0;
        }
    case kEventMessage: TakeEvents(); return 0;
    case WM_CLOSE: StopAndClose(); return 0;
    case WM_DESTROY:
        link_.Stop();
        if (testing_) BreakOffTest();
        closeWhenEnded_ = false;
        return 0;
    }
    return DefWindowProcW(Window(), message, wParam, lParam);
}
