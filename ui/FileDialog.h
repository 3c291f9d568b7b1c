#pragma once
// The system's save and open dialogs.
#include <windows.h>
#include <string>
#include <vector>

struct FileType {
    std::string Description; // 1252: "Curvilab (*.cv3)"
    std::wstring Pattern;    // "*.cv3"
};

// The save dialog titled `title` (1252), owned by `owner`, offering `types`; a name typed without
// an extension gets `defaultExtension`. The chosen file's path, "" when cancelled. Never asks
// before overwriting: the program's writes replace a file whole or not at all.
std::wstring AskSavePath(HWND owner, const std::string& title, const std::vector<FileType>& types,
                         const wchar_t* defaultExtension);

// The open dialog: the path of an existing file, "" when cancelled.
std::wstring AskOpenPath(HWND owner, const std::string& title, const std::vector<FileType>& types);
