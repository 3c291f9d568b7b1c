#include "common/Text1252.h"

#include <array>
#include <stdexcept>

namespace {

// Unicode of the bytes 0x80..0x9F; the others are their own code points.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t UnitOf(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : char16_t(byte);
}

// The 1252 byte of a code point, or -1.
int ByteOf(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return int(code);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == code) return int(0x80 + i);
    return -1;
}

char32_t NextUtf8(std::string_view text, std::size_t& pos) {
    auto fail = [] { throw std::invalid_argument("malformed UTF-8"); };
    unsigned char lead = text[pos++];
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (extra == 0 || lead >= 0xF8) fail();
    char32_t code = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if (pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80) fail();
        code = (code << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    return code;
}

} // namespace

std::u16string Utf16From1252(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char c : text) out.push_back(UnitOf(static_cast<unsigned char>(c)));
    return out;
}

std::string Cp1252FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t unit : text) {
        int byte = ByteOf(unit);
        out.push_back(byte < 0 ? '?' : char(byte));
    }
    return out;
}

std::string Cp1252(std::string_view utf8) {
    std::string out;
    for (std::size_t pos = 0; pos < utf8.size();) {
        int byte = ByteOf(NextUtf8(utf8, pos));
        if (byte < 0) throw std::invalid_argument("character outside Windows-1252");
        out.push_back(char(byte));
    }
    return out;
}
