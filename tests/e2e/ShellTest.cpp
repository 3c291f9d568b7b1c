// The real program, its window driven from outside, with the simulator on the test's COM slot.
#include <cstring>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/Wide.h"

namespace {

const std::string kIdentifiedTitle = "Lecture oscillo Hameg : HM305";

using Shell = ProgramTest;

struct Place {
    int Id;
    int X, Y, Width, Height;
    const char* Text;
};

} // namespace

TEST_F(Shell, TheWindowShowsEveryControlAtItsPlace) {
    ASSERT_TRUE(Start({}, kIdentifiedTitle)) << "no identified window";
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 350);
    EXPECT_EQ(client.bottom, 400);
    EXPECT_FALSE(GetWindowLongW(main, GWL_STYLE) &
                 (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));

    const Place places[] = {
        {idBoutonsPanel, 0, 0, 350, 29, ""},
        {idFileSaveBtn, 1, 2, 25, 25, ""},
        {idClipSaveBtn, 25, 2, 25, 25, ""},
        {idSendToCurvilabBtn, 49, 2, 25, 25, ""},
        {idEnregistreBtn, 145, 2, 25, 25, ""},
        {idSetBtn, 169, 2, 25, 25, ""},
        {idCloseBtn, 233, 2, 25, 25, ""},
        {idAideBtn, 257, 2, 25, 25, ""},
        {idGroupBox1, 0, 29, 350, 41, "Lecture de la mémoire de l'oscilloscope"},
        {idGaugeData, 2, 48, 346, 20, ""},
        {idZeroGB, 0, 70, 350, 41, "Lecture du zéro"},
        {idGaugeZero, 2, 89, 346, 20, ""},
        {idGroupBoxTemps, 0, 111, 350, 63, "Base de temps"},
        {idBaseDeTempsEdit, 8, 127, 121, 24, "5ms/div"},
        {idBaseDeTempsScroll, 8, 151, 121, 17, ""},
        {idGroupBoxCH1, 0, 174, 350, 65, "CH1"},
        {idGammeEditCH1, 8, 190, 121, 24, "200mV/div"},
        {idGammeCH1, 8, 214, 121, 17, ""},
        {idLabel1, 136, 214, 30, 16, "Nom"},
        {idNom1Edit, 176, 206, 97, 24, "V1"},
        {idPanel1, 0, 251, 350, 63, ""},
        {idGroupBoxCH2, 0, 314, 350, 64, "CH2"},
        {idGammeEditCH2, 8, 330, 121, 24, "200mV/div"},
        {idGammeCH2, 8, 354, 121, 17, ""},
        {idLabel2, 136, 354, 30, 16, "Nom"},
        {idNom2Edit, 176, 346, 97, 24, "V2"},
        {idPanelAide, 0, 378, 350, 22, ""},
    };
    for (const Place& place : places) {
        UiDriver::ControlState c = UiDriver::Control(main, place.Id);
        ASSERT_TRUE(c.Window) << place.Id;
        EXPECT_EQ(c.Bounds.left, place.X) << place.Id;
        EXPECT_EQ(c.Bounds.top, place.Y) << place.Id;
        EXPECT_EQ(c.Bounds.right - c.Bounds.left, place.Width) << place.Id;
        EXPECT_EQ(c.Bounds.bottom - c.Bounds.top, place.Height) << place.Id;
        EXPECT_EQ(c.Text, Cp1252(place.Text)) << place.Id;
    }
    EXPECT_EQ(UiDriver::Control(main, idMemo1).Text,
              Cp1252("Vérifier que les verniers sont en position calibrée et\r\nque le bouton "
                     "STOR. est enfoncé\r\nainsi que le bouton HOLD."));
    // Identified, nothing held: read, port, quit and about only.
    for (int id : {idEnregistreBtn, idSetBtn, idCloseBtn, idAideBtn, idBaseDeTempsScroll})
        EXPECT_TRUE(UiDriver::Control(main, id).Visible) << id;
    for (int id : {idFileSaveBtn, idClipSaveBtn, idSendToCurvilabBtn})
        EXPECT_FALSE(UiDriver::Control(main, id).Visible) << id;
}

