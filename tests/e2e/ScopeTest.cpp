// Network scopes read through the real window: scpi-sim on a loopback port (tests/serial/with-sim
// --scpi) plays each dialect; the program finds it through vexor.ini.
#include <windows.h>

#include <cmath>
#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "app/InstrumentForm.h"
#include "app/Preview.h"
#include "common/Text1252.h"
#include "export/DataReader.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/Wide.h"

namespace {

// A measurement as the preview shows it ("1,000 kHz", "−45,0°") in base units.
double ShownValue(std::wstring text) {
    std::replace(text.begin(), text.end(), L'\u2212', L'-');
    std::replace(text.begin(), text.end(), L',', L'.');
    std::size_t end = 0;
    double value = std::stod(text, &end);
    while (end < text.size() && text[end] == L' ') ++end;
    static const std::pair<wchar_t, double> kPrefixes[] = {
        {L'k', 1e3}, {L'M', 1e6}, {L'm', 1e-3}, {L'\u00B5', 1e-6}, {L'n', 1e-9}};
    for (const auto& [letter, factor] : kPrefixes)
        if (end + 1 < text.size() && text[end] == letter) return value * factor;
    return value;
}

class Scope : public ProgramTest {
protected:
    // The program started on the network scope set up with `settings`; the main window once it
    // names the scope.
    HWND StartScope(std::initializer_list<std::string> settings, const std::string& title) {
        if (ScpiPort() == 0) {
            ADD_FAILURE() << "run through tests/serial/with-sim --scpi";
            return nullptr;
        }
        for (const std::string& setting : settings) ScpiControl(setting);
        Resource = "TCPIP0::127.0.0.1::" + std::to_string(ScpiPort()) + "::SOCKET";
        return Start({}, Cp1252("Lecture oscilloscope : ") + title);
    }

    int Connections() const {
        std::string log = FileText(Wide(SimPath("scpi-commands.log")));
        int count = 0;
        for (std::size_t at = 0; (at = log.find("*IDN?", at)) != std::string::npos; ++at) ++count;
        return count;
    }

    // One read through the read button, "&Oui" to the loss question; the box of a failed read,
    // answered, in `failure`.
    bool ReadScope(std::string* failure = nullptr) {
        bool held = HoldsAcquisition();
        int before = Connections();
        UiDriver::Click(main, idEnregistreBtn);
        if (held && AnswerBox("Confirmation", "&Oui") != Cp1252("Perte des données courantes"))
            return false;
        // The read button is hidden before the scope is asked; back once the read is over.
        if (!PumpUntil([&] { return Connections() > before; }, 15000)) return false;
        if (failure) *failure = AnswerBox("", "OK");
        return WaitUntilIdle() && HoldsAcquisition();
    }

    // The values of a saved Curvilab file's first page.
    DataTable SavedTable() {
        std::wstring path = TempFilePath(L"vexor-e2e-scope.cv3");
        EXPECT_TRUE(ChooseFile(main, idFileSaveBtn, "Sauvegarde données", path));
        EXPECT_TRUE(PumpUntil([&] { return !FileText(path).empty(); }, 15000));
        DataTable table = ReadDataFile(FileText(path), true).Table;
        DeleteFileW(path.c_str());
        return table;
    }

    // A read whose block stalls halfway, and the program closed meanwhile: the milliseconds the
    // close took, or a negative value when the read did not start.
    long long CloseDuringAStalledBlock() {
        ScpiControl("fault stall");
        int before = Connections();
        UiDriver::Click(main, idEnregistreBtn);
        AnswerBox("Confirmation", "&Oui");
        if (!PumpUntil([&] { return Connections() > before; }, 15000)) return -1;
        ULONGLONG start = GetTickCount64();
        EXPECT_EQ(Close(), 0u);
        return (long long)(GetTickCount64() - start);
    }

    HWND OpenPreview() {
        UiDriver::Click(main, idPreviewBtn);
        return UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 15000);
    }
};

struct ModelCase {
    const char* Model;
    const char* Title;
};

} // namespace

