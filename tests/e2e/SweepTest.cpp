// Automatic sweeps through the real windows: scpi-sim plays the function generator and the
// network scope, wired through a circuit; the rows and their file, Curvilab's page, a stop midway,
// a GETDATA that waits for the end, and both instruments put back as they were.
#include <windows.h>

#include <cmath>
#include <complex>
#include <sstream>

#include "app/ControlIds.h"
#include "app/Preview.h"
#include "app/SeriesForm.h"
#include "app/SweepForm.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/Wide.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The commands a log holds after the last that starts with `from`.
std::vector<std::string> LinesAfter(const std::string& log, const std::string& from) {
    std::vector<std::string> lines;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(from, 0) == 0) lines.clear();
        lines.push_back(line);
    }
    return lines;
}

bool Holds(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class Sweep : public SeriesProgramTest {
protected:
    using Settings = std::vector<std::pair<const wchar_t*, std::string>>;

    // Five points a decade from `start` to `stop` hertz, each after `settlingMs` or a period.
    static Settings Decades(const char* start, const char* stop, const char* settlingMs) {
        return {{L"FreqDebut", start},           {L"FreqFin", stop},
                {L"PointsParDecade", "5"},       {L"Stabilisation", settlingMs},
                {L"PeriodesStabilisation", "1"}, {L"Moyennes", "1"}};
    }

    // The program on the network scope `scopeModel`, the generator `generatorModel` wired to it
    // through `circuit`; the sweep window opened from the series window once vexor.ini's
    // "Balayage" holds the generator and `settings`.
    bool Open(const std::string& scopeModel, const std::string& generatorModel,
              const std::string& circuit, const Settings& settings) {
        if (ScpiPort() == 0 || GeneratorPort() == 0) {
            ADD_FAILURE() << "run through tests/serial/with-sim --scpi";
            return false;
        }
        for (const std::string& setting :
             {"model " + scopeModel, "generator.model " + generatorModel, "circuit " + circuit,
              std::string("probe2 1"), std::string("noise-counts 1")})
            ScpiControl(setting);
        Resource = "TCPIP0::127.0.0.1::" + std::to_string(ScpiPort()) + "::SOCKET";
        return Start({}, Cp1252("Lecture oscilloscope : ")) && OpenSweepWindow(settings);
    }

    // The sweep window, opened from the series window once vexor.ini's "Balayage" holds
    // scpi-sim's generator and `settings`.
    bool OpenSweepWindow(const Settings& settings) {
        series = OpenSeriesWindow(main);
        if (!series) return false;
        WriteSweepSetting(L"Generateur",
                          "TCPIP0::127.0.0.1::" + std::to_string(GeneratorPort()) + "::SOCKET");
        for (const auto& [key, value] : settings) WriteSweepSetting(key, value);
        UiDriver::Click(series, TSeriesForm::idSweepBtn);
        sweep = UiDriver::WaitForWindow("Balayage automatique", 15000);
        return sweep != nullptr;
    }

    // The value rows of the series saved through its window: f, ..., G, phi; none when it could
    // not be saved.
    std::vector<std::vector<double>> SavedRows() {
        std::wstring path = TempFilePath(L"vexor-e2e-sweep.cv3");
        if (!ChooseFile(series, TSeriesForm::idSaveSeriesBtn, "Sauvegarde de la série", path) ||
            !PumpUntil([&] { return !FileText(path).empty(); }, 15000))
            return {};
        std::string file = FileText(path);
        DeleteFileW(path.c_str());
        return SeriesValueRows(file, "VALEUR VAR");
    }

    static void WriteSweepSetting(const wchar_t* key, const std::string& value) {
        WritePrivateProfileStringW(L"Balayage", key, Wide(value).c_str(),
                                   Wide(SettingsFile()).c_str());
    }
    static std::string SweepSetting(const wchar_t* key) {
        wchar_t text[512] = {};
        GetPrivateProfileStringW(L"Balayage", key, L"", text, 512, Wide(SettingsFile()).c_str());
        return Narrow(text);
    }
    std::string Shown(TSweepForm::Field field) const {
        return UiDriver::Control(sweep, TSweepForm::EditOf(field)).Text;
    }

    // The status line, or the box the program shows instead.
    std::string Status() const {
        HWND box = UiDriver::WaitForMessageBox("", 0);
        return box ? "box: " + UiDriver::MessageBoxText(box)
                   : UiDriver::Control(sweep, TSweepForm::idStatusText).Text;
    }
    bool EndsWith(const char* said, int ms = 60000) {
        std::string text = Cp1252(said);
        return PumpUntil([&] { return Status().rfind(text, 0) == 0; }, ms);
    }
    std::wstring Points() const {
        return UiDriver::TextW(GetDlgItem(series, TSeriesForm::idPointsText));
    }
    static std::string Log(const char* name) { return FileText(Wide(SimPath(name))); }

    HWND series = nullptr, sweep = nullptr;
};

} // namespace

