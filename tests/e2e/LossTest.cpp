// The USB adapter pulled out and plugged back: the program never freezes, says what happened,
// and finds the instrument again without a restart.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/ProcessFigures.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"

namespace {

class Loss : public ProgramTest {
protected:
    int Gauge() {
        DWORD_PTR position = 0;
        SendMessageTimeoutW(UiDriver::Control(main, idGaugeData).Window, PBM_GETPOS, 0, 0,
                            SMTO_NORMAL, 5000, &position);
        return int(position);
    }

    // Closes the program; how long it took.
    ULONGLONG TimedClose() {
        ULONGLONG start = GetTickCount64();
        EXPECT_EQ(Close(), 0u);
        return GetTickCount64() - start;
    }
};

} // namespace

TEST_F(Loss, AnAdapterPulledDuringAReadEndsItAsAPortErrorAtOnce) {
    ASSERT_TRUE(Start());
    AnswerWatch watch(main, 20);
    UiDriver::Click(main, idEnregistreBtn);
    ASSERT_TRUE(PumpUntil([&] { return Gauge() > 0; }, 15000));
    ULONGLONG pulled = GetTickCount64();
    SimControl("unplug");
    UiDriver::WaitForMessageBox("Scoptera", 20000);
    ULONGLONG told = GetTickCount64() - pulled;
    EXPECT_EQ(AnswerBox("Scoptera"), Cp1252("Problème voie série"));
    ULONGLONG stall = watch.Stop();
    EXPECT_FALSE(UiDriver::Control(main, idEnregistreBtn).Visible); // no instrument now
    EXPECT_FALSE(HoldsAcquisition());
    EXPECT_TRUE(AboutBoxOpensAndCloses(main));
    ULONGLONG close = TimedClose();
    std::printf("[ figure ] loss told after %llu ms, longest wait for the window %llu ms, "
                "close %llu ms\n",
                told, stall, close);
    EXPECT_LT(told, 3000u);  // the read does not wait out its 8 seconds
    EXPECT_LT(stall, 2000u); // no freeze
    EXPECT_LT(close, 2000u);
}

TEST_F(Loss, APluggedBackAdapterIsFoundAgainWithoutARestart) {
    ASSERT_TRUE(Start());
    SimControl("unplug");
    SimControl("replug");
    UiDriver::Click(main, idSetBtn);
    HWND dialog = UiDriver::WaitForWindow("Configuration du port RS232", 15000);
    ASSERT_TRUE(dialog);
    ULONGLONG start = GetTickCount64();
    int identifications = SimReceivedCount("ID?\r\n");
    UiDriver::ClickButton(dialog, "OK");
    ASSERT_TRUE(PumpUntil(
        [&] {
            return SimReceivedCount("ID?\r\n") > identifications &&
                   UiDriver::Control(main, idEnregistreBtn).Visible &&
                   UiDriver::Text(main) == "Lecture oscillo Hameg : HM305" &&
                   !UiDriver::WaitForMessageBox("", 0);
        },
        20000));
    std::printf("[ figure ] identified again %llu ms after OK\n", GetTickCount64() - start);
    ASSERT_TRUE(Read());
    RowCheck check =
        CheckRows(CopiedAcquisition(main), SimFile("image-1.bin"), SimFile("image-2.bin"), 0, 2);
    EXPECT_EQ(check.Problem, "");
    EXPECT_EQ(check.Mismatched, 0);
    EXPECT_EQ(check.Compared, 4096);
}

// The device lost while no read runs: the port's four workers end on the loss, unseen by the
// user; the close then does not wait for them.
TEST_F(Loss, ClosingAfterAnUnnoticedLossIsQuick) {
    ASSERT_TRUE(Start());
    int threads = ThreadCount(vexor->Id());
    SimControl("unplug");
    ASSERT_TRUE(PumpUntil([&] { return ThreadCount(vexor->Id()) <= threads - 4; }, 10000))
        << ThreadCount(vexor->Id()) << " threads, " << threads << " before the loss";
    ULONGLONG close = TimedClose();
    std::printf("[ figure ] close after the loss %llu ms\n", close);
    EXPECT_LT(close, 2000u);
}
