// The context itself: its budgets, the object table, the mapping modes and
// the saved device-context states.
#include "formats/metafile/GdiContext.h"
#include "formats/metafile/GdiGeometry.h"

#include <QPainter>
#include <algorithm>

namespace tirvelo::metafile {

GdiContext::GdiContext(Flavour flavour, QPainter* painter, const QTransform& deviceToTarget, const QRectF& deviceClip)
    : m_flavour(flavour), m_painter(painter), m_deviceToTarget(deviceToTarget), m_deviceClip(deviceClip)
{
    if (m_painter) {
        // Drawing happens inside whatever transform and clip the caller set up.
        m_deviceToTarget = deviceToTarget * m_painter->transform();
        m_painter->save();
        m_painter->setRenderHint(QPainter::Antialiasing, true);
        m_painter->setRenderHint(QPainter::TextAntialiasing, true);
    }
}

GdiContext::~GdiContext()
{
    if (m_painter)
        m_painter->restore();
}

void GdiContext::setDeviceResolution(double pixelsPerMmX, double pixelsPerMmY)
{
    if (finite(pixelsPerMmX) && finite(pixelsPerMmY) && pixelsPerMmX > 1e-6 && pixelsPerMmY > 1e-6) {
        m_pxPerMmX = pixelsPerMmX;
        m_pxPerMmY = pixelsPerMmY;
    }
}

bool GdiContext::chargePoints(int64_t count)
{
    m_points += std::max<int64_t>(count, 0);
    if (m_points > kMaxTotalPoints)
        m_exhausted = true;
    return !m_exhausted;
}

bool GdiContext::chargeImagePixels(int64_t count)
{
    m_imagePixels += std::max<int64_t>(count, 0);
    if (m_imagePixels > kMaxTotalImagePixels)
        m_exhausted = true;
    return !m_exhausted;
}

bool GdiContext::chargePatternPixels(int64_t count)
{
    if (count <= 0 || count > kMaxTotalPatternPixels - m_patternPixels)
        return false;
    m_patternPixels += count;
    return true;
}

bool GdiContext::beginOp()
{
    if (++m_ops > kMaxDrawOps)
        m_exhausted = true;
    return !m_exhausted;
}

// ---------------------------------------------------------------- objects

int GdiContext::addObject(GdiObject object)
{
    int slot;
    if (!m_freeSlots.empty()) {
        slot = *m_freeSlots.begin();
        m_freeSlots.erase(m_freeSlots.begin());
    } else if (m_nextSlot < kMaxObjects) {
        slot = m_nextSlot++;
    } else {
        return -1;
    }
    m_objects[uint32_t(slot)] = std::move(object);
    return slot;
}

void GdiContext::setObject(uint32_t index, GdiObject object)
{
    if (index == 0 || index >= uint32_t(kMaxObjects))
        return; // handle 0 is the metafile itself
    m_objects[index] = std::move(object);
}

const GdiObject* GdiContext::object(uint32_t index) const
{
    const auto it = m_objects.find(index);
    return it == m_objects.end() ? nullptr : &it->second;
}

void GdiContext::selectObject(uint32_t index)
{
    if (index & 0x80000000u) {
        selectStockObject(index & 0x7FFFFFFFu);
        return;
    }
    const GdiObject* o = object(index);
    if (!o)
        return;
    switch (o->kind) {
    case GdiObject::Kind::Pen: m_dc.pen = o->pen; break;
    case GdiObject::Kind::Brush: m_dc.brush = o->brush; break;
    case GdiObject::Kind::Font: m_dc.font = o->font; break;
    case GdiObject::Kind::Region: selectLogicalClipRegion(o->region); break;
    default: break;
    }
}

void GdiContext::selectStockObject(uint32_t stock)
{
    auto solid = [](QColor c) {
        BrushSpec b;
        b.color = c;
        return b;
    };
    switch (stock) {
    case 0: m_dc.brush = solid(Qt::white); break;
    case 1: m_dc.brush = solid(QColor(192, 192, 192)); break;
    case 2: m_dc.brush = solid(QColor(128, 128, 128)); break;
    case 3: m_dc.brush = solid(QColor(64, 64, 64)); break;
    case 4: m_dc.brush = solid(Qt::black); break;
    case 5: m_dc.brush.kind = BrushSpec::Kind::Null; break;
    case 6: m_dc.pen = PenSpec{gdi::PsSolid, 0, false, Qt::white, {}}; break;
    case 7: m_dc.pen = PenSpec{}; break;
    case 8: m_dc.pen.style = gdi::PsNull; break;
    case 10: case 11: case 16: m_dc.font = FontSpec{}; m_dc.font.face = QStringLiteral("Courier New"); break;
    case 12: case 13: case 14: case 17: m_dc.font = FontSpec{}; break;
    default: break; // palettes, DC brush and pen
    }
}

void GdiContext::deleteObject(uint32_t index)
{
    if (index & 0x80000000u)
        return; // stock objects are never deleted
    if (m_objects.erase(index) && m_flavour == Flavour::Wmf && int(index) < m_nextSlot)
        m_freeSlots.insert(int(index));
}

// ---------------------------------------------------------------- mapping

void GdiContext::setMapMode(int mode)
{
    if (mode < gdi::MmText || mode > gdi::MmAnisotropic)
        return;
    m_dc.mapMode = mode;
}

void GdiContext::setWindowOrg(QPointF origin)
{
    if (finite(origin.x()) && finite(origin.y()))
        m_dc.windowOrg = origin;
}

void GdiContext::setWindowExt(QSizeF extent)
{
    if (finite(extent.width()) && finite(extent.height()) && extent.width() != 0 && extent.height() != 0)
    {
        m_dc.windowExt = extent;
        m_dc.windowExtSet = true;
    }
}

void GdiContext::setViewportOrg(QPointF origin)
{
    if (finite(origin.x()) && finite(origin.y()))
        m_dc.viewportOrg = origin;
}

void GdiContext::setViewportExt(QSizeF extent)
{
    if (finite(extent.width()) && finite(extent.height()) && extent.width() != 0 && extent.height() != 0) {
        m_dc.viewportExt = extent;
        m_dc.viewportExtSet = true;
    }
}

void GdiContext::offsetWindowOrg(QPointF delta) { setWindowOrg(m_dc.windowOrg + delta); }
void GdiContext::offsetViewportOrg(QPointF delta) { setViewportOrg(m_dc.viewportOrg + delta); }

void GdiContext::scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    setWindowExt(QSizeF(m_dc.windowExt.width() * xNum / xDenom, m_dc.windowExt.height() * yNum / yDenom));
}

