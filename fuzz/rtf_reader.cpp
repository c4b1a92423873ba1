// Feeds arbitrary bytes to the rich-text reader. Besides the sanitizers' checks it traps when the
// plain text handed to the speech engine holds a control character or broken UTF-16.
#include "formats/RtfReader.h"

#include <QTextDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QTextDocument document;
    if (!tirvelo::readRtf(bytes, document))
        return 0;
    const QString plain = tirvelo::richTextPlainText(document);
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const QChar c = plain[i];
        if (c < QChar(0x20) && c != u'\t' && c != u'\r' && c != u'\n')
            __builtin_trap();
        if (c.isHighSurrogate() && (i + 1 >= plain.size() || !plain[i + 1].isLowSurrogate()))
            __builtin_trap();
        if (c.isLowSurrogate() && (i == 0 || !plain[i - 1].isHighSurrogate()))
            __builtin_trap();
    }
    return 0;
}
