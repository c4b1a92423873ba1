#pragma once
// Saving the editor's pages as a book folder: the book file (empty directory
// line, relative names) beside every picture, sound and text it needs. The
// book tool's check runs on the book before it replaces anything; a book the
// reader would stumble on is not written, and whatever the save made is taken
// away again. The book file itself is replaced atomically, last, so the
// previous one stays whole until the new one is complete.
#include "authoring/VerifiedPictures.h"
#include "desktop/InterfaceLanguage.h"
#include "editor/EditorPage.h"

#include <QHash>
#include <functional>
#include <QList>
#include <QSet>
#include <QString>

namespace tirvelo::editor {

// What the saver remembers between the saves of one editing session.
struct SaveMemory {
    QString bookPath;      // the book opened or last saved, absolute; empty for a new one
    QString directoryLine; // its directory line
    QHash<QString, QString> copies;    // a page's source file: its copy in the book's folder
    QHash<quint64, QString> textFiles; // a page: the text file written for it
    QSet<QString> written;             // every file the editor wrote
    authoring::VerifiedPictures verified; // the copies saved of verified pictures
};

enum class SaveStatus {
    Saved,
    NeedsConfirmation, // a book the editor did not make is at the book's path
    NotABook,          // another file, or a link, is there: never replaced (failedPath)
    NoPages,
    TooManyPages,
    Refused,           // the check found what the reader would stumble on
    SourceUnreadable,  // a page's file cannot be read (failedPath, page)
    FolderNotWritable, // failedPath
    WriteFailed,       // failedPath: a full disk, most likely
};

// A finding of the check, tied to its page (-1: the book as a whole).
struct PageFinding {
    int page = -1;
    bool error = false;
    QString text; // in the interface language
};

struct SaveOutcome {
    SaveStatus status = SaveStatus::Saved;
    QList<PageFinding> findings; // errors refuse the save; warnings come with a saved book too
    QString failedPath;
    int failedPage = -1;
};

struct SaveTarget {
    QString bookPath;              // absolute; ends in ".Lumbrix"
    bool replaceConfirmed = false; // the user agreed to replace what is at bookPath
    InterfaceLanguage language = InterfaceLanguage::Catalan; // of the findings
};

// Needs a QGuiApplication: the check decodes every picture as the reader would.
// prepared: for a picture added, the file made fit for the page (when it is
// not the source itself); that file is saved in its place.
// verified: pictures the editor has decoded as the reader would; the check
// decodes their copies only when they (or the copies) have changed since.
// progress: told (files done, of total) as the files are written and the book checked.
SaveOutcome saveBook(const QList<EditorPage>& pages, const SaveTarget& target, const QHash<QString, QString>& prepared,
                     const authoring::VerifiedPictures& verified, SaveMemory& memory,
                     const std::function<void(int done, int total)>& progress = {});

} // namespace tirvelo::editor
