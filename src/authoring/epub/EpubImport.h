#pragma once
// Importing an EPUB (EPUB 2 or 3, with or without narration) as a book
// folder: a book file and its pages. Each item of the reading order becomes
// one page: its first picture (as PagePicture makes it) with its narration as
// a wave companion, or else its text as a companion text; an item with text
// and no picture a text page. Covers, the navigation and empty items are
// skipped. Nothing is written outside the folder, and a failed import leaves
// the folder as it found it.
#include "authoring/Finding.h"
#include "authoring/epub/EpubArchive.h"
#include "desktop/InterfaceLanguage.h"

#include <QList>
#include <QString>

namespace tirvelo::authoring {

enum class ImportError {
    None,
    CannotOpen,           // %1 the EPUB: not a ZIP file, or unreadable
    TooManyEntries,       // %1 the count
    UnsafeName,           // %1 the entry
    Link,                 // %1 the entry
    TooLarge,             // %1 the entry: a ZIP bomb
    Corrupt,              // %1 the entry
    Encrypted,            // DRM (META-INF/encryption.xml or rights.xml, or ZIP encryption)
    NoContainer,          // no META-INF/container.xml
    BrokenContainer,      // %2 why
    NoPackage,            // %1 the package file named
    BrokenPackage,        // %1 the package file, %2 why
    BrokenPage,           // %1 the page, %2 why
    BrokenOverlay,        // %1 the SMIL file, %2 why
    MissingFile,          // %1 the entry a page refers to
    PictureDoesNotDecode, // %1 the entry
    SoundDoesNotDecode,   // %1 the entry
    NoPages,              // nothing with a picture or text
    NotAFolder,           // %1 the target
    FolderNotEmpty,       // %1 the target, without --force
    BookExists,           // %1 the book, without --force
    BookIsLink,           // %1 the book
    NotABook,             // %1 the file at the book's place
    WriteFailed,          // %1 the file
};

enum class ImportWarningCode {
    TooManyPages,        // %1 pages found, %2 pages imported
    CharacterReplaced,   // %1 the character, %2 what stands for it, %3 how often
    CharacterLeftOut,    // %1 the character, %3 how often
    SoundOfTextPageLeftOut, // %1 the page item: a text page carries no sound
};

struct ImportWarning {
    ImportWarningCode code;
    QString subject;
    QString other;
    int count = 0;
};

struct ImportOptions {
    QString epub;
    QString folder;      // empty: beside the EPUB, named after it
    bool force = false;  // write into a folder that is not empty, replace its book
    ArchiveLimits limits;
};

struct ImportResult {
    ImportError error = ImportError::None;
    QString subject;  // what the error is about
    QString detail;   // why, where the XML says so
    QString folder;
    QString bookPath;
    int pages = 0;
    QList<ImportWarning> warnings;
    BookReport report; // the check of the book written
};

// Whether the name ends in ".epub" (any case).
bool isEpubName(const QString& path);

// "Conte.epub" gives the folder "Conte" beside it.
QString defaultImportFolder(const QString& epub);
// The book inside a folder: "Conte/Conte.Lumbrix".
QString bookPathInFolder(const QString& folder);

// Imports the EPUB. Needs a QGuiApplication (pictures, the check).
ImportResult importEpub(const ImportOptions& options);

QString importErrorText(const ImportResult& result, InterfaceLanguage language);
QString importWarningText(const ImportWarning& warning, InterfaceLanguage language);

// For the open dialog: the book to open for a chosen EPUB. The book made
// before from it (beside it, in "Conte" or, when that folder held something
// else, "Conte-2"...) is opened again as it is; otherwise the EPUB is imported
// into the first such folder that does not exist. Empty book with the message
// to show when it cannot be.
struct BookFromEpub {
    QString book;
    QString message;
    QStringList warnings; // of an import made now, in the language asked for
};
BookFromEpub bookFromEpub(const QString& epub, InterfaceLanguage language);

} // namespace tirvelo::authoring
