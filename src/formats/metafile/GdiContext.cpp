#include "formats/metafile/GdiContext.h"

#include "base/Cp1252.h"
#include "formats/WindowsFonts.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>

namespace tirvelo::metafile {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Coordinates beyond this are nonsense in any real picture and only slow the rasteriser.
constexpr double kMaxCoordinate = 1e8;
// Pixels: four times the width of the widest screens.
constexpr double kWidestSmoothPen = 16384;

bool finite(double v) { return std::isfinite(v) && std::abs(v) < kMaxCoordinate; }

bool finiteRect(const QRectF& r) { return finite(r.x()) && finite(r.y()) && finite(r.width()) && finite(r.height()); }

bool finitePath(const QPainterPath& p)
{
    const QRectF r = p.controlPointRect();
    return p.isEmpty() || finiteRect(r);
}

// Scale of a transform: the square root of its area factor.
double areaScale(const QTransform& t) { return std::sqrt(std::abs(t.determinant())); }

QRectF normalised(const QRectF& r) { return r.normalized(); }

// GDI's cosmetic dash patterns, in device pixels.
QVector<qreal> cosmeticDashes(uint32_t style)
{
    switch (style) {
    case gdi::PsDash: return {18, 6};
    case gdi::PsDot: return {3, 3};
    case gdi::PsDashDot: return {9, 6, 3, 6};
    case gdi::PsDashDotDot: return {9, 3, 3, 3, 3, 3};
    case gdi::PsAlternate: return {1, 1};
    default: return {};
    }
}

Qt::BrushStyle hatchStyle(int hatch)
{
    switch (hatch) {
    case 0: return Qt::HorPattern;
    case 1: return Qt::VerPattern;
    case 2: return Qt::FDiagPattern;
    case 3: return Qt::BDiagPattern;
    case 4: return Qt::CrossPattern;
    case 5: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

} // namespace

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

// ---------------------------------------------------------------- drawing

void GdiContext::note(const QRectF& deviceRect)
{
    if (!finiteRect(deviceRect))
        return;
    if (!m_deviceClip.isEmpty()) {
        const QRectF visible = deviceRect.normalized().intersected(m_deviceClip);
        m_paintedFrames += visible.width() * visible.height() / (m_deviceClip.width() * m_deviceClip.height());
        if (m_paintedFrames > kMaxPaintedFrames)
            m_exhausted = true;
    }
    m_bounds = m_drew ? m_bounds.united(deviceRect) : deviceRect;
    if (!m_drew) {
        m_firstDrawTransform = logicalToDevice();
        m_firstDrawState = m_dc;
    }
    m_drew = true;
}

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

QPen GdiContext::makePen(const QTransform& logicalToTarget, double* widthOut) const
{
    const PenSpec& p = m_dc.pen;
    const uint32_t style = p.style & 0x0F;
    if (style == gdi::PsNull || m_dc.rop2 == 11 /* R2_NOP */)
        return Qt::NoPen;
    QColor color = p.color;
    if (m_dc.rop2 == 1)
        color = Qt::black;
    else if (m_dc.rop2 == 16)
        color = Qt::white;
    const double toDevice = areaScale(logicalToDevice());
    const double toTarget = areaScale(logicalToTarget);
    if (toDevice <= 0 || toTarget <= 0)
        return Qt::NoPen;
    // GDI never draws a line thinner than one device pixel. A WMF is played
    // straight onto the screen, so its thinnest line is also one screen pixel
    // when the picture is shrunk.
    double width = p.cosmetic || !std::isfinite(p.width) ? 0 : std::abs(p.width);
    const double thinnest = std::max(1.0 / toDevice, m_flavour == Flavour::Wmf ? 1.0 / toTarget : 0.0);
    const bool thin = width <= thinnest;
    if (thin)
        width = thinnest;
    // Wider than the whole plane is as good as the plane.
    width = std::min(width, 1e5 / toDevice); // wider than any picture
    *widthOut = width;
    QPen pen(color);
    pen.setWidthF(std::min(width, 1.0));
    const uint32_t cap = p.style & 0x0F00, join = p.style & 0xF000;
    pen.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle(join == 0x1000 ? Qt::BevelJoin : join == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin);
    pen.setMiterLimit(std::clamp(m_dc.miterLimit, 1.0, 100.0));
    if (style == gdi::PsUserStyle && !p.dashes.isEmpty()) {
        QVector<qreal> dashes;
        for (qreal d : p.dashes)
            dashes.append(std::max<qreal>(d / std::max(width, 1e-9), 0.1));
        if (dashes.size() % 2)
            dashes.append(dashes.last());
        pen.setDashPattern(dashes);
    } else if (style >= gdi::PsDash && style <= gdi::PsDashDotDot) {
        if (thin) {
            pen.setDashPattern(cosmeticDashes(style));
            pen.setCapStyle(Qt::FlatCap);
        } else {
            pen.setStyle(style == gdi::PsDash       ? Qt::DashLine
                             : style == gdi::PsDot  ? Qt::DotLine
                             : style == gdi::PsDashDot ? Qt::DashDotLine
                                                    : Qt::DashDotDotLine);
        }
    } else if (style == gdi::PsAlternate) {
        pen.setDashPattern(cosmeticDashes(style));
        pen.setCapStyle(Qt::FlatCap);
    }
    return pen;
}

QBrush GdiContext::makeBrush(const BrushSpec& brushStyle, const QTransform& painterTransform) const
{
    QBrush brush;
    switch (brushStyle.kind) {
    case BrushSpec::Kind::Null: return Qt::NoBrush;
    case BrushSpec::Kind::Solid: brush = QBrush(brushStyle.color); break;
    case BrushSpec::Kind::Hatched: brush = QBrush(brushStyle.color, hatchStyle(brushStyle.hatch)); break;
    case BrushSpec::Kind::Pattern:
        if (brushStyle.pattern.isNull())
            return QBrush(brushStyle.color);
        brush = QBrush(brushStyle.pattern);
        break;
    }
    if (brushStyle.kind != BrushSpec::Kind::Solid) {
        // Hatches and patterns are laid out in device pixels, whatever the mapping.
        bool invertible = false;
        const QTransform inverse = painterTransform.inverted(&invertible);
        if (invertible)
            brush.setTransform(QTransform::fromScale(std::max(1.0, areaScale(m_deviceToTarget)),
                                                     std::max(1.0, areaScale(m_deviceToTarget)))
                               * inverse);
    }
    return brush;
}

void GdiContext::fillBackgroundForHatch(const QPainterPath& path, const BrushSpec& brushStyle)
{
    if (brushStyle.kind == BrushSpec::Kind::Hatched && m_dc.bkMode == gdi::Opaque) {
        m_painter->setPen(Qt::NoPen);
        m_painter->setBrush(m_dc.bkColor);
        m_painter->drawPath(path);
    }
}

void GdiContext::emitPath(const QPainterPath& logical, bool fill, bool stroke)
{
    if (!beginOp() || !finitePath(logical))
        return;
    const QTransform toDevice = logicalToDevice();
    if (!usable(toDevice))
        return;
    if (m_inPath) {
        addToPath(logical, false);
        return;
    }
    note(toDevice.mapRect(logical.controlPointRect()));
    if (!m_painter)
        return;
    applyClip();
    const QTransform full = toDevice * m_deviceToTarget;
    m_painter->setTransform(full);
    QPainterPath path = logical;
    path.setFillRule(m_dc.fillMode == gdi::Winding ? Qt::WindingFill : Qt::OddEvenFill);
    if (fill && m_dc.brush.kind != BrushSpec::Kind::Null && m_dc.rop2 != 11) {
        fillBackgroundForHatch(path, m_dc.brush);
        m_painter->setPen(Qt::NoPen);
        m_painter->setBrush(makeBrush(m_dc.brush, full));
        m_painter->drawPath(path);
    }
    if (stroke)
        strokeLogical(path, full);
}

void GdiContext::strokeLogical(const QPainterPath& logical, const QTransform& logicalToTarget)
{
    double width = 0;
    QPen pen = makePen(logicalToTarget, &width);
    if (pen.style() == Qt::NoPen)
        return;
    // A first dash longer than the whole path draws it as a solid line would;
    // Qt's dash stroker takes seconds over such a dash when the pen is huge.
    const QVector<qreal> dashes = pen.style() == Qt::SolidLine ? QVector<qreal>() : pen.dashPattern();
    if (!dashes.isEmpty() && dashes.first() * width >= logical.length())
        pen.setStyle(Qt::SolidLine);
    // QPen holds widths below 32768 only: stroke wider pens in larger units.
    constexpr double kWidest = 30000;
    const double k = width > kWidest ? width / kWidest : 1;
    pen.setWidthF(width / k);
    m_painter->setTransform(QTransform::fromScale(k, k) * logicalToTarget);
    m_painter->setPen(pen);
    m_painter->setBrush(Qt::NoBrush);
    // Qt antialiases a dashed pen many thousand pixels wide for up to a
    // second; such a pen's smoothed edge is not worth it.
    const double widestInTarget = width * std::max(std::hypot(logicalToTarget.m11(), logicalToTarget.m12()),
                                                   std::hypot(logicalToTarget.m21(), logicalToTarget.m22()));
    const bool smooth = m_painter->testRenderHint(QPainter::Antialiasing);
    const bool rough = smooth && pen.style() != Qt::SolidLine && widestInTarget > kWidestSmoothPen;
    if (rough)
        m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->drawPath(k == 1 ? logical : QTransform::fromScale(1 / k, 1 / k).map(logical));
    if (rough)
        m_painter->setRenderHint(QPainter::Antialiasing, true);
}

void GdiContext::emitDevicePath(const QPainterPath& device, bool fill, bool stroke, const QTransform& penTransform)
{
    if (!beginOp() || device.isEmpty() || !finitePath(device))
        return;
    note(device.controlPointRect());
    if (!m_painter)
        return;
    applyClip();
    m_painter->setTransform(m_deviceToTarget);
    QPainterPath path = device;
    path.setFillRule(m_dc.fillMode == gdi::Winding ? Qt::WindingFill : Qt::OddEvenFill);
    if (fill && m_dc.brush.kind != BrushSpec::Kind::Null) {
        fillBackgroundForHatch(path, m_dc.brush);
        m_painter->setPen(Qt::NoPen);
        m_painter->setBrush(makeBrush(m_dc.brush, m_deviceToTarget));
        m_painter->drawPath(path);
    }
    if (stroke && usable(penTransform)) {
        // The pen is defined in logical units: stroke in logical space.
        bool invertible = false;
        const QTransform back = penTransform.inverted(&invertible);
        if (!invertible)
            return;
        strokeLogical(back.map(path), penTransform * m_deviceToTarget);
    }
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

void GdiContext::lineTo(QPointF p)
{
    if (!finite(p.x()) || !finite(p.y()))
        return;
    polylineTo(QPolygonF{p});
}

void GdiContext::polyline(const QPolygonF& points)
{
    if (points.size() < 2 || !chargePoints(points.size()))
        return;
    QPainterPath path;
    path.addPolygon(points);
    if (m_inPath) {
        if (beginOp() && finitePath(path) && usable(logicalToDevice()))
            addToPath(path, false);
        return;
    }
    emitPath(path, false, true);
}

void GdiContext::polylineTo(const QPolygonF& points)
{
    if (points.isEmpty() || !chargePoints(points.size()))
        return;
    QPolygonF all;
    all.reserve(points.size() + 1);
    all.append(m_dc.currentPosition);
    all += points;
    m_dc.currentPosition = points.last();
    QPainterPath path;
    path.addPolygon(all);
    if (m_inPath) {
        if (beginOp() && finitePath(path) && usable(logicalToDevice()))
            addToPath(path, true);
        return;
    }
    emitPath(path, false, true);
}

void GdiContext::polygon(const QPolygonF& points)
{
    if (points.size() < 2 || !chargePoints(points.size()))
        return;
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    emitPath(path, true, true);
    if (m_inPath)
        m_figureOpen = false;
}

void GdiContext::polyPolygon(const QVector<QPolygonF>& polygons)
{
    QPainterPath path;
    for (const QPolygonF& p : polygons) {
        if (!chargePoints(p.size()))
            return;
        if (p.size() < 2)
            continue;
        path.addPolygon(p);
        path.closeSubpath();
    }
    emitPath(path, true, true);
    if (m_inPath)
        m_figureOpen = false;
}

void GdiContext::polyPolyline(const QVector<QPolygonF>& polylines)
{
    QPainterPath path;
    for (const QPolygonF& p : polylines) {
        if (!chargePoints(p.size()))
            return;
        if (p.size() >= 2)
            path.addPolygon(p);
    }
    emitPath(path, false, true);
}

void GdiContext::polyBezier(const QPolygonF& points)
{
    if (points.size() < 4 || !chargePoints(points.size()))
        return;
    QPainterPath path(points[0]);
    for (qsizetype i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    if (m_inPath) {
        if (beginOp() && finitePath(path) && usable(logicalToDevice()))
            addToPath(path, false);
        return;
    }
    emitPath(path, false, true);
}

void GdiContext::polyBezierTo(const QPolygonF& points)
{
    if (points.size() < 3 || !chargePoints(points.size()))
        return;
    QPainterPath path(m_dc.currentPosition);
    qsizetype i = 0;
    for (; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    m_dc.currentPosition = points[i - 1];
    if (m_inPath) {
        if (beginOp() && finitePath(path) && usable(logicalToDevice()))
            addToPath(path, true);
        return;
    }
    emitPath(path, false, true);
}

void GdiContext::polyDraw(const QPolygonF& points, const QVector<uint8_t>& types)
{
    if (points.size() != types.size() || !chargePoints(points.size()))
        return;
    QPainterPath path(m_dc.currentPosition);
    QPointF figureStart = m_dc.currentPosition;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const uint8_t type = types[i] & ~1;
        if (type == 6) {
            path.moveTo(points[i]);
            figureStart = points[i];
        } else if (type == 2) {
            path.lineTo(points[i]);
        } else if (type == 4 && i + 2 < points.size()) {
            path.cubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
        } else {
            return; // malformed point types: GDI draws nothing
        }
        if (types[i] & 1) {
            path.closeSubpath();
            path.moveTo(figureStart);
        }
    }
    if (!points.isEmpty())
        m_dc.currentPosition = points.last();
    if (m_inPath) {
        if (beginOp() && finitePath(path) && usable(logicalToDevice()))
            addToPath(path, true);
        return;
    }
    emitPath(path, false, true);
}

void GdiContext::rectangle(const QRectF& box)
{
    if (!finiteRect(box))
        return;
    QPainterPath path;
    path.addRect(normalised(box));
    emitPath(path, true, true);
    if (m_inPath)
        m_figureOpen = false;
}

void GdiContext::roundRect(const QRectF& box, QSizeF corner)
{
    if (!finiteRect(box) || !finite(corner.width()) || !finite(corner.height()))
        return;
    const QRectF r = normalised(box);
    QPainterPath path;
    path.addRoundedRect(r, std::min(std::abs(corner.width()) / 2, r.width() / 2),
                        std::min(std::abs(corner.height()) / 2, r.height() / 2));
    emitPath(path, true, true);
    if (m_inPath)
        m_figureOpen = false;
}

void GdiContext::ellipse(const QRectF& box)
{
    if (!finiteRect(box))
        return;
    QPainterPath path;
    path.addEllipse(normalised(box));
    emitPath(path, true, true);
    if (m_inPath)
        m_figureOpen = false;
}

QPainterPath GdiContext::arcPath(const QRectF& box, QPointF start, QPointF end, gdi::ArcKind kind,
                                 QPointF* arcStart, QPointF* arcEnd) const
{
    const QRectF r = normalised(box);
    const QPointF c = r.center();
    const double rx = r.width() / 2, ry = r.height() / 2;
    if (rx <= 0 || ry <= 0)
        return {};
    // Parametric angles of the radials' crossings with the ellipse; y grows
    // downwards, so counter-clockwise on the page is a positive Qt angle.
    auto angleOf = [&](QPointF p) { return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180 / kPi; };
    const double a0 = angleOf(start), a1 = angleOf(end);
    double sweep = a1 - a0;
    if (m_dc.clockwiseArcs) {
        while (sweep >= 0)
            sweep -= 360;
    } else {
        while (sweep <= 0)
            sweep += 360;
    }
    if (std::abs(start.x() - end.x()) < 1e-9 && std::abs(start.y() - end.y()) < 1e-9)
        sweep = m_dc.clockwiseArcs ? -360 : 360;
    QPainterPath path;
    path.arcMoveTo(r, a0);
    if (arcStart)
        *arcStart = path.currentPosition();
    if (kind == gdi::Pie) {
        path = QPainterPath(c);
        path.arcTo(r, a0, sweep);
        path.closeSubpath();
    } else {
        path.arcTo(r, a0, sweep);
        if (kind == gdi::Chord)
            path.closeSubpath();
    }
    if (arcEnd) {
        QPainterPath endPath;
        endPath.arcMoveTo(r, a0 + sweep);
        *arcEnd = endPath.currentPosition();
    }
    return path;
}

void GdiContext::arc(const QRectF& box, QPointF start, QPointF end, gdi::ArcKind kind)
{
    if (!finiteRect(box) || !finite(start.x()) || !finite(start.y()) || !finite(end.x()) || !finite(end.y()))
        return;
    QPointF arcStart, arcEnd;
    QPainterPath path = arcPath(box, start, end, kind, &arcStart, &arcEnd);
    if (path.isEmpty())
        return;
    if (kind == gdi::ArcTo) {
        QPainterPath joined(m_dc.currentPosition);
        joined.lineTo(arcStart);
        joined.connectPath(path);
        m_dc.currentPosition = arcEnd;
        if (m_inPath) {
            if (beginOp() && usable(logicalToDevice()))
                addToPath(joined, true);
            return;
        }
        emitPath(joined, false, true);
        return;
    }
    const bool closed = kind != gdi::Arc;
    emitPath(path, closed, true);
    if (m_inPath && closed)
        m_figureOpen = false;
}

void GdiContext::angleArc(QPointF center, double radius, double startDegrees, double sweepDegrees)
{
    if (!finite(center.x()) || !finite(center.y()) || !finite(radius) || !finite(startDegrees)
        || !finite(sweepDegrees) || radius < 0)
        return;
    const QRectF r(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    QPainterPath arcOnly;
    arcOnly.arcMoveTo(r, startDegrees);
    QPainterPath path(m_dc.currentPosition);
    path.lineTo(arcOnly.currentPosition());
    path.arcTo(r, startDegrees, std::clamp(sweepDegrees, -3600.0, 3600.0));
    m_dc.currentPosition = path.currentPosition();
    if (m_inPath) {
        if (beginOp() && usable(logicalToDevice()))
            addToPath(path, true);
        return;
    }
    emitPath(path, false, true);
}

void GdiContext::setPixel(QPointF p, const QColor& color)
{
    if (!finite(p.x()) || !finite(p.y()) || !beginOp())
        return;
    const QTransform toDevice = logicalToDevice();
    if (!usable(toDevice))
        return;
    const QPointF d = toDevice.map(p);
    const QRectF pixel(std::floor(d.x()), std::floor(d.y()), 1, 1);
    note(pixel);
    if (!m_painter)
        return;
    applyClip();
    m_painter->setTransform(m_deviceToTarget);
    m_painter->fillRect(pixel, color);
}

// ---------------------------------------------------------------- text

QFont GdiContext::makeFont(double pixelHeight, double* outScale) const
{
    const FontSpec& f = m_dc.font;
    QFont font;
    font.setFamilies(familiesFor(f.face.isEmpty() ? QStringLiteral("Arial") : f.face));
    if (f.charset == 2 && f.face.startsWith(QLatin1String("Symbol"), Qt::CaseInsensitive))
        font.setFamilies({QStringLiteral("serif")}); // its text arrives as Unicode Greek and maths
    font.setWeight(QFont::Weight(std::clamp(f.weight == 0 ? 400 : f.weight, 1, 1000)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeout);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    // Draw at a whole pixel size and scale the rest, so tiny or fractional
    // heights keep their proportions.
    const int size = std::clamp(int(std::lround(pixelHeight)), 8, 400);
    font.setPixelSize(size);
    *outScale = pixelHeight / size;
    return font;
}

void GdiContext::text(QPointF reference, const QString& text, const QVector<double>& dx, uint32_t options,
                      const QRectF& rect)
{
    if (!beginOp())
        return;
    m_chars += text.size();
    if (m_chars > kMaxTotalChars) {
        m_exhausted = true;
        return;
    }
    const uint32_t align = m_dc.textAlign;
    if (align & gdi::TaUpdateCp)
        reference = m_dc.currentPosition;
    if (!finite(reference.x()) || !finite(reference.y()))
        return;
    const QTransform toDevice = logicalToDevice();
    if (!usable(toDevice))
        return;
    const QTransform full = toDevice * m_deviceToTarget;
    const bool rectValid = finiteRect(rect) && !rect.isEmpty();

    // Opaque rectangle first: it is drawn even when the text is empty.
    if ((options & gdi::EtoOpaque) && rectValid) {
        QPainterPath box;
        box.addRect(normalised(rect));
        note(toDevice.mapRect(normalised(rect)));
        if (m_painter) {
            applyClip();
            m_painter->setTransform(full);
            m_painter->fillPath(box, m_dc.bkColor);
        }
    }
    if (text.isEmpty())
        return;

    // The text's frame on the target: origin, direction of the logical x axis,
    // scales along and across it.
    const QPointF origin = full.map(reference);
    const QPointF ux = full.map(reference + QPointF(1, 0)) - origin;
    const double xScale = std::hypot(ux.x(), ux.y());
    const double yScale = xScale > 0 ? std::abs(full.determinant()) / xScale : 0;
    if (xScale <= 0 || yScale <= 0 || !std::isfinite(xScale) || !std::isfinite(yScale))
        return;
    const FontSpec& f = m_dc.font;
    double cellHeight = std::abs(f.height) * yScale;
    if (f.height == 0)
        cellHeight = 16 * areaScale(m_deviceToTarget);
    if (cellHeight < 0.05 || cellHeight > 1e5)
        return;
    double scale = 1;
    QFont font = makeFont(cellHeight, &scale);
    QFontMetricsF metrics(font);
    if (f.height > 0) {
        // A positive height is the cell (ascent + descent), not the em.
        const double cell = metrics.ascent() + metrics.descent();
        if (cell > 0)
            scale *= font.pixelSize() / cell;
    }
    double stretch = 1;
    if (f.width > 0) {
        const double wanted = f.width * xScale / scale;
        const double average = metrics.averageCharWidth();
        if (average > 0)
            stretch = std::clamp(wanted / average, 0.05, 20.0);
    }
    // Along-baseline scale from local font units to logical units.
    const double localToLogical = scale * stretch / xScale;

    double width = 0; // local units
    QVector<double> positions;
    if (!dx.isEmpty()) {
        positions.reserve(text.size());
        double at = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            positions.append(at / localToLogical);
            at += i < dx.size() ? dx[i] : 0;
        }
        width = at / localToLogical;
    } else {
        width = metrics.horizontalAdvance(text) + m_dc.charExtra * text.size() / localToLogical;
    }
    double x0 = 0;
    if ((align & gdi::TaCenter) == gdi::TaCenter)
        x0 = -width / 2;
    else if (align & gdi::TaRight)
        x0 = -width;
    double baseline = metrics.ascent();
    if ((align & gdi::TaBaseline) == gdi::TaBaseline)
        baseline = 0;
    else if (align & gdi::TaBottom)
        baseline = -metrics.descent();

    if (align & gdi::TaUpdateCp) {
        const double advance = width * localToLogical;
        const double sign = (align & gdi::TaCenter) == gdi::TaCenter ? 0 : (align & gdi::TaRight) ? -1 : 1;
        m_dc.currentPosition = reference + QPointF(sign * advance, 0);
    }

    const double angle = std::atan2(ux.y(), ux.x()) * 180 / kPi - f.escapement / 10.0;
    QTransform local;
    local.translate(origin.x(), origin.y());
    local.rotate(angle);
    local.scale(scale * stretch, scale);
    const QRectF localBox(x0, baseline - metrics.ascent(), width, metrics.ascent() + metrics.descent());
    {
        bool ok = false;
        const QTransform targetToDevice = m_deviceToTarget.inverted(&ok);
        if (ok)
            note((local * targetToDevice).mapRect(localBox));
    }
    if (!m_painter)
        return;
    applyClip();
    m_painter->save();
    if ((options & gdi::EtoClipped) && rectValid) {
        m_painter->setTransform(full);
        m_painter->setClipRect(normalised(rect), Qt::IntersectClip);
    }
    m_painter->setTransform(local);
    if (m_dc.bkMode == gdi::Opaque && !(options & gdi::EtoOpaque))
        m_painter->fillRect(localBox, m_dc.bkColor);
    m_painter->setFont(font);
    m_painter->setPen(m_dc.textColor);
    if (positions.isEmpty()) {
        if (m_dc.charExtra != 0) {
            double at = x0;
            for (const QChar ch : text) {
                m_painter->drawText(QPointF(at, baseline), QString(ch));
                at += metrics.horizontalAdvance(ch) + m_dc.charExtra / localToLogical;
            }
        } else {
            m_painter->drawText(QPointF(x0, baseline), text);
        }
    } else {
        for (qsizetype i = 0; i < text.size(); ++i) {
            QString piece(text[i]);
            if (text[i].isHighSurrogate() && i + 1 < text.size()) {
                piece.append(text[i + 1]);
                ++i;
            }
            if (piece.trimmed().isEmpty())
                continue;
            m_painter->drawText(QPointF(x0 + positions[i - (piece.size() - 1)], baseline), piece);
        }
    }
    m_painter->restore(); // back to the clip applied before save()
}

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

void GdiContext::intersectClipRect(const QRectF& logical)
{
    const QTransform toDevice = logicalToDevice();
    if (!finiteRect(logical) || !usable(toDevice))
        return;
    QPainterPath path;
    path.addPolygon(toDevice.map(QPolygonF(normalised(logical))));
    path.closeSubpath();
    combineClip(path, gdi::RgnAnd);
}

void GdiContext::excludeClipRect(const QRectF& logical)
{
    const QTransform toDevice = logicalToDevice();
    if (!finiteRect(logical) || !usable(toDevice))
        return;
    QPainterPath path;
    path.addPolygon(toDevice.map(QPolygonF(normalised(logical))));
    path.closeSubpath();
    combineClip(path, gdi::RgnDiff);
}

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

// ---------------------------------------------------------------- text encodings

namespace {

// The Symbol font's code points 0x20-0xFF as Unicode (its empty slots as spaces).
constexpr char16_t kSymbolToUnicode[224] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B,
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9,
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9,
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x007F,
    0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020,
    0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020,
    0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020,
    0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020, 0x0020,
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663,
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    0x0020, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0020,
};

} // namespace

QString decodeCharset(const QByteArray& bytes, int charset, const QString& face)
{
    if (charset == 2 && face.startsWith(QLatin1String("Symbol"), Qt::CaseInsensitive)) {
        QString text;
        text.reserve(bytes.size());
        for (const char c : bytes) {
            const unsigned char b = static_cast<unsigned char>(c);
            text.append(b < 0x20 ? QChar(b) : QChar(kSymbolToUnicode[b - 0x20]));
        }
        return text;
    }
    const char* name = nullptr;
    switch (charset) {
    case 128: name = "Shift_JIS"; break;
    case 129: name = "EUC-KR"; break;
    case 134: name = "GBK"; break;
    case 136: name = "Big5"; break;
    case 161: name = "windows-1253"; break;
    case 162: name = "windows-1254"; break;
    case 163: name = "windows-1258"; break;
    case 177: name = "windows-1255"; break;
    case 178: name = "windows-1256"; break;
    case 186: name = "windows-1257"; break;
    case 204: name = "windows-1251"; break;
    case 222: name = "windows-874"; break;
    case 238: name = "windows-1250"; break;
    default: break;
    }
    if (name) {
        QStringDecoder decoder(name);
        if (decoder.isValid()) {
            QString text = decoder(bytes);
            if (!decoder.hasError())
                return text;
        }
    }
    return fromCp1252(bytes);
}

} // namespace tirvelo::metafile
