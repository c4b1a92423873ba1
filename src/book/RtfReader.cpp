#include "book/RtfReader.h"

#include "app/Cp1252.h"
#include "book/rtf/RtfParser.h"

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

bool isLoadableFile(const struct stat& info)
{
    return S_ISREG(info.st_mode) && info.st_size >= 0 && info.st_size <= kMaxRichTextFileBytes;
}

// Reads a whole regular file. Anything else is refused before it is opened: opening a FIFO
// blocks and opening a device can have effects. The open itself does not block (O_NONBLOCK),
// and fstat checks again in case the name was swapped in between.
bool readWholeFile(const QString& path, QByteArray& bytes)
{
    if (path.isEmpty() || path.contains(QChar::Null))
        return false;
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0 || !isLoadableFile(info))
        return false;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    bool ok = ::fstat(fd, &info) == 0 && isLoadableFile(info);
    QByteArray data;
    if (ok) {
        // One byte more than the limit tells a file that grew past it since fstat.
        data.resize(static_cast<qsizetype>(info.st_size) + 1);
        qsizetype filled = 0;
        while (filled < data.size()) {
            const ssize_t got = ::read(fd, data.data() + filled, static_cast<size_t>(data.size() - filled));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                ok = false;
                break;
            }
            if (got == 0)
                break;
            filled += got;
            if (filled == data.size() && data.size() <= kMaxRichTextFileBytes)
                data.resize(std::min<qsizetype>(data.size() * 2, kMaxRichTextFileBytes + 1));
        }
        if (filled > kMaxRichTextFileBytes)
            ok = false;
        data.truncate(filled);
    }
    ::close(fd);
    if (ok)
        bytes = std::move(data);
    return ok;
}

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

bool readRtf(const QByteArray& bytes, QTextDocument& document)
{
    if (!isRtf(bytes))
        return false;
    document.clear();
    // A read-only box has nothing to undo; recording every insertion would double the memory.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    rtf::Parser(document).parse(QByteArrayView(bytes).sliced(leadingBlanks(bytes)));
    document.setUndoRedoEnabled(undo);
    return true;
}

bool loadRichTextFile(const QString& path, QTextDocument& document)
{
    QByteArray bytes;
    if (!readWholeFile(path, bytes))
        return false;
    if (!readRtf(bytes, document))
        setPlainText(bytes, document);
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
