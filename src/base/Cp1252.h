#pragma once
// Windows-1252 text. Books, settings and text pages are stored in this code
// page; inside the program text is a QString. The mapping is lossless: the five
// bytes that Windows-1252 leaves undefined map to the C1 controls U+0081,
// U+008D, U+008F, U+0090 and U+009D, as Windows itself maps them.
#include <QByteArray>
#include <QString>

namespace tirvelo {

QString fromCp1252(QByteArrayView bytes);
// Characters outside the code page become '?'.
QByteArray toCp1252(QStringView text);

} // namespace tirvelo
