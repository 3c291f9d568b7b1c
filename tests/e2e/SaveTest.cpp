// The save command through the real file dialog.
#include <windows.h>

#include <fstream>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "common/Text1252.h"
#include "tests/e2e/VexorProcess.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/Wide.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < text.size(); at = end + 2) {
        end = text.find("\r\n", at);
        if (end == std::string::npos) return {"<unterminated>"};
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(Wide(path).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Save : public ::testing::Test {
protected:
    void SetUp() override {
        if (SimCom() == 0) GTEST_SKIP() << "run through tests/serial/with-sim";
        ForgetCurvilab();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = Narrow(temp) + "vexor-e2e-save\\";
        CreateDirectoryW(Wide(folder).c_str(), nullptr);
        SimControl("speed 10");
        PumpUntil([] { return false; }, 100);
        WriteSettings(std::to_string(SimCom()));
        vexor = std::make_unique<VexorProcess>();
        main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
        ASSERT_TRUE(main);
        UiDriver::Click(main, idEnregistreBtn);
        HWND prompt = UiDriver::WaitForMessageBox("Information", 15000);
        ASSERT_TRUE(prompt);
        UiDriver::ClickButton(prompt, "OK");
        ASSERT_TRUE(
            PumpUntil([&] { return UiDriver::Control(main, idFileSaveBtn).Visible; }, 15000));
    }
    void TearDown() override {
        if (vexor && main) {
            EXPECT_EQ(vexor->Close(main), 0u);
        }
    }

    bool SaveThroughTheDialog(const std::string& path) {
        UiDriver::Click(main, idFileSaveBtn);
        HWND dialog = UiDriver::WaitForWindow(Cp1252("Sauvegarde données"), 15000);
        if (!dialog || !UiDriver::SaveAs(dialog, path)) return false;
        return UiDriver::WaitUntilGone(dialog, 10000);
    }

    std::string ClipboardRows() {
        UiDriver::Click(main, idClipSaveBtn);
        std::string text;
        PumpUntil(
            [&] {
                Sleep(50);
                return (text = UiDriver::ClipboardText()).find("temps") != std::string::npos;
            },
            5000);
        return text;
    }

    std::string folder;
    std::unique_ptr<VexorProcess> vexor;
    HWND main = nullptr;
};

} // namespace

TEST_F(Save, ACurvilabFileHoldsTheReadSamples) {
    std::string path = folder + "mesure.CV3";
    DeleteFileW(Wide(path).c_str());
    ASSERT_TRUE(SaveThroughTheDialog(path));
    ASSERT_TRUE(PumpUntil([&] { return !ReadFile(path).empty(); }, 5000));
    auto file = Lines(ReadFile(path));
    ASSERT_EQ(file.size(), 18u + 2048u);
    EXPECT_EQ(file[0], "MORVANET CURVILAB WINDOWS 1.0");
    EXPECT_EQ(file[15], Cp1252("£1 PAGE COMMENT"));
    EXPECT_EQ(file[17], "&2048 VALEUR VAR");
    // The rows carry what the clipboard carries, each with a TAB at its end.
    auto clip = Lines(ClipboardRows());
    ASSERT_EQ(clip.size(), 6u + 2048u);
    for (int i = 0; i < 2048; ++i)
        ASSERT_EQ(file[std::size_t(18 + i)], clip[std::size_t(6 + i)] + "\t") << i;
    DeleteFileW(Wide(path).c_str());
}

TEST_F(Save, AnyOtherExtensionGivesTheAsciiTable) {
    std::string path = folder + "mesure.csv";
    DeleteFileW(Wide(path).c_str());
    ASSERT_TRUE(SaveThroughTheDialog(path));
    ASSERT_TRUE(PumpUntil([&] { return !ReadFile(path).empty(); }, 5000));
    auto file = Lines(ReadFile(path));
    ASSERT_EQ(file.size(), 4u + 2048u);
    EXPECT_EQ(file[0], "Hameg");
    EXPECT_EQ(file[1], "t\tV1\tV2\t");
    DeleteFileW(Wide(path).c_str());
}

TEST_F(Save, AReadOnlyFileIsReportedAndTheAcquisitionKept) {
    std::string path = folder + "garde.cv3";
    SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream(Wide(path).c_str(), std::ios::binary) << "precious";
    SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(SaveThroughTheDialog(path));
    HWND error = UiDriver::WaitForMessageBox("Erreur", 15000);
    ASSERT_TRUE(error);
    EXPECT_EQ(UiDriver::MessageBoxText(error), Cp1252("Accès au fichier refusé"));
    UiDriver::ClickButton(error, "OK");
    UiDriver::WaitUntilGone(error, 3000);
    EXPECT_EQ(ReadFile(path), "precious");
    EXPECT_TRUE(UiDriver::Control(main, idFileSaveBtn).Visible); // the acquisition is still held
    SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(Wide(path).c_str());
}
