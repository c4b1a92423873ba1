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

// The name handed to the speech engine: the file as found on disk (from the
// current folder, else from bookFolder), or the name as written when nothing
// is found (the engine then refuses it). No name is cut.
QString spokenFileName(const QString& name, const QString& bookFolder);

// The name handed to the sound call for a companion sound: as found on disk, or
// as written when nothing is found or when the name as written is longer than
// the call takes, so that it is refused whole even where finding it on disk
// would shorten it (a doubled separator counts once there). A file found from
// the book's folder is named from the current folder when its full path is
// too long for the call.
QString companionSoundFileName(const QString& companion, const QString& bookFolder);

} // namespace tirvelo
