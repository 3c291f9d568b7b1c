// The series window against the simulator's first-order filter: a Bode diagram of an RC low-pass
// read point by point, its file, its page for Curvilab, and a series that survives the program's
// being killed.
#include <windows.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <windowsx.h>

#include "app/ControlIds.h"
#include "app/Preview.h"
#include "app/SeriesForm.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/Wide.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCutOff = 1591.5; // 1 kOhm and 100 nF
constexpr double kInputPeak = 0.5; // volts: 62 counts at 0.2 V per division

struct Point {
    double Frequency;
    double SecondsPerDivision; // some periods and enough samples a period each
    int TimeBasePosition;      // of the program's selector: 10 is 5 ms/div
};
const Point kPoints[] = {{159, 5e-3, 10},  {318, 2e-3, 11},    {795, 1e-3, 12},
                         {1100, 5e-4, 13}, {1591.5, 5e-4, 13}, {2300, 2e-4, 14},
                         {3180, 2e-4, 14}, {7950, 1e-4, 15},   {15915, 5e-5, 16}};

double Gain(double f) { return 1 / std::sqrt(1 + (f / kCutOff) * (f / kCutOff)); }

// The sensitivities of the program's selector (position 5 is 0.2 V per division): channel 2 as a
// teacher sets it, so that the filter's output spans at least 100 counts.
const double kSensitivities[] = {5, 2, 1, 0.5, 0.2, 0.1, 0.05, 0.02, 0.01, 0.005};
int OutputSensitivityPosition(double gain) {
    int position = 5;
    while (position < 10 && kInputPeak * gain * 25 / kSensitivities[position - 1] < 50) ++position;
    return position;
}

// The number of a text such as "1,59 kHz" after `before`, in its unit's base.
double NumberAfter(const std::wstring& text, const std::wstring& before) {
    std::size_t at = text.find(before);
    if (at == std::wstring::npos) return NAN;
    std::wstring number = text.substr(at + before.size());
    for (wchar_t& c : number)
        if (c == L',') c = L'.';
    std::size_t used = 0;
    double value = std::stod(number, &used);
    if (number.substr(used, 2) == L" k") value *= 1000;
    return value;
}

class SeriesBench : public SeriesProgramTest {
protected:
    // The program on the filter bench, the series window opened from the preview.
    bool StartTheBench() {
        if (!Start({"speed 10", "no-zero", "filter low-pass:1591.5", "sensitivity1 0.2"}))
            return false;
        UiDriver::Click(main, idPreviewBtn);
        preview = UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 15000);
        if (!preview) return false;
        UiDriver::Click(preview, TPreviewForm::idSeriesBtn);
        series = UiDriver::WaitForWindow(Cp1252("Série de mesures"), 15000);
        return series != nullptr;
    }

    // Moves a selector of the main window to `position`, as the arrows of its scroll bar do.
    void Select(int id, int& current, int position) {
        HWND bar = GetDlgItem(main, id);
        for (; current != position; current += current < position ? 1 : -1)
            PostMessageW(main, WM_HSCROLL, current < position ? SB_LINERIGHT : SB_LINELEFT,
                         reinterpret_cast<LPARAM>(bar));
    }

    // The series button of the preview, opened from the main window, and the question it asks
    // of a series kept from an earlier run; null when either did not come.
    HWND AskedToResume() {
        UiDriver::Click(main, idPreviewBtn);
        preview = UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 15000);
        if (!preview) return nullptr;
        UiDriver::Click(preview, TPreviewForm::idSeriesBtn);
        return UiDriver::WaitForMessageBox("Confirmation", 15000);
    }

    std::wstring Text(int id) const { return UiDriver::TextW(GetDlgItem(series, id)); }
    bool PointsBecome(std::size_t count) {
        std::wstring text = std::to_wstring(count) + (count > 1 ? L" points" : L" point");
        return PumpUntil([&] { return Text(TSeriesForm::idPointsText) == text; }, 20000);
    }

    // One point: the generator's frequency, the time base and the output's sensitivity set on
    // the bench and in the program, then the read button.
    bool ReadPoint(const Point& point, std::size_t count) {
        int sensitivity2 = OutputSensitivityPosition(Gain(point.Frequency));
        std::ostringstream generator, timeBase, output;
        generator << "generator " << point.Frequency << ":" << kInputPeak;
        timeBase << "time-base " << point.SecondsPerDivision;
        output << "sensitivity2 " << kSensitivities[sensitivity2 - 1];
        for (const std::string& command : {generator.str(), timeBase.str(), output.str()})
            SimControl(command);
        Select(idBaseDeTempsScroll, timeBasePosition, point.TimeBasePosition);
        Select(idGammeCH2, outputPosition, sensitivity2);
        UiDriver::Click(main, idEnregistreBtn);
        if (PointsBecome(count)) return true;
        HWND box = UiDriver::WaitForMessageBox("", 0);
        ADD_FAILURE() << Narrow(Text(TSeriesForm::idPointsText)) << " / "
                      << (box ? UiDriver::MessageBoxText(box) : "no box");
        return false;
    }

    HWND preview = nullptr, series = nullptr;
    int timeBasePosition = 10, outputPosition = 5;
};

} // namespace

