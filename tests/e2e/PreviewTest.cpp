// The preview window after a read of a known simulated signal: its measurements against the
// images the simulator sent, its picture on the clipboard and in a PNG file.
#include <windows.h>

#include <cstring>
#include <gtest/gtest.h>
#include <wincodec.h>
#include <wrl/client.h>

#include "acquisition/Measurements.h"
#include "app/ControlIds.h"
#include "app/Preview.h"
#include "common/NumberText.h"
#include "common/Text1252.h"
#include "tests/e2e/VexorProcess.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/SystemSettings.h"
#include "ui/Wide.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr double kVoltsPerDivision = 0.2; // the selectors' start
constexpr double kTimeStep = 2.5e-5;
constexpr COLORREF kChannel1 = RGB(0, 0, 200);

// Channel `channel` (0 or 1) of an HM 305 image in volts, its zero on the centre line.
ChannelSamples ImageChannel(const std::vector<uint8_t>& image, int channel) {
    ChannelSamples samples;
    for (int i = 0; i < 2048; ++i) {
        samples.Times.push_back(i * double(float(kTimeStep)));
        samples.Values.push_back((image[std::size_t(channel * 2048 + i)] - 127) *
                                 double(float(kVoltsPerDivision)) / 25);
    }
    return samples;
}

std::string Cell(HWND preview, int row, int column) {
    return UiDriver::Control(preview, TPreviewForm::idMeasureTable + 10 * row + column).Text;
}

SIZE PictureSize(HWND preview) {
    RECT client{};
    GetClientRect(preview, &client);
    return {client.right, client.bottom - TPreviewForm::kToolRowHeight};
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

class Preview : public ::testing::Test {
protected:
    void SetUp() override {
        if (SimCom() == 0) GTEST_SKIP() << "run through tests/serial/with-sim";
        SetDecimalSeparator(LocaleDecimalSeparator()); // as the program reads it
        ForgetCurvilab();
    }
    void TearDown() override {
        if (vexor && main) vexor->Close(main);
    }

    // A read of channel 1 a sine of 3 divisions and 2 periods, channel 2 a square, with its zero
    // (the simulator's zero image is the centre line).
    bool StartAndRead() {
        for (const char* command : {"speed 10", "ch1 sine:3:2", "ch2 square:2:4"})
            SimControl(command);
        PumpUntil([] { return false; }, 100);
        WriteSettings(std::to_string(SimCom()));
        vexor = std::make_unique<VexorProcess>();
        main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
        if (!main || UiDriver::Control(main, idPreviewBtn).Visible) return false;
        return Read(false);
    }

    bool Read(bool holdsData) {
        return ReadAndAcceptZero(main, holdsData) && UiDriver::Control(main, idPreviewBtn).Visible;
    }

    HWND OpenPreview() {
        UiDriver::Click(main, idPreviewBtn);
        return UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 15000);
    }

    std::unique_ptr<VexorProcess> vexor;
    HWND main = nullptr;
};

} // namespace

