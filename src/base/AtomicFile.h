#pragma once
// Atomic replacement of a file.
#include "base/RegularFile.h"

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>


namespace tirvelo {

// Replaces the file's content at once: the bytes go to a temporary file in the
// same folder, which is flushed to disk and renamed over the file, so a crash,
// a kill or a full disk leaves either the old or the new content, never a
// part. The folder is created if needed; symbolic links are followed as the
// system follows them when the file is opened (a chain of them, relative ones
// from the real folder they sit in, a dangling one to the file it names) and
// the final file replaced; an existing file keeps its permission bits. Returns
// false on any failure, the old file then being untouched.
bool writeFileAtomically(const QString& path, QByteArrayView content);

// Reads the file (as readBoundedFile, through its links), lets edit make the
// new content from what it holds now, and replaces it with writeFileAtomically
// unless nothing changed. edit returns nullopt to refuse; the file is then
// left alone. Two of our programs editing the same file at once take turns
// (an advisory lock on its folder, waited for half a second at most), so that
// neither's change is lost. Returns false when the file cannot be read (other
// than missing), edit refuses, or the write fails.
using FileEdit = std::function<std::optional<QByteArray>(const FileContents& current)>;
bool editFileAtomically(const QString& path, const FileEdit& edit);

} // namespace tirvelo
