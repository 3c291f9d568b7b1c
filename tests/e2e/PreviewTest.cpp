// The preview window after a read of a known simulated signal: its measurements against what the
// test computes from the images the simulator sent, its picture on the clipboard and in a PNG
// file.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <wincodec.h>
#include <wrl/client.h>

#include "app/ControlIds.h"
#include "app/MeasureTexts.h"
#include "app/Preview.h"
#include "app/SpectrumForm.h"
#include "common/NumberText.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/SystemSettings.h"
#include "ui/Wide.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr double kVoltsPerDivision = 0.2; // the selectors' start
constexpr double kTimeStep = 2.5e-5;
constexpr COLORREF kChannel1 = RGB(0, 0, 200);

// Sample i of channel `channel` (0 or 1) of an HM 305 image in volts, its zero on the centre
// line, as the exports compute it.
double Volts(const std::vector<uint8_t>& image, int channel, int i) {
    return double((long double)(image[std::size_t(channel * 2048 + i)] - 127) *
                  (long double)float(kVoltsPerDivision) / 25);
}

// What the window shows for a value: its text with the true minus sign.
std::wstring Shown(double value, const char* unit) {
    std::wstring text = Wide(EngineeringText(value, unit));
    if (!text.empty() && text[0] == L'-') text[0] = L'\u2212';
    return text;
}

SIZE PictureSize(HWND preview) {
    RECT client{};
    GetClientRect(GetDlgItem(preview, TPreviewForm::idPlotView), &client);
    return {client.right, client.bottom};
}

// The clipboard's CF_DIB header; biSize 0 when there is none.
BITMAPINFOHEADER ClipboardDibHeader() {
    BITMAPINFOHEADER header{};
    if (!OpenClipboard(nullptr)) return header;
    if (HANDLE data = GetClipboardData(CF_DIB)) {
        if (const void* bytes = GlobalLock(data)) {
            std::memcpy(&header, bytes, sizeof header);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return header;
}

struct DecodedPng {
    UINT Width = 0, Height = 0;
    std::vector<uint8_t> Pixels; // BGRA, top row first
    COLORREF At(int x, int y) const {
        const uint8_t* p = &Pixels[(std::size_t(y) * Width + std::size_t(x)) * 4];
        return RGB(p[2], p[1], p[0]);
    }
};

// The instrument's screen in a picture: 2000 samples across, 8 divisions of 0.2 V up with 0 V in
// the middle, in the grid's frame (the first and last columns and rows that are mostly black).
struct ScreenGrid {
    RECT Frame;
    int X(int sample) const {
        return Frame.left + int(std::lround(sample / 2000.0 * (Frame.right - Frame.left)));
    }
    int Y(double volts) const {
        return Frame.top + int(std::lround((0.5 - volts / 1.6) * (Frame.bottom - Frame.top)));
    }
};

ScreenGrid GridOf(const DecodedPng& png) {
    RECT frame{-1, -1, -1, -1};
    for (UINT x = 0; x < png.Width; ++x) {
        UINT black = 0;
        for (UINT y = 0; y < png.Height; ++y) black += png.At(int(x), int(y)) == RGB(0, 0, 0);
        if (black > png.Height / 3) (frame.left < 0 ? frame.left : frame.right) = LONG(x);
    }
    for (UINT y = 0; y < png.Height; ++y) {
        UINT black = 0;
        for (UINT x = 0; x < png.Width; ++x) black += png.At(int(x), int(y)) == RGB(0, 0, 0);
        if (black > png.Width / 3) (frame.top < 0 ? frame.top : frame.bottom) = LONG(y);
    }
    return {frame};
}

DecodedPng DecodePng(const std::wstring& path) {
    DecodedPng png;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICBitmapSource> pixels;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) ||
        FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(), &pixels)) ||
        FAILED(pixels->GetSize(&png.Width, &png.Height)))
        return {};
    png.Pixels.resize(std::size_t(png.Width) * png.Height * 4);
    if (FAILED(
            pixels->CopyPixels(nullptr, png.Width * 4, UINT(png.Pixels.size()), png.Pixels.data())))
        return {};
    return png;
}

