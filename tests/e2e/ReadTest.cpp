// Reads from the simulator through the real window: the samples on the clipboard, and what the
// window shows when the instrument or the port fails. What a read makes of each image (cut short,
// empty memory, HOLD, an HM 408's zero) is proven against a scripted port and window in
// tests/acquisition/ReadSessionTest.cpp; here only what the real window shows.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"

namespace {

class Read : public ProgramTest {
protected:
    // The clipboard's rows against the images the simulator sent (0.2 V per division).
    void ExpectRowsMatch(const std::vector<uint8_t>& image, const std::vector<uint8_t>& zero,
                         int header = 0, float sensitivity1 = 0.2f, float sensitivity2 = 0.2f,
                         float timeStep = 2.5e-5f) {
        RowCheck check = CheckRows(CopiedAcquisition(main), image, zero, header, 2, sensitivity1,
                                   sensitivity2, timeStep);
        EXPECT_EQ(check.Problem, "");
        EXPECT_EQ(check.Compared, 4096);
        EXPECT_EQ(check.Mismatched, 0);
        std::printf("[ figure ] %d samples compared, %d mismatched\n", check.Compared,
                    check.Mismatched);
    }

    // The identification's failure: the notice at activation, the port dialog (cancelled), and
    // the notice again for the same port.
    void ExpectNoticeAroundThePortDialog(const std::string& text) {
        EXPECT_EQ(AnswerBox("Scoptera"), text);
        HWND portDialog = UiDriver::WaitForWindow("Configuration du port RS232", 15000);
        ASSERT_TRUE(portDialog);
        UiDriver::ClickButton(portDialog, "Annuler");
        EXPECT_EQ(AnswerBox("Scoptera"), text);
    }
};

std::string ImageFile(int n) { return "image-" + std::to_string(n) + ".bin"; }

} // namespace

// Each read's samples against the images the simulator sent: with the zero (the grounded image
// offset and noisy), with bytes after each image, with a pause within the read's limit, and with
// the zero on the centre line ("Annuler").
TEST_F(Read, AFullHm305ReadWithTheZeroArrivesSampleBySample) {
    ASSERT_TRUE(Start({"speed 20", "ground-offset 3", "ground-noise 2"}));
    struct Case {
        const char* Name;
        std::vector<std::string> Commands;
        bool Zero;
    };
    for (const Case& c : {
             Case{"the zero", {}, true},
             Case{"bytes after each image",
                  {"extra 100", "ground-offset 4", "ground-noise 3"},
                  true},
             Case{"a pause within the limit",
                  {"extra 0", "stall-after 1000", "stall-ms 3000"},
                  true},
             Case{"the centre line", {"stall-after -1"}, false},
         }) {
        for (const auto& command : c.Commands) SimControl(command);
        int images = SimImagesSent();
        ASSERT_TRUE(ProgramTest::Read(c.Zero ? "OK" : "Annuler")) << c.Name;
        EXPECT_EQ(ZeroPrompt, Cp1252("Mettre les voies à GD, faire une acquisition\r\nSi "
                                     "\"Annuler\" zéro au centre"));
        ExpectRowsMatch(SimFile(ImageFile(images + 1)),
                        c.Zero ? SimFile(ImageFile(images + 2)) : std::vector<uint8_t>{});
    }
}

// The header's settings in the selectors' boxes and the selectors hidden; HOLD not pressed is
// told and the read goes on; a zero taken with HOLD up is dropped for the centre line.
TEST_F(Read, AnHm408TakesItsSettingsFromTheHeaderAndHidesTheSelectors) {
    ASSERT_TRUE(Start(
        {"model hm408", "speed 10", "settings CH1=500mV CH2=2V TB=2us", "hold-up", "zero-hold-up"},
        "Lecture oscillo Hameg : HM408"));
    UiDriver::Click(main, idEnregistreBtn);
    EXPECT_EQ(AnswerBox("Scoptera"), "Appuyez sur le bouton HOLD et recommencez");
    EXPECT_NE(AnswerBox("Information"), "");
    ASSERT_TRUE(WaitUntilIdle() && HoldsAcquisition());
    EXPECT_EQ(UiDriver::Control(main, idGammeEditCH1).Text, "500mV/div");
    EXPECT_EQ(UiDriver::Control(main, idGammeEditCH2).Text, "2V/div");
    EXPECT_EQ(UiDriver::Control(main, idBaseDeTempsEdit).Text, Cp1252("2µs/div"));
    for (int id : {idBaseDeTempsScroll, idGammeCH1, idGammeCH2})
        EXPECT_FALSE(UiDriver::Control(main, id).Visible) << id;
    ASSERT_EQ(SimFile(ImageFile(2)).size(), 4352u);                     // the zero was read ...
    ExpectRowsMatch(SimFile(ImageFile(1)), {}, 256, 0.5f, 2.0f, 1e-8f); // ... and dropped
}

