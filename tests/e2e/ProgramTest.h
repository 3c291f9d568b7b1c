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
    // One read through the window: the read button, "&Oui" to the loss of the held acquisition,
    // `zeroAnswer` ("OK" or "Annuler") to the zero prompt; true once the read has ended with an
    // acquisition.
    bool Read(const char* zeroAnswer = "OK");
    // The read button is back: no read runs.
    bool WaitUntilIdle(DWORD ms = 20000);
    bool HoldsAcquisition();

    // The stand-in as Curvilab's installation leaves it in the registry, started by the program
    // with `options`, logging to CurvilabLog.
    void RegisterCurvilab(const std::wstring& options);
    // The stand-in started by the test with `options`, logging to CurvilabLog.
    std::unique_ptr<FakeCurvilabProcess> RunCurvilab(const std::wstring& options);
    // How often the stand-in's log holds `text`.
    int CurvilabLogCount(const std::string& text) const;
    // The clipboard text the stand-in found at its `n`th CLIP macro (from 1); "" if none.
    std::string CurvilabClipboard(int n) const;

    std::unique_ptr<VexorProcess> vexor;
    HWND main = nullptr;
    std::wstring CurvilabLog;
};