// Each dialect: the file holds the volts the scope sent, the probe's factor applied, against the
// screen's seconds from its left edge; the fields show the scope's settings; the preview measures
// the simulator's 1 kHz and CH2's 45° lag.
TEST_F(Scope, EachDialectGivesTheScopesVoltsToTheFileAndThePreview) {
    const ModelCase kModels[] = {
        {"rigol-ds1054z", "RIGOL DS1054Z, n° DS1ZA0000001"},
        {"rigol-dho804", "RIGOL DHO804, n° DHO8A0000001"},
        {"siglent-sds1104x-e", "Siglent SDS1104X-E, n° SDSMMFCD000001"},
        {"siglent-sds2104x-plus", "Siglent SDS2104X Plus, n° SDS2PCAD000001"},
        {"siglent-sds1104x-hd", "Siglent SDS1104X HD, n° SDS1HBAD000001"},
        {"tektronix-tbs1052b", "TEKTRONIX TBS1052B, n° C010001"},
        {"tektronix-tbs2104", "TEKTRONIX TBS2104, n° C020001"},
        {"keysight-dsox1204g", "KEYSIGHT DSOX1204G, n° CN60000001"},
    };
    for (const ModelCase& model : kModels) {
        SCOPED_TRACE(model.Model);
        ASSERT_TRUE(StartScope({std::string("model ") + model.Model, "noise 0.005", "seed 3"},
                               Cp1252(model.Title)));
        ASSERT_TRUE(ReadScope());
        EXPECT_EQ(UiDriver::Control(main, idBaseDeTempsEdit).Text, Cp1252("200µs/div"));
        EXPECT_EQ(UiDriver::Control(main, idGammeEditCH1).Text, "1V/div");
        EXPECT_EQ(UiDriver::Control(main, idGammeEditCH2).Text, "500mV/div");
        EXPECT_FALSE(UiDriver::Control(main, idGammeCH1).Visible);

        DataTable table = SavedTable();
        ASSERT_EQ(table.Columns.size(), 3u);
        for (int channel : {1, 2}) {
            std::vector<double> sent = ScpiSent(channel);
            ASSERT_EQ(table.RowCount() + 1, sent.size());
            double interval = sent.front();
            for (std::size_t i = 0; i < table.RowCount(); i += 7) {
                ASSERT_NEAR(table.Columns[0][i], double(i) * interval, 1e-5 * double(i) * interval);
                ASSERT_NEAR(table.Columns[std::size_t(channel)][i], sent[i + 1],
                            1e-4 * std::fabs(sent[i + 1]) + 1e-9);
            }
        }
        HWND preview = OpenPreview();
        ASSERT_TRUE(preview);
        std::wstring frequency =
            UiDriver::TextW(GetDlgItem(preview, TPreviewForm::MeasureId(9, 1)));
        EXPECT_NEAR(ShownValue(frequency), 1000, 10) << Narrow(frequency);
        std::wstring phase = UiDriver::TextW(GetDlgItem(preview, TPreviewForm::idPhaseText));
        std::size_t colon = phase.find(L" : ");
        ASSERT_NE(colon, std::wstring::npos) << Narrow(phase);
        EXPECT_NEAR(ShownValue(phase.substr(colon + 3)), -45, 1) << Narrow(phase);
        EXPECT_EQ(Close(), 0u);
    }
}

// Every channel a four-channel scope shows is a column, under the name its field gives.
TEST_F(Scope, AFourChannelReadGivesFourColumns) {
    ASSERT_TRUE(
        StartScope({"model tektronix-tbs2104", "shown3 on", "shown4 on"}, "TEKTRONIX TBS2104"));
    ASSERT_TRUE(ReadScope());
    DataTable table = SavedTable();
    ASSERT_EQ(table.Columns.size(), 5u);
    for (int channel : {1, 2, 3, 4}) {
        EXPECT_EQ(table.Variables[std::size_t(channel)].Name, "V" + std::to_string(channel));
        std::vector<double> sent = ScpiSent(channel);
        ASSERT_EQ(table.RowCount() + 1, sent.size());
        for (std::size_t i = 0; i < table.RowCount(); i += 11)
            ASSERT_NEAR(table.Columns[std::size_t(channel)][i], sent[i + 1],
                        1e-4 * std::fabs(sent[i + 1]) + 1e-9);
    }
    EXPECT_EQ(Close(), 0u);
}

// A scope that answers only some seconds after the connection, as a DSO-X 2000 does: the help bar
// says it is getting ready, and the read waits for it.
TEST_F(Scope, AScopeSlowToAnswerIsSaidToBeGettingReady) {
    ASSERT_TRUE(StartScope({"model keysight-dsox2002a", "first-answer 3"}, "AGILENT DSO-X 2002A"));
    UiDriver::Click(main, idEnregistreBtn);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return UiDriver::Control(main, idPanelAide).Text ==
                   Cp1252("L'oscilloscope se prépare (jusqu'à 10 s)…");
        },
        15000));
    EXPECT_TRUE(PumpUntil([&] { return HoldsAcquisition(); }, 20000));
    EXPECT_EQ(SavedTable().Columns.size(), 3u);
    EXPECT_EQ(Close(), 0u);
}

