// The program at the display scale of the prefix it runs in (tests/e2e/at-dpi sets the prefix's
// DPI and VEXOR_TEST_DPI): the main window's and the dialogs' controls at their 96-dpi places
// times the scale, and no text larger than its control, in its own font, in any window.
#include <cstdlib>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "app/Preview.h"
#include "app/SeriesForm.h"
#include "common/Text1252.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"

namespace {

int TestDpi() {
    const char* dpi = std::getenv("VEXOR_TEST_DPI");
    return dpi ? std::atoi(dpi) : 96;
}

int Scaled(int pixels) { return MulDiv(pixels, TestDpi(), 96); }

// The controls' rectangles at 96 dpi, in the window's order; a height of 0 is not checked (a
// drop-down list's).
using Layout = std::vector<RECT>; // left, top, width, height

const Layout kMain = {{0, 0, 350, 29},    {1, 2, 25, 25},     {25, 2, 25, 25},   {49, 2, 25, 25},
                      {73, 2, 25, 25},    {145, 2, 25, 25},   {169, 2, 25, 25},  {193, 2, 25, 25},
                      {233, 2, 25, 25},   {257, 2, 25, 25},   {0, 29, 350, 41},  {2, 48, 346, 20},
                      {0, 70, 350, 41},   {2, 89, 346, 20},   {0, 111, 350, 63}, {8, 127, 121, 24},
                      {8, 151, 121, 17},  {0, 174, 350, 65},  {8, 190, 121, 24}, {8, 214, 121, 17},
                      {136, 214, 30, 16}, {176, 206, 97, 24}, {0, 251, 350, 63}, {2, 253, 346, 59},
                      {0, 314, 350, 64},  {8, 330, 121, 24},  {8, 354, 121, 17}, {136, 354, 30, 16},
                      {176, 346, 97, 24}, {0, 378, 350, 22}};
const Layout kAbout = {{8, 8, 282, 128},   {16, 16, 32, 32},  {64, 18, 220, 18},
                       {64, 40, 220, 18},  {64, 62, 220, 18}, {64, 84, 220, 18},
                       {64, 106, 220, 18}, {112, 148, 75, 25}};
const Layout kPage = {{8, 4, 344, 62},    {16, 22, 60, 16},   {128, 22, 60, 16},
                      {240, 22, 60, 16},  {16, 38, 104, 22},  {128, 38, 104, 22},
                      {240, 38, 104, 22}, {8, 70, 344, 50},   {16, 90, 328, 22},
                      {8, 124, 344, 50},  {16, 144, 160, 20}, {184, 144, 160, 20},
                      {104, 190, 75, 25}, {188, 190, 75, 25}, {272, 190, 75, 25}};
const Layout kPortSelection = {{8, 8, 204, 44}, {14, 14, 194, 16}, {14, 32, 194, 16},
                               {8, 60, 204, 0}, {30, 98, 75, 25},  {115, 98, 75, 25}};

// The port dialog: its texts, the group of the ports present (four to a row, 18 pixels a row),
// the buttons below it; the ports themselves are left out.
Layout PortDialogLayout(std::vector<UiDriver::ControlState>& controls, int& clientHeight) {
    int ports = int(controls.size()) - 6;
    controls.erase(controls.begin() + 3, controls.end() - 3);
    int group = std::max(1, (ports + 3) / 4) * 18 + 24, buttons = 40 + group + 8;
    clientHeight = std::max(114, buttons + 32);
    return {{8, 8, 150, 16},       {8, 22, 300, 16},       {8, 40, 309, group},
            {74, buttons, 75, 25}, {158, buttons, 75, 25}, {242, buttons, 75, 25}};
}

void ExpectClientSize(HWND window, int width, int height) {
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_NEAR(client.right, Scaled(width), 1);
    EXPECT_NEAR(client.bottom, Scaled(height), 1);
}

void ExpectPlaces(const std::vector<UiDriver::ControlState>& controls, const Layout& layout) {
    ASSERT_EQ(controls.size(), layout.size());
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const RECT& b = controls[i].Bounds;
        const RECT& at96 = layout[i];
        EXPECT_NEAR(b.left, Scaled(at96.left), 1) << i << " " << controls[i].Text;
        EXPECT_NEAR(b.top, Scaled(at96.top), 1) << i << " " << controls[i].Text;
        EXPECT_NEAR(b.right - b.left, Scaled(at96.right), 1) << i << " " << controls[i].Text;
        if (at96.bottom) {
            EXPECT_NEAR(b.bottom - b.top, Scaled(at96.bottom), 1) << i;
        }
    }
}