// Eleven points of a 100 Hz RC low-pass with a Siglent generator and a Rigol scope: the saved
// series is the filter's, Curvilab gets the same page, and both instruments are put back.
TEST_F(Sweep, ALowPassWithASiglentGeneratorAndARigolScope) {
    auto curvilab = RunCurvilab(L"--semaphore");
    ASSERT_TRUE(Open("rigol-ds1054z", "siglent-sdg1032x", "lowpass 1000 1.5915494309189535e-6",
                     {{L"FreqDebut", "10"},
                      {L"FreqFin", "1 k"},
                      {L"PointsParDecade", "5"},
                      {L"Stabilisation", "0"},
                      {L"PeriodesStabilisation", "1"},
                      {L"Moyennes", "deux"},
                      {L"Amplitude", "2,0"},
                      {L"Decalage", "-50"}}));
    // Read as any typed number is; one that does not read, or lies out of its range, is the
    // field's default.
    EXPECT_EQ(Shown(TSweepForm::kStop), "1000");
    EXPECT_EQ(Shown(TSweepForm::kAmplitude), "2");
    EXPECT_EQ(Shown(TSweepForm::kAverages), "1");
    EXPECT_EQ(Shown(TSweepForm::kOffset), "0");
    EXPECT_NE(UiDriver::Control(sweep, TSweepForm::idEstimateText).Text.find("11 points"),
              std::string::npos);
    UiDriver::Click(sweep, TSweepForm::idTestBtn);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return UiDriver::Control(sweep, TSweepForm::idGeneratorText).Text ==
                   Cp1252("Siglent SDG1032X, n° SDG1XCAD000001");
        },
        15000));

    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    ASSERT_TRUE(EndsWith("Balayage fini : 11 / 11 points")) << Status();
    // Kept as started, numbers written with ".".
    EXPECT_EQ(SweepSetting(L"FreqFin"), "1000");
    EXPECT_EQ(SweepSetting(L"Moyennes"), "1");
    EXPECT_EQ(SweepSetting(L"Amplitude"), "2");
    EXPECT_EQ(Points(), L"11 points");
    EXPECT_FALSE(UiDriver::WaitForMessageBox("", 0)); // all put back: nothing to say

    auto rows = SavedRows();
    ASSERT_EQ(rows.size(), 11u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        double f = 10 * std::pow(10.0, double(i) / 5);
        std::complex<double> h = 1.0 / std::complex<double>(1, f / 100);
        double db = 20 * std::log10(std::abs(h));
        EXPECT_NEAR(rows[i][0], f, 1e-4 * f);
        EXPECT_NEAR(rows[i][3], db, db > -3 ? 0.1 : 0.5) << f;
        EXPECT_NEAR(rows[i][4], std::arg(h) * 180 / kPi, 1) << f;
    }
    UiDriver::Click(series, TSeriesForm::idSendSeriesBtn);
    ASSERT_TRUE(PumpUntil([&] { return CurvilabLogCount("EXECUTE CLIP|LOAD") == 1; }, 20000));
    EXPECT_EQ(SeriesValueRows(CurvilabClipboard(1), Cp1252("déphasage")), rows);

    // The generator's output, waveform, load and settings, the scope's time base, scales,
    // offsets, trigger and run state: each as it was, then a sign that they arrived.
    std::vector<std::string> generator =
        LinesAfter(Log("generator-commands.log"), "C1:OUTP LOAD,HZ");
    for (const char* line : {"C1:BSWV WVTP,SINE", "C1:BSWV FRQ,1000", "C1:BSWV AMP,4",
                             "C1:BSWV OFST,0", "C1:OUTP OFF", "*OPC?"})
        EXPECT_TRUE(Holds(generator, line)) << line;
    std::vector<std::string> scope =
        LinesAfter(Log("scpi-commands.log"), ":TIM:MAIN:SCAL 2.000000e-04");
    for (const char* line : {":CHAN1:SCAL 1.000000e+00", ":CHAN2:SCAL 5.000000e-01",
                             ":TRIG:EDG:SOUR CHAN1", ":TRIG:SWE AUTO", ":RUN", "*OPC?"})
        EXPECT_TRUE(Holds(scope, line)) << line;
    EXPECT_EQ(scope.back(), "*OPC?");
}

