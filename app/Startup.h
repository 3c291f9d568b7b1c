#pragma once
// What happens between the start of the process and its message loop.
#include <windows.h>
#include <string>
#include <vector>

// Creates the "Curvilab" folder in the user's documents and application-data folders (one level,
// failures ignored) and sets DocumentsDir and AppDataDir.
void CreateUserFolders();

// The single-instance rule. Returns false when the command line was handed to a running
// instance, which the caller then leaves alone by ending the process.
bool CheckSingleInstance(const std::vector<std::string>& arguments);

// Puts the arguments that are not switches on the clipboard and posts 1026 to `target`, or
// posts 1025 when there are none.
void HandOffCommandLine(HWND target, const std::vector<std::string>& arguments);

constexpr UINT kHandOffWithoutArguments = WM_USER + 1; // 1025
constexpr UINT kHandOffWithArguments = WM_USER + 2;    // 1026
