#pragma once
// The clipboard, as plain ANSI text (CF_TEXT).
#include <string>

// Replaces the clipboard's content with `text` (1252, zero-terminated on the clipboard). A
// clipboard held by another program is tried again for about half a second; false when it
// could not be had.
bool PutTextOnClipboard(const std::string& text);