// GETDATA reads the scope and pushes what the clipboard button then copies.
TEST_F(Scope, GetDataReadsTheScopeAndPushesIt) {
    auto curvilab = RunCurvilab(L"--semaphore");
    ASSERT_TRUE(CurvilabLogReaches("STARTED"));
    ASSERT_TRUE(StartScope({"model siglent-sds1104x-e"}, "Siglent SDS1104X-E"));
    EXPECT_EQ(SendToProgram("GETDATA")->Wait(30000), 0u);
    ASSERT_TRUE(CurvilabLogReaches("EXECUTE CLIP|ADD"));
    ASSERT_TRUE(
        PumpUntil([&] { return UiDriver::Control(main, idPanelAide).Text.empty(); }, 20000));
    std::string pushed = CurvilabClipboard(1);
    EXPECT_EQ(pushed, CopiedAcquisition(main));
    int rows = 0;
    for (std::size_t at = pushed.find("t\tV1\tV2\r\n"); at != std::string::npos;
         at = pushed.find('\n', at + 1))
        rows += at + 1 < pushed.size() && std::isdigit(static_cast<unsigned char>(pushed[at + 1]));
    EXPECT_EQ(rows, 14000);
}

// A failed read says why and keeps the acquisition held; a stall ends with the scope's silence,
// and the close does not wait for it.
TEST_F(Scope, AFailedReadSaysWhyAndKeepsTheAcquisition) {
    ASSERT_TRUE(StartScope({"model rigol-ds1054z"}, "RIGOL DS1054Z"));
    ASSERT_TRUE(ReadScope());
    std::string held = CopiedAcquisition(main);
    const std::pair<std::vector<std::string>, const char*> kFaults[] = {
        {{"fault short"}, "Données incomplètes : le bloc envoyé est plus court que son en-tête"},
        {{"fault huge"}, "Bloc refusé : l'oscilloscope annonce 999999999 octets"},
        {{"fault stall"}, "L'oscilloscope s'est arrêté au milieu d'un envoi : 127.0.0.1:"},
        {{"fault none", "shown1 off", "shown2 off"}, "Afficher une voie sur l'oscilloscope"},
    };
    for (const auto& [settings, said] : kFaults) {
        for (const std::string& setting : settings) ScpiControl(setting);
        std::string failure;
        ASSERT_TRUE(ReadScope(&failure)) << said;
        EXPECT_EQ(failure.substr(0, Cp1252(said).size()), Cp1252(said));
        EXPECT_EQ(CopiedAcquisition(main), held) << said;
    }
    ScpiControl("shown1 on");
    long long closing = CloseDuringAStalledBlock();
    EXPECT_GE(closing, 0);
    EXPECT_LT(closing, 2500); // not the 3 s of the scope's silence
}

// An address where nobody answers: the Instrument window says so; "Tester" finds the scope on the
// port typed, OK makes it the instrument, and vexor.ini keeps it.
TEST_F(Scope, TheInstrumentWindowFindsTheScopeAndKeepsIt) {
    ScpiControl("model rigol-ds1054z");
    Resource = "TCPIP0::127.0.0.1::9::SOCKET";
    Launch({});
    HWND window = UiDriver::WaitForWindow("Instrument", 20000);
    ASSERT_TRUE(window);
    auto text = [&](int id) { return UiDriver::Control(window, id).Text; };
    EXPECT_EQ(text(TInstrumentForm::kResultId)
                  .rfind(Cp1252("Oscilloscope non joignable : 127.0.0.1:9"), 0),
              0u)
        << text(TInstrumentForm::kResultId);
    EXPECT_EQ(text(TInstrumentForm::kHostId), "127.0.0.1");
    // A port pasted with what is not a digit is refused, not read as another port (50299).
    HWND port = UiDriver::Control(window, TInstrumentForm::kPortId).Window;
    SetWindowTextW(port, L"5025a");
    UiDriver::Click(window, TInstrumentForm::kTestId);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return text(TInstrumentForm::kResultId) ==
                   Cp1252("Port non valide (de 1 à 65535) : 5025a");
        },
        15000))
        << text(TInstrumentForm::kResultId);
    SetWindowTextW(port, std::to_wstring(ScpiPort()).c_str());
    UiDriver::Click(window, TInstrumentForm::kTestId);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return text(TInstrumentForm::kResultId) == Cp1252("RIGOL DS1054Z, n° DS1ZA0000001");
        },
        15000))
        << text(TInstrumentForm::kResultId);
    UiDriver::Click(window, IDOK);
    main = vexor->WaitForMainWindow(Cp1252("Lecture oscilloscope : RIGOL DS1054Z"), 15000);
    ASSERT_TRUE(main);
    EXPECT_EQ(Close(), 0u);
    EXPECT_EQ(ReadSettingsResource(),
              "TCPIP0::127.0.0.1::" + std::to_string(ScpiPort()) + "::SOCKET");
}

