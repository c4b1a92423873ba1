#include "book/RtfReader.h"
#include "book/TextBoxText.h"
#include <QTextDocument>
namespace tirvelo {
bool readRtf(const QByteArray&, QTextDocument&) { return false; }
bool loadRichTextFile(const QString& path, QTextDocument& document)
{
    const auto text = readTextBoxFile(path);
    if (!text)
        return false;
    document.setPlainText(*text);
    return true;
}
QString richTextPlainText(const QTextDocument& document)
{
    return document.toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}
} // namespace tirvelo
