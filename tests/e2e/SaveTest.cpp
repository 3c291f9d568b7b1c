// The save command through the real file dialog.
#include <windows.h>

#include <fstream>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
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

// The program started and one read with its zero done; the files go to a folder of the test's.
class Save : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (IsSkipped()) return;
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"vexor-e2e-save\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        ASSERT_TRUE(Start() && Read());
    }

    // Saves through the dialog as `name` in the test's folder; the file's lines.
    std::vector<std::string> SaveAs(const std::wstring& name) {
        path = folder + name;
        DeleteFileW(path.c_str());
        if (!ChooseFile(main, idFileSaveBtn, "Sauvegarde données", path) ||
            !PumpUntil([&] { return !FileText(path).empty(); }, 5000))
            return {};
        auto lines = Lines(FileText(path));
        DeleteFileW(path.c_str());
        return lines;
    }

    std::wstring folder, path;
};

} // namespace

TEST_F(Save, ACurvilabFileHoldsTheReadSamples) {
    auto file = SaveAs(L"mesure.CV3");
    ASSERT_EQ(file.size(), 18u + 2048u);
    EXPECT_EQ(file[0], "MORVANET CURVILAB WINDOWS 1.0");
    EXPECT_EQ(file[15], Cp1252("£1 PAGE COMMENT"));
    EXPECT_EQ(file[17], "&2048 VALEUR VAR");
    // The rows carry what the clipboard carries, each with a TAB at its end.
    auto clip = Lines(CopiedAcquisition(main));
    ASSERT_EQ(clip.size(), 6u + 2048u);
    for (int i = 0; i < 2048; ++i)
        ASSERT_EQ(file[std::size_t(18 + i)], clip[std::size_t(6 + i)] + "\t") << i;
}

TEST_F(Save, AnyOtherExtensionGivesTheAsciiTable) {
    auto file = SaveAs(L"mesure.csv");
    ASSERT_EQ(file.size(), 4u + 2048u);
    EXPECT_EQ(file[0], "Hameg");
    EXPECT_EQ(file[1], "t\tV1\tV2\t");
}

TEST_F(Save, AReadOnlyFileIsReportedAndTheAcquisitionKept) {
    path = folder + L"garde.cv3";
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream(path.c_str(), std::ios::binary) << "precious";
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    UiDriver::Click(main, idFileSaveBtn);
    HWND dialog = UiDriver::WaitForWindow(Cp1252("Sauvegarde données"), 15000);
    ASSERT_TRUE(dialog && UiDriver::SaveAs(dialog, path));
    EXPECT_EQ(AnswerBox("Erreur"), Cp1252("Accès au fichier refusé"));
    EXPECT_EQ(FileText(path), "precious");
    EXPECT_TRUE(HoldsAcquisition());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}
