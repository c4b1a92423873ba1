#include "formats/RasterStretch.h"

#include <QPainter>

#include <pixman.h>

namespace tirvelo {

namespace {

// pixman addresses source pixels in 16.16 fixed point: sides past this are
// left to QPainter.
constexpr int PixmanMaxSide = 32767;

void releaseImage(pixman_image_t*& image)
{
    if (image)
        pixman_image_unref(image);
    image = nullptr;
}

QImage stretchWithPainter(const QImage& raster, QSize size)
{
    QImage shown(size, QImage::Format_RGB32);
    if (shown.isNull())
        return {};
    shown.fill(Qt::black);
    QPainter painter(&shown);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), raster);
    return shown;
}

} // namespace

QImage stretchRaster(const QImage& raster, QSize size)
{
    if (raster.isNull() || size.isEmpty())
        return {};
    if (raster.size() == size && raster.format() == QImage::Format_RGB32)
        return raster;
    if (raster.width() > PixmanMaxSide || raster.height() > PixmanMaxSide || size.width() > PixmanMaxSide
        || size.height() > PixmanMaxSide)
        return stretchWithPainter(raster, size);

    // pixman reads 32-bit pixels: opaque ones as x8r8g8b8, others premultiplied.
    const bool transparent = raster.hasAlphaChannel();
    const QImage::Format sourceFormat = transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const QImage source = raster.format() == sourceFormat ? raster : raster.convertToFormat(sourceFormat);
    QImage shown(size, QImage::Format_RGB32);
    if (source.isNull() || shown.isNull())
        return {};
    if (transparent)
        shown.fill(Qt::black);

    // pixman only reads from the source; the cast drops a const it keeps.
    pixman_image_t* from = pixman_image_create_bits(
        transparent ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8, source.width(), source.height(),
        reinterpret_cast<uint32_t*>(const_cast<uchar*>(source.constBits())), int(source.bytesPerLine()));
    // Written as a8r8g8b8, whose alpha pixman always computes (opaque here),
    // so every pixel carries the 0xFF byte RGB32 promises.
    pixman_image_t* to = pixman_image_create_bits(PIXMAN_a8r8g8b8, size.width(), size.height(),
                                                  reinterpret_cast<uint32_t*>(shown.bits()), int(shown.bytesPerLine()));
    if (!from || !to) {
        releaseImage(from);
        releaseImage(to);
        return stretchWithPainter(raster, size);
    }
    // The transform maps each shown pixel back to the source; edge pixels
    // repeat outwards, so the border is not blended with black.
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, pixman_double_to_fixed(double(source.width()) / size.width()),
                                pixman_double_to_fixed(double(source.height()) / size.height()));
    pixman_image_set_transform(from, &transform);
    pixman_image_set_filter(from, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat(from, PIXMAN_REPEAT_PAD);
    pixman_image_composite32(transparent ? PIXMAN_OP_OVER : PIXMAN_OP_SRC, from, nullptr, to, 0, 0, 0, 0, 0, 0,
                             size.width(), size.height());
    releaseImage(from);
    releaseImage(to);
    return shown;
}

} // namespace tirvelo