// No VISA library in the test prefix: a USB resource in vexor.ini opens the Instrument window with
// the reason, its USB choice greyed.
TEST_F(Scope, WithoutVisaTheUsbChoiceIsGreyedWithItsReason) {
    Resource = "USB0::0x1AB1::0x04CE::DS1ZA0000001::INSTR";
    Launch({});
    HWND window = UiDriver::WaitForWindow("Instrument", 20000);
    ASSERT_TRUE(window);
    std::string library = sizeof(void*) == 8 ? "visa64.dll" : "visa32.dll";
    std::string reason = Cp1252("Aucune bibliothèque VISA installée (") + library + ")";
    EXPECT_EQ(UiDriver::Control(window, TInstrumentForm::kResultId).Text, reason);
    EXPECT_EQ(UiDriver::Control(window, TInstrumentForm::kUsbReasonId).Text, reason);
    EXPECT_FALSE(IsWindowEnabled(UiDriver::Control(window, TInstrumentForm::kUsbId).Window));
    UiDriver::Click(window, IDCANCEL);
    main = vexor->WaitForMainWindow("Oscilloscope non joignable : USB0::0x1AB1", 15000);
    ASSERT_TRUE(main);
    EXPECT_EQ(Close(), 0u);
    EXPECT_EQ(ReadSettingsResource(), Resource); // kept as it was written
}

// A resource in vexor.ini that cannot be opened: the Instrument window says why, and Cancel makes
// the HM the instrument, identified on its port; vexor.ini then keeps no resource.
TEST_F(Scope, CancelOnAnUnreadableResourceIdentifiesTheHm) {
    Resource = "TCPIP0::bad host::SOCKET";
    Launch();
    HWND window = UiDriver::WaitForWindow("Instrument", 20000);
    ASSERT_TRUE(window);
    EXPECT_EQ(UiDriver::Control(window, TInstrumentForm::kResultId).Text,
              Cp1252("Adresse de l'oscilloscope non valide : bad host"));
    UiDriver::Click(window, IDCANCEL);
    main = vexor->WaitForMainWindow("Lecture oscillo Hameg : HM305", 15000);
    ASSERT_TRUE(main);
    EXPECT_TRUE(UiDriver::Control(main, idEnregistreBtn).Visible);
    EXPECT_EQ(Close(), 0u);
    EXPECT_EQ(ReadSettingsResource(), "");
}

// The port dialog's OK would make the HM the instrument: a scope's acquisition held is not lost
// without the question, and on Non the scope stays, its acquisition and the port number with it.
TEST_F(Scope, ThePortDialogAsksBeforeDroppingTheScopesAcquisition) {
    ASSERT_TRUE(StartScope({"model rigol-ds1054z"}, "RIGOL DS1054Z"));
    ASSERT_TRUE(ReadScope());
    std::string held = CopiedAcquisition(main);
    UiDriver::Click(main, idSetBtn);
    HWND dialog = UiDriver::WaitForWindow("Configuration du port RS232", 15000);
    ASSERT_TRUE(dialog);
    for (const UiDriver::ControlState& c : UiDriver::Controls(dialog))
        if (c.Text == "COM" + std::to_string(SimCom() + 10)) SendMessageW(c.Window, BM_CLICK, 0, 0);
    UiDriver::ClickButton(dialog, "OK");
    EXPECT_EQ(AnswerBox("Confirmation", "&Non"), Cp1252("Perte des données courantes"));
    EXPECT_EQ(UiDriver::Text(main).rfind(Cp1252("Lecture oscilloscope : RIGOL DS1054Z"), 0), 0u);
    EXPECT_EQ(CopiedAcquisition(main), held);
    EXPECT_EQ(Close(), 0u);
    EXPECT_EQ(ReadSettingsNumber(), std::to_string(SimCom()));
}

namespace {

// The USB path, in the prefix of tests/visa/with-visa, whose stand-in VISA library carries a USB
// instrument's bytes to the network scope.
class Usb : public Scope {};

} // namespace

