// The program under bad surroundings: any settings file, many starts in a row, oversized text
// pasted into its fields.
#include <windows.h>

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <vector>

#include "app/ControlIds.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/Wide.h"

namespace {

using Fault = ProgramTest;

void WriteSettingsBytes(const std::string& bytes) {
    WriteSettings("");
    std::ofstream(Wide(SettingsFile()).c_str(), std::ios::binary) << bytes;
}

// Pastes `text` into an edit control of the program, as the user's Ctrl+V would.
void Paste(HWND edit, const std::string& text) {
    ASSERT_TRUE(PutTextOnClipboardFromElsewhere(text));
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(edit, WM_PASTE, 0, 0, SMTO_NORMAL, 5000, &result));
}

} // namespace

// The port comes from the file and goes back into it at close; a missing, unreadable, garbage,
// huge, read-only file or a folder in its place never stops the program.
TEST_F(Fault, TheSettingsFileGivesThePortAndNoneStopsTheProgram) {
    std::mt19937 random(5);
    std::string garbage(4096, '\0');
    for (char& c : garbage) c = char(random());
    std::string port = std::to_string(SimCom());
    std::string huge = "[COM]\r\nNumber=" + port + "\r\n";
    while (huge.size() < 5'000'000) huge += "Padding" + std::to_string(huge.size()) + "=x\r\n";
    std::wstring settings = Wide(SettingsFile());

    struct Case {
        const char* Name;
        std::function<void()> Prepare;
        std::string WrittenBack; // "" when the file cannot be written
    };
    for (const Case& c : {
             Case{"none", [] { WriteSettings(""); }, "1"},
             Case{"0x3", [] { WriteSettings("0x3"); }, "3"},
             Case{"abc", [] { WriteSettings("abc"); }, "1"},
             Case{"the port", [&] { WriteSettings(port); }, port},
             Case{"garbage", [&] { WriteSettingsBytes(garbage); }, "1"},
             Case{"huge", [&] { WriteSettingsBytes(huge); }, port},
             Case{"folder",
                  [&] {
                      WriteSettings("");
                      CreateDirectoryW(settings.c_str(), nullptr);
                  },
                  ""},
             Case{"read-only",
                  [&] {
                      WriteSettings(port);
                      SetFileAttributesW(settings.c_str(), FILE_ATTRIBUTE_READONLY);
                  },
                  ""},
         }) {
        c.Prepare();
        VexorProcess vexor;
        // Ports without an instrument: the identification's messages are answered.
        HWND window = vexor.WaitForAnyMainWindow(20000);
        ASSERT_TRUE(window) << c.Name;
        EXPECT_EQ(vexor.Close(window), 0u) << c.Name;
        if (c.WrittenBack.empty()) {
            EXPECT_NE(GetFileAttributesW(settings.c_str()), INVALID_FILE_ATTRIBUTES) << c.Name;
        } else {
            EXPECT_EQ(ReadSettingsNumber(), c.WrittenBack) << c.Name;
        }
    }
    WriteSettings("");
}

TEST_F(Fault, TwentySecondStartsInARowEndAndLeaveTheFirstWorking) {
    ASSERT_TRUE(Start());
    for (int i = 0; i < 20; ++i) {
        std::vector<std::string> arguments;
        if (i % 2) arguments.push_back("essai.cv3");
        // A start the system refuses (the process never ran) says nothing of the program: it is
        // made again, once.
        std::optional<VexorProcess> second(std::in_place, arguments);
        if (!second->Started()) second.emplace(arguments);
        ASSERT_TRUE(second->Started()) << i << ": error " << GetLastError();
        EXPECT_EQ(second->WaitForExit(10000), 0u) << i;
    }
    EXPECT_TRUE(AboutBoxOpensAndCloses(main)); // the first one still answers
}

TEST_F(Fault, TenThousandCharactersPastedIntoEveryFieldAreCutWhereTheTextHasALimit) {
    ASSERT_TRUE(Start() && Read("Annuler"));
    std::string text;
    for (int i = 0; text.size() < 10000; ++i)
        text += Cp1252("Éprouvette n° ") + std::to_string(i) + " ";
    text.resize(10000);
    for (int id : {idNom1Edit, idNom2Edit}) Paste(UiDriver::Control(main, id).Window, text);
    std::string name = text.substr(0, 32);
    EXPECT_NE(CopiedAcquisition(main).find("t\t" + name + "\t" + name + "\r\n"), std::string::npos);

    HWND dialog = OpenPageDialog();
    ASSERT_TRUE(dialog);
    int edits = 0;
    for (const auto& control : UiDriver::Controls(dialog))
        if (control.ClassName == "Edit") {
            Paste(control.Window, text);
            ++edits;
        }
    EXPECT_EQ(edits, 4);
    UiDriver::ClickButton(dialog, "OK");
    EXPECT_EQ(AnswerBox("Scoptera"), "Impossible de lancer Curvilab"); // no Curvilab here
    std::string sent = UiDriver::ClipboardText();
    // The names, units, meanings and rows are cut at 255 characters; the comment goes whole.
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = sent.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(sent.substr(at, end - at));
    ASSERT_GE(lines.size(), 6u + 2048u);
    EXPECT_EQ(lines[2], text);
    EXPECT_EQ(lines[3], "t\t" + name + "\t" + name);
    for (std::size_t i = 3; i < lines.size(); ++i) EXPECT_LE(lines[i].size(), 255u) << "line " << i;
}
