#include "editor/TextCheck.h"

#include "base/Cp1252.h"

namespace tirvelo::editor {
namespace {

bool isUndefinedByte(char16_t c)
{
    return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

} // namespace

QList<UnwritableCharacter> unwritableCharacters(QStringView text)
{
    QList<UnwritableCharacter> found;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            found.append({i, 2, QChar::surrogateToUcs4(c, text[i + 1])});
            i += 2;
            continue;
        }
        const QStringView one = text.mid(i, 1);
        // NUL ends a text file for the text box: the rest would not be shown.
        if (c.unicode() == 0 || isUndefinedByte(c.unicode()) || fromCp1252(toCp1252(one)) != one)
            found.append({i, 1, c.unicode()});
        ++i;
    }
    return found;
}

QByteArray textFileBytes(const QString& text)
{
    QString lines = withNewlines(text);
    lines.replace(u'\n', QStringLiteral("\r\n"));
    return toCp1252(lines);
}

QString withNewlines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return text;
}

} // namespace tirvelo::editor