class Preview : public ProgramTest {
protected:
    // The program started on a simulator sending `signals`, one read with its zero (the
    // simulator's zero image is the centre line), the preview opened.
    HWND ReadAndOpen(std::initializer_list<std::string> signals) {
        std::vector<std::string> commands{"speed 10"};
        commands.insert(commands.end(), signals);
        for (const auto& command : commands) SimControl(command);
        if (!Start({}) || !Read("OK")) return nullptr;
        UiDriver::Click(main, idPreviewBtn);
        preview = UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 15000);
        if (HWND box = UiDriver::WaitForMessageBox("", 100))
            ADD_FAILURE() << UiDriver::MessageBoxText(box);
        return preview;
    }

    std::wstring Cell(int row, int column) const {
        return UiDriver::TextW(GetDlgItem(preview, TPreviewForm::MeasureId(row, column)));
    }
    bool CellBecomes(int row, int column, const std::wstring& text) const {
        return PumpUntil([&] { return Cell(row, column) == text; }, 5000);
    }

    HWND preview = nullptr;
};

// Rows of the measurement table.
enum Row { Names, Minimum, Maximum, PeakToPeak, Top, Base, Mean, Rms, Period, Frequency };

} // namespace

// Channel 1 a sine of 3 divisions and 2 periods, channel 2 a square of 2 divisions and 4 periods:
// its extremes from the image's bytes, its RMS and frequency from the signal itself.
TEST_F(Preview, ItsMeasuresAreThoseOfTheSignalRead) {
    ASSERT_TRUE(ReadAndOpen({"ch1 sine:3:2", "ch2 square:2:4"}));
    std::vector<uint8_t> image = SimFile("image-1.bin");
    ASSERT_EQ(image.size(), 4096u);
    for (int channel = 0; channel < 2; ++channel) {
        double low = 1e9, high = -1e9;
        for (int i = 0; i < 2048; ++i) {
            low = std::min(low, Volts(image, channel, i));
            high = std::max(high, Volts(image, channel, i));
        }
        int column = channel + 1;
        EXPECT_EQ(Cell(Names, column), channel == 0 ? L"V1" : L"V2");
        EXPECT_EQ(Cell(Minimum, column), Shown(low, "V"));
        EXPECT_EQ(Cell(Maximum, column), Shown(high, "V"));
        EXPECT_EQ(Cell(PeakToPeak, column), Shown(high - low, "V"));
    }
    // 75 counts of 8 mV each way; 2 periods in 2048 samples of 25 µs.
    EXPECT_EQ(Cell(Rms, 1), Shown(0.6 / std::sqrt(2.0), "V"));
    EXPECT_EQ(Cell(Period, 1), Shown(1024 * kTimeStep, "s"));
    EXPECT_EQ(Cell(Frequency, 2), Shown(4 / (2048 * kTimeStep), "Hz"));
    EXPECT_NE(UiDriver::TextW(GetDlgItem(preview, TPreviewForm::idPhaseText)), L"");

    // A new name shows at once; a second click brings the same window forward.
    SetWindowTextW(UiDriver::Control(main, idNom1Edit).Window, L"Ua");
    EXPECT_TRUE(CellBecomes(Names, 1, L"Ua"));
    UiDriver::Click(main, idPreviewBtn);
    EXPECT_EQ(UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 5000), preview);
    EXPECT_EQ(GetForegroundWindow(), preview);

    // Another read while it is open, then one Curvilab asks for; closing the main window closes
    // the preview.
    SimControl("ch1 sine:2:2");
    ASSERT_TRUE(Read("OK"));
    EXPECT_TRUE(CellBecomes(PeakToPeak, 1, Shown(0.8, "V")));
    auto curvilab = RunCurvilab(L"--semaphore");
    SimControl("ch1 sine:1:2");
    FakeCurvilabProcess getData(L"--send vexor GETDATA");
    EXPECT_EQ(getData.Wait(30000), 0u);
    ASSERT_TRUE(AnswerLossAndZero(true));
    EXPECT_TRUE(PumpUntil([&] { return CurvilabLogCount("EXECUTE CLIP|ADD") == 1; }, 20000));
    EXPECT_TRUE(CellBecomes(PeakToPeak, 1, Shown(0.4, "V")));
    EXPECT_EQ(vexor->Close(main), 0u);
    main = nullptr;
    EXPECT_FALSE(IsWindow(preview));
}