// Nine points over two decades around the cut-off: the saved file's rows are the filter's, the
// window finds its cut-off, Curvilab gets the same page.
TEST_F(SeriesBench, ABodeDiagramOfAnRcLowPass) {
    auto curvilab = RunCurvilab(L"--semaphore");
    ASSERT_TRUE(StartTheBench());
    for (std::size_t i = 0; i < std::size(kPoints); ++i)
        ASSERT_TRUE(ReadPoint(kPoints[i], i + 1)) << kPoints[i].Frequency;
    EXPECT_FALSE(UiDriver::WaitForMessageBox("", 0)); // no question between the points
    double cutOff = NumberAfter(Text(TSeriesForm::idCutOffText), L"\u2248 ");
    EXPECT_NEAR(cutOff, kCutOff, 0.02 * kCutOff) << Narrow(Text(TSeriesForm::idCutOffText));

    std::wstring path = TempFilePath(L"vexor-e2e-series.cv3");
    ASSERT_TRUE(ChooseFile(series, TSeriesForm::idSaveSeriesBtn, "Sauvegarde de la série", path));
    ASSERT_TRUE(PumpUntil([&] { return !FileText(path).empty(); }, 15000));
    std::string file = FileText(path);
    EXPECT_NE(file.find(Cp1252("f\r\nV1\r\nV2\r\nG\r\nphi\r\n")), std::string::npos);
    auto rows = SeriesValueRows(file, "VALEUR VAR");
    ASSERT_EQ(rows.size(), std::size(kPoints));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        double f = kPoints[i].Frequency;
        EXPECT_NEAR(rows[i][0], f, 0.002 * f);
        EXPECT_NEAR(rows[i][3], 20 * std::log10(Gain(f)), 0.2) << f;
        EXPECT_NEAR(rows[i][4], -std::atan(f / kCutOff) * 180 / kPi, 1) << f;
    }

    UiDriver::Click(series, TSeriesForm::idSendSeriesBtn);
    ASSERT_TRUE(PumpUntil([&] { return CurvilabLogCount("EXECUTE CLIP|LOAD") == 1; }, 20000));
    std::string page = CurvilabClipboard(1);
    EXPECT_NE(page.find(Cp1252("\r\nSérie de mesures\r\n")), std::string::npos);
    EXPECT_EQ(SeriesValueRows(page, Cp1252("déphasage")), rows);

    // A new series, then the file opened from the preview: its points and its cut-off again.
    std::wstring cutOffText = Text(TSeriesForm::idCutOffText);
    UiDriver::Click(series, TSeriesForm::idNewSeriesBtn);
    EXPECT_NE(AnswerBox("Confirmation", "&Oui").find("9 points"), std::string::npos);
    ASSERT_TRUE(PointsBecome(0));
    ASSERT_TRUE(ChooseFile(preview, TPreviewForm::idOpenBtn, "Ouverture de données", path));
    EXPECT_TRUE(PointsBecome(std::size(kPoints)));
    EXPECT_EQ(Text(TSeriesForm::idCutOffText), cutOffText);
    DeleteFileW(path.c_str());
}

