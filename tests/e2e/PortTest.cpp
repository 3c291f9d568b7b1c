// Port discovery and choice through the real port dialog.
#include <windows.h>

#include <algorithm>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "common/Text1252.h"
#include "tests/e2e/VexorProcess.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"

namespace {

class PortDialog : public ::testing::Test {
protected:
    void SetUp() override {
        if (SimCom() == 0) GTEST_SKIP() << "run through tests/serial/with-sim";
        ForgetCurvilab();
        WriteSettings(std::to_string(SimCom()));
        vexor = std::make_unique<VexorProcess>();
        main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
        ASSERT_TRUE(main);
    }
    void TearDown() override {
        if (vexor && main) {
            vexor->AnswerBoxes(300);
            EXPECT_EQ(vexor->Close(main), 0u);
        }
    }

    HWND OpenPortDialog() {
        UiDriver::Click(main, idSetBtn);
        return UiDriver::WaitForWindow("Configuration du port RS232", 15000);
    }

    // The radio items: caption and whether it is checked.
    std::vector<std::pair<std::string, bool>> Items(HWND dialog) {
        std::vector<std::pair<std::string, bool>> items;
        for (const auto& c : UiDriver::Controls(dialog))
            if (c.Text.rfind("COM", 0) == 0)
                items.push_back({c.Text, SendMessageW(c.Window, BM_GETCHECK, 0, 0) == BST_CHECKED});
        return items;
    }

    std::string Port(int n) { return "COM" + std::to_string(n); }

    // The identification after the port dialog has asked and found the instrument again.
    bool IdentifiedAgain(int before) {
        return PumpUntil(
            [&] {
                return SimReceivedCount("ID?\r\n") > before &&
                       UiDriver::Text(main) == "Lecture oscillo Hameg : HM305" &&
                       UiDriver::Control(main, idEnregistreBtn).Visible;
            },
            20000);
    }

    std::unique_ptr<VexorProcess> vexor;
    HWND main = nullptr;
};

} // namespace

TEST_F(PortDialog, ListsThePresentPortsWithTheCurrentOneSelected) {
    HWND dialog = OpenPortDialog();
    ASSERT_TRUE(dialog);
    auto items = Items(dialog);
    bool current = false, alias = false;
    for (const auto& [caption, checked] : items) {
        EXPECT_NE(caption, "COM9");  // mapped to a device that does not exist
        EXPECT_NE(caption, "COM40"); // not mapped
        if (caption == Port(SimCom())) current = checked;
        if (caption == Port(SimCom() + 10)) alias = !checked;
    }
    EXPECT_TRUE(current) << "the simulator's port, selected";
    EXPECT_TRUE(alias) << "its second name, listed";
    int before = SimReceivedCount("ID?\r\n");
    UiDriver::ClickButton(dialog, "Annuler");
    EXPECT_TRUE(IdentifiedAgain(before));
}

TEST_F(PortDialog, OkChangesThePortAndTheFileGetsItOnlyAtClose) {
    HWND dialog = OpenPortDialog();
    ASSERT_TRUE(dialog);
    HWND other = nullptr;
    for (const auto& c : UiDriver::Controls(dialog))
        if (c.Text == Port(SimCom() + 10)) other = c.Window;
    ASSERT_TRUE(other);
    SendMessageW(other, BM_CLICK, 0, 0);
    int before = SimReceivedCount("ID?\r\n");
    UiDriver::ClickButton(dialog, "OK");
    UiDriver::WaitUntilGone(dialog, 15000);
    // The simulator answers on the new number (a second name of its terminal).
    EXPECT_TRUE(IdentifiedAgain(before));
    EXPECT_EQ(ReadSettingsNumber(), std::to_string(SimCom()));
    EXPECT_EQ(vexor->Close(main), 0u);
    main = nullptr;
    EXPECT_EQ(ReadSettingsNumber(), std::to_string(SimCom() + 10));
}

TEST_F(PortDialog, APortHeldByAnotherProgramIsListed) {
    SimControl("lines BUSY");
    PumpUntil([] { return false; }, 200);
    HWND dialog = OpenPortDialog(); // the identification's port was open: it is ours
    ASSERT_TRUE(dialog);
    bool listed = false;
    for (const auto& item : Items(dialog)) listed |= item.first == Port(SimCom() + 10);
    EXPECT_TRUE(listed);
    UiDriver::ClickButton(dialog, "Annuler");
    SimControl("lines CTS DSR CD");
}

TEST(PortChoice, AnOpenWithoutANumberAsksWhichPort) {
    if (SimCom() == 0) GTEST_SKIP() << "run through tests/serial/with-sim";
    WriteSettings("0");
    VexorProcess vexor;
    HWND form = UiDriver::WaitForWindow("Select Port", 15000);
    ASSERT_TRUE(form);
    HWND combo = nullptr;
    std::vector<std::string> texts;
    for (const auto& c : UiDriver::Controls(form)) {
        if (c.ClassName == "ComboBox") combo = c.Window;
        texts.push_back(c.Text);
    }
    ASSERT_TRUE(combo);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "The configured serial port is not valid."),
              texts.end());
    std::wstring port = L"COM" + std::to_wstring(SimCom());
    SendMessageW(combo, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(port.c_str()));
    UiDriver::ClickButton(form, "OK");
    HWND main = vexor.WaitForMainWindow("Lecture oscillo Hameg", 15000);
    ASSERT_TRUE(main);
    EXPECT_EQ(vexor.Close(main), 0u);
    EXPECT_EQ(ReadSettingsNumber(), std::to_string(SimCom()));
}
