// The USB adapter pulled out and plugged back: the program never freezes, says what happened,
// and finds the instrument again without a restart.
#include <windows.h>

#include <atomic>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <thread>

#include "app/ControlIds.h"
#include "common/NumberText.h"
#include "common/Text1252.h"
#include "tests/e2e/VexorProcess.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/SystemSettings.h"

namespace {

class Loss : public ::testing::Test {
protected:
    void SetUp() override {
        if (SimCom() == 0) GTEST_SKIP() << "run through tests/serial/with-sim";
        ForgetCurvilab();
        SetDecimalSeparator(LocaleDecimalSeparator()); // as the program reads it
        WriteSettings(std::to_string(SimCom()));
        vexor = std::make_unique<VexorProcess>();
        main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
        ASSERT_TRUE(main);
    }
    void TearDown() override {
        if (vexor && main) {
            EXPECT_EQ(vexor->Close(main), 0u);
        }
    }

    int Gauge() {
        DWORD_PTR position = 0;
        SendMessageTimeoutW(UiDriver::Control(main, idGaugeData).Window, PBM_GETPOS, 0, 0,
                            SMTO_NORMAL, 5000, &position);
        return int(position);
    }

    // The notice for the lost port, answered; how long after `since` it came.
    ULONGLONG ExpectPortProblem(ULONGLONG since) {
        HWND notice = UiDriver::WaitForMessageBox("Scoptera", 20000);
        ULONGLONG after = GetTickCount64() - since;
        EXPECT_TRUE(notice);
        if (!notice) return after;
        EXPECT_EQ(UiDriver::MessageBoxText(notice), Cp1252("Problème voie série"));
        UiDriver::ClickButton(notice, "OK");
        UiDriver::WaitUntilGone(notice, 15000);
        return after;
    }

    // Closes the program; how long it took.
    ULONGLONG TimedClose() {
        ULONGLONG start = GetTickCount64();
        EXPECT_EQ(vexor->Close(main), 0u);
        main = nullptr;
        return GetTickCount64() - start;
    }

    std::unique_ptr<VexorProcess> vexor;
    HWND main = nullptr;
};

} // namespace

TEST_F(Loss, AnAdapterPulledDuringAReadEndsItAsAPortErrorAtOnce) {
    AnswerWatch watch(main, 20);
    UiDriver::Click(main, idEnregistreBtn);
    ASSERT_TRUE(PumpUntil([&] { return Gauge() > 0; }, 15000));
    ULONGLONG pulled = GetTickCount64();
    SimControl("unplug");
    ULONGLONG told = ExpectPortProblem(pulled);
    ULONGLONG stall = watch.Stop();
    EXPECT_FALSE(UiDriver::Control(main, idEnregistreBtn).Visible); // no instrument now
    EXPECT_FALSE(UiDriver::Control(main, idClipSaveBtn).Visible);
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
    SimControl("unplug");
    SimControl("replug");
    SimControl("speed 10");
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
    ASSERT_TRUE(ReadThroughTheWindow(main));
    auto image = SimFile("image-1.bin"), zero = SimFile("image-2.bin");
    RowCheck check = CheckRows(CopiedAcquisition(main), image, zero, 0, 2);
    EXPECT_EQ(check.Problem, "");
    EXPECT_EQ(check.Mismatched, 0);
    EXPECT_EQ(check.Compared, 4096);
}

TEST_F(Loss, ClosingAfterAnUnnoticedLossIsQuick) {
    SimControl("unplug");
    Sleep(300); // the program's workers find the device gone
    ULONGLONG close = TimedClose();
    std::printf("[ figure ] close after the loss %llu ms\n", close);
    EXPECT_LT(close, 2000u);
}
