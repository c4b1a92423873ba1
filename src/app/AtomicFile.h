#pragma once
// Whole-file reads with a size bound and atomic replacement of a file.
#include <QByteArray>
#include <QByteArrayView>
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

// Reads a regular file of at most maxSize bytes. A folder or other non-file
// in its place counts as unreadable.
FileContents readSmallFile(const QString& path, qint64 maxSize = kMaxEditableFileSize);

// Replaces the file's content at once: the bytes go to a temporary file in the
// same folder, which is flushed to disk and renamed over the file, so a crash,
// a kill or a full disk leaves either the old or the new content, never a
// part. The folder is created if needed; a symbolic link is followed and its
// target replaced; an existing file keeps its permission bits. Returns false on
// any failure, the old file then being untouched.
bool writeFileAtomically(const QString& path, QByteArrayView content);

} // namespace tirvelo
