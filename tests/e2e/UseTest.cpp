// What a teacher does to the program in a real lab: closing it in the middle of a wait, quitting
// with data, the clipboard held elsewhere, the page dialog open while Curvilab speaks, the mouse
// over the window during a read, folders named in other alphabets.
#include <windows.h>

#include <functional>
#include <gtest/gtest.h>
#include <shlobj.h>

#include "app/ControlIds.h"
#include "app/Preview.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/Wide.h"

namespace {

class Use : public ProgramTest {
protected:
    // WM_CLOSE to the main window, nothing answered on the way: the program ends at once, with
    // code 0.
    void ExpectClosedQuickly(const std::string& during) {
        ULONGLONG start = GetTickCount64();
        PostMessageW(main, WM_CLOSE, 0, 0);
        DWORD code = vexor->WaitForExit(20000);
        ULONGLONG ms = GetTickCount64() - start;
        main = nullptr;
        std::printf("[ figure ] closed during %s: ended after %llu ms\n", during.c_str(), ms);
        EXPECT_EQ(code, 0u) << during;
        EXPECT_LT(ms, 1000u) << during;
    }
};

std::wstring TempFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// Another program holding the clipboard through a window of its own: under Wine a clipboard
// opened without one does not keep others out.
class ClipboardHolder {
public:
    ClipboardHolder()
        : window_(CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr)),
          holds_(OpenClipboard(window_)) {}
    ~ClipboardHolder() { Release(); }
    bool Holds() const { return holds_; }
    void Release() {
        if (std::exchange(holds_, false)) CloseClipboard();
        if (window_) DestroyWindow(std::exchange(window_, nullptr));
    }

private:
    HWND window_;
    bool holds_;
};

} // namespace

// The zero prompt open, then a read under way (at the line's own pace).
TEST_F(Use, ClosingDuringAReadOrAtTheZeroPromptEndsTheProgramAtOnce) {
    ASSERT_TRUE(Start());
    UiDriver::Click(main, idEnregistreBtn);
    ASSERT_TRUE(UiDriver::WaitForMessageBox("Information", 15000));
    ExpectClosedQuickly("the zero prompt");
    ASSERT_TRUE(Start({"speed 1"}));
    UiDriver::Click(main, idEnregistreBtn);
    ASSERT_TRUE(PumpUntil([] { return SimImagesSent() == 2; }, 15000));
    ExpectClosedQuickly("a read");
}

// A Curvilab slow to start: the send launches it and waits, then connects. The window is closed
// at each step the stand-in logs: at once, once it runs, once its service is up, once the macro
// came.
TEST_F(Use, ClosingWhileCurvilabIsAwaitedEndsTheProgramAtOnce) {
    RegisterCurvilab(L"--slow 1200");
    for (const char* step : {"", "LAUNCHED", "STARTED", "EXECUTE CLIP|"}) {
        DeleteFileW(CurvilabLog.c_str());
        ASSERT_TRUE(Start() && Read()) << step;
        ASSERT_TRUE(SendThroughThePageDialog()) << step;
        if (*step) {
            ASSERT_TRUE(CurvilabLogReaches(step)) << step;
        }
        ExpectClosedQuickly(std::string("the wait for Curvilab, after \"") + step + "\"");
        EndStandIns();
    }
}

TEST_F(Use, ACurvilabThatQuitIsLaunchedAgainOnTheNextSend) {
    // Each launch guards its single instance with the semaphore, then quits by itself.
    RegisterCurvilab(L"--guard --quit-after 6000");
    ASSERT_TRUE(Start() && Read());
    // Every send reaches a Curvilab of its own: none is told "Impossible de lancer Curvilab".
    for (int round = 1; round <= 3; ++round) {
        ASSERT_TRUE(SendThroughThePageDialog()) << round;
        EXPECT_TRUE(CurvilabLogReaches("EXECUTE CLIP|", round)) << round;
        EXPECT_TRUE(CurvilabLogReaches("ENDED", round)) << round;
    }
    EXPECT_EQ(CurvilabLogCount("LAUNCHED"), 3);
    EXPECT_EQ(CurvilabLogCount("REFUSED"), 0);
}

TEST_F(Use, DuringASendAGetDataWaitsForItsEndAndASecondSendIsRefused) {
    // Slow to start: the send waits for it about three seconds, serving messages.
    RegisterCurvilab(L"--semaphore --slow 2500");
    ASSERT_TRUE(Start() && Read());
    ASSERT_TRUE(SendThroughThePageDialog());
    // A second send is refused: the about box, allowed during a send and clicked after it, opens
    // while the page dialog has not (were the send taken, its dialog would refuse the about box).
    UiDriver::Click(main, idSendToCurvilabBtn);
    EXPECT_TRUE(AboutBoxOpensAndCloses(main));
    EXPECT_FALSE(UiDriver::WaitForWindow("Renseignements sur la page courante", 0));
    EXPECT_EQ(SendToProgram("GETDATA")->Wait(30000), 0u); // acknowledged at once, run later
    // The read Curvilab asked for starts once the send has ended.
    HWND question = UiDriver::WaitForMessageBox("Confirmation", 20000);
    ASSERT_TRUE(question);
    EXPECT_EQ(CurvilabLogCount("EXECUTE CLIP|LOAD"), 1);
    ASSERT_TRUE(AnswerLossAndZero(true));
    EXPECT_TRUE(CurvilabLogReaches("EXECUTE CLIP|ADD"));
    EXPECT_EQ(CurvilabLogCount("EXECUTE CLIP|LOAD"), 1);
}

