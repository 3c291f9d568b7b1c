#pragma once
// The program's text is single-byte Windows-1252 (std::string holding 1252 bytes). These are the
// only conversions to and from Unicode: for the wide Win32 API (UTF-16) and for the French
// literals of the sources, which are UTF-8.
#include <string>
#include <string_view>

// The micro sign, the prefix letter for 1E-6.
constexpr char kMicroSign = '\xB5';

// Every byte maps to one UTF-16 unit; the five bytes 1252 leaves undefined map to the C1 controls
// of the same value, as the system's own conversion does, so any byte string survives a round trip.
std::u16string Utf16From1252(std::string_view text);

// Characters outside 1252 become "?".
std::string Cp1252FromUtf16(std::u16string_view text);

// A UTF-8 literal of the sources as 1252 bytes. Throws std::invalid_argument for malformed UTF-8
// or a character that 1252 cannot hold, so a bad literal fails loudly in the tests.
std::string Cp1252(std::string_view utf8);
