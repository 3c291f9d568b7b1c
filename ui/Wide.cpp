#include "ui/Wide.h"

#include "common/Text1252.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

std::wstring Wide(std::string_view text) {
    std::u16string units = Utf16From1252(text);
    return std::wstring(units.begin(), units.end());
}

std::string Narrow(std::wstring_view text) {
    return Cp1252FromUtf16(std::u16string(text.begin(), text.end()));
}

std::wstring WindowTextW(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(std::size_t(length) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

std::string WindowText(HWND window) { return Narrow(WindowTextW(window)); }

void SetWindowText1252(HWND window, const std::string& text) {
    SetWindowTextW(window, Wide(text).c_str());
}