TEST_F(Use, AFailedSaveOnQuittingKeepsTheProgramAndItsData) {
    ASSERT_TRUE(Start() && Read());
    std::wstring path = TempFolder(L"vexor-e2e-quit") + L"read-only.cv3";
    DeleteFileW(path.c_str());
    CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_READONLY, nullptr));
    UiDriver::Click(main, idCloseBtn);
    EXPECT_EQ(AnswerBox("Confirmation", "&Oui"), "Sauvegarde");
    HWND dialog = UiDriver::WaitForWindow(Cp1252("Sauvegarde données"), 15000);
    ASSERT_TRUE(dialog);
    UiDriver::SaveAs(dialog, path);
    EXPECT_EQ(AnswerBox("Erreur"), Cp1252("Accès au fichier refusé"));
    // Still open, with its acquisition: a quitting program would refuse the about box.
    EXPECT_TRUE(AboutBoxOpensAndCloses(main));
    EXPECT_EQ(vexor->WaitForExit(0), DWORD(STILL_ACTIVE));
    EXPECT_TRUE(HoldsAcquisition());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());

    // Answering Non quits.
    UiDriver::Click(main, idCloseBtn);
    EXPECT_EQ(AnswerBox("Confirmation", "&Non"), "Sauvegarde");
    EXPECT_EQ(vexor->WaitForExit(15000), 0u);
    main = nullptr;
}

// The copy is refused with its message; the send too, and Curvilab gets no macro: the macros of
// the next send, the clipboard free, are the first it logs. That send still loads a new file.
TEST_F(Use, AClipboardHeldElsewhereIsReportedAndCurvilabSentNothing) {
    auto curvilab = RunCurvilab(L"--semaphore");
    ASSERT_TRUE(Start() && Read("Annuler"));
    const std::string busy = Cp1252("Le presse-papier est occupé par un autre programme : "
                                    "l'acquisition n'a pas été copiée.");
    ClipboardHolder holder;
    ASSERT_TRUE(holder.Holds());
    UiDriver::Click(main, idClipSaveBtn);
    ASSERT_TRUE(UiDriver::WaitForMessageBox("Erreur", 15000));
    holder.Release();
    EXPECT_EQ(AnswerBox("Erreur"), busy);
    EXPECT_NE(CopiedAcquisition(main).find("t\tV1\tV2\r\n"), std::string::npos); // released

    ClipboardHolder again;
    ASSERT_TRUE(again.Holds());
    ASSERT_TRUE(SendThroughThePageDialog());
    ASSERT_TRUE(UiDriver::WaitForMessageBox("Erreur", 15000));
    again.Release();
    EXPECT_EQ(AnswerBox("Erreur"), busy);
    ASSERT_TRUE(SendThroughThePageDialog());
    EXPECT_TRUE(CurvilabLogReaches("EXECUTE CLIP|LOAD"));
    EXPECT_EQ(CurvilabLogCount("EXECUTE"), 1);
}

// FOCUS while the page dialog is open: refused with its message (the dialog keeps the focus),
// yet the dialog shows "Nouveau fichier" at once, and its OK loads a new file.
TEST_F(Use, AFocusFromCurvilabShowsInTheOpenPageDialogAndItsOkKeepsIt) {
    auto curvilab = RunCurvilab(L"--semaphore");
    ASSERT_TRUE(Start() && Read());
    ASSERT_TRUE(SendThroughThePageDialog()); // the first send: "Nouvelle page" from now on
    ASSERT_TRUE(CurvilabLogReaches("CLIP|LOAD"));
    HWND dialog = OpenPageDialog();
    ASSERT_TRUE(dialog);
    auto checked = [&](const char* caption) {
        for (const auto& control : UiDriver::Controls(dialog))
            if (control.Text == caption)
                return SendMessageW(control.Window, BM_GETCHECK, 0, 0) == BST_CHECKED;
        return false;
    };
    EXPECT_TRUE(checked("Nouvelle page"));
    auto focus = SendToProgram("FOCUS");
    EXPECT_EQ(AnswerBox("Erreur"), Cp1252("Syntaxe Macro DDE : Fonction(Paramètre)"));
    EXPECT_EQ(focus->Wait(30000), 0u);
    EXPECT_TRUE(PumpUntil([&] { return checked("Nouveau fichier"); }, 5000));
    UiDriver::ClickButton(dialog, "OK");
    EXPECT_TRUE(CurvilabLogReaches("CLIP|LOAD", 2));
    EXPECT_EQ(CurvilabLogCount("CLIP|ADD"), 0);
}

