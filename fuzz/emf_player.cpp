// Feeds arbitrary bytes to the EMF player: load, then paint into a small image
// at two sizes (the second one far from the picture's own size).
#include "book/MetafilePicture.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Font and image warnings about damaged input are expected by the thousand.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto picture = tirvelo::loadMetafileBytes(bytes, tirvelo::MetafileFormat::Emf);
    if (!picture)
        return 0;
    QImage image(48, 36, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture->paint(painter, QRectF(0, 0, 48, 36));
    picture->paint(painter, QRectF(-5, 3, 7, 300));
    return 0;
}