TEST_F(Read, EmptyMemoryIsReportedAndNothingIsHeld) {
    ASSERT_TRUE(Start({"speed 10", "empty"}));
    UiDriver::Click(main, idEnregistreBtn);
    EXPECT_EQ(AnswerBox("Scoptera"), "Appuyer sur le bouton STOR.");
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_FALSE(HoldsAcquisition());
}

// An image cut short, and one whose pause outlasts the read's limit: the read ends after the
// limit with the gauge back at 0 and nothing held. A box of the read would keep the read button
// hidden until answered.
TEST_F(Read, AnImageThatStopsShortEndsTheReadWithNothingHeld) {
    ASSERT_TRUE(Start({"speed 20"}));
    for (const auto& fault :
         {std::vector<std::string>{"truncate 2047"},
          std::vector<std::string>{"truncate -1", "stall-after 1000", "stall-ms 10000"}}) {
        for (const auto& command : fault) SimControl(command);
        int images = SimImagesSent();
        UiDriver::Click(main, idEnregistreBtn);
        ASSERT_TRUE(PumpUntil([&] { return SimImagesSent() > images; }, 15000)) << fault[0];
        ASSERT_TRUE(WaitUntilIdle()) << fault[0];
        EXPECT_FALSE(HoldsAcquisition()) << fault[0];
        EXPECT_EQ(SendMessageW(UiDriver::Control(main, idGaugeData).Window, PBM_GETPOS, 0, 0), 0);
    }
}

TEST_F(Read, AnotherInstrumentOnThePortIsNotTakenForAnOscilloscope) {
    Launch({"id MODEM 56K"});
    EXPECT_EQ(AnswerBox("Scoptera"),
              Cp1252("Oscillo non branché sur COM") + std::to_string(SimCom()));
    HWND portDialog = UiDriver::WaitForWindow("Configuration du port RS232", 15000);
    ASSERT_TRUE(portDialog);
    SimControl("id HM305"); // the oscilloscope plugged in meanwhile
    UiDriver::ClickButton(portDialog, "OK");
    main = vexor->WaitForMainWindow("Lecture oscillo Hameg : HM305", 15000);
    ASSERT_TRUE(main);
    EXPECT_TRUE(UiDriver::Control(main, idEnregistreBtn).Visible);
}

// "&Non" keeps the acquisition: the copy clicked after the box has gone gives the first read's
// samples, and the simulator was asked for no other image.
TEST_F(Read, AnsweringNoToTheLossOfTheDataKeepsIt) {
    ASSERT_TRUE(Start() && ProgramTest::Read("Annuler"));
    UiDriver::Click(main, idEnregistreBtn);
    EXPECT_EQ(AnswerBox("Confirmation", "&Non"), Cp1252("Perte des données courantes"));
    RowCheck check = CheckRows(CopiedAcquisition(main), SimFile(ImageFile(1)), {}, 0, 2);
    EXPECT_EQ(check.Problem, "");
    EXPECT_EQ(check.Mismatched, 0);
    EXPECT_EQ(SimImagesSent(), 1);
}

TEST_F(Read, GarbageBeforeTheIdentityLineStillIdentifies) {
    ASSERT_TRUE(Start({"garbage 20"}, "Lecture oscillo Hameg : "));
    EXPECT_NE(UiDriver::Text(main).find("HM305"), std::string::npos);
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
}

TEST_F(Read, APortThatCannotOpenIsReportedAndAReadRequestThenFailsInTheErrorBox) {
    WriteSettings("40");
    vexor = std::make_unique<VexorProcess>();
    ExpectNoticeAroundThePortDialog(Cp1252("Problème voie série"));
    ASSERT_FALSE(HasFatalFailure());
    main = vexor->WaitForMainWindow("Acquisition avec oscillo Hameg 305", 15000);
    ASSERT_TRUE(main);
    PostMessageW(main, WM_USER, 0, 0); // Curvilab's GETDATA with the port closed
    EXPECT_EQ(AnswerBox("Erreur"), "ie_NOpen - device not open");
    EXPECT_EQ(Close(), 0u); // still working
}
