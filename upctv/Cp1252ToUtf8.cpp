#include "Cp1252ToUtf8.h"

#include "base/Cp1252Table.h"

namespace upctvengine {
namespace {

void appendUtf8(std::string& out, char16_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string cp1252ToUtf8(std::string_view bytes)
{
    std::string out;
    // Every code-page character takes at most three UTF-8 bytes (the euro sign).
    out.reserve(bytes.size() + bytes.size() / 2);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        appendUtf8(out, tirvelo::cp1252::isUndefined(b) ? u' ' : tirvelo::cp1252::toUnicode(b));
    }
    return out;
}

} // namespace upctvengine
