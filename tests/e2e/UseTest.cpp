// What a teacher does to the program in a real lab: closing it in the middle of a wait, quitting
// with data, the clipboard held elsewhere, the page dialog open while Curvilab speaks, the mouse
// over the window during a read, folders named in other alphabets.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include "app/ControlIds.h"
#include "common/Text1252.h"
#include "export/Clipboard.h"
#include "tests/e2e/VexorProcess.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/Handles.h"
#include "ui/SystemSettings.h"
#include "ui/Wide.h"

namespace {

class Use : public ::testing::Test {
protected:
    void SetUp() override {
        if (SimCom() == 0) GTEST_SKIP() << "run through tests/serial/with-sim";
        ForgetCurvilab();
        SimControl("speed 10");
        WriteSettings(std::to_string(SimCom()));
    }
    void TearDown() override {
        if (vexor && main) {
            EXPECT_EQ(vexor->Close(main), 0u);
        }
        EndStandIns();
    }

    void Start() {
        vexor = std::make_unique<VexorProcess>();
        main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
        ASSERT_TRUE(main);
    }

    void StartAndRead() {
        Start();
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(ReadThroughTheWindow(main));
    }

    // WM_CLOSE to the main window: the exit code once the process has ended, and how long after
    // the close it ended (nothing answered on the way).
    std::pair<DWORD, ULONGLONG> CloseNow() {
        ULONGLONG start = GetTickCount64();
        PostMessageW(main, WM_CLOSE, 0, 0);
        DWORD code = vexor->WaitForExit(20000);
        main = nullptr;
        return {code, GetTickCount64() - start};
    }

    void ExpectClosedQuickly(const char* during) {
        auto [code, ms] = CloseNow();
        std::printf("[ figure ] closed during %s: ended after %llu ms\n", during, ms);
        EXPECT_EQ(code, 0u) << during;
        EXPECT_LT(ms, 1000u) << during;
    }

    HWND OpenPageDialog(DWORD waitMs = 15000) {
        UiDriver::Click(main, idSendToCurvilabBtn);
        return UiDriver::WaitForWindow("Renseignements sur la page courante", waitMs);
    }

    // Curvilab's launch command in the registry, where its installation writes it.
    void RegisterCurvilab(const std::wstring& command) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Curvilab", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       DWORD((command.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }

    std::unique_ptr<VexorProcess> vexor;
    HWND main = nullptr;
};

std::wstring TempFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

} // namespace

TEST_F(Use, ClosingDuringAReadEndsTheProgramAtOnce) {
    SimControl("speed 1");
    Start();
    UiDriver::Click(main, idEnregistreBtn);
    ASSERT_TRUE(PumpUntil([] { return SimImagesSent() == 1; }, 15000));
    ExpectClosedQuickly("a read");
}

TEST_F(Use, ClosingWhileTheZeroPromptIsOpenEndsTheProgramAtOnce) {
    Start();
    UiDriver::Click(main, idEnregistreBtn);
    ASSERT_TRUE(UiDriver::WaitForMessageBox("Information", 15000));
    ExpectClosedQuickly("the zero prompt");
}

TEST_F(Use, ClosingWhileCurvilabIsAwaitedEndsTheProgramAtOnce) {
    // Slow to start: the program waits for it, then retries.
    RegisterCurvilab(L"\"" + BuildTreeFile(L"fake-curvilab.exe") + L"\" --slow 1200");
    StartAndRead();
    for (DWORD after : {300u, 1000u, 1800u, 2600u}) {
        HWND dialog = OpenPageDialog();
        ASSERT_TRUE(dialog) << after;
        UiDriver::ClickButton(dialog, "OK");
        UiDriver::WaitUntilGone(dialog, 15000);
        PumpUntil([] { return false; }, int(after));
        std::string during = "the wait for Curvilab, " + std::to_string(after) + " ms after OK";
        ExpectClosedQuickly(during.c_str());
        EndStandIns();
        if (after != 2600u) StartAndRead();
    }
}

