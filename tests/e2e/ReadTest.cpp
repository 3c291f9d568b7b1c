// A read from the simulator through the real window, checked sample by sample on the clipboard.
#include <windows.h>

#include <commctrl.h>
#include <cstring>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "common/NumberText.h"
#include "common/Text1252.h"
#include "tests/e2e/VexorProcess.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/SystemSettings.h"

namespace {

const std::string kZeroPrompt =
    Cp1252("Mettre les voies à GD, faire une acquisition\r\nSi \"Annuler\" zéro au centre");

class Read : public ::testing::Test {
protected:
    void SetUp() override {
        if (SimCom() == 0) GTEST_SKIP() << "run through tests/serial/with-sim";
        SetDecimalSeparator(LocaleDecimalSeparator()); // as the program reads it
        ForgetCurvilab();
    }

    // Starts the program against the simulator set up by `commands`.
    HWND Start(std::initializer_list<std::string> commands,
               const std::string& title = "Lecture oscillo Hameg") {
        Launch(commands);
        main = vexor->WaitForMainWindow(title, 15000);
        return main;
    }

    // Sets the simulator up and starts the program on its port, without waiting for a window.
    void Launch(std::initializer_list<std::string> commands) {
        for (const auto& command : commands) SimControl(command);
        PumpUntil([] { return false; }, 100);
        WriteSettings(std::to_string(SimCom()));
        vexor = std::make_unique<VexorProcess>();
    }

    // Clicks the read button and answers the zero prompt; the box's text, or "" if none came.
    std::string ReadWithZero(const char* answer, DWORD promptWaitMs = 15000) {
        UiDriver::Click(main, idEnregistreBtn);
        HWND box = UiDriver::WaitForMessageBox("Information", promptWaitMs);
        if (!box) return {};
        std::string text = UiDriver::MessageBoxText(box);
        UiDriver::ClickButton(box, answer);
        UiDriver::WaitUntilGone(box, 3000);
        return text;
    }

    // The identification's failure: the notice at activation, the port dialog (cancelled), and
    // the notice again for the same port.
    void ExpectNoticeAroundThePortDialog(const std::string& text) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            HWND notice = UiDriver::WaitForMessageBox("Scoptera", 15000);
            ASSERT_TRUE(notice) << attempt;
            EXPECT_EQ(UiDriver::MessageBoxText(notice), text);
            UiDriver::ClickButton(notice, "OK");
            UiDriver::WaitUntilGone(notice, 3000);
            if (attempt == 0) {
                HWND portDialog = UiDriver::WaitForWindow("Configuration du port RS232", 15000);
                ASSERT_TRUE(portDialog);
                UiDriver::ClickButton(portDialog, "Annuler");
            }
        }
    }

    bool WaitUntilIdle(DWORD ms = 20000) {
        return PumpUntil([&] { return UiDriver::Control(main, idEnregistreBtn).Visible; }, int(ms));
    }

    // A read the program was just asked for: it has asked the simulator for an image (one more
    // than `imagesBefore`), then it ends.
    bool WaitForTheRead(int imagesBefore) {
        return PumpUntil([&] { return SimImagesSent() > imagesBefore; }, 15000) && WaitUntilIdle();
    }

    bool HandOffVisible() { return UiDriver::Control(main, idClipSaveBtn).Visible; }

    // The clipboard's rows against the images the simulator sent (0.2 V per division).
    void ExpectRowsMatch(const std::vector<uint8_t>& image, const std::vector<uint8_t>& zero,
                         int header, int channels, float sensitivity1 = 0.2f,
                         float sensitivity2 = 0.2f, float timeStep = 2.5e-5f) {
        std::string text = CopiedAcquisition(main);
        if (HWND box = UiDriver::WaitForMessageBox("", 100))
            ADD_FAILURE() << UiDriver::MessageBoxText(box);
        ASSERT_FALSE(text.empty());
        RowCheck check =
            CheckRows(text, image, zero, header, channels, sensitivity1, sensitivity2, timeStep);
        EXPECT_EQ(check.Problem, "");
        EXPECT_EQ(check.Compared, 2048 * channels);
        EXPECT_EQ(check.Mismatched, 0);
        std::printf("[ figure ] %d samples compared, %d mismatched\n", check.Compared,
                    check.Mismatched);
    }

    std::unique_ptr<VexorProcess> vexor;
    HWND main = nullptr;
};

} // namespace

