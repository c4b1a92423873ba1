#pragma once
// `make`: a book from a folder of pages.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tirvelo::booktool {

// Natural order of file names: base names before extensions, runs of digits by
// their value ("2.jpg" before "10.jpg"), other characters ignoring letter case;
// names equal that way fall back to plain comparison.
bool naturallyBefore(const QString& a, const QString& b);

struct MakeOptions {
    QString folder;
    QString book;         // empty: inside the folder, named after it
    bool windows = false; // "\" between folders instead of "/"
    bool force = false;   // replace an existing book
};

enum class Refusal {
    None,
    NotAFolder,
    NoPages,
    TooManyPages,
    NameNotCp1252,
    NameWithHash,
    NameWithLineBreak,
    NameWithBackslash,
    NameWithDriveLetter,
    NameTooLong,
    BookExists,
    BookIsLink,
    NotABook,
    WriteFailed,
};

struct BookPlan {
    QString bookPath;
    QString directoryLine;   // from the book's folder to the pages' folder
    QStringList pageLines;   // in book order, "picture#companion" where paired
    QStringList unusedFiles; // neither pages nor companions
    Refusal refusal = Refusal::None;
    QString refusedName; // the name or path the refusal is about
};

// The folder's pages in natural order. A picture is paired with the file of
// the same base name ending in ".wav", else ".txt", else ".rtf"; such files are
// then not pages of their own. One the program would take for another kind
// (its name holds ".wav" or ".txt" besides its ending) is not paired, and both
// files stay pages of their own. Companion names carry the directory line too,
// since the program looks for them from its current directory. Nothing is
// written; refusal says why the plan cannot be written.
BookPlan planBook(const MakeOptions& options);

// The book file: Windows-1252, CR LF line ends, the exact header.
QByteArray bookFileBytes(const BookPlan& plan);

// Plans and, unless refused, writes the book at once (never half a file).
BookPlan makeBook(const MakeOptions& options);

} // namespace tirvelo::booktool
