#pragma once
// Writing a book file: the header, the directory line and the page lines in
// Windows-1252 with CR LF, replaced at once, then checked as `check` checks.
#include "authoring/Finding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tirvelo::authoring {

// The book file's bytes: the exact header, the page count, the directory line
// and one line per page ("picture#companion" where paired).
QByteArray bookFileBytes(const QString& directoryLine, const QStringList& pageLines);

// A regular file that starts as a book does: the only file a book may replace.
bool isBookFile(const QString& path);

enum class BookWrite {
    Written,
    Exists,   // a book is there and replacing was not asked for
    IsLink,   // a symbolic link: the book would be written where it leads
    NotABook, // another file is there: never replaced
    Failed,   // the file could not be written; what was there is untouched
};

// Whether a book may be written at bookPath (Written when it may).
BookWrite bookWriteRefusal(const QString& bookPath, bool replace);

struct WrittenBook {
    BookWrite result = BookWrite::Failed;
    BookReport report; // the check of what was written (when written)
};

// Writes the book at bookPath with an empty directory line, so the page lines
// are names relative to the book's folder (from where the program resolves
// them once the open dialog has moved there), then checks it.
WrittenBook writeBookFile(const QString& bookPath, const QStringList& pageLines, bool replace);

} // namespace tirvelo::authoring
