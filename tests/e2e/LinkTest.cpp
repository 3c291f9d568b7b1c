// The link to Curvilab over real DDE, with the stand-in fake-curvilab.exe.
#include <windows.h>

#include <algorithm>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"

namespace {

class Link : public ProgramTest {
protected:
    // The stand-in started by the test, once its service is up.
    std::unique_ptr<FakeCurvilabProcess> RunningCurvilab(const std::wstring& options) {
        auto curvilab = RunCurvilab(options);
        EXPECT_TRUE(CurvilabLogReaches("STARTED"));
        return curvilab;
    }

    bool StartAndRead() { return Start() && Read("Annuler"); }

    // The help bar says "Envoi vers Curvilab…" until the send is over, with any message of it
    // answered.
    bool WaitUntilSent() {
        return PumpUntil([&] { return UiDriver::Control(main, idPanelAide).Text.empty(); }, 20000);
    }

    // The acquisition is still held: the clipboard button still gives every row. A copy is
    // refused while a box is open or a send under way.
    void ExpectAcquisitionHeld() {
        std::string text = CopiedAcquisition(main);
        EXPECT_NE(text.find("t\tV1\tV2\r\n"), std::string::npos);
        EXPECT_GE(std::count(text.begin(), text.end(), '\n'), 2048);
    }
};

} // namespace

// A running Curvilab gets a new file, then new pages: also one that refuses the warm link or
// answers the request late. The macro comes once the clipboard holds the acquisition.
TEST_F(Link, ARunningCurvilabGetsANewFileThenANewPage) {
    ASSERT_TRUE(StartAndRead());
    for (const wchar_t* option : {L"", L"--refuse-advise", L"--request-timeout"}) {
        DeleteFileW(CurvilabLog.c_str());
        auto curvilab = RunningCurvilab(option + std::wstring(L" --semaphore"));
        ASSERT_TRUE(SendThroughThePageDialog());
        EXPECT_TRUE(CurvilabLogReaches(*option ? "EXECUTE CLIP|ADD\n" : "EXECUTE CLIP|LOAD\n"));
        EXPECT_TRUE(WaitUntilSent()); // with no message
        EXPECT_EQ(CurvilabLogCount("EXECUTE CLIP|"), 1);
        std::string clipboard = UiDriver::ClipboardText();
        EXPECT_EQ(CurvilabClipboard(1), clipboard);
        EXPECT_EQ(clipboard.find("Acquisition avec oscillo HAMEG\r\n") != std::string::npos,
                  !*option); // a new file's title
    }
}

// Where an older installation leaves its command, or under the current installation's key,
// which comes first; the stand-in, slow to start, is waited for.
TEST_F(Link, CurvilabIsLaunchedFromTheRegistryWhenItDoesNotRun) {
    for (bool current : {false, true}) {
        ForgetCurvilab();
        DeleteFileW(CurvilabLog.c_str());
        RegisterCurvilab(L"--slow 300",
                         current ? L"Software\\Curvilab\\Curvilab" : L"Software\\Curvilab");
        if (current) SetCurvilabPath(L"Software\\Curvilab", L"C:\\nowhere\\curvilab.exe");
        ASSERT_TRUE(StartAndRead()) << current;
        ASSERT_TRUE(SendThroughThePageDialog()) << current;
        EXPECT_TRUE(CurvilabLogReaches("EXECUTE CLIP|LOAD")) << current;
        EXPECT_EQ(Close(), 0u);
    }
}