// A band-pass with a Rigol generator and a Siglent scope, stopped after two points: the rows stay,
// the instruments are put back, and a GETDATA sent during the sweep reads once it has ended.
TEST_F(Sweep, StoppedMidwayItKeepsItsRowsAndAGetDataWaitsForIt) {
    auto curvilab = RunCurvilab(L"--semaphore");
    ASSERT_TRUE(CurvilabLogReaches("STARTED"));
    ASSERT_TRUE(Open("siglent-sds1104x-e", "rigol-dg812", "bandpass 100 1e-6 0.1",
                     Decades("100", "10000", "1500")));
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    ASSERT_TRUE(PumpUntil([&] { return Points() == L"2 points"; }, 30000)) << Status();
    EXPECT_EQ(SendToProgram("GETDATA")->Wait(30000), 0u);
    EXPECT_EQ(CurvilabLogCount("EXECUTE CLIP|ADD"), 0) << "no read during the sweep";
    EXPECT_EQ(Status().rfind("Point ", 0), 0u) << Status();
    // Refused while the sweep runs: no question comes. The window takes the clicks in turn, so
    // the stop's end shows that this one was taken before it.
    UiDriver::Click(series, TSeriesForm::idNewSeriesBtn);

    UiDriver::Click(sweep, TSweepForm::idStopBtn);
    ASSERT_TRUE(EndsWith("Balayage arrêté", 10000)) << Status();
    EXPECT_FALSE(UiDriver::WaitForMessageBox("Confirmation", 0)) << "no new series meanwhile";
    int kept = std::stoi(Narrow(Points()));
    EXPECT_GE(kept, 2);
    EXPECT_LT(kept, 11);
    std::vector<std::string> generator =
        LinesAfter(Log("generator-commands.log"), ":OUTP1:LOAD 50");
    for (const char* line : {":SOUR1:FUNC SIN", ":SOUR1:FREQ 1.000000E+03", ":SOUR1:VOLT:UNIT VPP",
                             ":SOUR1:VOLT 4.000000E+00", ":OUTP1 OFF", "*OPC?"})
        EXPECT_TRUE(Holds(generator, line)) << line;
    std::vector<std::string> scope = LinesAfter(Log("scpi-commands.log"), "TDIV 2.00E-04");
    for (const char* line :
         {"C1:VDIV 1.00E+00", "C2:VDIV 5.00E-01", "TRSE EDGE,SR,C1,HT,OFF", "TRMD AUTO", "*OPC?"})
        EXPECT_TRUE(Holds(scope, line)) << line;

    // The read Curvilab asked for, once the sweep has ended.
    EXPECT_TRUE(CurvilabLogReaches("EXECUTE CLIP|ADD"));
}