// The picture on the clipboard and in a PNG file, the size of the window's picture, with channel
// 1's colour where the test puts its samples on the grid it finds in the file.
TEST_F(Preview, ItsPictureGoesToTheClipboardAndToAPngFile) {
    ASSERT_TRUE(ReadAndOpen({"ch1 sine:3:2", "ch2 square:2:4"}));
    SIZE size = PictureSize(preview);

    UiDriver::Click(preview, TPreviewForm::idCopyImageBtn);
    BITMAPINFOHEADER header{};
    EXPECT_TRUE(PumpUntil(
        [&] { return (header = ClipboardDibHeader()).biSize == sizeof(BITMAPINFOHEADER); }, 5000));
    EXPECT_EQ(header.biWidth, size.cx);
    EXPECT_EQ(header.biHeight, size.cy);

    std::wstring path = TempFilePath(L"vexor-e2e-preview.png");
    ASSERT_TRUE(ChooseFile(preview, TPreviewForm::idSaveImageBtn, "Enregistrer l'image", path));
    ASSERT_TRUE(PumpUntil([&] { return !FileText(path).empty(); }, 15000));
    EXPECT_EQ(FileText(path).substr(0, 8), "\x89PNG\r\n\x1a\n");
    DecodedPng png = DecodePng(path);
    ASSERT_EQ(png.Width, UINT(size.cx));
    ASSERT_EQ(png.Height, UINT(size.cy));

    ScreenGrid grid = GridOf(png);
    ASSERT_GT(grid.Frame.right - grid.Frame.left, 100);
    ASSERT_GT(grid.Frame.bottom - grid.Frame.top, 100);
    std::vector<uint8_t> image = SimFile("image-1.bin");
    int checked = 0, matching = 0;
    for (int i = 50; i < 2000; i += 97) {
        if (std::abs(grid.Y(Volts(image, 0, i)) - grid.Y(Volts(image, 1, i))) < 3) continue;
        ++checked;
        matching += png.At(grid.X(i), grid.Y(Volts(image, 0, i))) == kChannel1;
    }
    EXPECT_GE(checked, 10);
    EXPECT_EQ(matching, checked);
    DeleteFileW(path.c_str());
}

// Channel 2 lags channel 1 by 60°: the phase is negative and said in words; the delay is
// positive, 60° of a period of 2048 / 5 samples.
TEST_F(Preview, ALaggingChannelHasANegativePhaseSaidInWords) {
    ASSERT_TRUE(ReadAndOpen({"ch1 sine:2:5", "ch2 sine:1.5:5:0:-60"}));
    std::wstring phase = UiDriver::TextW(GetDlgItem(preview, TPreviewForm::idPhaseText));
    std::size_t colon = phase.find(L" : "), degree = phase.find(L'\u00B0');
    ASSERT_NE(degree, std::wstring::npos) << Narrow(phase);
    std::wstring number = phase.substr(colon + 3, degree - colon - 3);
    std::replace(number.begin(), number.end(), L'\u2212', L'-');
    std::replace(number.begin(), number.end(), L',', L'.');
    EXPECT_NEAR(std::stod(number), -60, 1) << Narrow(phase);
    EXPECT_NE(phase.find(L"(V2 en retard)"), std::wstring::npos) << Narrow(phase);
    std::wstring delay = UiDriver::TextW(GetDlgItem(preview, TPreviewForm::idDelayText));
    EXPECT_NE(delay.find(L"\u0394t = " + Shown(60.0 / 360 * 2048 / 5 * kTimeStep, "s")),
              std::wstring::npos)
        << Narrow(delay);
}

// A pulse train of 3 % duty, 20 periods in the record: its frequency, and its duty cycle as the
// share of the image's samples that are high (20 whole periods).
TEST_F(Preview, APulseTrainHasItsFrequency) {
    ASSERT_TRUE(ReadAndOpen({"ch1 pulse:3.2:20:0:0:3", "ch2 flat"}));
    EXPECT_EQ(Cell(Frequency, 1), Shown(20 / (2048 * kTimeStep), "Hz"));
    std::vector<uint8_t> image = SimFile("image-1.bin");
    double high = double(std::count_if(image.begin(), image.begin() + 2048,
                                       [](uint8_t byte) { return byte > 127; }));
    std::wstring duty = Cell(Frequency + 5, 1); // the table's last row
    std::replace(duty.begin(), duty.end(), L',', L'.');
    EXPECT_NEAR(std::stod(duty), 100 * high / 2048, 0.05) << Narrow(duty);
}

