#pragma once
// The picture box: fills the window and draws the page's picture, stretched to
// the whole box (proportions not kept) or at its own size in the middle, on
// black. A click asks for the next page.
//
// Nothing of a page is kept for a later one: of a picture loaded from a file
// the box keeps only what it draws. A raster goes once it has been stretched
// to the box (the stretched image stays, so a repaint costs a copy), and
// everything goes while the box is hidden. When the box has to draw that
// picture again (an empty or failed page shows the previous picture), it loads
// it again from its file. A moment after it let go of pixels, the freed
// memory goes back to the system.
#include "formats/Picture.h"

#include <QTimer>
#include <QWidget>

namespace tirvelo {

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setPicture(const Picture& picture);
    // A picture made ready beforehand, with the image the box draws of it
    // (device pixels): drawn as it is when it fits the box, else as above.
    void setPicture(const Picture& picture, const QImage& shown);
    // The picture shown: its size and file always, its raster or drawing only
    // while the box holds them (see above).
    const Picture& picture() const { return m_picture; }
    void setStretch(bool stretch) { m_stretch = stretch; update(); }
    bool stretch() const { return m_stretch; }
    // Where the picture is drawn in the box.
    QRect pictureRect() const;
    // The bytes of the pixels held now: the picture's raster and the image
    // drawn from it, counted once when they share their pixels.
    qsizetype heldPixelBytes() const;

    void setVisible(bool visible) override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool hasPicture() const { return !m_picture.isNull() || !m_picture.file.isEmpty(); }
    // The raster or drawing, loaded again from the file when it was let go;
    // false when there is none.
    bool holdContent();
    void letGoOfContent();
    // A raster picture as it is drawn (m_shown), made once for the box's size
    // rather than stretched again at every repaint.
    bool shownFits(QSize deviceSize, qreal devicePixelRatio) const;
    void makeShown(QSize deviceSize, qreal devicePixelRatio);

    Picture m_picture;
    QImage m_shown;
    QTimer m_returnMemory;
    bool m_stretch = true;
    bool m_pressed = false;
};

} // namespace tirvelo