// The close box during a sweep: the program ends within the second the instruments are given to
// be put back, and they are, a Keysight generator and a Siglent scope of the newer set.
TEST_F(Sweep, TheCloseEndsTheSweepAndPutsTheInstrumentsBack) {
    ASSERT_TRUE(Open("siglent-sds2104x-plus", "keysight-33522b", "highpass 1000 1e-6",
                     Decades("100", "10000", "3000")));
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    ASSERT_TRUE(PumpUntil([&] { return Points() == L"1 point"; }, 30000)) << Status();
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Close(), 0u);
    ULONGLONG closing = GetTickCount64() - start;
    EXPECT_LT(closing, 2500) << "not the 3 s of the settling wait";
    std::vector<std::string> generator =
        LinesAfter(Log("generator-commands.log"), ":OUTP1:LOAD 50");
    for (const char* line :
         {":SOUR1:FUNC SIN", ":SOUR1:FREQ +1.00000000000000E+03", ":OUTP1 0", "*OPC?"})
        EXPECT_TRUE(Holds(generator, line)) << line;
    std::vector<std::string> scope = LinesAfter(Log("scpi-commands.log"), ":TIM:SCAL 2.00E-04");
    for (const char* line :
         {":CHAN1:SCAL 1.00E+00", ":TRIG:EDGE:SOUR C1", ":TRIG:MODE AUTO", ":TRIG:RUN", "*OPC?"})
        EXPECT_TRUE(Holds(scope, line)) << line;
}

// A generator that answers late, within the sweep's answer time but not within the second given
// to put it back: Arrêter ends the sweep once the answer under way has come and the second has
// passed, not after the usual answer time, and the program names what it could not confirm.
TEST_F(Sweep, AGeneratorThatAnswersLateIsNotWaitedForAtTheEnd) {
    ASSERT_TRUE(Open("rigol-ds1054z", "siglent-sdg1032x", "lowpass 1000 1.5915494309189535e-6",
                     Decades("100", "10000", "0")));
    ScpiControl("generator.fault late");
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    ASSERT_TRUE(PumpUntil([&] { return Points() == L"1 point"; }, 30000)) << Status();
    ULONGLONG start = GetTickCount64();
    UiDriver::Click(sweep, TSweepForm::idStopBtn);
    EXPECT_EQ(AnswerBox("", "OK", 10000),
              Cp1252("Réglages non rétablis : charge, forme d'onde, fréquence, amplitude, "
                     "décalage, sortie"));
    // 1.5 s for the answer under way, the second of the restore and the simulator's own wait.
    EXPECT_LT(GetTickCount64() - start, 4000u);
    EXPECT_TRUE(EndsWith("Balayage arrêté", 1000)) << Status();
    EXPECT_TRUE(Holds(LinesAfter(Log("scpi-commands.log"), ":TIM:MAIN:SCAL 2.000000e-04"), ":RUN"));

    // The series window closed while Tester waits for the late answer: opened again, the sweep
    // window takes a test and a sweep.
    UiDriver::Click(sweep, TSweepForm::idTestBtn);
    PostMessageW(series, WM_CLOSE, 0, 0);
    ASSERT_TRUE(UiDriver::WaitUntilGone(series, 5000));
    ASSERT_TRUE(OpenSweepWindow({}));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sweep, TSweepForm::idStartBtn)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sweep, TSweepForm::idTestBtn)));
}

// CH2 hidden on the scope, as after a reset: the sweep shows it for its points and hides it again
// at the end. A generator that ignores every frequency gives no point a value, and the status
// says so.
TEST_F(Sweep, ItShowsTheChannelsItMeasuresAndSaysWhenNoPointHadAValue) {
    ScpiControl("shown2 off");
    ASSERT_TRUE(Open("rigol-ds1054z", "siglent-sdg1032x", "lowpass 1000 1.5915494309189535e-6",
                     Decades("100", "250", "0")));
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    ASSERT_TRUE(EndsWith("Balayage fini : 3 / 3 points")) << Status();
    std::vector<std::string> scope = LinesAfter(Log("scpi-commands.log"), ":CHAN2:DISP 1");
    EXPECT_TRUE(Holds(scope, ":CHAN2:DISP 0"));
    EXPECT_EQ(SavedRows().size(), 3u);

    ScpiControl("generator.fault ignore-frequencies");
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    EXPECT_TRUE(EndsWith("Balayage sans mesure : aucun des 3 points n'a donné de signal"))
        << Status();
}

