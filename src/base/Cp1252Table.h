#pragma once
// The Windows-1252 code page's one row that differs from Latin-1. No Qt here:
// the speech engine, a plain shared library, reads it too.
#include <array>

namespace tirvelo::cp1252 {

// Bytes 0x80..0x9F in Unicode; every other byte is its own code point. The
// five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map
// to the C1 controls of the same value, as Windows itself maps them.
inline constexpr std::array<char16_t, 32> HighRow = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The byte's character, for any byte.
constexpr char16_t toUnicode(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0x9F ? HighRow[byte - 0x80] : char16_t(byte);
}

// True for the five bytes that stand for no character.
constexpr bool isUndefined(unsigned char byte)
{
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

} // namespace tirvelo::cp1252
