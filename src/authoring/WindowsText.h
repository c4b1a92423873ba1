#pragma once
// Text written into a book (page texts, companion texts, names) in
// Windows-1252. A character the code page cannot hold becomes the nearest one
// it can, and every such change is listed, so that the person importing or
// editing a book hears of it.
#include <QByteArray>
#include <QList>
#include <QString>

namespace tirvelo::authoring {

struct TextReplacement {
    QString original;    // the character (a whole code point)
    QString replacement; // what stands for it; empty when it was left out
    int count = 0;       // how often, in this text
    bool operator==(const TextReplacement&) const = default;
};

struct WindowsText {
    QString text; // the text as the code page holds it
    QList<TextReplacement> replacements; // in order of first appearance
    QByteArray bytes() const;            // text in Windows-1252
};

// The nearest text Windows-1252 holds. Characters it holds stay, curly quotes
// and the en and em dash among them. Other quote marks become ' or ", other
// dashes and the minus "-", wide and fixed spaces a space, invisible marks
// (zero-width spaces and joiners, the byte-order mark, controls other than tab
// and line breaks) nothing, a letter with a mark the code page lacks its base
// letter (ő o, ș s), compatibility forms their plain ones (ﬁ fi, ŀ l·, full-width
// letters), and anything else "?".
WindowsText toWindowsText(QStringView text);

} // namespace tirvelo::authoring
