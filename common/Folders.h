#pragma once
// Folder paths. They stay UTF-16 from the system to the file calls: a user folder may be named in
// letters the program's own text cannot hold.
#include <string>

// "" stays ""; a path ending in a backslash is unchanged; any other gets one appended.
std::wstring WithTrailingBackslash(const std::wstring& path);

// The documents folder + "Curvilab\" and the application-data folder + "Curvilab\", set once at
// start-up and empty before.
extern std::wstring DocumentsDir;
extern std::wstring AppDataDir;
