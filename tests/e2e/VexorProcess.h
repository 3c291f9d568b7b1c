#pragma once
// The real vexor.exe as a child process of an end-to-end test.
#include <windows.h>
#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ui/Handles.h"

// A file of the build tree (vexor.exe, fake-curvilab.exe, bench\minimal_window.exe), found from
// this test program's own place in it.
std::wstring BuildTreeFile(const std::wstring& name);

// The test prefix's AppData\Curvilab folder and the settings file in it.
std::string SettingsFile();
// Writes `number` as the port; "" removes the file, whatever a test left in its place (a
// read-only file, a folder).
void WriteSettings(const std::string& number);
std::string ReadSettingsNumber(); // "" when the file or the key is missing
// The instrument's resource text in the settings file, written and read back.
void WriteSettingsResource(const std::string& resource);
// No series an earlier run left behind is offered.
void ForgetKeptSeries();
// The series window, opened through the preview; null when either did not come.
HWND OpenSeriesWindow(HWND mainWindow);
// The value rows of a series page or file after the line holding `firstRowAfter`: f, V1, V2, G,
// phi.
std::vector<std::vector<double>> SeriesValueRows(const std::string& text,
                                                 const std::string& firstRowAfter);
std::string ReadSettingsResource();

// Leaves no Curvilab for the next test: its registry key (the program's launch command) and every
// stand-in still running, started by a test or by the program.
void ForgetCurvilab();
void EndStandIns();

// A program a test started; ended by force if it still runs when the test drops it.
class ChildProcess {
public:
    ChildProcess(std::wstring commandLine, UINT exitCodeIfEnded);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return bool(process_); }
    DWORD Id() const { return id_; }
    // Waits for the process to end, serving this thread's messages meanwhile; its exit code, or
    // STILL_ACTIVE on time-out.
    DWORD WaitForExit(DWORD ms);

private:
    UniqueKernelHandle process_;
    DWORD id_ = 0;
    UINT exitCodeIfEnded_;
};

// The stand-in for Curvilab as a child process of a test.
class FakeCurvilabProcess : public ChildProcess {
public:
    explicit FakeCurvilabProcess(const std::wstring& options);
    // Waits for it to end (a --send); its exit code, or STILL_ACTIVE on time-out.
    DWORD Wait(DWORD ms) { return WaitForExit(ms); }
};

// A file's bytes; "" when it cannot be read.
std::string FileText(const std::wstring& path);

// Puts `text` on the clipboard as another program would, with a window of its own as owner.
bool PutTextOnClipboardFromElsewhere(const std::string& text);

class VexorProcess : public ChildProcess {
public:
    explicit VexorProcess(const std::vector<std::string>& arguments = {});

    // The main window, once its title starts with `titlePrefix`.
    HWND WaitForMainWindow(const std::string& titlePrefix, DWORD ms);
    // Closes the main window, answering the program's message boxes with OK and the port dialog
    // with Annuler on the way (a close may land while the identification shows them); the exit
    // code.
    DWORD Close(HWND mainWindow);
    // Answers every message box of the program that shows up within `ms` with OK, and the port
    // dialog with Annuler.
    int AnswerBoxes(DWORD ms);
    // The main window whatever the port gives (instrument found or not), answering the
    // identification's messages on the way; nullptr if none came within `ms`.
    HWND WaitForAnyMainWindow(DWORD ms);
};

// Answers the program's box titled `title` ("" for any) with `button`; its text, or "" if none
// came within `ms`.
std::string AnswerBox(const std::string& title, const char* button = "OK", DWORD ms = 20000);
// The boxes of a read under way: "&Oui" to "Perte des données courantes" when `holdsData`, then
// `zeroAnswer` to the zero prompt, whose text goes to `prompt`; false when one did not come.
bool AnswerLossAndZero(bool holdsData, const char* zeroAnswer = "OK",
                       std::string* prompt = nullptr);
// One read through the window: the read button, then the boxes above (the loss asked about when
// the window holds an acquisition); true once the read has ended with an acquisition.
bool ReadThroughTheWindow(HWND mainWindow, const char* zeroAnswer = "OK",
                          std::string* prompt = nullptr);

// The longest the window took to answer a message, sampled every `periodMs` from a thread of
// its own until Stop.
class AnswerWatch {
public:
    AnswerWatch(HWND window, DWORD periodMs)
        : thread_([this, window, periodMs] {
              while (!stop_) {
                  ULONGLONG start = GetTickCount64();
                  DWORD_PTR result = 0;
                  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
                  longest_ = std::max<ULONGLONG>(longest_, GetTickCount64() - start);
                  Sleep(periodMs);
              }
          }) {}
    ~AnswerWatch() { Stop(); }
    ULONGLONG Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return longest_;
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<ULONGLONG> longest_{0};
    std::thread thread_;
};

// The program still answers its user: the about box opens from the main window and closes.
bool AboutBoxOpensAndCloses(HWND mainWindow);

// The acquisition as the clipboard button puts it there: clears the clipboard, clicks the button
// and waits for the text; "" if none came.
std::string CopiedAcquisition(HWND mainWindow);

// The clipboard text's rows against the images the simulator sent: every sample of `channels`
// channels from `header` on, with the zero image (or the centre line when `zero` is empty).
struct RowCheck {
    int Compared = 0;
    int Mismatched = 0;
    std::string Problem; // the layout is wrong: the first difference found
};
RowCheck CheckRows(const std::string& clipboardText, const std::vector<uint8_t>& image,
                   const std::vector<uint8_t>& zero, int header, int channels,
                   float sensitivity1 = 0.2f, float sensitivity2 = 0.2f, float timeStep = 2.5e-5f);
