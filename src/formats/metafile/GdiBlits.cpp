// Bitmaps and raster operations: StretchDIBits and its kin, pattern fills and
// region fills.
#include "formats/metafile/GdiContext.h"
#include "formats/metafile/GdiGeometry.h"

#include <QPaintEngine>
#include <QPainter>
#include <algorithm>

namespace tirvelo::metafile {

// ---------------------------------------------------------------- bitmaps

void GdiContext::drawImage(const QRectF& dest, const QImage& source, const QRectF& srcRect, uint32_t rop)
{
    if (source.isNull() || !finiteRect(dest) || dest.width() == 0 || dest.height() == 0 || srcRect.isEmpty())
        return;
    if (!beginOp() || !chargeImagePixels(int64_t(source.width()) * source.height()))
        return;
    if (rop == gdi::NoOp)
        return;
    const QTransform toDevice = logicalToDevice();
    if (!usable(toDevice))
        return;
    if (m_inPath)
        return;
    note(toDevice.mapRect(normalised(dest)));
    if (!m_painter)
        return;
    applyClip();
    // Source rectangle onto destination (negative extents mirror).
    const QTransform imageToLogical = QTransform::fromTranslate(-srcRect.x(), -srcRect.y())
        * QTransform::fromScale(dest.width() / srcRect.width(), dest.height() / srcRect.height())
        * QTransform::fromTranslate(dest.x(), dest.y());
    m_painter->save();
    m_painter->setTransform(imageToLogical * toDevice * m_deviceToTarget);
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    const bool raster = m_painter->paintEngine() && m_painter->paintEngine()->type() == QPaintEngine::Raster;
    QImage image = source;
    switch (rop) {
    case gdi::SrcAnd:
        if (raster)
            m_painter->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        break;
    case gdi::SrcPaint:
        if (raster)
            m_painter->setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        break;
    case gdi::SrcInvert:
        if (raster)
            m_painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        break;
    case gdi::NotSrcCopy:
        image = source.convertToFormat(QImage::Format_ARGB32);
        image.invertPixels(QImage::InvertRgb);
        break;
    default: break;
    }
    m_painter->drawImage(srcRect, image, srcRect);
    m_painter->restore(); // back to the clip applied before save()
}

void GdiContext::patBlt(const QRectF& dest, uint32_t rop)
{
    // Without a source only the pattern and fixed-colour operations draw.
    const bool drawing = rop == gdi::PatCopy || rop == gdi::PatInvert || rop == gdi::Blackness
        || rop == gdi::Whiteness || rop == gdi::DstInvert;
    if (!drawing || !finiteRect(dest) || !beginOp() || m_inPath)
        return;
    const QTransform toDevice = logicalToDevice();
    if (!usable(toDevice))
        return;
    const QRectF r = normalised(dest);
    note(toDevice.mapRect(r));
    if (!m_painter)
        return;
    applyClip();
    const QTransform full = toDevice * m_deviceToTarget;
    m_painter->save();
    m_painter->setTransform(full);
    m_painter->setPen(Qt::NoPen);
    const bool raster = m_painter->paintEngine() && m_painter->paintEngine()->type() == QPaintEngine::Raster;
    switch (rop) {
    case gdi::Blackness: m_painter->fillRect(r, Qt::black); break;
    case gdi::Whiteness: m_painter->fillRect(r, Qt::white); break;
    case gdi::DstInvert:
        if (raster) {
            m_painter->setCompositionMode(QPainter::RasterOp_NotDestination);
            m_painter->fillRect(r, Qt::white);
        }
        break;
    case gdi::PatInvert:
        if (raster)
            m_painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        [[fallthrough]];
    default: // PATCOPY
        if (m_dc.brush.kind != BrushSpec::Kind::Null)
            m_painter->fillRect(r, makeBrush(m_dc.brush, full));
        break;
    }
    m_painter->restore(); // back to the clip applied before save()
}

void GdiContext::fillRegion(const QPainterPath& logicalRegion, const BrushSpec& brush)
{
    const BrushSpec saved = m_dc.brush;
    const PenSpec savedPen = m_dc.pen;
    m_dc.brush = brush;
    m_dc.pen.style = gdi::PsNull;
    emitPath(logicalRegion, true, false);
    m_dc.brush = saved;
    m_dc.pen = savedPen;
}

void GdiContext::frameRegion(const QPainterPath& logicalRegion, const BrushSpec& brush, QSizeF stroke)
{
    // A frame is the region minus the region shrunk by the stroke size.
    const QRectF r = logicalRegion.boundingRect();
    if (r.isEmpty() || !finite(stroke.width()) || !finite(stroke.height()))
        return;
    QPainterPath inner = logicalRegion;
    QPainterPath shrunk;
    shrunk.addRect(r.adjusted(std::abs(stroke.width()), std::abs(stroke.height()), -std::abs(stroke.width()),
                              -std::abs(stroke.height())));
    if (logicalRegion.elementCount() < kMaxClipElements)
        inner = logicalRegion.subtracted(logicalRegion.intersected(shrunk));
    fillRegion(inner, brush);
}

void GdiContext::fillDeviceRegion(const QPainterPath& deviceRegion, const BrushSpec& brush)
{
    const BrushSpec saved = m_dc.brush;
    m_dc.brush = brush;
    emitDevicePath(deviceRegion, true, false, QTransform());
    m_dc.brush = saved;
}

} // namespace tirvelo::metafile
