#pragma once
// Windows-1252 to UTF-8 for the speech engine, which takes its text and file
// names in the code page and hands espeak-ng UTF-8. No Qt here: the engine is a
// plain shared library.
#include <cstddef>
#include <string>
#include <string_view>

namespace upctvengine {

// Converts every byte. The five bytes the code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) become a blank: they stand for no character that
// could be spoken.
std::string cp1252ToUtf8(std::string_view bytes);

} // namespace upctvengine
