// Port discovery and choice through the real port dialog.
#include <windows.h>

#include <algorithm>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"

namespace {

class PortDialog : public ProgramTest {
protected:
    HWND OpenPortDialog() {
        UiDriver::Click(main, idSetBtn);
        return UiDriver::WaitForWindow("Configuration du port RS232", 15000);
    }

    // The radio item of port `n` in the dialog: whether it is listed and checked.
    struct Item {
        bool Listed = false, Checked = false;
    };
    Item ItemOf(HWND dialog, int n) {
        for (const auto& c : UiDriver::Controls(dialog))
            if (c.Text == "COM" + std::to_string(n))
                return {true, SendMessageW(c.Window, BM_GETCHECK, 0, 0) == BST_CHECKED};
        return {};
    }

    // Closes the dialog with `button`; true once the program has asked for the instrument and
    // found it again.
    bool CloseAndIdentifyAgain(HWND dialog, const char* button) {
        int before = SimReceivedCount("ID?\r\n");
        UiDriver::ClickButton(dialog, button);
        return PumpUntil(
            [&] {
                return SimReceivedCount("ID?\r\n") > before &&
                       UiDriver::Text(main) == "Lecture oscillo Hameg : HM305" &&
                       UiDriver::Control(main, idEnregistreBtn).Visible;
            },
            20000);
    }
};

} // namespace

// The simulator's port selected, its second name listed, also while another program holds it;
// no port whose device is missing or that is not mapped.
TEST_F(PortDialog, ListsThePresentPortsWithTheCurrentOneSelected) {
    ASSERT_TRUE(Start());
    HWND dialog = OpenPortDialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(ItemOf(dialog, SimCom()).Checked);
    Item alias = ItemOf(dialog, SimCom() + 10);
    EXPECT_TRUE(alias.Listed && !alias.Checked);
    EXPECT_FALSE(ItemOf(dialog, 9).Listed);  // mapped to a device that does not exist
    EXPECT_FALSE(ItemOf(dialog, 40).Listed); // not mapped
    EXPECT_TRUE(CloseAndIdentifyAgain(dialog, "Annuler"));

    SimControl("lines BUSY"); // the shim refuses every open; the program's own port stays open
    dialog = OpenPortDialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(ItemOf(dialog, SimCom() + 10).Listed);
    SimControl("lines CTS DSR CD");
    EXPECT_TRUE(CloseAndIdentifyAgain(dialog, "Annuler"));
}

TEST_F(PortDialog, OkChangesThePortAndTheFileGetsItOnlyAtClose) {
    ASSERT_TRUE(Start());
    HWND dialog = OpenPortDialog();
    ASSERT_TRUE(dialog);
    HWND other = nullptr;
    for (const auto& c : UiDriver::Controls(dialog))
        if (c.Text == "COM" + std::to_string(SimCom() + 10)) other = c.Window;
    ASSERT_TRUE(other);
    SendMessageW(other, BM_CLICK, 0, 0);
    // The simulator answers on the new number (a second name of its terminal).
    EXPECT_TRUE(CloseAndIdentifyAgain(dialog, "OK"));
    EXPECT_EQ(ReadSettingsNumber(), std::to_string(SimCom()));
    EXPECT_EQ(Close(), 0u);
    EXPECT_EQ(ReadSettingsNumber(), std::to_string(SimCom() + 10));
}

TEST_F(PortDialog, AnOpenWithoutANumberAsksWhichPort) {
    WriteSettings("0");
    vexor = std::make_unique<VexorProcess>();
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
    main = vexor->WaitForMainWindow("Lecture oscillo Hameg", 15000);
    ASSERT_TRUE(main);
    EXPECT_EQ(Close(), 0u);
    EXPECT_EQ(ReadSettingsNumber(), std::to_string(SimCom()));
}