// The cursors moved with the keys: t1 5 steps right (a 25th of a division each), t2 10 steps
// left, the first level 25 steps (one division) up; the readouts are the samples under them.
TEST_F(Preview, CursorReadoutsAreTheSamplesUnderThem) {
    ASSERT_TRUE(ReadAndOpen({"ch1 sine:3:2", "ch2 triangle:2:4"}));
    UiDriver::Click(preview, TPreviewForm::idCursorsCheck);
    HWND plot = GetDlgItem(preview, TPreviewForm::idPlotView);
    auto press = [&](UINT key, int times) {
        for (int i = 0; i < times; ++i) PostMessageW(plot, WM_KEYDOWN, key, 0);
    };
    press(VK_RIGHT, 5);
    press(VK_TAB, 1);
    press(VK_LEFT, 10);
    press(VK_TAB, 1);
    press(VK_UP, 25);
    std::vector<uint8_t> image = SimFile("image-1.bin");
    auto readout = [&](int row, int column) {
        return UiDriver::TextW(GetDlgItem(preview, TPreviewForm::CursorId(row, column)));
    };
    // 200 samples a division: t1 at sample 440, t2 at 1520; the levels 3 divisions apart.
    EXPECT_TRUE(PumpUntil(
        [&] {
            return readout(0, 1) == L"t1 = " + Shown(440 * kTimeStep, "s") &&
                   readout(0, 2) == L"t2 = " + Shown(1520 * kTimeStep, "s") &&
                   readout(1, 3) == L"\u0394V = " + Shown(0.6, "V");
        },
        5000))
        << Narrow(readout(0, 1)) << " " << Narrow(readout(0, 2)) << " " << Narrow(readout(1, 3));
    EXPECT_EQ(readout(0, 3), L"\u0394t = " + Shown(1080 * kTimeStep, "s"));
    EXPECT_EQ(readout(0, 4), L"1/\u0394t = " + Shown(1 / (1080 * kTimeStep), "Hz"));
    for (int channel = 0; channel < 2; ++channel) {
        std::wstring name = channel == 0 ? L"V1" : L"V2";
        EXPECT_EQ(readout(1 + channel, 1),
                  name + L"(t1) = " + Shown(Volts(image, channel, 440), "V"));
        EXPECT_EQ(readout(1 + channel, 2),
                  name + L"(t2) = " + Shown(Volts(image, channel, 1520), "V"));
    }
}

