#pragma once
// An existing book read into editor pages, through the program's own loader,
// so that the editor opens exactly the books the reader opens.
#include "editor/EditorPage.h"

#include <QList>
#include <QString>

namespace tirvelo::editor {

struct OpenedBook {
    QList<EditorPage> pages; // ids still 0: the model gives them
    QString bookPath;        // absolute, as found on disk
    QString directoryLine;
    QString failure; // the reader's own message when it would refuse the book; empty otherwise
};

// Names are found as the reader finds them once the book is open: relative
// ones from the book's folder, "\" between folders, letter case ignored where
// the exact name is missing. A file that is not found keeps its name, so that
// the check names it on saving.
OpenedBook openBookForEditing(const QString& path);

// Where the reader finds a page or companion name written in a book of folder.
QString pathInBook(const QString& bookFolder, const QString& name);

} // namespace tirvelo::editor
