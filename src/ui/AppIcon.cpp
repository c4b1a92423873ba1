#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace tirvelo {

QPixmap applicationIconPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    // Two pages of an open book.
    painter.setPen(QPen(QColor(20, 20, 60), 2));
    painter.setBrush(QColor(255, 250, 230));
    painter.drawPolygon(QPolygonF({QPointF(4, 14), QPointF(31, 18), QPointF(31, 56), QPointF(4, 52)}));
    painter.drawPolygon(QPolygonF({QPointF(33, 18), QPointF(60, 14), QPointF(60, 52), QPointF(33, 56)}));
    // The turning arrow in the scan highlight's yellow, edged in black.
    QPainterPath arrow;
    arrow.moveTo(38, 30);
    arrow.lineTo(48, 30);
    arrow.lineTo(48, 24);
    arrow.lineTo(58, 34);
    arrow.lineTo(48, 44);
    arrow.lineTo(48, 38);
    arrow.lineTo(38, 38);
    arrow.closeSubpath();
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(QColor(255, 220, 0));
    painter.drawPath(arrow);
    return pixmap;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addPixmap(applicationIconPixmap(size));
    return icon;
}

} // namespace tirvelo
