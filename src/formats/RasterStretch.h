#pragma once
// Stretches a raster picture to exactly a given size with bilinear filtering,
// through pixman (the X server's and cairo's pixel library), which does it in
// about two thirds of the time QPainter takes: a page turn pays it once.
#include <QImage>
#include <QSize>

namespace tirvelo {

// The picture stretched to size (proportions not kept), as an RGB32 image.
// Pictures with transparency are composed over black, as the picture box
// shows them. The raster itself when it already has that size and needs no
// conversion; a null image for a null raster or an empty size.
QImage stretchRaster(const QImage& raster, QSize size);

} // namespace tirvelo