// A program killed after three points offers them at its next start, once its series window
// opens: nothing is lost.
TEST_F(SeriesBench, AKilledProgramLosesNoPoint) {
    ASSERT_TRUE(StartTheBench());
    for (std::size_t i = 0; i < 3; ++i) ASSERT_TRUE(ReadPoint(kPoints[i * 3], i + 1));
    UniqueKernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, vexor->Id()));
    ASSERT_TRUE(process && TerminateProcess(process.get(), 9));
    WaitForSingleObject(process.get(), 10000);
    main = nullptr;

    ASSERT_TRUE(Start({}) && !UiDriver::WaitForMessageBox("", 0)); // nothing asked at start-up
    HWND question = AskedToResume();
    ASSERT_TRUE(question);
    EXPECT_EQ(UiDriver::MessageBoxText(question),
              Cp1252("Une série de 3 points n'a été ni enregistrée ni terminée. La reprendre ?"));
    UiDriver::ClickButton(question, "&Oui");
    series = UiDriver::WaitForWindow(Cp1252("Série de mesures"), 15000);
    ASSERT_TRUE(series);
    EXPECT_TRUE(PointsBecome(3));
}

// The series window belongs to the main window: it stays, and the series runs on, when the
// preview it was opened from closes; a channel's new name takes no row. Per-point files need a
// whole path to a folder that exists, said once; the series' file is saved over only after a
// question.
TEST_F(SeriesBench, TheSeriesOutlivesThePreviewAndRefusesWhereItCannotSave) {
    ASSERT_TRUE(StartTheBench());
    PostMessageW(preview, WM_CLOSE, 0, 0);
    ASSERT_TRUE(UiDriver::WaitUntilGone(preview, 10000));
    EXPECT_TRUE(IsWindowVisible(series));
    ASSERT_TRUE(ReadPoint(kPoints[4], 1));
    // A new name goes to what the exports write, and adds no row.
    SetWindowTextW(GetDlgItem(main, idNom2Edit), L"Us");
    EXPECT_NE(CopiedAcquisition(main).find("\r\nt\tV1\tUs\r\n"), std::string::npos);
    EXPECT_EQ(Text(TSeriesForm::idPointsText), L"1 point");

    for (const wchar_t* folder : {L"mesures", L"C:\\vexor-e2e-no-such-folder"}) {
        SetWindowTextW(GetDlgItem(series, TSeriesForm::idFolderEdit), folder);
        UiDriver::Click(series, TSeriesForm::idSaveEachCheck);
        std::string said = AnswerBox("Scoptera");
        EXPECT_NE(said.find("Enregistrer chaque acquisition"), std::string::npos) << said;
        EXPECT_TRUE(PumpUntil(
            [&] {
                return Button_GetCheck(GetDlgItem(series, TSeriesForm::idSaveEachCheck)) ==
                       BST_UNCHECKED;
            },
            5000));
    }

    std::wstring path = TempFilePath(L"vexor-e2e-series-over.cv3");
    std::ofstream(path.c_str(), std::ios::binary) << "kept";
    ASSERT_TRUE(ChooseFile(series, TSeriesForm::idSaveSeriesBtn, "Sauvegarde de la série", path));
    EXPECT_NE(AnswerBox("Confirmation", "&Non").find("existe"), std::string::npos);
    HWND dialog = UiDriver::WaitForWindow(Cp1252("Sauvegarde de la série"), 15000);
    ASSERT_TRUE(dialog);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(UiDriver::WaitUntilGone(dialog, 10000));
    EXPECT_EQ(FileText(path), "kept");
    DeleteFileW(path.c_str());
}

// A series an earlier run left is deleted only once the user answered: a program closed while
// it asks leaves the file for the next run, a file that is no series is set aside, empty channel
// names are a series.
TEST_F(SeriesBench, AnInterruptedSeriesIsKeptUntilTheUserAnswers) {
    std::wstring folder = Wide(SettingsFile());
    folder.resize(folder.find_last_of(L'\\') + 1);
    std::wstring kept = folder + L"serie-99999-0.txt", broken = folder + L"serie-99998-0.txt";
    std::ofstream(kept.c_str(), std::ios::binary)
        << "Scoptera : serie en cours\r\n\t\t\r\n"
           "1\t10:00:00\t5ms/div\t100\t\t1\t\t1\t\t0\t\t-10\t\t00\r\n";
    std::ofstream(broken.c_str(), std::ios::binary) << "Scoptera : serie en cours\r\n";
    ASSERT_TRUE(Start({}));
    HWND question = AskedToResume();
    ASSERT_TRUE(question);
    EXPECT_NE(UiDriver::MessageBoxText(question).find("1 points"), std::string::npos);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(vexor->WaitForExit(15000), 0u);
    main = nullptr;
    EXPECT_FALSE(FileText(kept).empty());
    EXPECT_TRUE(FileText(broken).empty());
    EXPECT_FALSE(FileText(broken + L".bad").empty());
    DeleteFileW((broken + L".bad").c_str());
}
