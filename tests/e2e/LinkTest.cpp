// The link to Curvilab over real DDE, with the stand-in fake-curvilab.exe.
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "common/Text1252.h"
#include "tests/e2e/VexorProcess.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/Handles.h"
#include "ui/MessageLoop.h"
#include "ui/Wide.h"

namespace {

std::string TempFile(const std::string& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return Narrow(temp) + name;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(Wide(path).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The stand-in, started by the test and ended by it.
class FakeCurvilab {
public:
    explicit FakeCurvilab(const std::wstring& options) {
        std::wstring command = L"\"" + BuildTreeFile(L"fake-curvilab.exe") + L"\" " + options;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &info)) {
            CloseHandle(info.hThread);
            process_.reset(info.hProcess);
        }
    }
    ~FakeCurvilab() {
        if (process_) {
            TerminateProcess(process_.get(), 0);
            WaitForSingleObject(process_.get(), 5000);
        }
    }
    // Waits for a --send to finish, serving this thread's messages; its exit code.
    DWORD Wait(DWORD ms) {
        if (!WaitProcessingMessages(process_.get(), ms)) return STILL_ACTIVE;
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        process_.reset();
        return code;
    }

private:
    UniqueKernelHandle process_;
};

class Link : public ::testing::Test {
protected:
    void SetUp() override {
        if (SimCom() == 0) GTEST_SKIP() << "run through tests/serial/with-sim";
        ForgetCurvilab();
        log = TempFile("fake-curvilab-" + std::to_string(GetCurrentProcessId()) + ".log");
        DeleteFileW(Wide(log).c_str());
        SimControl("speed 10");
        PumpUntil([] { return false; }, 100);
        WriteSettings(std::to_string(SimCom()));
    }
    void TearDown() override {
        if (vexor && main) {
            vexor->AnswerBoxes(200);
            EXPECT_EQ(vexor->Close(main), 0u);
        }
        ForgetCurvilab();
        DeleteFileW(Wide(log).c_str());
    }

    std::wstring LogOption() const { return L"--log \"" + Wide(log) + L"\""; }

    void StartVexorAndRead() {
        vexor = std::make_unique<VexorProcess>();
        main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
        ASSERT_TRUE(main);
        UiDriver::Click(main, idEnregistreBtn);
        AnswerZeroPrompt();
    }

    void AnswerZeroPrompt() {
        HWND prompt = UiDriver::WaitForMessageBox("Information", 15000);
        ASSERT_TRUE(prompt);
        UiDriver::ClickButton(prompt, "Annuler");
        ASSERT_TRUE(
            PumpUntil([&] { return UiDriver::Control(main, idSendToCurvilabBtn).Visible; }, 15000));
    }

    void SendThroughThePageDialog() {
        UiDriver::Click(main, idSendToCurvilabBtn);
        HWND dialog = UiDriver::WaitForWindow("Renseignements sur la page courante", 15000);
        ASSERT_TRUE(dialog);
        UiDriver::ClickButton(dialog, "OK");
    }

    int LogCount(const std::string& text) {
        std::string logged = ReadText(log);
        int count = 0;
        for (std::size_t at = 0; (at = logged.find(text, at)) != std::string::npos; ++at) ++count;
        return count;
    }

    // Whether the log has `lines`, whole: "EXECUTE CLIP|ADD" is not found in "EXECUTE CLIP|ADDX".
    bool LogHas(const std::string& lines, int ms = 20000) {
        return PumpUntil(
            [&] {
                Sleep(20);
                return ("\n" + ReadText(log)).find("\n" + lines + "\n") != std::string::npos;
            },
            ms);
    }

    // A macro sent to the program as Curvilab sends it; the exit code of the sender.
    std::unique_ptr<FakeCurvilab> SendToProgram(const std::string& macro, int times = 1) {
        return std::make_unique<FakeCurvilab>(L"--send vexor \"" + Wide(macro) + L"\" " +
                                              std::to_wstring(times));
    }

