#pragma once
// Names for the files of a book's pages: names the book file can hold and the
// program reads as their kind, unique in the book's folder.
#include <QSet>
#include <QString>

namespace tirvelo::authoring {

// Longest page or companion name, its ending included: the program hands
// companion names to the speech engine and the sound call in 128 bytes.
inline constexpr qsizetype MaxPageNameCharacters = 127;

class PageNames {
public:
    // Names are unique against the files already in folder and the names
    // handed out before, ignoring letter case (books move to Windows).
    explicit PageNames(const QString& folder);

    // A free name made from wanted (any text, e.g. a title or a source file's
    // name) and ending (".jpg", ".wav", ".txt"...): Windows-1252 letters only,
    // no "\", "/", "#", ":" or dot in the base (a ".wav" or ".txt" inside a
    // companion's name would change its kind), no line break, at most 127
    // characters with the ending; "-2", "-3"... added when it is taken.
    QString claim(const QString& wanted, const QString& ending);

private:
    QSet<QString> m_taken; // case-folded
};

} // namespace tirvelo::authoring
