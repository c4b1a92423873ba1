#include "ui/PictureBox.h"

#include "base/FreedMemory.h"
#include "formats/PictureLoader.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

namespace tirvelo {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::NoContextMenu); // the window's menu opens instead
    // Late enough not to lengthen the turn that freed it, and restarted by
    // every turn, so that quick turns are not slowed down.
    m_returnMemory.setSingleShot(true);
    m_returnMemory.setInterval(250);
    connect(&m_returnMemory, &QTimer::timeout, this, &returnFreedMemory);
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

void PictureBox::setPicture(const Picture& picture)
{
    m_picture = picture;
    m_shown = QImage();
    update();
}

void PictureBox::setPicture(const Picture& picture, const QImage& shown)
{
    setPicture(picture);
    m_shown = shown;
    m_shown.setDevicePixelRatio(devicePixelRatioF());
}

qsizetype PictureBox::heldPixelBytes() const
{
    const bool shared = !m_shown.isNull() && m_shown.constBits() == m_picture.raster.constBits();
    return m_shown.sizeInBytes() + (shared ? 0 : m_picture.raster.sizeInBytes());
}

void PictureBox::setVisible(bool visible)
{
    if (!visible)
        letGoOfContent();
    QWidget::setVisible(visible);
}

bool PictureBox::holdContent()
{
    if (!m_picture.isNull())
        return true;
    if (m_picture.file.isEmpty())
        return false;
    std::optional<Picture> again = loadPicture(m_picture.file, m_picture.decodedFor);
    if (!again)
        return false;
    m_picture.raster = std::move(again->raster);
    m_picture.vector = std::move(again->vector);
    return true;
}

void PictureBox::letGoOfContent()
{
    if (heldPixelBytes() > 0)
        m_returnMemory.start();
    m_shown = QImage();
    if (m_picture.file.isEmpty())
        return; // it could not be loaded again
    m_picture.raster = QImage();
    m_picture.vector.reset();
}

bool PictureBox::shownFits(QSize deviceSize, qreal devicePixelRatio) const
{
    return !m_shown.isNull() && m_shown.size() == deviceSize && m_shown.devicePixelRatio() == devicePixelRatio;
}

void PictureBox::makeShown(QSize deviceSize, qreal devicePixelRatio)
{
    m_shown = m_picture.toImage(deviceSize);
    m_shown.setDevicePixelRatio(devicePixelRatio);
    // The stretched image is all the box draws from now on.
    if (!m_picture.file.isEmpty() && !m_picture.raster.isNull() && m_picture.raster.constBits() != m_shown.constBits()) {
        m_picture.raster = QImage();
        m_returnMemory.start();
    }
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect target = pictureRect();
    // Stretched: every device pixel of the box; at its own size: its pixels,
    // unless a fractional scale rounded the box off them.
    const qreal ratio = devicePixelRatioF();
    const QSize deviceSize = (QSizeF(target.size()) * ratio).toSize();
    if (!shownFits(deviceSize, ratio) && hasPicture() && holdContent() && !m_picture.vector
        && (m_stretch || deviceSize == m_picture.naturalSize))
        makeShown(deviceSize, ratio);
    if (shownFits(deviceSize, ratio)) {
        // The shown image is opaque: only the black around it is filled.
        for (const QRect& around : QRegion(rect()).subtracted(target))
            painter.fillRect(around, Qt::black);
        painter.drawImage(target.topLeft(), m_shown);
        return;
    }
    painter.fillRect(rect(), Qt::black);
    if (hasPicture() && holdContent())
        m_picture.paint(painter, target);
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
