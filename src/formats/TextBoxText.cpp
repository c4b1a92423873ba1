#include "formats/TextBoxText.h"

#include "base/Cp1252.h"
#include "base/RegularFile.h"

#include <algorithm>

namespace tirvelo {

std::optional<QString> readTextBoxFile(const QString& path)
{
    std::optional<QByteArray> bytes = readRegularFile(path, kTextBoxCapacity);
    if (!bytes)
        return std::nullopt;
    const qsizetype nul = bytes->indexOf('\0');
    if (nul >= 0)
        bytes->truncate(nul);
    // Every line break but the last starts a line; CR LF is one break.
    const qsizetype breaks = bytes->count('\n') + bytes->count('\r') - bytes->count("\r\n");
    if (breaks > kTextBoxMaxLines)
        return std::nullopt;
    return fromCp1252(*bytes);
}

std::optional<QString> readFirstTextLine(const QString& path)
{
    FileContents start = readFileStart(path, kMaxFirstLineBytes);
    if (start.status != ReadStatus::Ok)
        return std::nullopt;
    QByteArray& bytes = start.bytes;
    const qsizetype end = std::min({bytes.indexOf('\0'), bytes.indexOf('\r'), bytes.indexOf('\n')},
                                   [](qsizetype a, qsizetype b) { return a >= 0 && (b < 0 || a < b); });
    if (end >= 0)
        bytes.truncate(end);
    return fromCp1252(bytes);
}

QStringList splitTextBoxLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

} // namespace tirvelo
