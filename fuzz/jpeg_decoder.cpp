// Bytes → the JPEG decoder, at full size, at a box that asks for a scaled
// decode, and stretched to that box band by band. Smaller limits than the program's keep each run quick; the code
// paths are the same.
#include "formats/JpegDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    tirvelo::JpegLimits limits;
    limits.maxOutputPixels = 4'000'000;
    limits.maxWorkingMemory = 64 << 20;
    if (const auto picture = tirvelo::decodeJpegBytes(bytes, {1920, 1080}, limits)) {
        // Touch every row so a short or misaligned image shows up.
        const QImage& image = picture->raster;
        unsigned sum = 0;
        for (int y = 0; y < image.height(); ++y)
            sum += image.constScanLine(y)[image.bytesPerLine() - 1];
        asm volatile("" : : "r"(sum));
        if (picture->naturalSize.width() < image.width() || picture->naturalSize.height() < image.height())
            __builtin_trap();
    }
    (void)tirvelo::decodeJpegBytes(bytes, {37, 23}, limits);
    if (const auto stretched = tirvelo::decodeJpegBytes(bytes, {37, 23}, limits, tirvelo::JpegFit::StretchedToBox)) {
        const QSize size = stretched->raster.size();
        const bool larger = stretched->naturalSize.width() > 37 || stretched->naturalSize.height() > 23;
        if (larger && stretched->raster.format() == QImage::Format_RGB32 && size != QSize(37, 23))
            __builtin_trap();
    }
    return 0;
}