// The sweep window closed during a sweep: the sweep stops, the window goes once the instruments
// are put back, and opened again it runs the next sweep to its end.
TEST_F(Sweep, ClosingItsWindowStopsTheSweepFirst) {
    ASSERT_TRUE(Open("rigol-ds1054z", "rigol-dg812", "lowpass 1000 1.5915494309189535e-6",
                     Decades("100", "10000", "3000")));
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    ASSERT_TRUE(PumpUntil([&] { return Points() == L"1 point"; }, 30000)) << Status();
    PostMessageW(sweep, WM_CLOSE, 0, 0);
    ASSERT_TRUE(UiDriver::WaitUntilGone(sweep, 5000));
    EXPECT_TRUE(Holds(LinesAfter(Log("generator-commands.log"), ":OUTP1:LOAD 50"), ":OUTP1 OFF"));
    EXPECT_EQ(Points(), L"1 point");

    WriteSweepSetting(L"Stabilisation", "0");
    WriteSweepSetting(L"FreqFin", "200");
    UiDriver::Click(series, TSeriesForm::idSweepBtn);
    sweep = UiDriver::WaitForWindow("Balayage automatique", 15000);
    ASSERT_TRUE(sweep);
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    ASSERT_TRUE(EndsWith("Balayage fini : 3 / 3 points")) << Status();
    EXPECT_TRUE(IsWindow(sweep));
    EXPECT_EQ(Points(), L"4 points");
}

// The semi-automatic sweep of an HM: scpi-sim's Siglent generator stepped, hameg-sim showing it and
// the output of scpi-sim's circuit, and each "Régler l'oscilloscope" box answered as a person
// would, turning the simulated scope's knobs first.
class HmSweep : public Sweep {
protected:
    // The HM `model` at full speed behind a 1 kHz RC low-pass, the sweep window open on the four
    // points 1 kHz to 3.98 kHz.
    bool OpenOnTheHm(const char* model) {
        if (GeneratorPort() == 0) {
            ADD_FAILURE() << "run through tests/serial/with-sim --scpi";
            return false;
        }
        ScpiControl("circuit lowpass 1000 1.5915494309189535e-7");
        for (const std::string& setting :
             {"model " + std::string(model), std::string("speed 0"), std::string("no-zero 1"),
              std::string("filter circuit"), std::string("signal-gauss 1")})
            SimControl(setting);
        return Start() && OpenSweepWindow(Decades("1000", "3981.0717055", "0"));
    }

    // The value the box asks for after `key` ("base de temps 500µs/div" gives 5e-4); 0 when the
    // box does not ask for it.
    static double Asked(const std::string& text, const std::string& key) {
        std::size_t at = text.find(key);
        if (at == std::string::npos) return 0;
        std::size_t length = 0;
        double value = std::stod(text.substr(at + key.size()), &length);
        char prefix = text[at + key.size() + length];
        return value * (prefix == '\xB5' ? 1e-6 : prefix == 'm' ? 1e-3 : 1);
    }

    // Answers the boxes until the sweep ends, each one's knobs set first; `wrongFirst` sets the
    // first box's time base to twice what it asks. The boxes' texts in `asked`.
    bool AnswerUntilTheEnd(std::vector<std::string>& asked, bool wrongFirst = false) {
        return PumpUntil(
            [&] {
                if (HWND box = UiDriver::WaitForMessageBox("Information", 0)) {
                    std::string text = UiDriver::MessageBoxText(box);
                    asked.push_back(text);
                    double timeBase = Asked(text, "base de temps ");
                    if (wrongFirst && asked.size() == 1) timeBase *= 2;
                    SimControl("time-base " + std::to_string(timeBase));
                    for (const char* channel : {"1", "2"})
                        if (double scale = Asked(text, std::string("CH") + channel + " : "))
                            SimControl(std::string("sensitivity") + channel + " " +
                                       std::to_string(scale));
                    UiDriver::ClickButton(box, "OK");
                    UiDriver::WaitUntilGone(box, 5000);
                }
                return UiDriver::Control(sweep, TSweepForm::idStatusText)
                           .Text.rfind("Balayage fini", 0) == 0;
            },
            60000);
    }

