// Benchmarks of a network scope's read through the real window, against scpi-sim (run through
// tests/serial/with-sim --scpi):
//   read <model>   "scpi_read_ratio_<model>": from the click on the read button to the read's end,
//                  against the floor of the connection's answers at the family's latency and byte
//                  rate, as the simulator works it out
//   cpu <model> <figure>  <figure>: the program's CPU for a read with the preview open
//                  (conversion, measurements and drawing), less what it spends idle, over ten
//                  reads as the host counts them (its ticks are 10 ms)
//   close [usb]    "scpi_close_ms_tcp" (or _usb, in the prefix of tests/visa/with-visa): closing
//                  the program while a block has stalled
//   sweep-stop     "sweep_stop_ms": from Arrêter, after a sweep's first point, to the window saying
//                  the sweep has stopped, both instruments put back
//   sweep-close    "sweep_close_ms": the same from the close box to the program's end
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/SeriesForm.h"
#include "app/SweepForm.h"
#include "common/Text1252.h"
#include "tests/e2e/VexorProcess.h"
#include "tests/serial/ProcessFigures.h"
#include "tests/serial/SimLink.h"
#include "tools/ui-driver/UiDriver.h"
#include "ui/Wide.h"

namespace {

double Now() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

std::string ScpiLog() { return FileText(Wide(SimPath("scpi.log"))); }

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; ++at) ++count;
    return count;
}

// The program on the network scope (ended by force if a figure fails), its window once it names
// the scope.
HWND StartOnScope(std::unique_ptr<VexorProcess>& vexor, bool usb = false) {
    WriteSettings(std::to_string(SimCom()));
    WriteSettingsResource(usb ? "USB0::0x1AB1::0x04CE::DS1ZA0000001::INSTR"
                              : "TCPIP0::127.0.0.1::" + std::to_string(ScpiPort()) + "::SOCKET");
    vexor = std::make_unique<VexorProcess>();
    return vexor->WaitForMainWindow(Cp1252("Lecture oscilloscope"), 15000);
}

// The read button back and an acquisition held.
bool ReadOver(HWND main) {
    return IsWindowVisible(GetDlgItem(main, idEnregistreBtn)) &&
           IsWindowVisible(GetDlgItem(main, idClipSaveBtn));
}

// Clicks the read button and waits, polling, until the read is over and its connection closed.
// The buttons are looked at first and the simulator's log only once they show: reading the log,
// or asking the window for its texts, at each poll would load the machine the read runs on. The
// seconds it took, or a negative value on failure.
double TimedRead(HWND main) {
    int connections = Count(ScpiLog(), "connection: ");
    double start = Now();
    UiDriver::Click(main, idEnregistreBtn);
    while (!ReadOver(main) || Count(ScpiLog(), "connection: ") == connections) {
        if (Now() - start > 30) return -1;
        Sleep(1);
    }
    return Now() - start;
}

double LastFloorSeconds() {
    std::string log = ScpiLog();
    std::size_t at = log.rfind("floor_ms ");
    return at == std::string::npos ? -1 : std::stod(log.substr(at + 9)) / 1000;
}

int Read(const std::string& model) {
    ScpiControl("model " + model);
    ScpiControl(std::getenv("VEXOR_BENCH_NO_PACE") ? "pace none" : "pace real");
    std::unique_ptr<VexorProcess> vexor;
    HWND main = StartOnScope(vexor);
    if (!main) return 2;
    double seconds = TimedRead(main);
    // The connection's figure comes as it ends, with the read.
    double floor = LastFloorSeconds();
    if (seconds < 0 || floor < 0) return 3;
    std::printf("scpi_read_ratio_%s %.4f\nscpi_read_ms_%s %.3f\nscpi_floor_ms_%s %.3f\n",
                model.c_str(), seconds / floor, model.c_str(), seconds * 1000, model.c_str(),
                floor * 1000);
    vexor->Close(main);
    return 0;
}