TEST_F(Use, ACurvilabThatQuitIsLaunchedAgainOnTheNextSend) {
    std::wstring log = TempFolder(L"vexor-e2e-use") + L"relaunch.log";
    DeleteFileW(log.c_str());
    // Each launch guards its single instance with the semaphore, then quits by itself.
    RegisterCurvilab(L"\"" + BuildTreeFile(L"fake-curvilab.exe") +
                     L"\" --guard --quit-after 6000 --log \"" + log + L"\"");
    StartAndRead();
    auto count = [&](const std::string& line) {
        std::string text = FileText(log);
        int found = 0;
        for (auto at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
            ++found;
        return found;
    };
    for (int round = 1; round <= 3; ++round) {
        HWND dialog = OpenPageDialog();
        ASSERT_TRUE(dialog) << round;
        UiDriver::ClickButton(dialog, "OK");
        EXPECT_TRUE(PumpUntil([&] { return count("EXECUTE CLIP|") == round; }, 20000)) << round;
        EXPECT_TRUE(PumpUntil([&] { return count("ENDED") == round; }, 20000)) << round;
    }
    EXPECT_EQ(count("LAUNCHED"), 3);
    EXPECT_EQ(count("REFUSED"), 0);
    EXPECT_FALSE(UiDriver::WaitForMessageBox("", 300)); // no "Impossible de lancer Curvilab"
}

TEST_F(Use, DuringASendAGetDataWaitsForItsEndAndASecondSendIsRefused) {
    std::wstring log = TempFolder(L"vexor-e2e-use") + L"nested.log";
    DeleteFileW(log.c_str());
    // Slow to start: the send waits for it about three seconds, serving messages.
    RegisterCurvilab(L"\"" + BuildTreeFile(L"fake-curvilab.exe") +
                     L"\" --semaphore --slow 2500 --log \"" + log + L"\"");
    StartAndRead();
    HWND dialog = OpenPageDialog();
    ASSERT_TRUE(dialog);
    UiDriver::ClickButton(dialog, "OK");
    ASSERT_TRUE(UiDriver::WaitUntilGone(dialog, 15000));
    EXPECT_FALSE(OpenPageDialog(1000)); // a command during the send is refused
    FakeCurvilabProcess getData(L"--send vexor GETDATA");
    EXPECT_EQ(getData.Wait(30000), 0u); // acknowledged at once, run later
    // The read Curvilab asked for starts once the send has ended.
    HWND question = UiDriver::WaitForMessageBox("Confirmation", 20000);
    ASSERT_TRUE(question);
    EXPECT_NE(FileText(log).find("EXECUTE CLIP|LOAD"), std::string::npos);
    UiDriver::ClickButton(question, "&Oui");
    ASSERT_TRUE(AnswerLossAndZero(false));
    EXPECT_TRUE(PumpUntil(
        [&] { return FileText(log).find("EXECUTE CLIP|ADD") != std::string::npos; }, 20000));
    std::string text = FileText(log);
    EXPECT_EQ(text.find("EXECUTE CLIP|LOAD"), text.rfind("EXECUTE CLIP|LOAD"));
    EXPECT_LT(text.find("EXECUTE CLIP|LOAD"), text.find("EXECUTE CLIP|ADD"));
}

TEST_F(Use, AFailedSaveOnQuittingKeepsTheProgramAndItsData) {
    StartAndRead();
    std::wstring folder = TempFolder(L"vexor-e2e-quit");
    std::wstring path = folder + L"read-only.cv3";
    DeleteFileW(path.c_str());
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_READONLY, nullptr);
    CloseHandle(file);
    UiDriver::Click(main, idCloseBtn);
    HWND question = UiDriver::WaitForMessageBox("Confirmation", 15000);
    ASSERT_TRUE(question);
    EXPECT_EQ(UiDriver::MessageBoxText(question), "Sauvegarde");
    UiDriver::ClickButton(question, "&Oui");
    HWND dialog = UiDriver::WaitForWindow(Cp1252("Sauvegarde données"), 15000);
    ASSERT_TRUE(dialog);
    UiDriver::SaveAs(dialog, Narrow(path));
    HWND error = UiDriver::WaitForMessageBox("Erreur", 15000);
    ASSERT_TRUE(error);
    EXPECT_EQ(UiDriver::MessageBoxText(error), Cp1252("Accès au fichier refusé"));
    UiDriver::ClickButton(error, "OK");
    UiDriver::WaitUntilGone(error, 15000);
    EXPECT_EQ(vexor->WaitForExit(1500), DWORD(STILL_ACTIVE));    // still open
    EXPECT_TRUE(UiDriver::Control(main, idFileSaveBtn).Visible); // with its acquisition
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());

    // Answering Non quits, as does cancelling the save dialog.
    UiDriver::Click(main, idCloseBtn);
    question = UiDriver::WaitForMessageBox("Confirmation", 15000);
    ASSERT_TRUE(question);
    UiDriver::ClickButton(question, "&Non");
    EXPECT_EQ(vexor->WaitForExit(15000), 0u);
    main = nullptr;
}

