// Bytes → Qt's bitmap and icon readers as the page loader drives them, then
// the picture stretched as the picture box shows it (every pixel format the
// readers give, every size). The first byte picks the format.
#include "formats/PictureLoader.h"
#include "formats/RasterStretch.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char arg0[] = "fuzz_bmp_ico";
    static char* argv[] = {arg0, nullptr};
    static QCoreApplication* app = [] {
        // Qt's readers complain about every bad seek; the fuzzer needs no log.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return new QCoreApplication(argc, argv);
    }();
    (void)app;
    if (size < 1)
        return 0;
    const auto type = (data[0] & 1) ? tirvelo::PictureType::Icon : tirvelo::PictureType::Bitmap;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (const auto picture = tirvelo::decodeRasterBytes(bytes, type)) {
        if (picture->raster.size() != picture->naturalSize)
            __builtin_trap();
        for (const QSize box : {QSize(37, 23), QSize(3, 200)}) {
            const QImage shown = tirvelo::stretchRaster(picture->raster, box);
            if (shown.size() != box || shown.format() != QImage::Format_RGB32)
                __builtin_trap();
        }
    }
    return 0;
}
