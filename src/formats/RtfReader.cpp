#include "formats/RtfReader.h"

#include "base/RegularFile.h"

#include "base/Cp1252.h"
#include "formats/rtf/RtfParser.h"

#include <QFile>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tirvelo {
namespace {

void setPlainText(const QByteArray& bytes, QTextDocument& document)
{
    QString text = fromCp1252(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    document.setPlainText(text);
}

} // namespace

namespace {

qsizetype leadingBlanks(QByteArrayView bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return i;
}

} // namespace

bool isRtf(QByteArrayView bytes)
{
    return bytes.sliced(leadingBlanks(bytes)).startsWith("{\\rtf");
}

bool readRtf(const QByteArray& bytes, QTextDocument& document, const RtfLimits& limits)
{
    if (!isRtf(bytes))
        return false;
    document.clear();
    // A read-only box has nothing to undo; recording every insertion would double the memory.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    rtf::Parser(document, limits).parse(QByteArrayView(bytes).sliced(leadingBlanks(bytes)));
    document.setUndoRedoEnabled(undo);
    return true;
}

bool loadRichTextFile(const QString& path, QTextDocument& document)
{
    const std::optional<QByteArray> bytes = readRegularFile(path, kMaxRichTextFileBytes);
    if (!bytes)
        return false;
    if (!readRtf(*bytes, document))
        setPlainText(*bytes, document);
    return true;
}

QString richTextPlainText(const QTextDocument& document)
{
    QString plain;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            plain += QStringLiteral("\r\n");
        const QString text = block.text();
        plain.reserve(plain.size() + text.size());
        for (const QChar c : text) {
            switch (c.unicode()) {
            case QChar::LineSeparator:
                plain += QStringLiteral("\r\n");
                break;
            case QChar::SoftHyphen:
                break;
            case 0x2011: // non-breaking hyphen: Windows-1252 has only the plain one
                plain += u'-';
                break;
            default:
                plain += c;
                break;
            }
        }
    }
    return plain;
}

} // namespace tirvelo