TEST_F(Use, AClipboardHeldElsewhereSendsCurvilabNothing) {
    std::wstring log = TempFolder(L"vexor-e2e-use") + L"curvilab.log";
    DeleteFileW(log.c_str());
    FakeCurvilabProcess curvilab(L"--semaphore --log \"" + log + L"\"");
    StartAndRead();
    HWND holder = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    ASSERT_TRUE(OpenClipboard(holder));
    HWND dialog = OpenPageDialog();
    ASSERT_TRUE(dialog);
    UiDriver::ClickButton(dialog, "OK");
    HWND error = UiDriver::WaitForMessageBox("Erreur", 15000);
    CloseClipboard();
    DestroyWindow(holder);
    ASSERT_TRUE(error);
    UiDriver::ClickButton(error, "OK");
    UiDriver::WaitUntilGone(error, 15000);
    PumpUntil([] { return false; }, 1000);
    EXPECT_EQ(FileText(log).find("EXECUTE"), std::string::npos); // no macro went
    // The choice stays "Nouveau fichier": the next send, the clipboard free, loads a new file.
    dialog = OpenPageDialog();
    ASSERT_TRUE(dialog);
    UiDriver::ClickButton(dialog, "OK");
    EXPECT_TRUE(
        PumpUntil([&] { return FileText(log).find("CLIP|LOAD") != std::string::npos; }, 20000));
}

TEST_F(Use, AFocusFromCurvilabShowsInTheOpenPageDialogAndItsOkKeepsIt) {
    std::wstring log = TempFolder(L"vexor-e2e-use") + L"curvilab.log";
    DeleteFileW(log.c_str());
    FakeCurvilabProcess curvilab(L"--semaphore --log \"" + log + L"\"");
    StartAndRead();
    HWND dialog = OpenPageDialog();
    ASSERT_TRUE(dialog);
    UiDriver::ClickButton(dialog, "OK"); // the first send: "Nouvelle page" from now on
    ASSERT_TRUE(
        PumpUntil([&] { return FileText(log).find("CLIP|LOAD") != std::string::npos; }, 20000));
    dialog = OpenPageDialog();
    ASSERT_TRUE(dialog);
    auto checked = [&](const char* caption) {
        for (const auto& control : UiDriver::Controls(dialog))
            if (control.Text == caption)
                return SendMessageW(control.Window, BM_GETCHECK, 0, 0) == BST_CHECKED;
        return false;
    };
    EXPECT_TRUE(checked("Nouvelle page"));
    FakeCurvilabProcess focus(L"--send vexor FOCUS");
    HWND error = UiDriver::WaitForMessageBox("Erreur", 15000); // the dialog keeps the focus
    ASSERT_TRUE(error);
    UiDriver::ClickButton(error, "OK");
    EXPECT_EQ(focus.Wait(30000), 0u);
    EXPECT_TRUE(PumpUntil([&] { return checked("Nouveau fichier"); }, 5000));
    UiDriver::ClickButton(dialog, "OK");
    EXPECT_TRUE(PumpUntil(
        [&] {
            std::string text = FileText(log);
            return text.find("CLIP|LOAD") != text.rfind("CLIP|LOAD");
        },
        20000));
    EXPECT_EQ(FileText(log).find("CLIP|ADD"), std::string::npos);
}

TEST_F(Use, TheReadsStatusStaysWhileTheMouseStaysOnTheReadButton) {
    Start();
    HWND button = UiDriver::Control(main, idEnregistreBtn).Window;
    SimControl("speed 1");
    PostMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(PumpUntil(
        [&] { return UiDriver::Control(main, idPanelAide).Text.find("Lance") == 0; }, 15000));
    UiDriver::Click(main, idEnregistreBtn);
    ASSERT_TRUE(PumpUntil([] { return SimImagesSent() == 1; }, 15000));
    PostMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(6, 5)); // as the system does when it hides
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(UiDriver::Control(main, idPanelAide).Text, "La lecture prend quatre secondes");
    // A control with another hint takes the bar.
    PostMessageW(UiDriver::Control(main, idSetBtn).Window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(PumpUntil(
        [&] {
            return UiDriver::Control(main, idPanelAide).Text ==
                   Cp1252("Configuration de la voie série");
        },
        15000));
}

