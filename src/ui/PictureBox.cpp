#include "ui/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace tirvelo {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::NoContextMenu); // the window's menu opens instead
}

QRect PictureBox::pictureRect() const
{
    if (m_stretch)
        return rect();
    // The picture's own size counts screen pixels; the box is laid out in
    // device-independent ones.
    const QSize size = (QSizeF(m_picture.naturalSize) / devicePixelRatioF()).toSize();
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

const QImage& PictureBox::shownRaster(QSize deviceSize, qreal devicePixelRatio)
{
    if (m_shown.isNull() || m_shownFrom != m_picture.raster.cacheKey() || m_shown.size() != deviceSize
        || m_shown.devicePixelRatio() != devicePixelRatio) {
        m_shown = m_picture.toImage(deviceSize);
        m_shown.setDevicePixelRatio(devicePixelRatio);
        m_shownFrom = m_picture.raster.cacheKey();
    }
    return m_shown;
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_picture.isNull()) {
        m_shown = QImage();
        return;
    }
    const QRect target = pictureRect();
    if (m_picture.vector) {
        m_picture.paint(painter, target);
        return;
    }
    // Stretched: every device pixel of the box; at its own size: its pixels,
    // unless a fractional scale rounded the box off them.
    const qreal ratio = devicePixelRatioF();
    const QSize deviceSize = (QSizeF(target.size()) * ratio).toSize();
    if (!m_stretch && deviceSize != m_picture.naturalSize) {
        m_picture.paint(painter, target);
        return;
    }
    painter.drawImage(target.topLeft(), shownRaster(deviceSize, ratio));
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

} // namespace tirvelo