// A read saved in both formats reopens with the live measurements; kept as a reference, it stays
// drawn, paler, under the next read; a file that is not one of ours is refused with its line and
// leaves the window as it was.
TEST_F(Preview, ASavedReadReopensAndStaysAsAReference) {
    ASSERT_TRUE(ReadAndOpen({"ch1 sine:3:2", "ch2 sine:2:2:0:-45"}));
    auto texts = [&] {
        std::vector<std::wstring> all;
        for (int row = Names; row <= Frequency + 5; ++row)
            for (int column = 1; column <= 4; ++column) all.push_back(Cell(row, column));
        for (int id : {TPreviewForm::idPhaseText, TPreviewForm::idDelayText})
            all.push_back(UiDriver::TextW(GetDlgItem(preview, id)));
        return all;
    };
    std::vector<std::wstring> live = texts();
    ASSERT_EQ(live[4 * Period], Shown(1024 * kTimeStep, "s")); // channel 1, row Period
    auto opened = [&](const std::wstring& name) {
        return PumpUntil([&] { return UiDriver::TextW(preview) == L"Aper\u00E7u \u2014 " + name; },
                         10000);
    };
    // Both files saved from the live read; each opened, then saved again in the other format:
    // the file the program wrote in that format, byte for byte.
    const wchar_t* names[] = {L"vexor-e2e-reopen.cv3", L"vexor-e2e-reopen.txt"};
    std::wstring paths[2];
    std::string saved[2];
    for (int i = 0; i < 2; ++i) {
        paths[i] = TempFilePath(names[i]);
        ASSERT_TRUE(ChooseFile(main, idFileSaveBtn, "Sauvegarde données", paths[i]));
        ASSERT_TRUE(PumpUntil([&] { return !(saved[i] = FileText(paths[i])).empty(); }, 5000));
    }
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(ChooseFile(preview, TPreviewForm::idOpenBtn, "Ouverture de données", paths[i]));
        ASSERT_TRUE(opened(names[i])) << Narrow(UiDriver::TextW(preview));
        EXPECT_EQ(texts(), live) << Narrow(names[i]);
        std::wstring again = TempFilePath(i ? L"vexor-e2e-again.cv3" : L"vexor-e2e-again.txt");
        ASSERT_TRUE(ChooseFile(preview, TPreviewForm::idSaveAsBtn, "Enregistrer sous", again));
        EXPECT_TRUE(PumpUntil([&] { return FileText(again) == saved[1 - i]; }, 5000))
            << Narrow(names[i]);
        DeleteFileW(again.c_str());
        DeleteFileW(paths[i].c_str());
    }
    UiDriver::Click(preview, TPreviewForm::idLiveBtn);
    EXPECT_TRUE(PumpUntil(
        [&] { return UiDriver::TextW(preview) == L"Aper\u00E7u de l'acquisition"; }, 10000));
    EXPECT_EQ(texts(), live);

    // The read as the reference, then a read of a smaller, quicker sine.
    std::vector<uint8_t> before = SimFile("image-1.bin");
    UiDriver::Click(preview, TPreviewForm::idKeepReferenceBtn);
    SimControl("ch1 sine:1.5:4");
    ASSERT_TRUE(Read("OK"));
    EXPECT_TRUE(CellBecomes(PeakToPeak, 3, live[4 * PeakToPeak]));
    EXPECT_TRUE(PumpUntil([&] { return Cell(PeakToPeak, 1) != live[4 * PeakToPeak]; }, 10000));
    std::vector<uint8_t> after = SimFile("image-3.bin");
    ASSERT_EQ(after.size(), 4096u);
    std::wstring png = TempFilePath(L"vexor-e2e-reference.png");
    ASSERT_TRUE(ChooseFile(preview, TPreviewForm::idSaveImageBtn, "Enregistrer l'image", png));
    ASSERT_TRUE(PumpUntil([&] { return !FileText(png).empty(); }, 15000));
    DecodedPng picture = DecodePng(png);
    ScreenGrid grid = GridOf(picture);
    ASSERT_GT(grid.Frame.right - grid.Frame.left, 100);
    const COLORREF paleChannel1 = RGB(153, 153, 233);
    int checked = 0, current = 0, reference = 0;
    for (int i = 50; i < 2000; i += 61) {
        int now = grid.Y(Volts(after, 0, i)), then = grid.Y(Volts(before, 0, i));
        int other = grid.Y(Volts(after, 1, i));
        if (std::abs(now - then) < 4 || std::abs(now - other) < 4 || std::abs(then - other) < 4)
            continue;
        ++checked;
        current += picture.At(grid.X(i), now) == kChannel1;
        reference += picture.At(grid.X(i), then) == paleChannel1;
    }
    EXPECT_GE(checked, 10);
    EXPECT_EQ(current, checked);
    EXPECT_EQ(reference, checked);
    DeleteFileW(png.c_str());

    std::wstring bad = TempFilePath(L"vexor-e2e-bad.cv3");
    std::vector<std::wstring> shown = texts();
    std::ofstream(bad.c_str(), std::ios::binary) << "\xA3"
                                                 << "DONNEES\r\n1\r\n\r\n";
    ASSERT_TRUE(ChooseFile(preview, TPreviewForm::idOpenBtn, "Ouverture de données", bad));
    std::string message = AnswerBox("Erreur");
    EXPECT_NE(message.find("vexor-e2e-bad.cv3"), std::string::npos) << message;
    EXPECT_NE(message.find("Ligne "), std::string::npos) << message;
    EXPECT_EQ(UiDriver::TextW(preview), L"Aper\u00E7u de l'acquisition");
    EXPECT_EQ(texts(), shown);
    DeleteFileW(bad.c_str());
}