// `settings` are the simulator's, "shown3=on" for "shown3 on".
int Cpu(const std::string& model, const std::string& figure,
        const std::vector<std::string>& settings) {
    constexpr int kReads = 10;
    ScpiControl("model " + model);
    for (std::string setting : settings) ScpiControl(setting.replace(setting.find('='), 1, " "));
    std::unique_ptr<VexorProcess> vexor;
    HWND main = StartOnScope(vexor);
    if (!main || TimedRead(main) < 0) return 2;
    UiDriver::Click(main, idPreviewBtn);
    if (!UiDriver::WaitForWindow(Cp1252("Aperçu de l'acquisition"), 15000)) return 3;
    Sleep(500);
    double idleStart = CpuSeconds(vexor->Id()), idleFrom = Now();
    Sleep(2000);
    double idlePerSecond = (CpuSeconds(vexor->Id()) - idleStart) / (Now() - idleFrom);
    double before = CpuSeconds(vexor->Id()), start = Now();
    for (int i = 0; i < kReads; ++i) {
        UiDriver::Click(main, idEnregistreBtn);
        HWND box = UiDriver::WaitForMessageBox("Confirmation", 15000); // the last read's loss
        if (!box || before < 0) return 4;
        UiDriver::ClickButton(box, "&Oui");
        UiDriver::WaitUntilGone(box, 5000);
        // The read, then the preview's measurements and picture.
        while (!UiDriver::Control(main, idEnregistreBtn).Visible) Sleep(1);
    }
    Sleep(1000);
    double cpu = CpuSeconds(vexor->Id()) - before - idlePerSecond * (Now() - start);
    std::printf("%s %.3f\n", figure.c_str(), cpu * 1000 / kReads);
    vexor->Close(main);
    return 0;
}

int Close(bool usb) {
    ScpiControl("model rigol-ds1054z");
    std::unique_ptr<VexorProcess> vexor;
    HWND main = StartOnScope(vexor, usb);
    if (!main) return 2;
    ScpiControl("fault stall");
    int connections = Count(FileText(Wide(SimPath("scpi-commands.log"))), ":WAV:DATA?");
    UiDriver::Click(main, idEnregistreBtn);
    while (Count(FileText(Wide(SimPath("scpi-commands.log"))), ":WAV:DATA?") == connections)
        Sleep(1);
    Sleep(300); // the half block has come; the rest never will
    double start = Now();
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (vexor->WaitForExit(15000) != 0) return 3;
    std::printf("scpi_close_ms_%s %.3f\n", usb ? "usb" : "tcp", (Now() - start) * 1000);
    return 0;
}

// The last line of one of the simulator's command logs.
std::string LastCommand(const char* log) {
    std::string text = FileText(Wide(SimPath(log)));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text.substr(text.find_last_of('\n') + 1);
}

int SweepStop(bool close) {
    for (const char* setting : {"model rigol-ds1054z", "pace real", "probe2 1",
                                "circuit lowpass 1000 1.5915494309189535e-6"})
        ScpiControl(setting);
    ForgetKeptSeries();
    std::unique_ptr<VexorProcess> vexor;
    HWND main = StartOnScope(vexor);
    if (!main) return 2;
    HWND series = OpenSeriesWindow(main);
    if (!series) return 3;
    UiDriver::Click(series, TSeriesForm::idSweepBtn);
    HWND sweep = UiDriver::WaitForWindow("Balayage automatique", 15000);
    if (!sweep) return 3;
    std::string generator = "TCPIP0::127.0.0.1::" + std::to_string(GeneratorPort()) + "::SOCKET";
    SetWindowTextW(GetDlgItem(sweep, TSweepForm::idGeneratorEdit), Wide(generator).c_str());
    // A settling wait of 5 s a point: the stop finds the sweep waiting, as it mostly is.
    SetWindowTextW(GetDlgItem(sweep, TSweepForm::EditOf(TSweepForm::kSettling)), L"5000");
    UiDriver::Click(sweep, TSweepForm::idStartBtn);
    double deadline = Now() + 60;
    while (UiDriver::Control(series, TSeriesForm::idPointsText).Text != "1 point")
        if (Now() > deadline)
            return 4;
        else
            Sleep(1);
    double start = Now();
    if (close) {
        PostMessageW(main, WM_CLOSE, 0, 0);
        if (vexor->WaitForExit(15000) != 0) return 5;
    } else {
        UiDriver::Click(sweep, TSweepForm::idStopBtn);
        while (UiDriver::Control(sweep, TSweepForm::idStatusText)
                   .Text.rfind(Cp1252("Balayage arrêté"), 0) != 0)
            if (Now() > start + 15)
                return 5;
            else
                Sleep(1);
    }
    double ms = (Now() - start) * 1000;
    if (LastCommand("generator-commands.log") != "*OPC?" ||
        LastCommand("scpi-commands.log") != "*OPC?")
        return 6; // not put back
    std::printf("sweep_%s_ms %.3f\n", close ? "close" : "stop", ms);
    if (!close) vexor->Close(main);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "read" && argc > 2) return Read(argv[2]);
    if (mode == "cpu" && argc > 3) return Cpu(argv[2], argv[3], {argv + 4, argv + argc});
    if (mode == "close") return Close(argc > 2 && std::string(argv[2]) == "usb");
    if (mode == "sweep-stop" || mode == "sweep-close") return SweepStop(mode == "sweep-close");
    std::fprintf(
        stderr,
        "scope_benchmark read <model> | cpu <model> <figure> [setting=value...] | close [usb] | "
        "sweep-stop | sweep-close\n");
    return 1;
}
