#pragma once
// What the program reads from the system at start-up.
#include <string>

// The user locale's decimal separator (its first character, in 1252); "." if it cannot be read.
char LocaleDecimalSeparator();

// The shell special folder `csidl` for the current user, with a trailing backslash; "" when the
// shell cannot give it.
std::wstring SpecialFolderPath(int csidl);

// The full path of the running program's executable, in 1252 ("?" for what it cannot hold): the
// files and the clipboard text carry it as 1252.
std::string ProgramPath();