TEST_F(Read, AFullHm305ReadWithTheZeroArrivesSampleBySample) {
    ASSERT_TRUE(Start({"speed 10", "ground-offset 3", "ground-noise 2"}));
    EXPECT_EQ(ReadWithZero("OK"), kZeroPrompt);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_TRUE(HandOffVisible());
    auto image = SimFile("image-1.bin"), zero = SimFile("image-2.bin");
    ASSERT_EQ(image.size(), 4096u);
    ASSERT_EQ(zero.size(), 4096u);
    ExpectRowsMatch(image, zero, 0, 2);
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, CancelAtTheZeroPromptPutsTheZeroOnTheCentreLine) {
    ASSERT_TRUE(Start({"speed 10"}));
    EXPECT_EQ(ReadWithZero("Annuler"), kZeroPrompt);
    ASSERT_TRUE(WaitUntilIdle());
    ExpectRowsMatch(SimFile("image-1.bin"), {}, 0, 2);
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, AnHm408TakesItsSettingsFromTheHeaderAndHidesTheSelectors) {
    ASSERT_TRUE(Start({"model hm408", "speed 10", "settings CH1=500mV CH2=2V TB=2us"},
                      "Lecture oscillo Hameg : HM408"));
    ReadWithZero("OK");
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(UiDriver::Control(main, idGammeEditCH1).Text, "500mV/div");
    EXPECT_EQ(UiDriver::Control(main, idGammeEditCH2).Text, "2V/div");
    EXPECT_EQ(UiDriver::Control(main, idBaseDeTempsEdit).Text, Cp1252("2µs/div"));
    for (int id : {idBaseDeTempsScroll, idGammeCH1, idGammeCH2})
        EXPECT_FALSE(UiDriver::Control(main, id).Visible) << id;
    EXPECT_TRUE(HandOffVisible());
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, EmptyMemoryIsReportedOnceAndNothingIsHeld) {
    ASSERT_TRUE(Start({"speed 10", "empty"}));
    UiDriver::Click(main, idEnregistreBtn);
    HWND box = UiDriver::WaitForMessageBox("Scoptera", 15000);
    ASSERT_TRUE(box);
    EXPECT_EQ(UiDriver::MessageBoxText(box), "Appuyer sur le bouton STOR.");
    UiDriver::ClickButton(box, "OK");
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_FALSE(UiDriver::WaitForMessageBox("", 500)); // once, and no zero prompt
    EXPECT_FALSE(HandOffVisible());
    EXPECT_EQ(SimFile("image-2.bin").size(), 0u); // no zero read
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, ExactlyHalfAnImageIsOneChannelAndOneByteLessFails) {
    ASSERT_TRUE(Start({"speed 20", "truncate 2048"}));
    EXPECT_EQ(ReadWithZero("Annuler", 20000), kZeroPrompt); // after the 8-second limit
    ASSERT_TRUE(WaitUntilIdle());
    ExpectRowsMatch(SimFile("image-1.bin"), {}, 0, 1);

    SimControl("truncate 2047");
    int images = SimImagesSent();
    UiDriver::Click(main, idEnregistreBtn);
    HWND confirm = UiDriver::WaitForMessageBox("Confirmation", 15000); // an acquisition is held
    ASSERT_TRUE(confirm);
    EXPECT_EQ(UiDriver::MessageBoxText(confirm), Cp1252("Perte des données courantes"));
    UiDriver::ClickButton(confirm, "&Oui");
    ASSERT_TRUE(WaitForTheRead(images));
    EXPECT_FALSE(UiDriver::WaitForMessageBox("", 300)); // no message
    EXPECT_FALSE(HandOffVisible());
    EXPECT_EQ(SendMessageW(UiDriver::Control(main, idGaugeData).Window, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, ImagesCutBelowHalfGiveNothingAndAboveHalfOneChannel) {
    ASSERT_TRUE(Start({"speed 20"}));
    for (const char* cut : {"truncate 0", "truncate 1"}) {
        SimControl(cut);
        int images = SimImagesSent();
        UiDriver::Click(main, idEnregistreBtn);
        ASSERT_TRUE(WaitForTheRead(images)) << cut; // after the 8-second limit
        EXPECT_FALSE(UiDriver::WaitForMessageBox("", 300)) << cut;
        EXPECT_FALSE(HandOffVisible()) << cut;
    }
    // The images alternate: the failed reads took the signal and the zero, the third is a signal.
    SimControl("truncate 4095");
    EXPECT_EQ(ReadWithZero("Annuler", 20000), kZeroPrompt);
    ASSERT_TRUE(WaitUntilIdle());
    ASSERT_EQ(SimFile("image-3.bin").size(), 4095u);
    ExpectRowsMatch(SimFile("image-3.bin"), {}, 0, 1);
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, AStallWithinTheLimitLosesNothingAndOneBeyondItFailsTheRead) {
    ASSERT_TRUE(Start({"speed 20", "stall-after 1000", "stall-ms 3000"}));
    EXPECT_EQ(ReadWithZero("OK"), kZeroPrompt);
    ASSERT_TRUE(WaitUntilIdle());
    ExpectRowsMatch(SimFile("image-1.bin"), SimFile("image-2.bin"), 0, 2);

    SimControl("stall-ms 10000");
    int images = SimImagesSent();
    UiDriver::Click(main, idEnregistreBtn);
    HWND confirm = UiDriver::WaitForMessageBox("Confirmation", 15000);
    ASSERT_TRUE(confirm);
    UiDriver::ClickButton(confirm, "&Oui");
    ASSERT_TRUE(WaitForTheRead(images));
    EXPECT_FALSE(UiDriver::WaitForMessageBox("", 300));
    EXPECT_FALSE(HandOffVisible());
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, BytesAfterTheImageDoNotShiftTheZero) {
    ASSERT_TRUE(Start({"speed 10", "extra 100", "ground-offset 4", "ground-noise 3"}));
    EXPECT_EQ(ReadWithZero("OK"), kZeroPrompt);
    ASSERT_TRUE(WaitUntilIdle());
    ExpectRowsMatch(SimFile("image-1.bin"), SimFile("image-2.bin"), 0, 2);
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, AnotherInstrumentOnThePortIsNotTakenForAnOscilloscope) {
    Launch({"id MODEM 56K"});
    HWND notice = UiDriver::WaitForMessageBox("Scoptera", 15000);
    ASSERT_TRUE(notice);
    EXPECT_EQ(UiDriver::MessageBoxText(notice),
              Cp1252("Oscillo non branché sur COM") + std::to_string(SimCom()));
    UiDriver::ClickButton(notice, "OK");
    HWND portDialog = UiDriver::WaitForWindow("Configuration du port RS232", 15000);
    ASSERT_TRUE(portDialog);
    SimControl("id HM305"); // the oscilloscope plugged in meanwhile
    UiDriver::ClickButton(portDialog, "OK");
    main = vexor->WaitForMainWindow("Lecture oscillo Hameg : HM305", 15000);
    ASSERT_TRUE(main);
    EXPECT_TRUE(UiDriver::Control(main, idEnregistreBtn).Visible);
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, AnsweringNoToTheLossOfTheDataKeepsIt) {
    ASSERT_TRUE(Start({"speed 10"}));
    ReadWithZero("Annuler");
    ASSERT_TRUE(WaitUntilIdle());
    UiDriver::Click(main, idEnregistreBtn);
    HWND confirm = UiDriver::WaitForMessageBox("Confirmation", 15000);
    ASSERT_TRUE(confirm);
    UiDriver::ClickButton(confirm, "&Non");
    UiDriver::WaitUntilGone(confirm, 3000);
    PumpUntil([] { return false; }, 500);
    EXPECT_TRUE(HandOffVisible());
    EXPECT_EQ(SimFile("image-2.bin").size(), 0u); // no second read
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, ClosingTheWindowDuringAReadEndsTheProgramCleanly) {
    ASSERT_TRUE(Start({}));
    UiDriver::Click(main, idEnregistreBtn);
    ASSERT_TRUE(PumpUntil([] { return SimImagesSent() == 1; }, 15000)); // the read is on
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, ARequestDuringAReadIsMergedIntoIt) {
    ASSERT_TRUE(Start({"speed 4"}));
    UiDriver::Click(main, idEnregistreBtn);
    ASSERT_TRUE(PumpUntil([] { return SimImagesSent() == 1; }, 15000)); // the read is on
    for (int i = 0; i < 5; ++i) PostMessageW(main, WM_USER, 0, 0);
    HWND box = UiDriver::WaitForMessageBox("Information", 15000);
    ASSERT_TRUE(box);
    UiDriver::ClickButton(box, "Annuler");
    // The read pushes its result once; no Curvilab is installed here.
    HWND notice = UiDriver::WaitForMessageBox("Scoptera", 20000);
    ASSERT_TRUE(notice);
    EXPECT_EQ(UiDriver::MessageBoxText(notice), "Impossible de lancer Curvilab");
    UiDriver::ClickButton(notice, "OK");
    UiDriver::WaitUntilGone(notice, 3000);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_FALSE(UiDriver::WaitForMessageBox("", 300)); // no second read asking for the zero
    EXPECT_EQ(SimImagesSent(), 1);                      // and no second image requested
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, TheInstrumentHangingUpMidReadIsAPortErrorAndLeavesTheProgramWorking) {
    ASSERT_TRUE(Start({"speed 20", "hangup-after 1000"}));
    UiDriver::Click(main, idEnregistreBtn);
    HWND notice = UiDriver::WaitForMessageBox("Scoptera", 15000);
    ASSERT_TRUE(notice);
    EXPECT_EQ(UiDriver::MessageBoxText(notice), Cp1252("Problème voie série"));
    UiDriver::ClickButton(notice, "OK");
    UiDriver::WaitUntilGone(notice, 15000);
    EXPECT_FALSE(UiDriver::Control(main, idEnregistreBtn).Visible); // no instrument now
    EXPECT_FALSE(HandOffVisible());
    EXPECT_TRUE(AboutBoxOpensAndCloses(main)); // still answering
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, GarbageBeforeTheIdentityLineStillIdentifies) {
    EXPECT_TRUE(Start({"garbage 20"}, "Lecture oscillo Hameg : "));
    EXPECT_NE(UiDriver::Text(main).find("HM305"), std::string::npos);
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, HoldNotPressedIsReportedAndTheDataStayValid) {
    ASSERT_TRUE(Start({"model hm408", "speed 10", "hold-up"}, "Lecture oscillo Hameg : HM408"));
    UiDriver::Click(main, idEnregistreBtn);
    HWND notice = UiDriver::WaitForMessageBox("Scoptera", 15000);
    ASSERT_TRUE(notice);
    EXPECT_EQ(UiDriver::MessageBoxText(notice), "Appuyez sur le bouton HOLD et recommencez");
    UiDriver::ClickButton(notice, "OK");
    HWND prompt = UiDriver::WaitForMessageBox("Information", 15000); // the sequence goes on
    ASSERT_TRUE(prompt);
    UiDriver::ClickButton(prompt, "Annuler");
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_TRUE(HandOffVisible());
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, AnHm408ZeroTakenWithHoldUpIsDiscarded) {
    ASSERT_TRUE(Start({"model hm408", "speed 10", "zero-hold-up", "ground-offset 5"},
                      "Lecture oscillo Hameg : HM408"));
    EXPECT_EQ(ReadWithZero("OK"), kZeroPrompt);
    ASSERT_TRUE(WaitUntilIdle());
    ASSERT_EQ(SimFile("image-2.bin").size(), 4352u);                        // the zero was read ...
    ExpectRowsMatch(SimFile("image-1.bin"), {}, 256, 2, 0.5f, 2.0f, 1e-8f); // ... and dropped
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, NoInstrumentOnThePortIsReportedAndThePortOfferedAgain) {
    Launch({"no-answer"});
    std::string expected = Cp1252("Oscillo non branché sur COM") + std::to_string(SimCom());
    ExpectNoticeAroundThePortDialog(expected);
    ASSERT_FALSE(HasFatalFailure());
    main = vexor->WaitForMainWindow(expected, 15000);
    ASSERT_TRUE(main);
    EXPECT_FALSE(UiDriver::Control(main, idEnregistreBtn).Visible);
    for (int id : {idSetBtn, idCloseBtn, idAideBtn})
        EXPECT_TRUE(UiDriver::Control(main, id).Visible);
    EXPECT_EQ(vexor->Close(main), 0u);
}

TEST_F(Read, APortThatCannotOpenIsReportedAndAReadRequestThenFailsInTheErrorBox) {
    WriteSettings("40");
    vexor = std::make_unique<VexorProcess>();
    ExpectNoticeAroundThePortDialog(Cp1252("Problème voie série"));
    ASSERT_FALSE(HasFatalFailure());
    main = vexor->WaitForMainWindow("Acquisition avec oscillo Hameg 305", 15000);
    ASSERT_TRUE(main);
    PostMessageW(main, WM_USER, 0, 0); // Curvilab's GETDATA with the port closed
    HWND error = UiDriver::WaitForMessageBox("Erreur", 15000);
    ASSERT_TRUE(error);
    EXPECT_EQ(UiDriver::MessageBoxText(error), "ie_NOpen - device not open");
    UiDriver::ClickButton(error, "OK");
    UiDriver::WaitUntilGone(error, 3000);
    EXPECT_EQ(vexor->Close(main), 0u); // still working
}
