// One state for every command: whatever is clicked, asked or closed during a read or a send, the
// program hands out a whole acquisition or none.
#include <windows.h>

#include <commctrl.h>

#include "app/ControlIds.h"
#include "app/Preview.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"

namespace {

using State = ProgramTest;

const char* const kMarker = "texte d'un autre programme";

int GaugePosition(HWND main) {
    DWORD_PTR position = 0;
    SendMessageTimeoutW(GetDlgItem(main, idGaugeData), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000,
                        &position);
    return int(position);
}

// Every command that reads the acquisition or puts something on the clipboard, from the main
// window and from the preview.
void ClickEveryExport(HWND main, HWND preview) {
    for (int id : {idClipSaveBtn, idFileSaveBtn, idSendToCurvilabBtn}) UiDriver::Click(main, id);
    for (int id : {TPreviewForm::idCopyImageBtn, TPreviewForm::idSaveImageBtn})
        UiDriver::Click(preview, id);
}

// None of the exports' dialogs opened.
void ExpectNoExportDialog() {
    for (const char* title :
         {"Sauvegarde données", "Renseignements sur la page courante", "Enregistrer l'image"})
        EXPECT_FALSE(UiDriver::WaitForWindow(Cp1252(title), 0)) << title;
}

bool ClipboardHoldsOnly(const std::string& text) {
    return UiDriver::ClipboardText() == text && !IsClipboardFormatAvailable(CF_DIB);
}

} // namespace

// A second read of another signal, with every export clicked halfway through its image, then a
// send to a Curvilab slow to start, with the clipboard and picture buttons clicked while it is
// awaited: nothing of the first acquisition mixed with the second, nothing but the acquisition
// handed to Curvilab.
TEST_F(State, NoExportSeesAHalfReadAcquisitionOrTakesTheClipboardFromASend) {
    RegisterCurvilab(L"--semaphore --slow 2500");
    ASSERT_TRUE(Start({"speed 2", "ch1 sine:2:3", "ch2 triangle:1.5:4"}));
    ASSERT_TRUE(Read("OK")); // images 1 and 2: the next DIG gets a signal image
    UiDriver::Click(main, idPreviewBtn);
    HWND preview = UiDriver::WaitForWindow(Cp1252("Aperçu"), 15000);
    ASSERT_TRUE(preview);
    SimControl("ch1 square:2:5");
    SimControl("ch2 flat");
    ASSERT_TRUE(PutTextOnClipboardFromElsewhere(kMarker));

    UiDriver::Click(main, idEnregistreBtn);
    HWND confirm = UiDriver::WaitForMessageBox("Confirmation", 15000);
    ASSERT_TRUE(confirm && UiDriver::ClickButton(confirm, "&Oui"));
    ASSERT_TRUE(PumpUntil([&] { return GaugePosition(main) > 1000; }, 15000));
    ClickEveryExport(main, preview);
    HWND prompt = UiDriver::WaitForMessageBox("Information", 15000);
    ASSERT_TRUE(prompt);
    ExpectNoExportDialog();
    EXPECT_TRUE(ClipboardHoldsOnly(kMarker));
    UiDriver::ClickButton(prompt, "Annuler");
    ASSERT_TRUE(WaitUntilIdle() && HoldsAcquisition());
    RowCheck copied = CheckRows(CopiedAcquisition(main), SimFile("image-3.bin"), {}, 0, 2);
    EXPECT_EQ(copied.Problem, "");
    EXPECT_EQ(copied.Mismatched, 0);

    UiDriver::Click(main, idSendToCurvilabBtn);
    HWND page = UiDriver::WaitForWindow("Renseignements sur la page courante", 15000);
    ASSERT_TRUE(page && UiDriver::ClickButton(page, "OK"));
    ASSERT_TRUE(PumpUntil(
        [&] { return UiDriver::Control(main, idPanelAide).Text == Cp1252("Envoi vers Curvilab…"); },
        15000));
    ClickEveryExport(main, preview);
    ASSERT_TRUE(PumpUntil([&] { return CurvilabLogCount("EXECUTE CLIP|LOAD") == 1; }, 20000));
    ExpectNoExportDialog();
    RowCheck sent = CheckRows(CurvilabClipboard(1), SimFile("image-3.bin"), {}, 0, 2);
    EXPECT_EQ(sent.Problem, "");
    EXPECT_EQ(sent.Mismatched, 0);
    EXPECT_TRUE(PumpUntil([&] { return UiDriver::Control(main, idPanelAide).Text.empty(); }, 5000));
}

// The close comes before a request, a read and a copy still queued: the program ends without
// asking anything, reading or copying.
TEST_F(State, TheCloseWinsOverWhatIsStillQueued) {
    ASSERT_TRUE(Start());
    ASSERT_TRUE(Read("Annuler"));
    ASSERT_TRUE(PutTextOnClipboardFromElsewhere(kMarker));
    PostMessageW(main, WM_CLOSE, 0, 0);
    PostMessageW(main, WM_USER, 0, 0);
    UiDriver::Click(main, idEnregistreBtn);
    UiDriver::Click(main, idClipSaveBtn);
    EXPECT_EQ(vexor->WaitForExit(20000), 0u);
    main = nullptr;
    EXPECT_EQ(SimReceivedCount("DIG"), 1);
    EXPECT_TRUE(ClipboardHoldsOnly(kMarker));
}
