#include "book/BookLoader.h"

#include "base/IntegerText.h"
#include "book/PathResolver.h"
#include "formats/TextBoxText.h"

#include <QFileInfo>

namespace tirvelo {
namespace {

const QString kLine1 = QStringLiteral(u"{Quirna 2000 - Tirvelo}");
const QString kLine2 = QStringLiteral(u"{Número de planes}");
const QString kLine4 = QStringLiteral(u"{Directori}");
const QString kLine6 = QStringLiteral(u"{Planes}");

} // namespace

QString bookLine(const QStringList& lines, qsizetype n)
{
    if (n < 1 || n > lines.size())
        return {};
    return lines[n - 1].left(kMaxBookLineLength);
}

QString headerLineText(qsizetype n)
{
    switch (n) {
    case 1:
        return kLine1;
    case 2:
        return kLine2;
    case 4:
        return kLine4;
    case 6:
        return kLine6;
    default:
        return {};
    }
}

QString notANumberText(const QString& countLine)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(countLine);
}

ConversionError::ConversionError(const QString& text)
    : std::runtime_error(text.toStdString()), m_text(text)
{
}

std::optional<BookText> readBookText(const QString& fileName)
{
    const QString found = resolveFileName(fileName);
    const std::optional<QString> text = readTextBoxFile(found);
    if (!text)
        return std::nullopt;
    return BookText{splitTextBoxLines(*text), QFileInfo(found).absolutePath(), QFileInfo(found).absoluteFilePath()};
}

BookFailure applyBookLines(const QStringList& lines, Book& book, const QString& bookFolder)
{
    if (bookLine(lines, 1) != kLine1)
        return BookFailure::Line1;
    if (bookLine(lines, 2) != kLine2)
        return BookFailure::Line2;
    const QString countLine = bookLine(lines, 3);
    const std::optional<int32_t> count = parseStrictInteger(countLine);
    if (!count)
        throw ConversionError(notANumberText(countLine));
    if (*count < 1 || *count > MaxPages)
        return BookFailure::PageCountRange;
    book.PageCount = *count;
    if (bookLine(lines, 4) != kLine4)
        return BookFailure::Line4;
    book.BookDirectory = bookLine(lines, 5);
    book.BookFolder = bookFolder;
    if (bookLine(lines, 6) != kLine6)
        return BookFailure::Line6;
    for (int32_t i = 0; i < *count; ++i) {
        if (7 + i > lines.size())
            return BookFailure::MissingPageLines;
        book.PageFiles[i] = book.BookDirectory + bookLine(lines, 7 + i);
    }
    book.CurrentPage = 0;
    return BookFailure::None;
}

QString bookFailureMessage(BookFailure failure)
{
    switch (failure) {
    case BookFailure::None:
        return {};
    case BookFailure::Line1:
        return QStringLiteral(u"No és un fitxer Quirna 2000 - Tirvelo. La primera línia ha de dir: {Quirna 2000 - Tirvelo}");
    case BookFailure::Line2:
        return QStringLiteral(u"Error de construcció del fitxer. La segona línia ha de dir: {Número de planes}");
    case BookFailure::PageCountRange:
        return QStringLiteral(u"Error de construcció del fitxer. La tercera línia ha de dir el número de planes i ha de ser un número entre 1 i ")
            + QString::number(MaxPages);
    case BookFailure::Line4:
        return QStringLiteral(u"Error de construcció del fitxer. La quarta línia ha de dir: {Directori}");
    case BookFailure::Line6:
        return QStringLiteral(u"Error de construcció del fitxer. La sisena línia ha de dir: {Planes}");
    case BookFailure::MissingPageLines:
        return QStringLiteral(u"Error de construcció del fitxer. Menys nombre de planes que les que s'ha indicat en la segona línia.");
    }
    return {};
}

QString unreadableBookMessage(const QString& fileName)
{
    return (fileName + QStringLiteral(": Nom de fitxer incorrecte, camí incorrecte o no existeix")).left(255);
}

} // namespace tirvelo
