#include "support/BookWriter.h"

#include "audio/WaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QtEndian>
#include <cmath>

namespace tirvelo::test {

QByteArray bookBytes(int pageCount, const QByteArray& directory, const QList<QByteArray>& pages)
{
    QByteArray bytes = "{Quirna 2000 - Tirvelo}\r\n{N\xFAmero de planes}\r\n" + QByteArray::number(pageCount)
        + "\r\n{Directori}\r\n" + directory + "\r\n{Planes}\r\n";
    for (const QByteArray& page : pages)
        bytes += page + "\r\n";
    return bytes;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

QString writeBmp(const QString& path, int width, int height, Qt::GlobalColor colour)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path, "BMP");
    return path;
}

QString writeWav(const QString& path, int milliseconds)
{
    const int rate = 11025;
    const int samples = rate * milliseconds / 1000;
    QByteArray data(samples, '\0');
    for (int i = 0; i < samples; ++i)
        data[i] = static_cast<char>(128 + 100 * std::sin(2 * M_PI * 440 * i / rate));
    return writeFile(path, monoWaveFile(data, rate, 8));
}

} // namespace tirvelo::test
