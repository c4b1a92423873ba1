#pragma once
// Writes book files and page files for the tests, as Windows-1252 bytes.
#include <QByteArray>
#include <QList>
#include <QString>

namespace tirvelo::test {

// A book with the right header, the given directory line and page lines.
QByteArray bookBytes(int pageCount, const QByteArray& directory, const QList<QByteArray>& pages);
// Writes bytes to path (folders created); returns path.
QString writeFile(const QString& path, const QByteArray& bytes);
// The whole file; empty when it cannot be read.
QByteArray readAll(const QString& path);
// A BMP picture of the given size, filled with colour.
QString writeBmp(const QString& path, int width, int height, Qt::GlobalColor colour = Qt::red);
// A small WAV file (8-bit mono silence-free tone) for companion sounds.
QString writeWav(const QString& path, int milliseconds = 300);

} // namespace tirvelo::test
