#include "formats/Picture.h"
#include "formats/RasterStretch.h"

#include <QPainter>

namespace tirvelo {

void Picture::paint(QPainter& painter, const QRectF& target) const
{
    if (vector) {
        vector->paint(painter, target);
        return;
    }
    if (!raster.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(target, raster);
    }
}

QImage Picture::toImage(QSize size) const
{
    if (isNull() || size.isEmpty())
        return {};
    if (!vector)
        return stretchRaster(raster, size);
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::black);
    QPainter painter(&image);
    paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

} // namespace tirvelo
