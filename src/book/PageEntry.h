#pragma once
// What a page entry asks for. The tests are exact and case-sensitive: only
// ".txt" and ".rtf" in lower case at the very end make text pages, and the
// first "#" splits a picture from its companion (even inside the directory
// prefix, which therefore stands only before the picture part).
#include <QString>

namespace tirvelo {

enum class PageKind { Text, RichText, Picture, Empty };
enum class CompanionKind { None, Sound, TextFile, RichText };

struct PageEntry {
    PageKind kind = PageKind::Empty;
    QString file;      // the text, rich-text or picture file
    QString companion; // everything after the first "#", as written
    CompanionKind companionKind = CompanionKind::None;
};

PageEntry classifyPageEntry(const QString& entry);

// Names handed to the speech engine or the sound call go through a 128-byte
// buffer: at most 127 characters arrive.
constexpr qsizetype kNameBufferCharacters = 127;

} // namespace tirvelo
