// The program at the display scale of the prefix it runs in (tests/e2e/at-dpi sets the prefix's
// DPI and VEXOR_TEST_DPI): the main window's and the dialogs' controls at their 96-dpi places
// times the scale, and no text larger than its control, in its own font, in any window.
#include <cstdlib>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "app/Preview.h"
#include "common/Text1252.h"
#include "export/Hpconst.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"

namespace {

int TestDpi() {
    const char* dpi = std::getenv("VEXOR_TEST_DPI");
    return dpi ? std::atoi(dpi) : 96;
}

int Scaled(int pixels) { return MulDiv(pixels, TestDpi(), 96); }

// A control at 96 dpi: by its id, or (id 0) the next one with its text; a height of 0 is not
// checked (a drop-down list's).
struct Place {
    int Id;
    const char* Text;
    int X, Y, Width, Height;
};

const std::vector<Place> kMain = {
    {idBoutonsPanel, "", 0, 0, 350, 29},      {idFileSaveBtn, "", 1, 2, 25, 25},
    {idClipSaveBtn, "", 25, 2, 25, 25},       {idSendToCurvilabBtn, "", 49, 2, 25, 25},
    {idPreviewBtn, "", 73, 2, 25, 25},        {idEnregistreBtn, "", 145, 2, 25, 25},
    {idSetBtn, "", 169, 2, 25, 25},           {idCloseBtn, "", 233, 2, 25, 25},
    {idAideBtn, "", 257, 2, 25, 25},          {idGroupBox1, "", 0, 29, 350, 41},
    {idGaugeData, "", 2, 48, 346, 20},        {idZeroGB, "", 0, 70, 350, 41},
    {idGaugeZero, "", 2, 89, 346, 20},        {idGroupBoxTemps, "", 0, 111, 350, 63},
    {idBaseDeTempsEdit, "", 8, 127, 121, 24}, {idBaseDeTempsScroll, "", 8, 151, 121, 17},
    {idGroupBoxCH1, "", 0, 174, 350, 65},     {idGammeEditCH1, "", 8, 190, 121, 24},
    {idGammeCH1, "", 8, 214, 121, 17},        {idLabel1, "", 136, 214, 30, 16},
    {idNom1Edit, "", 176, 206, 97, 24},       {idPanel1, "", 0, 251, 350, 63},
    {idMemo1, "", 2, 253, 346, 59},           {idGroupBoxCH2, "", 0, 314, 350, 64},
    {idGammeEditCH2, "", 8, 330, 121, 24},    {idGammeCH2, "", 8, 354, 121, 17},
    {idLabel2, "", 136, 354, 30, 16},         {idNom2Edit, "", 176, 346, 97, 24},
    {idPanelAide, "", 0, 378, 350, 22},
};

const std::vector<Place> kAbout = {
    {0, "", 8, 8, 282, 128},
    {0, "", 16, 16, 32, 32},
    {0, "Acquisition par Hameg 305, 408", 64, 18, 220, 18},
    {0, "pour Curvilab Windows 95", 64, 40, 220, 18},
    {0, "Version 2.15 du 14/02/2009", 64, 62, 220, 18},
    {0, "Scoptera", 64, 84, 220, 18},
    {0, "Lecture de la mémoire, envoi vers Curvilab", 64, 106, 220, 18},
    {IDOK, "", 112, 148, 75, 25},
};

const std::vector<Place> kPage = {
    {0, "Paramètre", 8, 4, 344, 62},
    {0, "Nom", 16, 22, 60, 16},
    {0, "Unité", 128, 22, 60, 16},
    {0, "Valeur", 240, 22, 60, 16},
    {TConstanteDlg::idNomConstEdit, "", 16, 38, 104, 22},
    {TConstanteDlg::idUniteConstEdit, "", 128, 38, 104, 22},
    {TConstanteDlg::idValeurConstEdit, "", 240, 38, 104, 22},
    {0, "Commentaire", 8, 70, 344, 50},
    {TConstanteDlg::idEditComm, "", 16, 90, 328, 22},
    {0, "Données vers Curvilab", 8, 124, 344, 50},
    {TConstanteDlg::idNouveauFichier, "", 16, 144, 160, 20},
    {TConstanteDlg::idNouvellePage, "", 184, 144, 160, 20},
    {IDOK, "", 104, 190, 75, 25},
    {IDCANCEL, "", 188, 190, 75, 25},
    {TConstanteDlg::idHelpBtn, "", 272, 190, 75, 25},
};

const std::vector<Place> kPortSelection = {
    {0, "", 8, 8, 204, 44},
    {0, "The configured serial port is not valid.", 14, 14, 194, 16},
    {0, "Please choose another port.", 14, 32, 194, 16},
    {300, "", 8, 60, 204, 0},
    {IDOK, "", 30, 98, 75, 25},
    {IDCANCEL, "", 115, 98, 75, 25},
};

// The port dialog's rows of ports follow the ports present: four to a row, 18 pixels a row.
std::vector<Place> PortDialogPlaces(HWND dialog, int& clientHeight) {
    int ports = 0;
    for (const auto& c : UiDriver::Controls(dialog)) ports += c.Text.rfind("COM", 0) == 0;
    int group = std::max(1, (ports + 3) / 4) * 18 + 24, buttons = 40 + group + 8;
    clientHeight = std::max(114, 40 + group + 40);
    return {{0, "Vitesse 9600 bauds", 8, 8, 150, 16},
            {0, "Pour HM408 SW1 à 4 et SW2 à 0", 8, 22, 300, 16},
            {0, "&Com:", 8, 40, 309, group},
            {IDOK, "", 74, buttons, 75, 25},
            {IDCANCEL, "", 158, buttons, 75, 25},
            {9, "", 242, buttons, 75, 25}};
}

void ExpectNear(LONG actual, int at96, const char* what, const Place& place) {
    EXPECT_NEAR(actual, Scaled(at96), 1) << what << " of " << place.Id << " " << place.Text;
}

void ExpectClientSize(HWND window, int width, int height) {
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_NEAR(client.right, Scaled(width), 1);
    EXPECT_NEAR(client.bottom, Scaled(height), 1);
}

void ExpectPlaces(HWND window, const std::vector<Place>& places) {
    std::vector<UiDriver::ControlState> controls = UiDriver::Controls(window);
    std::vector<bool> used(controls.size());
    for (const Place& place : places) {
        std::size_t i = 0;
        while (i < controls.size() &&
               (used[i] ||
                (place.Id ? controls[i].Id != place.Id : controls[i].Text != Cp1252(place.Text))))
            ++i;
        ASSERT_LT(i, controls.size()) << place.Id << " " << place.Text;
        used[i] = true;
        const RECT& b = controls[i].Bounds;
        ExpectNear(b.left, place.X, "x", place);
        ExpectNear(b.top, place.Y, "y", place);
        ExpectNear(b.right - b.left, place.Width, "width", place);
        if (place.Height) ExpectNear(b.bottom - b.top, place.Height, "height", place);
    }
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
    ExpectClientSize(main, 350, 400);
    ExpectPlaces(main, kMain);
    ExpectTextsFit(main);
}

TEST_F(Dpi, EveryDialogIsScaledAndItsTextsFit) {
    ASSERT_TRUE(Start({}, "Lecture oscillo Hameg : HM305"));
    HWND about = Open(main, idAideBtn, "A propos");
    ASSERT_TRUE(about);
    ExpectClientSize(about, 298, 183);
    ExpectPlaces(about, kAbout);
    ExpectTextsFit(about);
    UiDriver::ClickButton(about, "OK");
    ASSERT_TRUE(UiDriver::WaitUntilGone(about, 5000));

    HWND port = Open(main, idSetBtn, "Configuration du port RS232");
    ASSERT_TRUE(port);
    int height = 0;
    ExpectPlaces(port, PortDialogPlaces(port, height));
    ExpectClientSize(port, 325, height);
    ExpectTextsFit(port);
    UiDriver::ClickButton(port, "Annuler");
    ASSERT_TRUE(UiDriver::WaitUntilGone(port, 5000));

    UiDriver::Click(main, idEnregistreBtn);
    HWND zero = UiDriver::WaitForMessageBox("Information", 20000);
    ASSERT_TRUE(zero);
    ExpectTextsFit(zero);
    UiDriver::ClickButton(zero, "OK");
    ASSERT_TRUE(WaitUntilIdle());

    HWND page = OpenPageDialog();
    ASSERT_TRUE(page);
    ExpectClientSize(page, 360, 230);
    ExpectPlaces(page, kPage);
    ExpectTextsFit(page);
    UiDriver::ClickButton(page, "Annuler");
    ASSERT_TRUE(UiDriver::WaitUntilGone(page, 5000));

    HWND preview = Open(main, idPreviewBtn, "Aperçu de l'acquisition");
    ASSERT_TRUE(preview);
    ExpectTextsFit(preview);
    HWND series = Open(preview, TPreviewForm::idSeriesBtn, "Série de mesures");
    ASSERT_TRUE(series);
    ExpectTextsFit(series);
}

TEST_F(Dpi, ThePortSelectionIsScaled) {
    WriteSettings("0");
    vexor = std::make_unique<VexorProcess>();
    HWND form = UiDriver::WaitForWindow("Select Port", 15000);
    ASSERT_TRUE(form);
    ExpectClientSize(form, 220, 131);
    ExpectPlaces(form, kPortSelection);
    ExpectTextsFit(form);
    UiDriver::ClickButton(form, "Cancel");
    main = vexor->WaitForAnyMainWindow(15000);
}

