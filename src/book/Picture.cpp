#include "book/Picture.h"

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

} // namespace tirvelo