// No Curvilab installed; one running that refuses the conversation; one ready only long after
// the program's wait, connect and retry, whose probe's launch, connect's and retry's each start
// one. The user is told, and the acquisition stays.
TEST_F(Link, ACurvilabOutOfReachIsReportedAndTheDataKept) {
    auto expectReported = [&](const char* which) {
        ASSERT_TRUE(StartAndRead()) << which;
        ASSERT_TRUE(SendThroughThePageDialog()) << which;
        EXPECT_EQ(AnswerBox("Scoptera"), "Impossible de lancer Curvilab") << which;
        ExpectAcquisitionHeld();
        EXPECT_EQ(Close(), 0u) << which;
    };
    expectReported("none");
    {
        auto refusing = RunningCurvilab(L"--semaphore --refuse");
        expectReported("refusing");
    }
    DeleteFileW(CurvilabLog.c_str());
    RegisterCurvilab(L"--slow 60000");
    expectReported("too slow");
    EXPECT_TRUE(CurvilabLogReaches("LAUNCHED", 3));
    EXPECT_EQ(CurvilabLogCount("LAUNCHED"), 3);
    EXPECT_EQ(CurvilabLogCount("EXECUTE"), 0);
}

TEST_F(Link, ACurvilabSlowToAcknowledgeHoldsNothingUp) {
    auto curvilab = RunningCurvilab(L"--slow-execute 6000 --semaphore");
    ASSERT_TRUE(StartAndRead());
    ASSERT_TRUE(SendThroughThePageDialog());
    ASSERT_TRUE(CurvilabLogReaches("EXECUTE CLIP|LOAD")); // written as the execute comes in
    EXPECT_TRUE(AboutBoxOpensAndCloses(main));
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Close(), 0u);
    EXPECT_LT(GetTickCount64() - start, 3000u); // not waiting for the acknowledgement
}

TEST_F(Link, ACurvilabDyingInTheMiddleOfAMacroLeavesTheProgramWorking) {
    auto curvilab = RunningCurvilab(L"--semaphore --die-on-execute");
    ASSERT_TRUE(StartAndRead());
    ASSERT_TRUE(SendThroughThePageDialog());
    ASSERT_TRUE(CurvilabLogReaches("DYING"));
    EXPECT_EQ(curvilab->Wait(30000), 3u);
    // Ending the conversation waits for the dead partner's answer: DDEML gives up after ten
    // seconds.
    ULONGLONG start = GetTickCount64();
    DWORD_PTR result = 0;
    bool answering = PumpUntil(
        [&] { return SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 500, &result) != 0; },
        20000);
    std::printf("[ figure ] answering again %llu ms after Curvilab died\n",
                GetTickCount64() - start);
    ASSERT_TRUE(answering);
    EXPECT_TRUE(WaitUntilSent()); // with no message
    ExpectAcquisitionHeld();
    ASSERT_TRUE(SendThroughThePageDialog()); // Curvilab is gone now
    EXPECT_EQ(AnswerBox("Scoptera"), "Impossible de lancer Curvilab");
}

// Every GETDATA acknowledged during the read joins it: one image asked for, one push. Once the
// push is over, the about box opens: a read still due would have started first and refused it.
TEST_F(Link, FiftyGetDataDuringOneReadAreMergedIntoIt) {
    auto curvilab = RunningCurvilab(L"--semaphore");
    ASSERT_TRUE(Start({"speed 1"}));
    UiDriver::Click(main, idEnregistreBtn);
    ASSERT_TRUE(PumpUntil([] { return SimImagesSent() == 1; }, 15000)); // the read is on
    EXPECT_EQ(SendToProgram("GETDATA", 50)->Wait(60000), 0u);           // every one during the read
    EXPECT_NE(AnswerBox("Information", "Annuler"), "");
    EXPECT_TRUE(CurvilabLogReaches("EXECUTE CLIP|ADD"));
    EXPECT_TRUE(WaitUntilSent());
    EXPECT_TRUE(AboutBoxOpensAndCloses(main));
    EXPECT_EQ(CurvilabLogCount("EXECUTE CLIP|"), 1);
    EXPECT_EQ(SimImagesSent(), 1);
}

TEST_F(Link, GetDataReadsAndPushesTheResultAsANewPage) {
    auto curvilab = RunningCurvilab(L"--semaphore");
    ASSERT_TRUE(Start());
    bool held = false;
    for (const char* macro : {"GETDATA", "getdata", "GetData(x)", "GETDATA()"}) {
        EXPECT_EQ(SendToProgram(macro)->Wait(30000), 0u) << macro; // acknowledged before the read
        ASSERT_TRUE(AnswerLossAndZero(held, "Annuler")) << macro;
        held = true;
        EXPECT_TRUE(CurvilabLogReaches("EXECUTE CLIP|ADD\n")) << macro;
        DeleteFileW(CurvilabLog.c_str());
    }
}

