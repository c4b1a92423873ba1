#include "base/Cp1252.h"

#include "base/Cp1252Table.h"

namespace tirvelo {
namespace {

char encodeOne(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < cp1252::HighRow.size(); ++i)
        if (cp1252::HighRow[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

QString fromCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out[i] = QChar(cp1252::toUnicode(static_cast<unsigned char>(bytes[i])));
    }
    return text;
}

QByteArray toCp1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        bytes[i] = encodeOne(text[i].unicode());
    return bytes;
}

} // namespace tirvelo