void GdiContext::scaleViewportExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    setViewportExt(QSizeF(m_dc.viewportExt.width() * xNum / xDenom, m_dc.viewportExt.height() * yNum / yDenom));
}

bool GdiContext::usable(const QTransform& t) const
{
    const double e[] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    for (double v : e)
        if (!std::isfinite(v) || std::abs(v) > 1e12)
            return false;
    return std::abs(t.determinant()) > 1e-18;
}

void GdiContext::setWorldTransform(const QTransform& transform)
{
    if (usable(transform))
        m_dc.world = transform;
}

void GdiContext::modifyWorldTransform(const QTransform& transform, uint32_t mode)
{
    switch (mode) {
    case 1: m_dc.world = QTransform(); break;
    case 2: setWorldTransform(transform * m_dc.world); break;
    case 3: setWorldTransform(m_dc.world * transform); break;
    case 4: setWorldTransform(transform); break;
    default: break;
    }
}

QTransform GdiContext::pageTransform() const
{
    double sx = 1, sy = 1;
    const DcState& d = m_dc;
    auto fixed = [&](double mmPerUnit) {
        sx = mmPerUnit * m_pxPerMmX;
        sy = -mmPerUnit * m_pxPerMmY;
    };
    switch (d.mapMode) {
    case gdi::MmLoMetric: fixed(0.1); break;
    case gdi::MmHiMetric: fixed(0.01); break;
    case gdi::MmLoEnglish: fixed(0.254); break;
    case gdi::MmHiEnglish: fixed(0.0254); break;
    case gdi::MmTwips: fixed(25.4 / 1440); break;
    case gdi::MmIsotropic:
    case gdi::MmAnisotropic:
        if (m_flavour == Flavour::Wmf && !d.viewportExtSet) {
            // Whoever plays a WMF sets the viewport: the picture's frame.
            if (m_playerViewport.width() > 0 && m_playerViewport.height() > 0) {
                sx = m_playerViewport.width() / d.windowExt.width();
                sy = m_playerViewport.height() / d.windowExt.height();
            } else {
                sx = d.windowExt.width() < 0 ? -1 : 1;
                sy = d.windowExt.height() < 0 ? -1 : 1;
            }
        } else {
            sx = d.viewportExt.width() / d.windowExt.width();
            sy = d.viewportExt.height() / d.windowExt.height();
        }
        if (d.mapMode == gdi::MmIsotropic) {
            const double s = std::min(std::abs(sx), std::abs(sy));
            sx = sx < 0 ? -s : s;
            sy = sy < 0 ? -s : s;
        }
        break;
    default: break;
    }
    return QTransform::fromTranslate(-d.windowOrg.x(), -d.windowOrg.y()) * QTransform::fromScale(sx, sy)
        * QTransform::fromTranslate(d.viewportOrg.x(), d.viewportOrg.y());
}

