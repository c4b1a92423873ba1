#include "ui/ArrowGlyph.h"

#include <QPainter>
#include <QPolygonF>

namespace tirvelo {

QImage arrowGlyph(ArrowDirection direction)
{
    // Drawn pointing right on the key colour, then the key colour made transparent.
    QImage image(32, 32, QImage::Format_ARGB32);
    const QColor key(128, 128, 128);
    image.fill(key);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        // Head: back edge at x=17 from y=3 to y=29 (26 pixels), tip at x=30.
        // Shaft: y=11..21 (10 pixels), from the head back to x=2, where a V notch cuts in to x=7.
        const QPolygonF arrow({
            QPointF(2, 11), QPointF(17, 11), QPointF(17, 3), QPointF(30, 16),
            QPointF(17, 29), QPointF(17, 21), QPointF(2, 21), QPointF(7, 16),
        });
        painter.drawPolygon(arrow);
    }
    if (direction == ArrowDirection::Left)
        image = image.mirrored(true, false);
    // The bottom-left pixel's colour is the transparent key.
    const QRgb transparentKey = image.pixel(0, 31);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == transparentKey)
                line[x] = qRgba(0, 0, 0, 0);
    }
    return image;
}

} // namespace tirvelo
