#pragma once
// The application-wide hooks.
#include <windows.h>

// Sees every message of the program's own loops before it is dispatched: Ctrl+letter characters
// become the symbols of the replacement table, and the help bar follows the control under the
// mouse.
void ApplicationMessage(MSG& msg);
