#pragma once
// Reading a whole file that must be an ordinary file of bounded size: the one
// reader for books, pages, pictures, settings and desktop files.
#include <QByteArray>
#include <QString>
#include <optional>

namespace tirvelo {

// The files this program edits (settings, key files) are small; anything
// larger than this is not one of them and is left alone.
inline constexpr qint64 kMaxEditableFileSize = 1024 * 1024;

enum class ReadStatus { Ok, Missing, Unreadable, TooLarge };

struct FileContents {
    ReadStatus status = ReadStatus::Missing;
    QByteArray bytes;
};

// Reads the file whole. Missing: nothing by that name. Unreadable: it cannot
// be opened or read, or it is not a regular file (a directory, a FIFO or a
// device is refused without blocking on it; so is a dangling symbolic link).
// TooLarge: more than maxBytes, also when it grows past them while read.
FileContents readBoundedFile(const QString& path, qint64 maxBytes = kMaxEditableFileSize);

// The first bytes of a file, at most maxBytes, however large it is; refused
// like readBoundedFile when it is not a regular file.
FileContents readFileStart(const QString& path, qint64 maxBytes);

// The file's bytes when readBoundedFile reads it, otherwise nullopt.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes);

} // namespace tirvelo
