#pragma once
// The application-wide hooks and the main message loop.
#include <windows.h>

// Sees every message of the program's own loops before it is dispatched: Ctrl+letter characters
// become the symbols of the replacement table, and the help bar follows the control under the
// mouse.
void ApplicationMessage(MSG& msg);

// Runs until WM_QUIT; returns its exit code.
int RunMessageLoop();
