#include "authoring/BookFile.h"

#include "authoring/BookCheck.h"
#include "base/AtomicFile.h"
#include "base/Cp1252.h"
#include "book/BookLoader.h"
#include "formats/TextBoxText.h"

#include <QFileInfo>

namespace tirvelo::authoring {

QByteArray bookFileBytes(const QString& directoryLine, const QStringList& pageLines)
{
    QStringList lines = {headerLineText(1), headerLineText(2), QString::number(pageLines.size()),
                         headerLineText(4), directoryLine, headerLineText(6)};
    lines << pageLines;
    return toCp1252(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

bool isBookFile(const QString& path)
{
    const std::optional<QString> text = readTextBoxFile(path);
    return text && bookLine(splitTextBoxLines(*text), 1) == headerLineText(1);
}

BookWrite bookWriteRefusal(const QString& bookPath, bool replace)
{
    const QFileInfo existing(bookPath);
    if (existing.isSymLink())
        return BookWrite::IsLink;
    if (existing.exists() && !isBookFile(bookPath))
        return BookWrite::NotABook;
    if (existing.exists() && !replace)
        return BookWrite::Exists;
    return BookWrite::Written;
}

WrittenBook writeBookFile(const QString& bookPath, const QStringList& pageLines, bool replace)
{
    WrittenBook written;
    written.result = bookWriteRefusal(bookPath, replace);
    if (written.result != BookWrite::Written)
        return written;
    if (!writeFileAtomically(bookPath, bookFileBytes(QString(), pageLines))) {
        written.result = BookWrite::Failed;
        return written;
    }
    written.report = checkBook(bookPath);
    return written;
}

} // namespace tirvelo::authoring
