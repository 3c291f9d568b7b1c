#pragma once
// The fixture the end-to-end tests share: the simulator tests/serial/with-sim started, the real
// program started on its port and driven through its window, and closed when the test ends.
#include <windows.h>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <string>

#include "tests/e2e/VexorProcess.h"

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sets the simulator up with `commands` (its control commands: "speed 10", "model hm408"),
    // writes its port into vexor.ini and starts the program; the main window once its title
    // starts with `title`, or null.
    HWND Start(std::initializer_list<std::string> commands = {"speed 10"},
               const std::string& title = "Lecture oscillo Hameg");
    // The same without waiting for a window: the identification may first show its messages.
    void Launch(std::initializer_list<std::string> commands = {"speed 10"});
    // One read through the window: the read button, "&Oui" to the loss of the held acquisition,
    // `zeroAnswer` ("OK" or "Annuler") to the zero prompt; true once the read has ended with an
    // acquisition. The zero prompt's text goes to ZeroPrompt.
    bool Read(const char* zeroAnswer = "OK");
    // The read button is back: no read runs.
    bool WaitUntilIdle(DWORD ms = 20000);
    bool HoldsAcquisition();
    // Closes the main window (answering what the program asks on the way); the exit code.
    DWORD Close();

    // `button` of `owner` opens the file dialog `title` (UTF-8 source text), which takes `path`
    // and goes; false when it did not come or go.
    static bool ChooseFile(HWND owner, int button, const char* title, const std::wstring& path);
    // `name` in the temporary folder, no file there under that name.
    static std::wstring TempFilePath(const wchar_t* name);

    // The send command's page dialog, open; null if it did not open within `ms`.
    HWND OpenPageDialog(DWORD ms = 15000);
    // The send command with the page dialog's OK; false when the dialog did not come and go.
    bool SendThroughThePageDialog();

    // The stand-in as Curvilab's installation leaves it in the registry (under `key`), started by
    // the program with `options`, logging to CurvilabLog.
    void RegisterCurvilab(const std::wstring& options, const wchar_t* key = L"Software\\Curvilab");
    // The stand-in started by the test with `options`, logging to CurvilabLog.
    std::unique_ptr<FakeCurvilabProcess> RunCurvilab(const std::wstring& options);
    // How often the stand-in's log holds `text`.
    int CurvilabLogCount(const std::string& text) const;
    // Waits until the stand-in's log holds `text` at least `count` times.
    bool CurvilabLogReaches(const std::string& text, int count = 1, int ms = 20000) const;
    // The clipboard text the stand-in found at its `n`th CLIP macro (from 1); "" if none.
    std::string CurvilabClipboard(int n) const;

    std::unique_ptr<VexorProcess> vexor;
    HWND main = nullptr;
    std::string Resource; // the instrument Launch writes into vexor.ini: "" for the HM
    std::wstring CurvilabLog;
    std::string ZeroPrompt;
};

// A test of the series window: no series an earlier test left behind is offered, and none is
// left behind for the next.
class SeriesProgramTest : public ProgramTest {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Curvilab's launch command under `key` of the user's registry.
void SetCurvilabPath(const wchar_t* key, const std::wstring& command);

// A macro sent to the program as Curvilab sends it, `times` times on one conversation.
std::unique_ptr<FakeCurvilabProcess> SendToProgram(const std::string& macro, int times = 1);
