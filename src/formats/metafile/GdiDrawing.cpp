// Lines, curves and shapes: the pen and brush they are drawn with, and what
// each one adds to the bounds of the picture.
#include "formats/metafile/GdiContext.h"
#include "formats/metafile/GdiGeometry.h"

#include <QPainter>
#include <algorithm>

namespace tirvelo::metafile {

namespace {

// Pixels: four times the width of the widest screens.
constexpr double kWidestSmoothPen = 16384;

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

void GdiContext::note(const QRectF& deviceRect, const QRectF& paintedRect)
{
    if (!finiteRect(deviceRect) || !finiteRect(paintedRect))
        return;
    if (!m_deviceClip.isEmpty()) {
        const QRectF visible = paintedRect.normalized().intersected(m_deviceClip);
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

QRectF GdiContext::strokedRect(const QRectF& deviceRect, const QTransform& penToDevice) const
{
    const PenSpec& pen = m_dc.pen;
    if ((pen.style & 0x0F) == gdi::PsNull || pen.cosmetic || !std::isfinite(pen.width))
        return deviceRect;
    // One device pixel at least; wider than any picture is as wide as that.
    const double half = std::clamp(std::abs(pen.width) * areaScale(penToDevice), 1.0, 1e5) / 2;
    return deviceRect.normalized().adjusted(-half, -half, half, half);
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
    const QRectF drawn = toDevice.mapRect(logical.controlPointRect());
    note(drawn, stroke ? strokedRect(drawn, toDevice) : drawn);
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
    const QRectF drawn = device.controlPointRect();
    note(drawn, stroke ? strokedRect(drawn, penTransform) : drawn);
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

} // namespace tirvelo::metafile
