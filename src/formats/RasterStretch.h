#pragma once
// Stretches a raster picture to exactly a given size with bilinear filtering,
// through pixman (the X server's and cairo's pixel library), which does it in
// about two thirds of the time QPainter takes: a page turn pays it once.
#include "formats/ExifOrientation.h"

#include <QImage>
#include <QSize>

namespace tirvelo {

// The picture stretched to size (proportions not kept), as an RGB32 image.
// Pictures with transparency are composed over black, as the picture box
// shows them. The raster itself when it already has that size and needs no
// conversion; a null image for a null raster or an empty size.
QImage stretchRaster(const QImage& raster, QSize size);

// The same stretch for an opaque picture that arrives a band of rows at a time,
// top to bottom (a JPEG being decoded), without ever holding the whole of it:
// the pixels come out as stretchRaster gives them for the whole picture.
// Turned by an orientation, the picture comes out upright in the same pass:
// stored rows become columns of the result, or come out mirrored.
class BandedStretch {
public:
    // source: the whole picture's size, as stored; size: the upright size it
    // is stretched to.
    BandedStretch(QSize source, QSize size, ExifOrientation orientation = ExifOrientation::Upright);
    // Null when the stretched image could not be allocated.
    bool isNull() const { return m_result.isNull(); }
    // Stretches what it can from the source rows [top, top + band.height()),
    // given as an RGB32 image as wide as the source.
    void addBand(const QImage& band, int top);
    // The first source row that the rows still to come need: a band given
    // later must start at or before it.
    int firstRowNeeded() const;
    bool done() const { return m_nextRow >= stretchedRows(); }
    QImage result() const { return m_result; }

private:
    // The source rows that bilinear filtering reads for an output row, with a
    // row of margin each way for rounding.
    int firstRowFor(int row) const;
    int lastRowFor(int row) const;
    // The rows of the stretch before it is turned upright.
    int stretchedRows() const;
    // The part of the result that stretched rows [first, end) fill.
    QRect resultPart(int first, int end) const;

    QSize m_source;
    QImage m_result;
    ExifOrientation m_orientation;
    int m_nextRow = 0;
};

} // namespace tirvelo