    // The four rows of the saved series against the low-pass's gain and phase.
    void ExpectTheLowPass() {
        auto rows = SavedRows();
        ASSERT_EQ(rows.size(), 4u);
        for (const auto& row : rows) {
            std::complex<double> h = 1.0 / std::complex<double>(1, row[0] / 1000);
            EXPECT_NEAR(row[3], 20 * std::log10(std::abs(h)), 0.2) << row[0];
            EXPECT_NEAR(row[4], std::arg(h) * 180 / kPi, 1.5) << row[0];
        }
    }
};

// An HM 305: the first box asks for the time base and both scales, the next only for CH2 once
// the filter's output spans too little; the program's selectors follow each answer.
TEST_F(HmSweep, AnHm305SetByHandAsTheBoxesAsk) {
    ASSERT_TRUE(OpenOnTheHm("hm305"));
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    std::vector<std::string> asked;
    ASSERT_TRUE(AnswerUntilTheEnd(asked)) << Status();
    EXPECT_EQ(Status(), "Balayage fini : 4 / 4 points");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], Cp1252("Régler l'oscilloscope : base de temps 500µs/div\r\nCH1 : "
                               "500mV/div\r\nCH2 : 500mV/div"));
    EXPECT_EQ(asked[1], Cp1252("Régler l'oscilloscope : base de temps 500µs/div\r\nCH2 : "
                               "100mV/div"));
    EXPECT_EQ(UiDriver::Control(main, idBaseDeTempsEdit).Text, Cp1252("500µs/div"));
    EXPECT_EQ(UiDriver::Control(main, idGammeEditCH2).Text, "100mV/div");
    ExpectTheLowPass();
}

// An HM 408 states its settings in its header: a time base other than the one asked for brings
// the box back; Annuler on a later box stops the sweep with its rows kept.
TEST_F(HmSweep, AnHm408WhoseHeaderDiffersIsAskedAgain) {
    ASSERT_TRUE(OpenOnTheHm("hm408"));
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    std::vector<std::string> asked;
    ASSERT_TRUE(AnswerUntilTheEnd(asked, true)) << Status();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[1], Cp1252("Régler l'oscilloscope : base de temps 500µs/div"));
    EXPECT_EQ(UiDriver::Control(main, idBaseDeTempsEdit).Text, Cp1252("500µs/div"));
    ExpectTheLowPass();

    // Ten times lower: a new sweep's first box states every setting; Annuler is Arrêter, and the
    // rows stay.
    SetWindowTextW(GetDlgItem(sweep, TSweepForm::EditOf(TSweepForm::kStart)), L"100");
    SetWindowTextW(GetDlgItem(sweep, TSweepForm::EditOf(TSweepForm::kStop)), L"398,107");
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    EXPECT_EQ(AnswerBox("Information", "Annuler", 15000),
              Cp1252("Régler l'oscilloscope : base de temps 5ms/div\r\nCH1 : 500mV/div\r\nCH2 : "
                     "500mV/div"));
    EXPECT_TRUE(EndsWith("Balayage arrêté : 0 / 4 points", 15000)) << Status();
    EXPECT_EQ(Points(), L"4 points");
}

