#pragma once
// Atomic replacement of a file.
#include <QByteArrayView>
#include <QString>


namespace tirvelo {

// Replaces the file's content at once: the bytes go to a temporary file in the
// same folder, which is flushed to disk and renamed over the file, so a crash,
// a kill or a full disk leaves either the old or the new content, never a
// part. The folder is created if needed; a symbolic link is followed and its
// target replaced; an existing file keeps its permission bits. Returns false on
// any failure, the old file then being untouched.
bool writeFileAtomically(const QString& path, QByteArrayView content);

} // namespace tirvelo
