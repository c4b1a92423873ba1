#pragma once
// Text as the program's plain text box holds it: a file's Windows-1252 bytes,
// within the box's capacity, split into the box's line list.
#include <QString>
#include <QStringList>
#include <optional>

namespace tirvelo {

// The text box holds at most 8 MiB. A book is at most 1007 lines of 4096
// characters (about 4 MiB), so any larger file is not a book nor a page anyone
// reads; treating it as unreadable keeps a stray video from freezing the screen.
constexpr qint64 kTextBoxCapacity = 8 * 1024 * 1024;
// The box takes in lines, not bytes, slowly: 131072 of them took it half a
// second here, and 8 MiB of bare line breaks would hold the screen still for
// most of a minute. So its capacity counts lines too (64 bytes a line on
// average at the byte capacity).
constexpr qsizetype kTextBoxMaxLines = 131072;

// The file's text, or nullopt when it cannot be read or exceeds the capacity
// in bytes or in lines.
// Like the box, the text ends at a NUL byte.
std::optional<QString> readTextBoxFile(const QString& path);

// The first line of a text file, as the box would show it, reading no more of
// the file than a line can use: at most kMaxFirstLineBytes, so that a file of
// any size costs the same. nullopt when the file cannot be read.
constexpr qint64 kMaxFirstLineBytes = 4096;
std::optional<QString> readFirstTextLine(const QString& path);

// The box's lines: a line ends at CR LF, a lone CR or a lone LF; a break at the
// very end does not start another line.
QStringList splitTextBoxLines(const QString& text);

} // namespace tirvelo