    // Curvilab's place in the registry: the command the program starts it with.
    // The stand-in's launch command where an older installation leaves it, or where the current
    // one does (`key` "Software\\Curvilab\\Curvilab").
    void RegisterCurvilab(const std::wstring& options, const wchar_t* key = L"Software\\Curvilab") {
        std::wstring command =
            L"\"" + BuildTreeFile(L"fake-curvilab.exe") + L"\" " + options + L" " + LogOption();
        SetCurvilabPath(key, command);
    }
    void SetCurvilabPath(const wchar_t* name, const std::wstring& command) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       DWORD((command.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }

    void ExpectNotice(const std::string& text, DWORD ms = 20000) {
        HWND notice = UiDriver::WaitForMessageBox("Scoptera", ms);
        ASSERT_TRUE(notice) << text;
        EXPECT_EQ(UiDriver::MessageBoxText(notice), text);
        UiDriver::ClickButton(notice, "OK");
        UiDriver::WaitUntilGone(notice, 3000);
    }

    // The acquisition is still held: the clipboard button still gives every row.
    void ExpectAcquisitionHeld() {
        std::string text = CopiedAcquisition(main);
        EXPECT_NE(text.find("t\tV1\tV2\r\n"), std::string::npos);
        EXPECT_GE(std::count(text.begin(), text.end(), '\n'), 2048);
    }

    std::string log;
    std::unique_ptr<VexorProcess> vexor;
    HWND main = nullptr;
};

} // namespace

TEST_F(Link, ARunningCurvilabGetsANewFileThenANewPage) {
    FakeCurvilab curvilab(L"--semaphore " + LogOption());
    ASSERT_TRUE(LogHas("STARTED"));
    StartVexorAndRead();
    SendThroughThePageDialog();
    ASSERT_TRUE(LogHas("EXECUTE CLIP|LOAD"));
    std::string clipboard = UiDriver::ClipboardText();
    ASSERT_FALSE(clipboard.empty());
    EXPECT_TRUE(LogHas("EXECUTE CLIP|LOAD\nCLIPBOARD " + std::to_string(clipboard.size()) + "\n" +
                       clipboard + "\nEND"));
    EXPECT_NE(clipboard.find("Acquisition avec oscillo HAMEG\r\n"), std::string::npos);
    SendThroughThePageDialog();
    EXPECT_TRUE(LogHas("EXECUTE CLIP|ADD"));
}

TEST_F(Link, CurvilabIsLaunchedFromTheRegistryWhenItDoesNotRun) {
    RegisterCurvilab(L"--quit-after 8000");
    StartVexorAndRead();
    SendThroughThePageDialog();
    EXPECT_TRUE(LogHas("STARTED", 15000));
    EXPECT_TRUE(LogHas("EXECUTE CLIP|LOAD", 15000));
}

TEST_F(Link, TheCurrentInstallationsKeyComesBeforeTheOlderOne) {
    RegisterCurvilab(L"--quit-after 8000", L"Software\\Curvilab\\Curvilab");
    SetCurvilabPath(L"Software\\Curvilab", L"C:\\nowhere\\curvilab.exe");
    StartVexorAndRead();
    SendThroughThePageDialog();
    EXPECT_TRUE(LogHas("EXECUTE CLIP|LOAD", 15000));
}

TEST_F(Link, ACurvilabSlowToStartIsWaitedForAndOneTooSlowIsReported) {
    RegisterCurvilab(L"--slow 300");
    StartVexorAndRead();
    SendThroughThePageDialog();
    EXPECT_TRUE(LogHas("EXECUTE CLIP|LOAD", 20000));
    EXPECT_EQ(vexor->Close(main), 0u);
    main = nullptr;
    EndStandIns();

    // Ready only long after the program's wait, connect and retry: the probe's launch, the
    // connect's and the retry's each start one, and the user is told.
    DeleteFileW(Wide(log).c_str());
    RegisterCurvilab(L"--slow 60000");
    StartVexorAndRead();
    SendThroughThePageDialog();
    ExpectNotice("Impossible de lancer Curvilab");
    ExpectAcquisitionHeld();
    EXPECT_TRUE(PumpUntil([&] { return LogCount("LAUNCHED") >= 3; }, 20000));
    EXPECT_EQ(LogCount("LAUNCHED"), 3);
    EXPECT_EQ(LogCount("EXECUTE"), 0);
}

TEST_F(Link, ACurvilabRefusingTheConversationIsReportedAndTheDataKept) {
    FakeCurvilab curvilab(L"--semaphore --refuse " + LogOption());
    ASSERT_TRUE(LogHas("STARTED"));
    StartVexorAndRead();
    SendThroughThePageDialog();
    ExpectNotice("Impossible de lancer Curvilab");
    ExpectAcquisitionHeld();
}

TEST_F(Link, ARefusedWarmLinkOrARequestAnsweredLateStillGetsTheMacro) {
    StartVexorAndRead();
    for (const char* option : {"--refuse-advise", "--request-timeout"}) {
        DeleteFileW(Wide(log).c_str());
        FakeCurvilab curvilab(Wide(option) + L" --semaphore " + LogOption());
        ASSERT_TRUE(LogHas("STARTED")) << option;
        SendThroughThePageDialog();
        EXPECT_TRUE(PumpUntil([&] { return LogCount("EXECUTE CLIP|") == 1; }, 20000)) << option;
        EXPECT_FALSE(UiDriver::WaitForMessageBox("", 300)) << option;
    }
}

TEST_F(Link, ACurvilabSlowToAcknowledgeHoldsNothingUp) {
    FakeCurvilab curvilab(L"--slow-execute 6000 --semaphore " + LogOption());
    ASSERT_TRUE(LogHas("STARTED"));
    StartVexorAndRead();
    SendThroughThePageDialog();
    ASSERT_TRUE(LogHas("EXECUTE CLIP|LOAD")); // written as the execute comes in
    EXPECT_TRUE(AboutBoxOpensAndCloses(main));
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(vexor->Close(main), 0u);
    main = nullptr;
    EXPECT_LT(GetTickCount64() - start, 3000u); // not waiting for the acknowledgement
}

TEST_F(Link, ACurvilabDyingInTheMiddleOfAMacroLeavesTheProgramWorking) {
    FakeCurvilab curvilab(L"--semaphore --die-on-execute " + LogOption());
    ASSERT_TRUE(LogHas("STARTED"));
    StartVexorAndRead();
    SendThroughThePageDialog();
    ASSERT_TRUE(LogHas("DYING"));
    EXPECT_EQ(curvilab.Wait(30000), 3u);
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
    EXPECT_FALSE(UiDriver::WaitForMessageBox("", 300));
    ExpectAcquisitionHeld();
    SendThroughThePageDialog(); // Curvilab is gone now
    ExpectNotice("Impossible de lancer Curvilab");
}

TEST_F(Link, FiftyGetDataDuringOneReadAreMergedIntoIt) {
    FakeCurvilab curvilab(L"--semaphore " + LogOption());
    ASSERT_TRUE(LogHas("STARTED"));
    SimControl("speed 1");
    vexor = std::make_unique<VexorProcess>();
    main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
    ASSERT_TRUE(main);
    UiDriver::Click(main, idEnregistreBtn);
    ASSERT_TRUE(PumpUntil([] { return SimImagesSent() == 1; }, 15000)); // the read is on
    auto sender = SendToProgram("GETDATA", 50);
    ASSERT_EQ(sender->Wait(60000), 0u); // every one acknowledged, during the read
    AnswerZeroPrompt();
    EXPECT_TRUE(LogHas("EXECUTE CLIP|ADD"));
    PumpUntil([] { return false; }, 1000);
    EXPECT_FALSE(UiDriver::WaitForMessageBox("", 300)); // no second read asking for the zero
    EXPECT_EQ(LogCount("EXECUTE CLIP|"), 1);
    EXPECT_EQ(SimImagesSent(), 1); // one image asked for
}

TEST_F(Link, WithoutCurvilabTheUserIsToldAfterTheRetry) {
    StartVexorAndRead();
    SendThroughThePageDialog();
    HWND notice = UiDriver::WaitForMessageBox("Scoptera", 20000);
    ASSERT_TRUE(notice);
    EXPECT_EQ(UiDriver::MessageBoxText(notice), "Impossible de lancer Curvilab");
    UiDriver::ClickButton(notice, "OK");
}

TEST_F(Link, GetDataReadsAndPushesTheResultAsANewPage) {
    FakeCurvilab curvilab(L"--semaphore " + LogOption());
    ASSERT_TRUE(LogHas("STARTED"));
    vexor = std::make_unique<VexorProcess>();
    main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
    ASSERT_TRUE(main);
    bool held = false;
    for (const char* macro : {"GETDATA", "getdata", "GetData(x)", "GETDATA()"}) {
        auto sender = SendToProgram(macro);
        EXPECT_EQ(sender->Wait(30000), 0u) << macro; // acknowledged before the read
        if (held) {
            HWND confirm = UiDriver::WaitForMessageBox("Confirmation", 15000);
            ASSERT_TRUE(confirm) << macro;
            UiDriver::ClickButton(confirm, "&Oui");
        }
        AnswerZeroPrompt();
        held = true;
        EXPECT_TRUE(LogHas("EXECUTE CLIP|ADD")) << macro;
        DeleteFileW(Wide(log).c_str());
    }
}

TEST_F(Link, BadMacrosAreAnsweredWithTheirMessages) {
    vexor = std::make_unique<VexorProcess>();
    main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
    ASSERT_TRUE(main);
    struct Case {
        std::string Macro, Message;
    };
    for (const Case& c : {Case{" GETDATA", "Fonction inconnue :  GETDATA"},
                          Case{"PRINT(1)", "Fonction inconnue : PRINT(1)"},
                          Case{"FOCUS\r\nGETDATA", Cp1252("Un message à la fois SVP")}}) {
        auto sender = SendToProgram(c.Macro);
        HWND error = UiDriver::WaitForMessageBox("Erreur", 15000);
        ASSERT_TRUE(error) << c.Macro;
        EXPECT_EQ(UiDriver::MessageBoxText(error), c.Message);
        UiDriver::ClickButton(error, "OK");
        EXPECT_EQ(sender->Wait(30000), 0u) << c.Macro; // acknowledged all the same
    }
    auto quiet = SendToProgram("CONFIG|SAVE(1)");
    EXPECT_EQ(quiet->Wait(30000), 0u);
    EXPECT_FALSE(UiDriver::WaitForMessageBox("", 500));
}

TEST_F(Link, FocusAndConfigLoadBringTheWindowForwardAndFocusChoosesANewFile) {
    FakeCurvilab curvilab(L"--semaphore " + LogOption());
    ASSERT_TRUE(LogHas("STARTED"));
    StartVexorAndRead();
    SendThroughThePageDialog(); // the first send moves the choice to "Nouvelle page"
    ASSERT_TRUE(LogHas("EXECUTE CLIP|LOAD"));
    HWND other = CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    for (const char* macro : {"CONFIG|LOAD(essai.cfg)", "FOCUS"}) {
        SetForegroundWindow(other);
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other; }, 5000)) << macro;
        EXPECT_EQ(SendToProgram(macro)->Wait(30000), 0u) << macro;
        EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 5000)) << macro;
        EXPECT_FALSE(UiDriver::WaitForMessageBox("", 300)) << macro;
    }
    DestroyWindow(other);
    SendThroughThePageDialog();
    EXPECT_TRUE(PumpUntil([&] { return LogCount("EXECUTE CLIP|LOAD\n") == 2; }, 20000));
    EXPECT_EQ(LogCount("EXECUTE CLIP|ADD\n"), 0);
}

