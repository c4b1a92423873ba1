#pragma once
// A decoded page picture: either a raster image or a vector drawing (a
// metafile), with the picture's own size in screen pixels, which the stretch
// rule compares with the picture box.
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <memory>

class QPainter;

namespace tirvelo {

// A picture drawn by commands (metafiles): sharp at any size.
class VectorPicture {
public:
    virtual ~VectorPicture() = default;
    // The picture's own size in pixels at the screen's resolution.
    virtual QSize pixelSize() const = 0;
    // Draws the whole picture scaled into target.
    virtual void paint(QPainter& painter, const QRectF& target) const = 0;
};

struct Picture {
    QImage raster;                                // may be smaller than naturalSize (scaled decode)
    std::shared_ptr<const VectorPicture> vector;  // set for metafiles
    QSize naturalSize;                            // the picture's own pixel size
    // The file it was loaded from and the box it was decoded for (loadPicture
    // sets them): enough to load the raster or the drawing again after its
    // holder let it go. Empty for a picture decoded from memory.
    QString file;
    QSize decodedFor;

    // Whether it holds neither a raster nor a drawing.
    bool isNull() const { return raster.isNull() && !vector; }
    // Draws the picture into target (stretching whatever it holds to fill it).
    void paint(QPainter& painter, const QRectF& target) const;
    // The picture drawn stretched to exactly size on black, as the picture
    // box shows it (an RGB32 image; the raster itself when it already is one
    // of that size). Null for a null picture or an empty size.
    QImage toImage(QSize size) const;
};

} // namespace tirvelo