TEST_F(Usb, AUsbScopeIsChosenInTheInstrumentWindowAndRead) {
    ScpiControl("model rigol-ds1054z");
    ASSERT_TRUE(Start());
    UiDriver::Click(main, idInstrumentBtn);
    HWND window = UiDriver::WaitForWindow("Instrument", 15000);
    ASSERT_TRUE(window);
    const char* resource = "USB0::0x1AB1::0x04CE::DS1ZA0000001::INSTR";
    EXPECT_EQ(UiDriver::Control(window, TInstrumentForm::kUsbListId).Text, resource);
    UiDriver::Click(window, TInstrumentForm::kUsbId);
    UiDriver::Click(window, TInstrumentForm::kTestId);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return UiDriver::Control(window, TInstrumentForm::kResultId).Text ==
                   Cp1252("RIGOL DS1054Z, n° DS1ZA0000001");
        },
        15000));
    UiDriver::Click(window, IDOK);
    ASSERT_TRUE(vexor->WaitForMainWindow(Cp1252("Lecture oscilloscope : RIGOL DS1054Z"), 15000));
    ASSERT_TRUE(ReadScope());
    DataTable table = SavedTable();
    std::vector<double> sent = ScpiSent(2);
    ASSERT_EQ(table.RowCount() + 1, sent.size());
    for (std::size_t i = 0; i < table.RowCount(); i += 11)
        ASSERT_NEAR(table.Columns[2][i], sent[i + 1], 1e-4 * std::fabs(sent[i + 1]) + 1e-9);

    // The close does not wait for a stalled USB block.
    long long closing = CloseDuringAStalledBlock();
    EXPECT_GE(closing, 0);
    EXPECT_LT(closing, 2500);
    EXPECT_EQ(ReadSettingsResource(), resource);
}

// A VISA library whose resource manager does not open: the Instrument window names the call and
// its status, and greys the USB choice.
// A Tektronix TBS1000B, which has no network port, on its USB port.
TEST_F(Usb, ATektronixOnItsUsbPortIsRead) {
    const wchar_t* resource = L"USB0::0x0699::0x0368::C010001::INSTR";
    SetEnvironmentVariableW(L"VEXOR_VISA_RESOURCE", resource);
    ScpiControl("fault none");
    ScpiControl("model tektronix-tbs1052b");
    Resource = Narrow(resource);
    main = Start({}, Cp1252("Lecture oscilloscope : TEKTRONIX TBS1052B"));
    SetEnvironmentVariableW(L"VEXOR_VISA_RESOURCE", nullptr);
    ASSERT_TRUE(main);
    ASSERT_TRUE(ReadScope());
    DataTable table = SavedTable();
    ASSERT_EQ(table.Columns.size(), 3u);
    std::vector<double> sent = ScpiSent(1);
    ASSERT_EQ(table.RowCount() + 1, sent.size());
    for (std::size_t i = 0; i < table.RowCount(); i += 11)
        ASSERT_NEAR(table.Columns[1][i], sent[i + 1], 1e-4 * std::fabs(sent[i + 1]) + 1e-9);
    EXPECT_EQ(Close(), 0u);
}

TEST_F(Usb, AResourceManagerThatDoesNotOpenIsNamed) {
    SetEnvironmentVariableW(L"VEXOR_VISA_MANAGER_STATUS", L"0xBFFF000F");
    Resource = "USB0::0x1AB1::0x04CE::DS1ZA0000001::INSTR";
    Launch({});
    HWND window = UiDriver::WaitForWindow("Instrument", 20000);
    SetEnvironmentVariableW(L"VEXOR_VISA_MANAGER_STATUS", nullptr);
    ASSERT_TRUE(window);
    std::string said = Cp1252("La bibliothèque VISA est chargée mais son gestionnaire de "
                              "ressources ne s'ouvre pas (viOpenDefaultRM : état 0xBFFF000F)");
    EXPECT_EQ(UiDriver::Control(window, TInstrumentForm::kResultId).Text, said);
    EXPECT_EQ(UiDriver::Control(window, TInstrumentForm::kUsbReasonId).Text, said);
    EXPECT_FALSE(IsWindowEnabled(UiDriver::Control(window, TInstrumentForm::kUsbId).Window));
    UiDriver::Click(window, IDCANCEL);
    main = vexor->WaitForMainWindow("Oscilloscope non joignable : USB0::0x1AB1", 15000);
    ASSERT_TRUE(main);
}
