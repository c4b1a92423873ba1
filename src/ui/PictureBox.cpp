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

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!m_picture.isNull())
        m_picture.paint(painter, pictureRect());
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
