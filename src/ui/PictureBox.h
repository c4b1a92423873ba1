#pragma once
// The picture box: fills the window and draws the page's picture, stretched to
// the whole box (proportions not kept) or at its own size in the middle, on
// black. A click asks for the next page.
#include "formats/Picture.h"

#include <QWidget>

namespace tirvelo {

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setPicture(const Picture& picture) { m_picture = picture; update(); }
    const Picture& picture() const { return m_picture; }
    void setStretch(bool stretch) { m_stretch = stretch; update(); }
    bool stretch() const { return m_stretch; }
    // Where the picture is drawn in the box.
    QRect pictureRect() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // A raster picture as it is drawn, made once for the box's size rather
    // than stretched again at every repaint.
    const QImage& shownRaster(QSize deviceSize, qreal devicePixelRatio);

    Picture m_picture;
    QImage m_shown;
    qint64 m_shownFrom = 0; // the raster's cache key
    bool m_stretch = true;
    bool m_pressed = false;
};

} // namespace tirvelo