// An execute is acknowledged once its macro has run: the quiet one's acknowledgement, with no
// box answered, shows it opened none.
TEST_F(Link, BadMacrosAreAnsweredWithTheirMessages) {
    ASSERT_TRUE(Start());
    std::string tooLong = "X" + std::string(9999, 'y');
    struct Case {
        std::string Macro, Message;
    };
    for (const Case& c : {Case{" GETDATA", "Fonction inconnue :  GETDATA"},
                          Case{"PRINT(1)", "Fonction inconnue : PRINT(1)"},
                          Case{tooLong, "Fonction inconnue : " + tooLong.substr(0, 255)},
                          Case{"FOCUS\r\nGETDATA", Cp1252("Un message à la fois SVP")}}) {
        auto sender = SendToProgram(c.Macro);
        EXPECT_EQ(AnswerBox("Erreur"), c.Message) << c.Macro.substr(0, 20);
        EXPECT_EQ(sender->Wait(30000), 0u) << c.Macro.substr(0, 20); // acknowledged all the same
    }
    EXPECT_EQ(SendToProgram("CONFIG|SAVE(1)")->Wait(30000), 0u);
}

// Acknowledged with no box answered: neither macro found the window unable to take the focus.
TEST_F(Link, FocusAndConfigLoadBringTheWindowForwardAndFocusChoosesANewFile) {
    auto curvilab = RunningCurvilab(L"--semaphore");
    ASSERT_TRUE(StartAndRead());
    ASSERT_TRUE(SendThroughThePageDialog()); // the first send moves the choice to "Nouvelle page"
    ASSERT_TRUE(CurvilabLogReaches("EXECUTE CLIP|LOAD"));
    HWND other = CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    for (const char* macro : {"CONFIG|LOAD(essai.cfg)", "FOCUS"}) {
        SetForegroundWindow(other);
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other; }, 5000)) << macro;
        EXPECT_EQ(SendToProgram(macro)->Wait(30000), 0u) << macro;
        EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 5000)) << macro;
    }
    DestroyWindow(other);
    ASSERT_TRUE(SendThroughThePageDialog());
    EXPECT_TRUE(CurvilabLogReaches("EXECUTE CLIP|LOAD\n", 2));
    EXPECT_EQ(CurvilabLogCount("EXECUTE CLIP|ADD\n"), 0);
}

TEST_F(Link, AThousandRandomExecutesAreAllAcknowledgedAndTheProgramKeepsAnswering) {
    ASSERT_TRUE(Start());
    const int count = 1000;
    FakeCurvilabProcess sender(L"--send-random vexor " + std::to_wstring(count) + L" 7");
    int boxes = 0;
    DWORD code = STILL_ACTIVE;
    ULONGLONG deadline = GetTickCount64() + 240000;
    // Every text that is not one known macro shows an error box: answer them as they come.
    while ((code = sender.Wait(0)) == STILL_ACTIVE && GetTickCount64() < deadline) {
        if (HWND box = UiDriver::WaitForMessageBox("", 0)) {
            if (UiDriver::ClickButton(box, "OK")) ++boxes;
            UiDriver::WaitUntilGone(box, 2000);
        } else {
            Sleep(2);
        }
    }
    std::printf("[ figure ] %d random executes, %d error boxes answered, %lu not acknowledged\n",
                count, boxes, code);
    EXPECT_EQ(code, 0u);
    EXPECT_GT(boxes, count / 2);
    // Still answering: a real macro still starts a read.
    EXPECT_EQ(SendToProgram("GETDATA")->Wait(30000), 0u);
    EXPECT_NE(AnswerBox("Information", "Annuler"), "");
}