// The window's client area and controls at their places times the scale.
void ExpectScaled(HWND window, int width, int height, const Layout& layout) {
    ExpectClientSize(window, width, height);
    ExpectPlaces(UiDriver::Controls(window), layout);
}

// The room a control leaves its text: a check box's box, a button's edges, a list's arrow.
int Padding(const UiDriver::ControlState& c) {
    LONG type = GetWindowLongW(c.Window, GWL_STYLE) & BS_TYPEMASK;
    if (c.ClassName == "ComboBox") return GetSystemMetrics(SM_CXVSCROLL);
    if (c.ClassName != "Button") return 0;
    bool box = type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON ||
               type == BS_RADIOBUTTON;
    return Scaled(box ? 16 : 8);
}

// Every visible text of the window fits in its control.
void ExpectTextsFit(HWND window) {
    int texts = 0;
    for (const auto& c : UiDriver::Controls(window)) {
        if (!c.Visible) continue;
        SIZE text = UiDriver::TextSize(c.Window);
        if (!text.cx) continue;
        ++texts;
        RECT client{};
        GetClientRect(c.Window, &client);
        EXPECT_LE(text.cx, client.right - Padding(c)) << c.Text;
        EXPECT_LE(text.cy, client.bottom) << c.Text;
    }
    EXPECT_GT(texts, 0);
}

// The texts fit in `window`, which `button` then closes.
void ExpectTextsFitThenClose(HWND window, const char* button) {
    ExpectTextsFit(window);
    UiDriver::ClickButton(window, button);
    EXPECT_TRUE(UiDriver::WaitUntilGone(window, 5000));
}

class Dpi : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        HDC screen = GetDC(nullptr);
        ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSX), TestDpi()) << "the prefix's LogPixels";
        ReleaseDC(nullptr, screen);
    }
    // Opens a window of the program with `id`'s button of `from`, waiting for `title`.
    static HWND Open(HWND from, int id, const std::string& title) {
        UiDriver::Click(from, id);
        return UiDriver::WaitForWindow(Cp1252(title.c_str()), 15000);
    }
};

} // namespace

TEST_F(Dpi, TheMainWindowIsScaled) {
    ASSERT_TRUE(Start({}, "Lecture oscillo Hameg : HM305"));
    ExpectScaled(main, 350, 400, kMain);
    ExpectTextsFit(main);
}

TEST_F(Dpi, EveryDialogIsScaledAndItsTextsFit) {
    ASSERT_TRUE(Start({}, "Lecture oscillo Hameg : HM305"));
    HWND about = Open(main, idAideBtn, "A propos");
    ASSERT_TRUE(about);
    ExpectScaled(about, 298, 183, kAbout);
    ExpectTextsFitThenClose(about, "OK");

    HWND port = Open(main, idSetBtn, "Configuration du port RS232");
    ASSERT_TRUE(port);
    int height = 0;
    std::vector<UiDriver::ControlState> controls = UiDriver::Controls(port);
    Layout layout = PortDialogLayout(controls, height);
    ExpectPlaces(controls, layout);
    ExpectClientSize(port, 325, height);
    ExpectTextsFitThenClose(port, "Annuler");

    UiDriver::Click(main, idEnregistreBtn);
    HWND zero = UiDriver::WaitForMessageBox("Information", 20000);
    ASSERT_TRUE(zero);
    ExpectTextsFitThenClose(zero, "OK");
    ASSERT_TRUE(WaitUntilIdle());

    HWND page = OpenPageDialog();
    ASSERT_TRUE(page);
    ExpectScaled(page, 360, 230, kPage);
    ExpectTextsFitThenClose(page, "Annuler");

    HWND preview = Open(main, idPreviewBtn, "Aperçu de l'acquisition");
    ASSERT_TRUE(preview);
    ExpectTextsFit(preview);
    HWND series = Open(preview, TPreviewForm::idSeriesBtn, "Série de mesures");
    ASSERT_TRUE(series);
    ExpectTextsFit(series);
    HWND sweep = Open(series, TSeriesForm::idSweepBtn, "Balayage automatique");
    ASSERT_TRUE(sweep);
    ExpectTextsFit(sweep);
}

TEST_F(Dpi, ThePortSelectionIsScaled) {
    WriteSettings("0");
    vexor = std::make_unique<VexorProcess>();
    HWND form = UiDriver::WaitForWindow("Select Port", 15000);
    ASSERT_TRUE(form);
    ExpectScaled(form, 220, 131, kPortSelection);
    ExpectTextsFitThenClose(form, "Cancel");
    main = vexor->WaitForAnyMainWindow(15000);
}