TEST_F(Shell, TheHelpBarShowsTheLongHintUnderTheMouse) {
    ASSERT_TRUE(Start({}, kIdentifiedTitle));
    HWND panel = UiDriver::Control(main, idPanelAide).Window;
    PostMessageW(UiDriver::Control(main, idSetBtn).Window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(PumpUntil(
        [&] { return UiDriver::Text(panel) == Cp1252("Configuration de la voie série"); }, 3000))
        << UiDriver::Text(panel);
    PostMessageW(UiDriver::Control(main, idCloseBtn).Window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(PumpUntil([&] { return UiDriver::Text(panel) == "Quitter"; }, 3000));
    PostMessageW(main, WM_MOUSEMOVE, 0, MAKELPARAM(200, 260)); // the empty part of the window
    EXPECT_TRUE(PumpUntil([&] { return UiDriver::Text(panel).empty(); }, 3000));
}

TEST_F(Shell, TheAboutBoxOpensAndCloses) {
    ASSERT_TRUE(Start({}, kIdentifiedTitle));
    UiDriver::Click(main, idAideBtn);
    HWND about = UiDriver::WaitForWindow("A propos", 15000);
    ASSERT_TRUE(about);
    EXPECT_FALSE(IsWindowEnabled(main)); // modal
    bool seen = false;
    for (const auto& c : UiDriver::Controls(about)) seen |= c.Text == "Version 2.15 du 14/02/2009";
    EXPECT_TRUE(seen);
    EXPECT_TRUE(UiDriver::ClickButton(about, "OK"));
    EXPECT_TRUE(UiDriver::WaitUntilGone(about, 3000));
    EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(main) != 0; }, 3000));
    UiDriver::Click(main, idCloseBtn); // nothing held: quits without a question
    EXPECT_EQ(vexor->WaitForExit(10000), 0u);
    main = nullptr;
}

namespace {

// Stands in for a running instance: holds the mutex and a window titled "Acquisition...", and
// records what it is sent.
class Receiver {
public:
    explicit Receiver(bool visible) {
        mutex_.reset(CreateMutexW(nullptr, FALSE, L"CVLOSC"));
        WNDCLASSW wc{};
        wc.lpfnWndProc = Procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"HandOffReceiver";
        RegisterClassW(&wc);
        window_ =
            CreateWindowExW(0, L"HandOffReceiver", L"Acquisition (receiver)", WS_OVERLAPPEDWINDOW,
                            0, 0, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (visible) ShowWindow(window_, SW_SHOWNOACTIVATE);
        Messages().clear();
    }
    ~Receiver() { DestroyWindow(window_); }
    HWND Window() const { return window_; }

    // Each message as its number and its wParam.
    static std::vector<std::pair<UINT, WPARAM>>& Messages() {
        static std::vector<std::pair<UINT, WPARAM>> messages;
        return messages;
    }

private:
    static LRESULT CALLBACK Procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_SYSCOMMAND || message == WM_USER + 1 || message == WM_USER + 2)
            Messages().push_back({message, wParam});
        if (message == WM_SYSCOMMAND) return 0; // recorded only
        return DefWindowProcW(w, message, wParam, lParam);
    }
    UniqueKernelHandle mutex_;
    HWND window_;
};

} // namespace

// A second start ends at once without a window of its own: it restores a visible first instance
// (never a hidden one) and hands over its file names on the clipboard (WM_USER + 2), or nothing
// when it has only switches or no argument (WM_USER + 1).
TEST(SingleInstance, ASecondStartHandsOverToTheFirstAndEnds) {
    struct Case {
        bool Visible;
        std::vector<std::string> Arguments;
        UINT HandOff;
        const char* Clipboard;
    };
    for (const Case& c : {Case{true, {}, WM_USER + 1, "untouched"},
                          Case{true, {"a.txt", "/x", "b.txt"}, WM_USER + 2, "a.txt b.txt"},
                          Case{true, {"/x", "/y"}, WM_USER + 1, "untouched"},
                          Case{false, {}, WM_USER + 1, "untouched"}}) {
        Receiver first(c.Visible);
        PutTextOnClipboardFromElsewhere("untouched");
        VexorProcess second(c.Arguments);
        bool ownWindow = false; // looked for all the while it runs, hidden ones too
        EXPECT_TRUE(PumpUntil(
            [&] {
                ownWindow = ownWindow || UiDriver::WaitForWindow("Acquisition avec", 0, true);
                return second.WaitForExit(0) != DWORD(STILL_ACTIVE);
            },
            10000));
        EXPECT_EQ(second.WaitForExit(0), 0u);
        EXPECT_FALSE(ownWindow);
        // The restore is posted before the hand-off: once that came, everything did.
        EXPECT_TRUE(PumpUntil(
            [] {
                return !Receiver::Messages().empty() &&
                       Receiver::Messages().back().first != WM_SYSCOMMAND;
            },
            2000));
        std::vector<std::pair<UINT, WPARAM>> expected{{c.HandOff, 1}};
        if (c.Visible) expected.insert(expected.begin(), {WM_SYSCOMMAND, SC_RESTORE});
        EXPECT_EQ(Receiver::Messages(), expected) << c.Arguments.size();
        EXPECT_EQ(UiDriver::ClipboardText(), c.Clipboard);
        EXPECT_EQ(IsWindowVisible(first.Window()) != 0, c.Visible);
    }
}
