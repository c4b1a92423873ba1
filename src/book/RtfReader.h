#pragma once
#include <QByteArray>
#include <QString>
class QTextDocument;
namespace tirvelo {
bool readRtf(const QByteArray& bytes, QTextDocument& document);
bool loadRichTextFile(const QString& path, QTextDocument& document);
QString richTextPlainText(const QTextDocument& document);
} // namespace tirvelo
