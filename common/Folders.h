#pragma once
// Folder paths.
#include <string>

// "" stays ""; a path ending in a backslash is unchanged; any other gets one appended.
std::string WithTrailingBackslash(const std::string& path);

// The documents folder + "Curvilab\" and the application-data folder + "Curvilab\", set once at
// start-up and empty before.
extern std::string DocumentsDir;
extern std::string AppDataDir;
