#pragma once
// Writing the clipboard: plain ANSI text (CF_TEXT), or any one format's bytes.
#include <windows.h>
#include <functional>
#include <string>

#include "export/TextSink.h"

// Replaces the clipboard's content with `text` (1252, zero-terminated on the clipboard), the
// clipboard opened by `owner`, a window of this program. A clipboard held by another program is
// tried again for about half a second; false when it could not be had.
bool PutTextOnClipboard(HWND owner, const std::string& text);
// The same for the text that `write` gives as it goes, written twice: once to size the
// clipboard's memory, once into it.
bool PutTextOnClipboard(HWND owner, const std::function<void(TextSink&)>& write);

// Replaces the clipboard's content with `bytes` in `format` (CF_DIB...), as PutTextOnClipboard.
bool PutOnClipboard(HWND owner, UINT format, const std::string& bytes);
