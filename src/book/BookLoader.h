#pragma once
// The book file format: a Windows-1252 text whose first six lines are a fixed
// header and whose following lines name the pages.
//
//   {Quirna 2000 - Tirvelo}
//   {Número de planes}
//   N                      (1..1001)
//   {Directori}
//   prefix joined before every page line (may be empty)
//   {Planes}
//   N page lines
#include "book/Book.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

namespace tirvelo {

// Only the first 4096 characters of a line count.
constexpr qsizetype kMaxBookLineLength = 4096;
// File names that pass through the loader hold at most 255 characters.
constexpr qsizetype kMaxFileNameLength = 255;

enum class BookFailure {
    None,
    Line1,
    Line2,
    PageCountRange,
    Line4,
    Line6,
    MissingPageLines,
};

// The page-count line is not a number: the load ends as a conversion error,
// which the program reports through its general error report.
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const QString& text);
    QString text() const { return m_text; }

private:
    QString m_text;
};

// A book file as read: its lines as the text box holds them, the absolute
// folder it was found in, and the file itself as found (absolute).
struct BookText {
    QStringList lines;
    QString folder;
    QString file;
};

// The book file (found like a page name, ignoring case where needed), or
// nullopt when it cannot be read: missing, not a regular file, or over the
// text box's capacity.
std::optional<BookText> readBookText(const QString& fileName);

// Line n (1-based) as the loader tests it: its first 4096 characters; a line
// the file lacks reads as empty.
QString bookLine(const QStringList& lines, qsizetype n);

// The exact text of header line n (1, 2, 4 or 6); empty for the other lines.
QString headerLineText(qsizetype n);

// The failure text of a page-count line that is not a number.
QString notANumberText(const QString& countLine);

// Tests the header in order and stores into book as the tests pass: the page
// count after line 3, the directory (and bookFolder) after line 4, the page
// entries one by one. Returns the first failure; on success CurrentPage is 0.
// Throws ConversionError when line 3 is not a number (book unchanged).
BookFailure applyBookLines(const QStringList& lines, Book& book, const QString& bookFolder = {});

// The message shown for a failure (None gives an empty text).
QString bookFailureMessage(BookFailure failure);

// The message for a file that cannot be read, cut to 255 characters.
QString unreadableBookMessage(const QString& fileName);

} // namespace tirvelo