TEST_F(Use, OnlyAClickOnTheChannel2FrameAsksCurvilabForTheFocus) {
    std::wstring log = TempFolder(L"vexor-e2e-use") + L"curvilab.log";
    DeleteFileW(log.c_str());
    FakeCurvilabProcess curvilab(L"--semaphore --log \"" + log + L"\"");
    Start();
    auto press = [&](POINT at, bool release) {
        PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        if (release) PostMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        PumpUntil([] { return false; }, 1500);
    };
    RECT label = UiDriver::Control(main, idLabel2).Bounds;
    press({(label.left + label.right) / 2, (label.top + label.bottom) / 2}, true);
    RECT box = UiDriver::Control(main, idGroupBoxCH2).Bounds;
    POINT frame{box.left + 3, (box.top + box.bottom) / 2};
    press(frame, false); // a press alone
    EXPECT_EQ(FileText(log).find("FOCUS()"), std::string::npos);
    press(frame, true);
    EXPECT_TRUE(
        PumpUntil([&] { return FileText(log).find("FOCUS()") != std::string::npos; }, 20000));
}

TEST_F(Use, AnUnknownMacroOfTenThousandBytesShowsItsFirst255) {
    Start();
    std::string line = "X" + std::string(9999, 'y');
    FakeCurvilabProcess sender(L"--send vexor " + Wide(line));
    HWND error = UiDriver::WaitForMessageBox("Erreur", 15000);
    ASSERT_TRUE(error);
    EXPECT_EQ(UiDriver::MessageBoxText(error), "Fonction inconnue : " + line.substr(0, 255));
    UiDriver::ClickButton(error, "OK");
    EXPECT_EQ(sender.Wait(30000), 0u);
}

// Folders named in other alphabets than the program's own text: the user's application-data
// folder, the folder a file is saved in, the folder Curvilab is installed in.
TEST_F(Use, FoldersNamedInOtherAlphabetsWork) {
    std::wstring base = TempFolder(L"vexor-e2e-\u0141\u00f3d\u017a");
    std::wstring appData = base + L"\u041a\u0438\u0457\u0432";
    CreateDirectoryW(appData.c_str(), nullptr);
    HKEY folders = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER,
                            L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell "
                            L"Folders",
                            0, KEY_ALL_ACCESS, &folders),
              ERROR_SUCCESS);
    wchar_t saved[MAX_PATH] = {};
    DWORD size = sizeof saved;
    RegQueryValueExW(folders, L"AppData", nullptr, nullptr, reinterpret_cast<BYTE*>(saved), &size);
    RegSetValueExW(folders, L"AppData", 0, REG_SZ, reinterpret_cast<const BYTE*>(appData.c_str()),
                   DWORD((appData.size() + 1) * sizeof(wchar_t)));
    std::wstring settings = appData + L"\\Curvilab\\vexor.ini";
    {
        StartAndRead();
        std::wstring file = base + L"\u0150sz.cv3";
        DeleteFileW(file.c_str());
        UiDriver::Click(main, idFileSaveBtn);
        HWND dialog = UiDriver::WaitForWindow(Cp1252("Sauvegarde données"), 15000);
        ASSERT_TRUE(dialog);
        UiDriver::SaveAs(dialog, file);
        EXPECT_TRUE(PumpUntil(
            [&] { return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000));
        EXPECT_FALSE(UiDriver::WaitForMessageBox("Erreur", 500));
        EXPECT_EQ(vexor->Close(main), 0u);
        main = nullptr;
    }
    RegSetValueExW(folders, L"AppData", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(saved),
                   DWORD((wcslen(saved) + 1) * sizeof(wchar_t)));
    RegCloseKey(folders);
    EXPECT_NE(GetFileAttributesW(settings.c_str()), INVALID_FILE_ATTRIBUTES); // the port was kept
    DeleteFileW(settings.c_str());
}
