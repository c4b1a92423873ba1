#pragma once
// Typed text goes into Windows-1252 files: a character the code page cannot
// hold would be lost on saving, so it is found as it is typed.
#include <QList>
#include <QString>

namespace tirvelo::editor {

struct UnwritableCharacter {
    qsizetype position = 0; // in UTF-16 units
    qsizetype length = 1;   // 2 for a character outside the basic plane
    char32_t codePoint = 0;
    bool operator==(const UnwritableCharacter&) const = default;
};

// Every character of text that Windows-1252 cannot hold, in order. The five
// bytes the code page leaves undefined are not offered to typing either.
QList<UnwritableCharacter> unwritableCharacters(QStringView text);

// The text as a text file holds it: Windows-1252, lines ending in CR LF.
QByteArray textFileBytes(const QString& text);
// A text file's text as the editor shows it: lines end in "\n".
QString withNewlines(QString text);

} // namespace tirvelo::editor
