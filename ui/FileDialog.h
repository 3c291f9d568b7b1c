#pragma once
// The system's save and open dialogs.
#include <windows.h>
#include <string>
#include <vector>

struct FileType {
    std::string Description; // 1252: "Curvilab (*.cv3)"
    std::wstring Pattern;    // "*.cv3"
};

// What the save dialog does with a file that exists: the specified acquisition save replaces it
// without a word (its writes replace a file whole or not at all); the windows the program adds
// ask first, and show the dialog again on No.
enum class Existing { Replace, Ask };

// The save dialog titled `title` (1252), owned by `owner`, offering `types`; a name typed without
// an extension gets `defaultExtension`. The chosen file's path, "" when cancelled.
std::wstring AskSavePath(HWND owner, const std::string& title, const std::vector<FileType>& types,
                         const wchar_t* defaultExtension, Existing existing);

// The open dialog: the path of an existing file, "" when cancelled.
std::wstring AskOpenPath(HWND owner, const std::string& title, const std::vector<FileType>& types);