TEST_F(Link, FocusWhileAModalBoxIsOpenFailsAfterChoosingANewFile) {
    FakeCurvilab curvilab(L"--semaphore " + LogOption());
    ASSERT_TRUE(LogHas("STARTED"));
    StartVexorAndRead();
    SendThroughThePageDialog(); // the first send moves the choice to "Nouvelle page"
    ASSERT_TRUE(LogHas("EXECUTE CLIP|LOAD"));
    UiDriver::Click(main, idAideBtn);
    HWND about = UiDriver::WaitForWindow("A propos", 15000);
    ASSERT_TRUE(about);
    auto sender = SendToProgram("FOCUS");
    HWND error = UiDriver::WaitForMessageBox("Erreur", 15000);
    ASSERT_TRUE(error);
    EXPECT_EQ(UiDriver::MessageBoxText(error), Cp1252("Syntaxe Macro DDE : Fonction(Paramètre)"));
    UiDriver::ClickButton(error, "OK");
    EXPECT_EQ(sender->Wait(30000), 0u);
    UiDriver::ClickButton(about, "OK");
    UiDriver::WaitUntilGone(about, 3000);
    DeleteFileW(Wide(log).c_str());
    SendThroughThePageDialog(); // FOCUS chose "Nouveau fichier" again
    EXPECT_TRUE(LogHas("EXECUTE CLIP|LOAD"));
}

TEST_F(Link, AThousandRandomExecutesAreAllAcknowledgedAndTheProgramKeepsAnswering) {
    vexor = std::make_unique<VexorProcess>();
    main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
    ASSERT_TRUE(main);
    const int count = 1000;
    FakeCurvilab sender(L"--send-random vexor " + std::to_wstring(count) + L" 7");
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
    auto getdata = SendToProgram("GETDATA");
    EXPECT_EQ(getdata->Wait(30000), 0u);
    HWND prompt = UiDriver::WaitForMessageBox("Information", 15000);
    ASSERT_TRUE(prompt);
    UiDriver::ClickButton(prompt, "Annuler");
}
