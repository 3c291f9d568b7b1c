#pragma once
// The application-wide hooks.
#include <windows.h>

// Sees every message of the program's own loops before it is dispatched: Ctrl+letter characters
// become the symbols of the replacement table in the specified windows (the windows the program
// adds keep their edit keys), the help bar follows the control under the mouse, and the windows'
// shortcut keys are taken on their key-down (true then: the key goes no further).
bool ApplicationMessage(MSG& msg);