// Files that read back without error but once froze the window (a constant 1E20, a time of 1E17)
// open at once; a single row, or a series file with a phase no filter gives, is refused with its
// reason. Another
// program's multi-page file is said to lose its further pages, and saved again with its own
// digits; a file saved over is replaced only after a question.
TEST_F(Preview, StrangeFilesOpenAtOnceAndAreSavedAgainAsTheyWere) {
    ASSERT_TRUE(ReadAndOpen({}));
    auto answers = [&] {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(preview, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
    };
    const std::string header = "Hameg\r\nt\tU\t\r\ns\tV\t\r\ntemps\ttension\t\r\n";
    const std::string pages =
        Cp1252("MORVANET CURVILAB WINDOWS 1.0\r\n£2 NOM VAR\r\nt\r\nU\r\n£2 UNITE VAR\r\ns\r\nV\r\n"
               "£2 SIGNIF VAR\r\ntemps\r\ntension\r\n£1 ACQUISITION\r\nC:\\autre.exe\r\n"
               "£1 PAGE COMMENT\r\n\r\n&3 VALEUR VAR\r\n1.000001\t0.123456789\t\r\n"
               "1.000002\t-0.5\t\r\n1.000003\t0.25\t\r\n£1 NOM VAR\r\nt\r\n");
    const std::string series = Cp1252(
        "Hameg\r\nf\tV1\tV2\tG\tphi\t\r\nHz\tV\tV\tdB\t°\t\r\nfréquence\ttension crête à crête\t"
        "tension crête à "
        "crête\tgain\tdéphasage\t\r\n100\t1\t1\t0\t-10\t\r\n200\t1\t0.5\t-6\t1E20\t\r\n");
    struct Case {
        const wchar_t* Name;
        std::string Text;
        const char* Refusal; // empty: opened
    } cases[] = {
        {L"vexor-e2e-constant.txt", header + "0\t1E20\t\r\n1E-3\t1E20\t\r\n2E-3\t1E20\t\r\n", ""},
        {L"vexor-e2e-late.txt", header + "1E17\t0.5\t\r\n1E17\t0.5\t\r\n", ""},
        {L"vexor-e2e-one-row.txt", header + "1E17\t0.5\t\r\n", "deux lignes"},
        {L"vexor-e2e-pages.cv3", pages, ""},
        {L"vexor-e2e-phase.txt", series, "ligne de valeurs 2"},
    };
    for (const Case& c : cases) {
        std::wstring path = TempFilePath(c.Name);
        std::ofstream(path.c_str(), std::ios::binary) << c.Text;
        ASSERT_TRUE(ChooseFile(preview, TPreviewForm::idOpenBtn, "Ouverture de données", path));
        if (*c.Refusal) {
            EXPECT_NE(AnswerBox("Erreur").find(c.Refusal), std::string::npos) << Narrow(c.Name);
        } else {
            EXPECT_TRUE(PumpUntil(
                [&] {
                    return UiDriver::TextW(preview) ==
                           L"Aper\u00E7u \u2014 " + std::wstring(c.Name);
                },
                10000));
        }
        EXPECT_TRUE(answers()) << Narrow(c.Name);
        DeleteFileW(path.c_str());
    }

    // The pages' file is shown: saved again, with a word on its other pages, then over itself.
    std::wstring again = TempFilePath(L"vexor-e2e-pages-again.txt");
    UiDriver::Click(preview, TPreviewForm::idSaveAsBtn);
    EXPECT_EQ(AnswerBox("Scoptera"), Cp1252("Seule la première page sera enregistrée"));
    HWND dialog = UiDriver::WaitForWindow("Enregistrer sous", 15000);
    ASSERT_TRUE(dialog && UiDriver::SaveAs(dialog, again));
    ASSERT_TRUE(PumpUntil([&] { return !FileText(again).empty(); }, 10000));
    std::string text = FileText(again);
    std::string separator(1, LocaleDecimalSeparator());
    EXPECT_NE(text.find("1" + separator + "000002\t-0" + separator + "5\t\r\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\t0" + separator + "123456789\t"), std::string::npos) << text;
    for (const char* answer : {"&Non", "&Oui"}) {
        UiDriver::Click(preview, TPreviewForm::idSaveAsBtn);
        AnswerBox("Scoptera");
        dialog = UiDriver::WaitForWindow("Enregistrer sous", 15000);
        ASSERT_TRUE(dialog && UiDriver::SaveAs(dialog, again));
        EXPECT_NE(AnswerBox("Confirmation", answer).find("existe"), std::string::npos);
        if (std::string(answer) == "&Non") { // the dialog comes back, and is cancelled
            dialog = UiDriver::WaitForWindow("Enregistrer sous", 15000);
            ASSERT_TRUE(dialog);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            ASSERT_TRUE(UiDriver::WaitUntilGone(dialog, 10000));
        }
    }
    EXPECT_TRUE(answers());
    DeleteFileW(again.c_str());
}

// A file of known harmonics, 1 V of 1 kHz with 0.2 V of H3 (30° ahead in sines) and 50 mV of H5:
// the spectrum window's copied table holds them, and Curvilab gets the spectrum's columns and
// the table.
TEST_F(Preview, TheSpectrumOfAFileOfKnownHarmonics) {
    constexpr double kPi = 3.14159265358979323846;
    auto curvilab = RunCurvilab(L"--semaphore");
    ASSERT_TRUE(Start({}));
    UiDriver::Click(main, idPreviewBtn);
    preview = UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 15000);
    ASSERT_TRUE(preview);
    std::string text = "Hameg\r\nt\tU\t\r\ns\tV\t\r\ntemps\ttension\t\r\n";
    for (int i = 0; i < 4096; ++i) {
        double t = i * 1e-5, w = 2 * kPi * 1000 * t;
        double v = std::sin(w) + 0.2 * std::sin(3 * w + kPi / 6) + 0.05 * std::sin(5 * w);
        text += FormatRealDot(t) + "\t" + FormatRealDot(v) + "\t\r\n";
    }
    std::wstring path = TempFilePath(L"vexor-e2e-harmonics.txt");
    std::ofstream(path.c_str(), std::ios::binary) << text;
    ASSERT_TRUE(ChooseFile(preview, TPreviewForm::idOpenBtn, "Ouverture de données", path));
    DeleteFileW(path.c_str());
    UiDriver::Click(preview, TPreviewForm::idSpectrumBtn);
    HWND spectrum = UiDriver::WaitForWindow("Spectre", 15000);
    ASSERT_TRUE(spectrum);

    UiDriver::Click(spectrum, TSpectrumForm::idCopyTableBtn);
    std::map<std::string, std::vector<std::string>> rows;
    ASSERT_TRUE(PumpUntil(
        [&] {
            rows.clear();
            std::string copied = UiDriver::ClipboardText();
            for (std::size_t at = 0, end; (end = copied.find("\r\n", at)) != std::string::npos;
                 at = end + 2) {
                std::vector<std::string> cells;
                std::string line = copied.substr(at, end - at);
                for (std::size_t from = 0, tab;; from = tab + 1) {
                    tab = line.find('\t', from);
                    cells.push_back(line.substr(from, tab - from));
                    if (tab == std::string::npos) break;
                }
                rows[cells[0]] = cells;
            }
            return rows.count("H5") && rows["H5"].size() == 5;
        },
        10000));
    auto number = [](std::string cell) {
        std::replace(cell.begin(), cell.end(), ',', '.');
        return std::atof(cell.c_str());
    };
    EXPECT_NEAR(number(rows["H1"][1]), 1000, 0.1);
    EXPECT_NEAR(number(rows["H1"][2]), std::sqrt(0.5), 0.005);
    EXPECT_NEAR(number(rows["H3"][3]), 20 * std::log10(0.2), 0.05);
    EXPECT_NEAR(number(rows["H3"][4]), -150, 1);
    EXPECT_NEAR(number(rows["H5"][3]), 20 * std::log10(0.05), 0.05);
    EXPECT_LT(number(rows["H2"][3]), -60);
    EXPECT_NEAR(number(rows["THD (%)"][1]), 100 * std::hypot(0.2, 0.05), 0.05);

    UiDriver::Click(spectrum, TSpectrumForm::idSendBtn);
    ASSERT_TRUE(PumpUntil([&] { return CurvilabLogCount("EXECUTE CLIP|LOAD") == 2; }, 20000));
    std::string page = CurvilabClipboard(1);
    EXPECT_NE(page.find(Cp1252("\r\nSpectre (fenêtre flat-top)\r\nf\tU\r\nHz\tdBV\r\n")),
              std::string::npos)
        << page.substr(0, 300);
    EXPECT_NE(CurvilabClipboard(2).find("\r\nHarmoniques de U\r\nn\tf\tVeff\tL\tphi\r\n"),
              std::string::npos)
        << CurvilabClipboard(2).substr(0, 300);
    EXPECT_EQ(Close(), 0u);
}
