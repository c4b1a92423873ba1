// Paths collected between BeginPath and EndPath, and the clip region.
#include "formats/metafile/GdiContext.h"
#include "formats/metafile/GdiGeometry.h"

#include <QPainter>

namespace tirvelo::metafile {

void GdiContext::applyClip()
{
    if (!m_painter || !m_clipDirty)
        return;
    m_clipDirty = false;
    // Back to the caller's clip, then narrow it to the frame and the picture's own clip.
    m_painter->restore();
    m_painter->save();
    m_painter->setRenderHint(QPainter::Antialiasing, true);
    m_painter->setRenderHint(QPainter::TextAntialiasing, true);
    m_painter->setTransform(m_deviceToTarget);
    if (!m_deviceClip.isEmpty())
        m_painter->setClipRect(m_deviceClip, Qt::IntersectClip);
    if (m_dc.clipActive)
        m_painter->setClipPath(m_dc.clip, Qt::IntersectClip);
}

void GdiContext::addToPath(const QPainterPath& logical, bool continueFigure)
{
    if (m_path.elementCount() + logical.elementCount() > kMaxPathElements)
        return;
    const QPainterPath device = logicalToDevice().map(logical);
    if (continueFigure && m_figureOpen && !m_path.isEmpty())
        m_path.connectPath(device);
    else
        m_path.addPath(device);
    m_figureOpen = true;
}

// ---------------------------------------------------------------- paths

void GdiContext::beginPath()
{
    m_inPath = true;
    m_path = QPainterPath();
    m_figureOpen = false;
}

void GdiContext::endPath() { m_inPath = false; }

void GdiContext::abortPath()
{
    m_inPath = false;
    m_path = QPainterPath();
}

void GdiContext::closeFigure()
{
    if (m_inPath && !m_path.isEmpty()) {
        m_path.closeSubpath();
        m_figureOpen = false;
    }
}

void GdiContext::fillPath()
{
    m_inPath = false;
    emitDevicePath(m_path, true, false, logicalToDevice());
    m_path = QPainterPath();
}

void GdiContext::strokePath()
{
    m_inPath = false;
    emitDevicePath(m_path, false, true, logicalToDevice());
    m_path = QPainterPath();
}

void GdiContext::strokeAndFillPath()
{
    m_inPath = false;
    emitDevicePath(m_path, true, true, logicalToDevice());
    m_path = QPainterPath();
}

void GdiContext::selectClipPath(int mode)
{
    m_inPath = false;
    QPainterPath path = m_path;
    path.setFillRule(m_dc.fillMode == gdi::Winding ? Qt::WindingFill : Qt::OddEvenFill);
    combineClip(path, mode);
    m_path = QPainterPath();
}

// ---------------------------------------------------------------- clipping

void GdiContext::combineClip(const QPainterPath& device, int mode)
{
    if (!finitePath(device))
        return;
    if (device.elementCount() + m_dc.clip.elementCount() > kMaxClipElements)
        return;
    // Everything the picture could draw on, for operations on "no clip".
    QPainterPath everything;
    everything.addRect(QRectF(-kMaxCoordinate, -kMaxCoordinate, 2 * kMaxCoordinate, 2 * kMaxCoordinate));
    const QPainterPath current = m_dc.clipActive ? m_dc.clip : everything;
    switch (mode) {
    case gdi::RgnAnd: m_dc.clip = m_dc.clipActive ? current.intersected(device) : device; break;
    case gdi::RgnOr:
        if (!m_dc.clipActive)
            return; // no clip united with anything is still no clip
        m_dc.clip = current.united(device);
        break;
    case gdi::RgnXor: m_dc.clip = current.subtracted(device).united(device.subtracted(current)); break;
    case gdi::RgnDiff: m_dc.clip = current.subtracted(device); break;
    case gdi::RgnCopy: m_dc.clip = device; break;
    default: return;
    }
    m_dc.clipActive = true;
    m_clipDirty = true;
}

void GdiContext::combineClipRect(const QRectF& logical, int mode)
{
    const QTransform toDevice = logicalToDevice();
    if (!finiteRect(logical) || !usable(toDevice))
        return;
    QPainterPath path;
    path.addPolygon(toDevice.map(QPolygonF(normalised(logical))));
    path.closeSubpath();
    combineClip(path, mode);
}

void GdiContext::intersectClipRect(const QRectF& logical) { combineClipRect(logical, gdi::RgnAnd); }

void GdiContext::excludeClipRect(const QRectF& logical) { combineClipRect(logical, gdi::RgnDiff); }

void GdiContext::offsetClip(QPointF logicalDelta)
{
    if (!m_dc.clipActive)
        return;
    const QTransform toDevice = logicalToDevice();
    if (!usable(toDevice))
        return;
    const QPointF d = toDevice.map(logicalDelta) - toDevice.map(QPointF(0, 0));
    if (!finite(d.x()) || !finite(d.y()))
        return;
    m_dc.clip.translate(d);
    m_clipDirty = true;
}

void GdiContext::selectClipRegion(const QPainterPath& deviceRegion, int mode)
{
    if (mode == gdi::RgnCopy && deviceRegion.isEmpty()) {
        m_dc.clipActive = false;
        m_dc.clip = QPainterPath();
        m_clipDirty = true;
        return;
    }
    combineClip(deviceRegion, mode);
}

void GdiContext::selectLogicalClipRegion(const QPainterPath& logicalRegion)
{
    const QTransform toDevice = logicalToDevice();
    if (!usable(toDevice))
        return;
    selectClipRegion(toDevice.map(logicalRegion), gdi::RgnCopy);
}

} // namespace tirvelo::metafile