TEST_F(Preview, ItsMeasuresAreThoseOfTheSignalRead) {
    ASSERT_TRUE(StartAndRead());
    HWND preview = OpenPreview();
    ASSERT_TRUE(preview);
    std::vector<uint8_t> image = SimFile("image-1.bin");
    ASSERT_EQ(image.size(), 4096u);
    for (int row = 1; row <= 2; ++row) {
        ChannelMeasures m = MeasureChannel(ImageChannel(image, row - 1));
        EXPECT_EQ(Cell(preview, row, 0), row == 1 ? "V1" : "V2");
        EXPECT_EQ(Cell(preview, row, 1), EngineeringText(m.Minimum, "V"));
        EXPECT_EQ(Cell(preview, row, 2), EngineeringText(m.Maximum, "V"));
        EXPECT_EQ(Cell(preview, row, 3), EngineeringText(m.PeakToPeak, "V"));
        EXPECT_EQ(Cell(preview, row, 4), EngineeringText(m.Mean, "V"));
        EXPECT_EQ(Cell(preview, row, 5), EngineeringText(m.Rms, "V"));
        EXPECT_EQ(Cell(preview, row, 6), EngineeringText(m.Period, "s"));
        EXPECT_EQ(Cell(preview, row, 7), EngineeringText(m.Frequency, "Hz"));
    }
    // What the signal is: 3 divisions of 25 counts each way at 0.2 V, 2 periods in 51.2 ms.
    ChannelMeasures sine = MeasureChannel(ImageChannel(image, 0));
    EXPECT_NEAR(sine.PeakToPeak, 1.2, 0.01);
    ASSERT_TRUE(sine.Frequency);
    EXPECT_NEAR(*sine.Frequency, 2 / (2048 * kTimeStep), 0.2);

    // A new name shows at once; a second click brings the same window forward.
    SetWindowTextW(UiDriver::Control(main, idNom1Edit).Window, L"Ua");
    EXPECT_TRUE(PumpUntil([&] { return Cell(preview, 1, 0) == "Ua"; }, 5000));
    UiDriver::Click(main, idPreviewBtn);
    EXPECT_EQ(UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 5000), preview);
    EXPECT_EQ(GetForegroundWindow(), preview);

    // Another read while it is open; closing the main window closes it.
    SimControl("ch1 sine:2:2");
    ASSERT_TRUE(Read(true));
    ChannelMeasures smaller = MeasureChannel(ImageChannel(SimFile("image-3.bin"), 0));
    EXPECT_NEAR(smaller.PeakToPeak, 0.8, 0.01);
    EXPECT_TRUE(PumpUntil(
        [&] { return Cell(preview, 1, 3) == EngineeringText(smaller.PeakToPeak, "V"); }, 5000));

    // A read Curvilab asks for while it is open.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring log = std::wstring(temp) + L"vexor-e2e-preview.log";
    DeleteFileW(log.c_str());
    FakeCurvilabProcess curvilab(L"--semaphore --log \"" + log + L"\"");
    SimControl("ch1 sine:1:2");
    FakeCurvilabProcess getData(L"--send vexor GETDATA");
    EXPECT_EQ(getData.Wait(30000), 0u);
    ASSERT_TRUE(AnswerLossAndZero(true));
    EXPECT_TRUE(PumpUntil(
        [&] { return FileText(log).find("EXECUTE CLIP|ADD") != std::string::npos; }, 20000));
    ChannelMeasures smallest = MeasureChannel(ImageChannel(SimFile("image-5.bin"), 0));
    EXPECT_NEAR(smallest.PeakToPeak, 0.4, 0.01);
    EXPECT_TRUE(PumpUntil(
        [&] { return Cell(preview, 1, 3) == EngineeringText(smallest.PeakToPeak, "V"); }, 5000));
    EXPECT_EQ(vexor->Close(main), 0u);
    main = nullptr;
    EXPECT_FALSE(IsWindow(preview));
}

TEST_F(Preview, ItsPictureGoesToTheClipboardAndToAPngFile) {
    ASSERT_TRUE(StartAndRead());
    HWND preview = OpenPreview();
    ASSERT_TRUE(preview);
    SIZE size = PictureSize(preview);

    UiDriver::Click(preview, TPreviewForm::idCopyImageBtn);
    BITMAPINFOHEADER header{};
    EXPECT_TRUE(PumpUntil(
        [&] { return (header = ClipboardDibHeader()).biSize == sizeof(BITMAPINFOHEADER); }, 5000));
    EXPECT_EQ(header.biWidth, size.cx);
    EXPECT_EQ(header.biHeight, size.cy);

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + L"vexor-e2e-preview.png";
    DeleteFileW(path.c_str());
    UiDriver::Click(preview, TPreviewForm::idSaveImageBtn);
    HWND dialog = UiDriver::WaitForWindow("Enregistrer l'image", 15000);
    ASSERT_TRUE(dialog);
    UiDriver::SaveAs(dialog, path);
    ASSERT_TRUE(PumpUntil([&] { return !FileText(path).empty(); }, 15000));
    EXPECT_EQ(FileText(path).substr(0, 8), "\x89PNG\r\n\x1a\n");
    DecodedPng png = DecodePng(path);
    ASSERT_EQ(png.Width, UINT(size.cx));
    ASSERT_EQ(png.Height, UINT(size.cy));

    // Channel 1's colour where its samples fall, away from channel 2's trace.
    PlotArea area =
        TPreviewForm::GraphPlotArea(size.cx, size.cy - TPreviewForm::kMeasureBandHeight);
    ChannelSamples ch1 = ImageChannel(SimFile("image-1.bin"), 0),
                   ch2 = ImageChannel(SimFile("image-1.bin"), 1);
    double secondsPerDivision = kTimeStep * 2000 / kDivisionsAcross;
    int checked = 0, matching = 0;
    for (std::size_t i = 50; i < 2000; i += 97) {
        int x = PlotX(area, ch1.Times[i], secondsPerDivision);
        int y = PlotY(area, ch1.Values[i], kVoltsPerDivision);
        if (std::abs(y - PlotY(area, ch2.Values[i], kVoltsPerDivision)) < 3) continue;
        ++checked;
        matching += png.At(x, y) == kChannel1;
    }
    EXPECT_GE(checked, 10);
    EXPECT_EQ(matching, checked);
    DeleteFileW(path.c_str());
}