// The read's status stays while the mouse moves over the hidden read button; another control's
// hint takes the bar.
TEST_F(Use, TheReadsStatusStaysWhileTheMouseStaysOnTheReadButton) {
    ASSERT_TRUE(Start({"speed 1"}));
    HWND button = UiDriver::Control(main, idEnregistreBtn).Window;
    HWND name = UiDriver::Control(main, idNom1Edit).Window;
    auto bar = [&] { return UiDriver::Control(main, idPanelAide).Text; };
    PostMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(PumpUntil([&] { return bar().find("Lance") == 0; }, 15000));
    UiDriver::Click(main, idEnregistreBtn);
    ASSERT_TRUE(PumpUntil([] { return SimImagesSent() == 1; }, 15000));
    PostMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(6, 5)); // as the system does when it hides
    // A character typed into a name after the move: once it shows, the move has been handled.
    PostMessageW(name, WM_CHAR, 'z', 0);
    ASSERT_TRUE(
        PumpUntil([&] { return UiDriver::Text(name).find('z') != std::string::npos; }, 15000));
    EXPECT_EQ(bar(), "La lecture prend quatre secondes");
    PostMessageW(UiDriver::Control(main, idSetBtn).Window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(
        PumpUntil([&] { return bar() == Cp1252("Configuration de la voie série"); }, 15000));
}

// A click on the channel 2 label and a press alone on the frame send nothing: the clipboard's
// macro sent after both presses is the first Curvilab logs. Then a click on the frame asks it
// for the focus.
TEST_F(Use, OnlyAClickOnTheChannel2FrameAsksCurvilabForTheFocus) {
    auto curvilab = RunCurvilab(L"--semaphore");
    ASSERT_TRUE(Start() && Read("Annuler"));
    auto press = [&](POINT at, bool release) {
        PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        if (release) PostMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    };
    RECT label = UiDriver::Control(main, idLabel2).Bounds;
    press({(label.left + label.right) / 2, (label.top + label.bottom) / 2}, true);
    RECT box = UiDriver::Control(main, idGroupBoxCH2).Bounds;
    POINT frame{box.left + 3, (box.top + box.bottom) / 2};
    press(frame, false);
    ASSERT_TRUE(SendThroughThePageDialog());
    ASSERT_TRUE(CurvilabLogReaches("EXECUTE CLIP|LOAD"));
    EXPECT_EQ(CurvilabLogCount("EXECUTE"), 1);
    press(frame, true);
    EXPECT_TRUE(CurvilabLogReaches("FOCUS()"));
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
        ASSERT_TRUE(Start() && Read());
        std::wstring file = base + L"\u0150sz.cv3";
        DeleteFileW(file.c_str());
        UiDriver::Click(main, idFileSaveBtn);
        HWND dialog = UiDriver::WaitForWindow(Cp1252("Sauvegarde données"), 15000);
        ASSERT_TRUE(dialog);
        UiDriver::SaveAs(dialog, file);
        EXPECT_TRUE(PumpUntil(
            [&] { return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000));
        // No error box: one open would refuse the about box.
        EXPECT_TRUE(AboutBoxOpensAndCloses(main));
        EXPECT_EQ(Close(), 0u);
    }
    RegSetValueExW(folders, L"AppData", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(saved),
                   DWORD((wcslen(saved) + 1) * sizeof(wchar_t)));
    RegCloseKey(folders);
    EXPECT_NE(GetFileAttributesW(settings.c_str()), INVALID_FILE_ATTRIBUTES); // the port was kept
    DeleteFileW(settings.c_str());
}

// Quitter asks for the save whatever is under way: here with a file dialog of the preview open,
// which goes unanswered as the program ends.
TEST_F(Use, QuitterAsksForTheSaveWithAnotherWindowsDialogOpen) {
    ASSERT_TRUE(Start() && Read());
    UiDriver::Click(main, idPreviewBtn);
    HWND preview = UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 15000);
    ASSERT_TRUE(preview);
    UiDriver::Click(preview, TPreviewForm::idSaveImageBtn);
    ASSERT_TRUE(UiDriver::WaitForWindow("Enregistrer l'image", 15000));
    std::wstring path = TempFilePath(L"vexor-e2e-quitter.cv3");
    UiDriver::Click(main, idCloseBtn);
    EXPECT_EQ(AnswerBox("Confirmation", "&Oui"), "Sauvegarde");
    HWND dialog = UiDriver::WaitForWindow(Cp1252("Sauvegarde données"), 15000);
    ASSERT_TRUE(dialog && UiDriver::SaveAs(dialog, path));
    EXPECT_EQ(vexor->WaitForExit(15000), 0u);
    main = nullptr;
    EXPECT_NE(FileText(path).find("VALEUR VAR"), std::string::npos);
    DeleteFileW(path.c_str());
}