// Each generator family of the trees (the DG1022 with its pause, the AFG, the 33220A) sweeps an
// RC low-pass of 1.59 kHz over five points around its cut-off: the series is the filter's.
TEST_F(Sweep, EachFamilyOfGeneratorSweepsALowPass) {
    const struct {
        const char* Generator;
        const char* Scope;
        const char* Name;
    } kBenches[] = {
        {"rigol-dg1022", "tektronix-tbs2104", "RIGOL DG1022, n° DG1D150900538"},
        {"tektronix-afg1022", "rigol-ds1054z", "TEKTRONIX AFG1022, n° 1643763"},
        {"keysight-33220a", "keysight-dsox1204g", "Agilent 33220A, n° MY44026553"},
    };
    for (const auto& bench : kBenches) {
        SCOPED_TRACE(bench.Generator);
        ASSERT_TRUE(
            Open(bench.Scope, bench.Generator, "lowpass 1000 1e-7", Decades("631", "3981", "0")));
        UiDriver::Click(sweep, TSweepForm::idTestBtn);
        EXPECT_TRUE(PumpUntil(
            [&] {
                return UiDriver::Control(sweep, TSweepForm::idGeneratorText).Text ==
                       Cp1252(bench.Name);
            },
            15000))
            << UiDriver::Control(sweep, TSweepForm::idGeneratorText).Text;
        UiDriver::Click(sweep, TSweepForm::idStartBtn);
        ASSERT_TRUE(EndsWith("Balayage fini : 5 / 5 points")) << Status();
        auto rows = SavedRows();
        ASSERT_EQ(rows.size(), 5u);
        for (const auto& row : rows) {
            std::complex<double> h = 1.0 / std::complex<double>(1, row[0] / 1591.5494309189535);
            EXPECT_NEAR(row[3], 20 * std::log10(std::abs(h)), 0.3) << row[0];
            EXPECT_NEAR(row[4], std::arg(h) * 180 / kPi, 2) << row[0];
        }
        EXPECT_FALSE(UiDriver::WaitForMessageBox("", 0)); // all put back
        EXPECT_EQ(Close(), 0u);
    }
}

// One instrument: the Keysight's WaveGen drives the low-pass, chosen in vexor.ini as
// "OSCILLOSCOPE", asked of the scope by Tester, on the scope's connection; put back as found.
TEST_F(Sweep, AScopesOwnGeneratorSweepsALowPass) {
    Settings settings = Decades("631", "3981", "0");
    settings.push_back({L"Generateur", "OSCILLOSCOPE"});
    ASSERT_TRUE(Open("keysight-dsox1204g", "siglent-sdg1032x", "none", settings));
    ScpiControl("circuit-own lowpass 1000 1e-7");
    EXPECT_EQ(SendMessageW(UiDriver::Control(sweep, TSweepForm::idScopeGeneratorCheck).Window,
                           BM_GETCHECK, 0, 0),
              BST_CHECKED);
    UiDriver::Click(sweep, TSweepForm::idTestBtn);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return UiDriver::Control(sweep, TSweepForm::idGeneratorText).Text ==
                   Cp1252("Générateur de l'oscilloscope KEYSIGHT DSOX1204G");
        },
        15000))
        << UiDriver::Control(sweep, TSweepForm::idGeneratorText).Text;
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    ASSERT_TRUE(EndsWith("Balayage fini : 5 / 5 points")) << Status();
    auto rows = SavedRows();
    ASSERT_EQ(rows.size(), 5u);
    for (const auto& row : rows) {
        std::complex<double> h = 1.0 / std::complex<double>(1, row[0] / 1591.5494309189535);
        EXPECT_NEAR(row[3], 20 * std::log10(std::abs(h)), 0.3) << row[0];
        EXPECT_NEAR(row[4], std::arg(h) * 180 / kPi, 2) << row[0];
    }
    EXPECT_FALSE(UiDriver::WaitForMessageBox("", 0)); // all put back
    EXPECT_EQ(SweepSetting(L"Generateur"), "OSCILLOSCOPE");
    std::vector<std::string> scope = LinesAfter(Log("scpi-commands.log"), ":WGEN:OUTPut ON");
    EXPECT_TRUE(Holds(scope, ":WGEN:OUTPut 0")) << "the output put back off";
    EXPECT_EQ(Close(), 0u);
}

// The close box while the first box waits for the person: the program ends, the box with it, and
// the generator is put back.
TEST_F(HmSweep, TheCloseDuringItsBoxEndsTheProgram) {
    ASSERT_TRUE(OpenOnTheHm("hm305"));
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    ASSERT_TRUE(UiDriver::WaitForMessageBox("Information", 15000));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(vexor->WaitForExit(10000), 0u);
    main = nullptr;
    EXPECT_TRUE(Holds(LinesAfter(Log("generator-commands.log"), "C1:OUTP LOAD,HZ"), "*OPC?"));
}

