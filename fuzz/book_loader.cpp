// Any bytes as a book file: through the text box's line list into the loader,
// and every line through both number conversions.
#include "base/Cp1252.h"
#include "base/IntegerText.h"
#include "book/BookLoader.h"
#include "formats/TextBoxText.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul); // as the text box holds it
    const QStringList lines = tirvelo::splitTextBoxLines(tirvelo::fromCp1252(bytes));
    tirvelo::Book book;
    try {
        const tirvelo::BookFailure failure = tirvelo::applyBookLines(lines, book);
        if (failure == tirvelo::BookFailure::None && (book.PageCount < 1 || book.PageCount > tirvelo::MaxPages))
            __builtin_trap();
    } catch (const tirvelo::ConversionError&) {
        if (book.PageCount != 0)
            __builtin_trap(); // a page count that is no number changes nothing
    }
    for (const QString& line : lines) {
        (void)tirvelo::parseStrictInteger(line);
        (void)tirvelo::parseLeadingInteger(line);
    }
    return 0;
}