QTransform GdiContext::logicalToDevice() const { return m_dc.world * pageTransform(); }

// ---------------------------------------------------------------- state

void GdiContext::setDcValue(DcValue which, int64_t value)
{
    switch (which) {
    case DcValue::BkMode: m_dc.bkMode = value == gdi::Transparent ? gdi::Transparent : gdi::Opaque; break;
    case DcValue::FillMode: m_dc.fillMode = value == gdi::Winding ? gdi::Winding : gdi::Alternate; break;
    case DcValue::Rop2: m_dc.rop2 = int(value); break;
    case DcValue::StretchMode: m_dc.stretchMode = int(value); break;
    case DcValue::TextAlign: m_dc.textAlign = uint32_t(value); break;
    case DcValue::TextColor: m_dc.textColor = colorRef(uint32_t(value)); break;
    case DcValue::BkColor: m_dc.bkColor = colorRef(uint32_t(value)); break;
    case DcValue::ArcDirection: m_dc.clockwiseArcs = value == 2; break; // AD_CLOCKWISE
    case DcValue::MiterLimit: m_dc.miterLimit = double(value); break;
    case DcValue::CharExtra: m_dc.charExtra = double(value); break;
    }
}

void GdiContext::saveDc()
{
    if (int(m_saved.size()) < kMaxSavedStates)
        m_saved.push_back(m_dc);
}

void GdiContext::restoreDc(int32_t relative)
{
    const int64_t depth = int64_t(m_saved.size());
    // Negative: that many levels back; positive: the n-th saved state.
    const int64_t target = relative < 0 ? depth + relative : int64_t(relative) - 1;
    if (relative == 0 || target < 0 || target >= depth)
        return;
    m_dc = m_saved[size_t(target)];
    m_saved.resize(size_t(target));
    m_clipDirty = true;
}

void GdiContext::moveTo(QPointF p)
{
    if (!finite(p.x()) || !finite(p.y()))
        return;
    m_dc.currentPosition = p;
    if (m_inPath) {
        const QPointF d = logicalToDevice().map(p);
        if (m_path.elementCount() < kMaxPathElements)
            m_path.moveTo(d);
        m_figureOpen = false;
    }
}

} // namespace tirvelo::metafile