// A FeelTech generator on a serial line, through the program's own port at 115 200 baud, and the
// newer Siglent scope: found without "*IDN?", stepped, read back and put back.
class SerialSweep : public Sweep {
protected:
    // The generator of "with-sim --serial-generator", playing `generatorModel`, wired to
    // `scopeModel` through the low-pass.
    bool OpenOnItsLine(const std::string& scopeModel, Settings settings,
                       const std::string& generatorModel = "feeltech-fy6900") {
        if (GeneratorCom() == 0) {
            ADD_FAILURE() << "run through tests/serial/with-sim --serial-generator";
            return false;
        }
        settings.push_back({L"Generateur", "ASRL" + std::to_string(GeneratorCom()) + "::INSTR"});
        return Open(scopeModel, generatorModel, "lowpass 1000 1.5915494309189535e-6", settings);
    }
    // Put back as found, each setting answered: waveform, frequency, amplitude, offset, output.
    void ExpectPutBack() {
        std::vector<std::string> generator = LinesAfter(Log("generator-commands.log"), "WMW00");
        for (const char* line : {"WMF00001000.000000", "WMA4.0000", "WMO0.000", "WMN0"})
            EXPECT_TRUE(Holds(generator, line)) << line;
    }
};

TEST_F(SerialSweep, AFeelTechOnItsSerialLine) {
    ASSERT_TRUE(OpenOnItsLine("siglent-sds1104x-hd", Decades("10", "1000", "0")));
    UiDriver::Click(sweep, TSweepForm::idTestBtn);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return UiDriver::Control(sweep, TSweepForm::idGeneratorText).Text ==
                   Cp1252("FeelTech FY6900-60M, n° FY69A0000001");
        },
        15000))
        << UiDriver::Control(sweep, TSweepForm::idGeneratorText).Text;
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    ASSERT_TRUE(EndsWith("Balayage fini : 11 / 11 points")) << Status();
    auto rows = SavedRows();
    ASSERT_EQ(rows.size(), 11u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        double f = 10 * std::pow(10.0, double(i) / 5);
        double db = -10 * std::log10(1 + (f / 100) * (f / 100));
        EXPECT_NEAR(rows[i][3], db, db > -3 ? 0.1 : 0.5) << f;
    }
    ExpectPutBack();
}

// A GW Instek AFG-2125 on its USB virtual COM port, found by "*IDN?" on the line.
TEST_F(SerialSweep, AGwInstekOnItsVirtualComPort) {
    ASSERT_TRUE(OpenOnItsLine("rigol-ds1054z", Decades("10", "1000", "0"), "gwinstek-afg2125"));
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    ASSERT_TRUE(EndsWith("Balayage fini : 11 / 11 points")) << Status();
    auto rows = SavedRows();
    ASSERT_EQ(rows.size(), 11u);
    for (const auto& row : rows) {
        std::complex<double> h = 1.0 / std::complex<double>(1, row[0] / 100);
        EXPECT_NEAR(row[3], 20 * std::log10(std::abs(h)), 0.3) << row[0];
        EXPECT_NEAR(row[4], std::arg(h) * 180 / kPi, 2) << row[0];
    }
    std::vector<std::string> generator = LinesAfter(Log("generator-commands.log"), "OUTP1 ON");
    for (const char* line : {"OUTP1:LOAD DEF", "SOUR1:FREQ +1.0000E+03", "OUTP1 0"})
        EXPECT_TRUE(Holds(generator, line)) << line;
    EXPECT_EQ(Close(), 0u);
}

// The close box during a sweep with a serial generator: what the worker sends to put it back
// still goes out on the line, whose messages the close serves alone.
TEST_F(SerialSweep, TheCloseStillPutsItBack) {
    ASSERT_TRUE(OpenOnItsLine("rigol-ds1054z", Decades("100", "10000", "3000")));
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    ASSERT_TRUE(PumpUntil([&] { return Points() == L"1 point"; }, 30000)) << Status();
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Close(), 0u);
    EXPECT_LT(GetTickCount64() - start, 2500u) << "not the 3 s of the settling wait";
    ExpectPutBack();
}
