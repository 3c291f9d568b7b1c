#pragma once
// Folder paths.
#include <string>

// "" stays ""; a path ending in a backslash is unchanged; any other gets one appended.
std::string WithTrailingBackslash(const std::string& path);
