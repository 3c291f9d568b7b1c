// The program under bad surroundings: a damaged settings file, many starts in a row, the
// clipboard held by another program, oversized text pasted into its fields.
#include <windows.h>

#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <vector>

#include "app/ControlIds.h"
#include "common/Text1252.h"
#include "tests/e2e/VexorProcess.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/SystemSettings.h"
#include "ui/Wide.h"

namespace {

class Fault : public ::testing::Test {
protected:
    void SetUp() override {
        if (SimCom() == 0) GTEST_SKIP() << "run through tests/serial/with-sim";
        ForgetCurvilab();
        SimControl("speed 10");
        PumpUntil([] { return false; }, 100);
    }
    void TearDown() override {
        SetFileAttributesW(Wide(SettingsFile()).c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(Wide(SettingsFile()).c_str());
        WriteSettings(std::to_string(SimCom()));
    }

    void WriteSettingsBytes(const std::string& bytes) {
        WriteSettings("");
        HANDLE file = CreateFileW(Wide(SettingsFile()).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }

    HWND StartAndRead() {
        WriteSettings(std::to_string(SimCom()));
        vexor = std::make_unique<VexorProcess>();
        main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
        if (!main) return nullptr;
        UiDriver::Click(main, idEnregistreBtn);
        HWND prompt = UiDriver::WaitForMessageBox("Information", 15000);
        if (!prompt) return nullptr;
        UiDriver::ClickButton(prompt, "Annuler");
        if (!PumpUntil([&] { return UiDriver::Control(main, idClipSaveBtn).Visible; }, 15000))
            return nullptr;
        return main;
    }

    std::unique_ptr<VexorProcess> vexor;
    HWND main = nullptr;
};

// Pastes `text` into an edit control of the program, as the user's Ctrl+V would.
void Paste(HWND edit, const std::string& text) {
    ASSERT_TRUE(PutTextOnClipboardFromElsewhere(text));
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(edit, WM_PASTE, 0, 0, SMTO_NORMAL, 5000, &result));
}

std::string LongText() {
    std::string text;
    for (int i = 0; text.size() < 10000; ++i)
        text += Cp1252("Éprouvette n° ") + std::to_string(i) + " ";
    return text.substr(0, 10000);
}

} // namespace

TEST_F(Fault, ASettingsFileThatIsGarbageHugeAFolderOrReadOnlyNeverStopsTheProgram) {
    std::mt19937 random(5);
    std::string garbage(4096, '\0');
    for (char& c : garbage) c = char(random());
    std::string huge = "[COM]\r\nNumber=" + std::to_string(SimCom()) + "\r\n";
    while (huge.size() < 5'000'000) huge += "Padding" + std::to_string(huge.size()) + "=x\r\n";

    struct Case {
        const char* Name;
        std::function<void()> Prepare;
        std::string WrittenBack; // "" when the file cannot be written
    };
    std::string settings = SettingsFile();
    for (const Case& c : {
             Case{"garbage", [&] { WriteSettingsBytes(garbage); }, "1"},
             Case{"huge", [&] { WriteSettingsBytes(huge); }, std::to_string(SimCom())},
             Case{"folder",
                  [&] {
                      WriteSettings("");
                      CreateDirectoryW(Wide(settings).c_str(), nullptr);
                  },
                  ""},
             Case{"read-only",
                  [&] {
                      WriteSettings(std::to_string(SimCom()));
                      SetFileAttributesW(Wide(settings).c_str(), FILE_ATTRIBUTE_READONLY);
                  },
                  ""},
         }) {
        c.Prepare();
        VexorProcess vexor;
        HWND window = vexor.WaitForAnyMainWindow(20000);
        ASSERT_TRUE(window) << c.Name;
        EXPECT_EQ(vexor.Close(window), 0u) << c.Name;
        DWORD attributes = GetFileAttributesW(Wide(settings).c_str());
        if (c.WrittenBack.empty()) {
            EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << c.Name; // left as it was
        } else {
            EXPECT_EQ(ReadSettingsNumber(), c.WrittenBack) << c.Name;
        }
        SetFileAttributesW(Wide(settings).c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(Wide(settings).c_str());
    }
}

TEST_F(Fault, TwentySecondStartsInARowEndAndLeaveTheFirstWorking) {
    WriteSettings(std::to_string(SimCom()));
    vexor = std::make_unique<VexorProcess>();
    main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
    ASSERT_TRUE(main);
    for (int i = 0; i < 20; ++i) {
        VexorProcess second(i % 2 ? std::vector<std::string>{"essai.cv3"}
                                  : std::vector<std::string>{});
        EXPECT_EQ(second.WaitForExit(10000), 0u) << i;
    }
    EXPECT_TRUE(AboutBoxOpensAndCloses(main)); // the first one still answers
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Fault, AClipboardHeldByAnotherProgramIsReportedAndTheDataKept) {
    ASSERT_TRUE(StartAndRead());
    // Held through a window: under Wine a clipboard opened without one does not keep others out.
    HWND holder = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    ASSERT_TRUE(OpenClipboard(holder));
    UiDriver::Click(main, idClipSaveBtn);
    HWND error = UiDriver::WaitForMessageBox("Erreur", 15000);
    CloseClipboard();
    DestroyWindow(holder);
    ASSERT_TRUE(error);
    EXPECT_EQ(UiDriver::MessageBoxText(error),
              Cp1252("Le presse-papier est occupé par un autre programme : l'acquisition n'a pas "
                     "été copiée."));
    UiDriver::ClickButton(error, "OK");
    UiDriver::WaitUntilGone(error, 3000);
    std::string text = CopiedAcquisition(main); // released: the same button works
    EXPECT_NE(text.find("t\tV1\tV2\r\n"), std::string::npos);
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Fault, TenThousandCharactersPastedIntoEveryFieldAreCutWhereTheTextHasALimit) {
    ASSERT_TRUE(StartAndRead());
    std::string text = LongText();
    for (int id : {idNom1Edit, idNom2Edit}) Paste(UiDriver::Control(main, id).Window, text);
    std::string copied = CopiedAcquisition(main);
    std::string name = text.substr(0, 32);
    EXPECT_NE(copied.find("t\t" + name + "\t" + name + "\r\n"), std::string::npos);

    UiDriver::Click(main, idSendToCurvilabBtn);
    HWND dialog = UiDriver::WaitForWindow("Renseignements sur la page courante", 15000);
    ASSERT_TRUE(dialog);
    int edits = 0;
    for (const auto& control : UiDriver::Controls(dialog))
        if (control.ClassName == "Edit") {
            Paste(control.Window, text);
            ++edits;
        }
    EXPECT_EQ(edits, 4);
    UiDriver::ClickButton(dialog, "OK");
    HWND notice = UiDriver::WaitForMessageBox("Scoptera", 20000); // no Curvilab here
    ASSERT_TRUE(notice);
    UiDriver::ClickButton(notice, "OK");
    UiDriver::WaitUntilGone(notice, 3000);
    std::string sent = UiDriver::ClipboardText();
    ASSERT_FALSE(sent.empty());
    // The names, units, meanings and rows are cut at 255 characters; the comment goes whole.
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = sent.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(sent.substr(at, end - at));
    ASSERT_GE(lines.size(), 6u + 2048u);
    EXPECT_EQ(lines[2], text);
    EXPECT_EQ(lines[3], "t\t" + name + "\t" + name);
    for (std::size_t i = 3; i < lines.size(); ++i) EXPECT_LE(lines[i].size(), 255u) << "line " << i;
    EXPECT_EQ(vexor->Close(main), 0u);
}
