#include "formats/metafile/EmfPlayer.h"

#include "formats/metafile/EmfBitmapRecords.h"
#include "formats/metafile/EmfRecords.h"
#include "formats/metafile/GdiContext.h"
#include "formats/metafile/RecordFamilies.h"

#include <optional>
#include <uemf.h>
#include <uemf_endian.h>

namespace tirvelo::metafile {

namespace {

using namespace emf;

constexpr uint32_t kEnhMetaSignature = 0x464D4520; // " EMF"

// RECTL is inclusive-inclusive in GDI; shapes use the corners as given.
QRectF rectOf(const RectL& r) { return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom)); }

QPointF pointOf(const PointL& p) { return QPointF(p.x, p.y); }

QSizeF sizeOf(const SizeL& s) { return QSizeF(s.cx, s.cy); }

QTransform transformOf(const XForm& x) { return QTransform(x.m11, x.m12, x.m21, x.m22, x.dx, x.dy); }

// The record is long enough for the layout its case reads.
template <class Layout>
bool holds(ByteView r) { return r.size() >= int64_t(sizeof(Layout)); }

// Reads `count` points of 8 (32-bit) or 4 (16-bit) bytes at `at`, checking the
// whole array against the record first.
bool readPoints(ByteView r, int64_t at, int64_t count, bool small, QPolygonF& out)
{
    const int64_t pointSize = small ? 4 : 8;
    if (count < 0 || count > r.size() / pointSize || !r.has(at, count * pointSize))
        return false;
    out.resize(qsizetype(count));
    for (int64_t i = 0; i < count; ++i) {
        const int64_t p = at + i * pointSize;
        out[qsizetype(i)] = small ? QPointF(r.i16(p), r.i16(p + 2)) : QPointF(r.i32(p), r.i32(p + 4));
    }
    return true;
}

// The rectangles of a RGNDATA block, in device units.
QPainterPath regionPath(ByteView data)
{
    QPainterPath path;
    if (!data.has(0, sizeof(RgnDataHeader)))
        return path;
    const auto header = data.layout<RgnDataHeader>();
    const int64_t headerSize = header.size;
    const int64_t count = header.count;
    if (headerSize < int64_t(sizeof(RgnDataHeader)) || count > (data.size() - headerSize) / 16)
        return path;
    for (int64_t i = 0; i < count && i < kMaxClipElements / 5; ++i) {
        const QRectF r = rectOf(data.layout<RectL>(headerSize + 16 * i)).normalized();
        if (!r.isEmpty())
            path.addRect(r);
    }
    return path.simplified();
}

PenSpec penOf(const LogPen& logPen)
{
    PenSpec pen;
    pen.style = logPen.style;
    pen.width = logPen.width.x;
    pen.color = colorRef(logPen.color);
    return pen;
}

// EXTLOGPEN: geometric pens carry their width, user styles their dashes.
PenSpec extPenOf(ByteView r)
{
    const ExtLogPen elp = r.layout<ExtCreatePenRecord>().pen;
    PenSpec pen;
    pen.style = elp.style & 0xFFFF;
    pen.cosmetic = (elp.style & 0x000F0000) == 0; // PS_COSMETIC
    pen.width = pen.cosmetic ? 0 : double(elp.width);
    pen.color = colorRef(elp.color);
    if (elp.brushStyle == gdi::BsNull)
        pen.style = gdi::PsNull;
    const int64_t entries = elp.styleEntries;
    const int64_t dashesAt = sizeof(ExtCreatePenRecord);
    if ((elp.style & 0x0F) == gdi::PsUserStyle && entries > 0 && entries <= 64 && r.has(dashesAt, 4 * entries))
        for (int64_t i = 0; i < entries; ++i)
            pen.dashes.append(r.u32(dashesAt + 4 * i));
    return pen;
}

GdiObject penObject(const PenSpec& pen)
{
    GdiObject o;
    o.kind = GdiObject::Kind::Pen;
    o.pen = pen;
    return o;
}

GdiObject brushObject(const BrushSpec& brush)
{
    GdiObject o;
    o.kind = GdiObject::Kind::Brush;
    o.brush = brush;
    return o;
}

BrushSpec brushOf(const CreateBrushRecord& c)
{
    BrushSpec b;
    b.color = colorRef(c.color);
    switch (c.style) {
    case gdi::BsSolid: b.kind = BrushSpec::Kind::Solid; break;
    case gdi::BsNull: b.kind = BrushSpec::Kind::Null; break;
    case gdi::BsHatched:
        b.kind = BrushSpec::Kind::Hatched;
        b.hatch = int(c.hatch);
        break;
    default: b.kind = BrushSpec::Kind::Solid; break;
    }
    return b;
}

GdiObject fontObject(const LogFontW& lf)
{
    GdiObject o;
    o.kind = GdiObject::Kind::Font;
    o.font = fontSpecOf(lf);
    for (const char16_t ch : lf.face) {
        if (ch == 0)
            break;
        o.font.face.append(QChar(ch));
    }
    return o;
}

// The device-context value a one-value record sets.
std::optional<DcValue> dcValueSetBy(uint32_t type)
{
    switch (type) {
    case U_EMR_SETBKMODE: return DcValue::BkMode;
    case U_EMR_SETPOLYFILLMODE: return DcValue::FillMode;
    case U_EMR_SETROP2: return DcValue::Rop2;
    case U_EMR_SETSTRETCHBLTMODE: return DcValue::StretchMode;
    case U_EMR_SETTEXTALIGN: return DcValue::TextAlign;
    case U_EMR_SETTEXTCOLOR: return DcValue::TextColor;
    case U_EMR_SETBKCOLOR: return DcValue::BkColor;
    case U_EMR_SETARCDIRECTION: return DcValue::ArcDirection;
    case U_EMR_SETMITERLIMIT: return DcValue::MiterLimit;
    default: return std::nullopt;
    }
}

class EmfPlayer {
public:
    EmfPlayer(GdiContext& context) : m_ctx(context) {}
    void play(uint32_t type, ByteView r);

private:
    bool playShape(uint32_t type, ByteView r);
    bool playMapping(uint32_t type, ByteView r);
    bool playDcState(uint32_t type, ByteView r);
    bool playObject(uint32_t type, ByteView r);
    bool playPathOrClip(uint32_t type, ByteView r);
    bool playTextOrBitmap(uint32_t type, ByteView r);
    void fillRegionRecord(ByteView r);
    void polyRecord(uint32_t type, ByteView r, bool small);
    void polyPolyRecord(uint32_t type, ByteView r, bool small);
    void textRecord(ByteView r, bool wide);

    GdiContext& m_ctx;
    // Records no family plays: palettes, escapes, comments (EMF+ included),
    // colour management, unknown records.
    RecordFamilies<EmfPlayer, uint32_t, 6> m_families{{
        &EmfPlayer::playShape, &EmfPlayer::playMapping, &EmfPlayer::playDcState,
        &EmfPlayer::playObject, &EmfPlayer::playPathOrClip, &EmfPlayer::playTextOrBitmap}};
};

void EmfPlayer::polyRecord(uint32_t type, ByteView r, bool small)
{
    const int64_t count = r.layout<PolyRecord>().count;
    const int64_t pointsAt = sizeof(PolyRecord);
    QPolygonF points;
    if (!readPoints(r, pointsAt, count, small, points))
        return;
    switch (type) {
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYBEZIER16: m_ctx.polyBezier(points); break;
    case U_EMR_POLYGON:
    case U_EMR_POLYGON16: m_ctx.polygon(points); break;
    case U_EMR_POLYLINE:
    case U_EMR_POLYLINE16: m_ctx.polyline(points); break;
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYBEZIERTO16: m_ctx.polyBezierTo(points); break;
    case U_EMR_POLYLINETO:
    case U_EMR_POLYLINETO16: m_ctx.polylineTo(points); break;
    case U_EMR_POLYDRAW:
    case U_EMR_POLYDRAW16: {
        const int64_t typesAt = pointsAt + count * (small ? 4 : 8);
        if (!r.has(typesAt, count))
            return;
        // A copy from the range: with no points there is nothing to copy from.
        const QVector<uint8_t> types(r.data() + typesAt, r.data() + typesAt + count);
        m_ctx.polyDraw(points, types);
        break;
    }
    default: break;
    }
}

void EmfPlayer::polyPolyRecord(uint32_t type, ByteView r, bool small)
{
    const auto record = r.layout<PolyPolyRecord>();
    const int64_t polys = record.polygons;
    const int64_t total = record.points;
    const int64_t countsAt = sizeof(PolyPolyRecord);
    if (polys > (r.size() - countsAt) / 4)
        return;
    const int64_t pointsAt = countsAt + 4 * polys;
    QPolygonF all;
    if (!readPoints(r, pointsAt, total, small, all))
        return;
    QVector<QPolygonF> shapes;
    int64_t used = 0;
    for (int64_t i = 0; i < polys; ++i) {
        const int64_t n = r.u32(countsAt + 4 * i);
        if (n > total - used)
            return; // the counts claim more points than the record holds
        shapes.append(all.mid(qsizetype(used), qsizetype(n)));
        used += n;
    }
    if (type == U_EMR_POLYPOLYGON || type == U_EMR_POLYPOLYGON16)
        m_ctx.polyPolygon(shapes);
    else
        m_ctx.polyPolyline(shapes);
}

void EmfPlayer::textRecord(ByteView r, bool wide)
{
    const int64_t text = sizeof(ExtTextOutRecord);
    if (!r.has(text, sizeof(EmrText)))
        return;
    const auto emrText = r.layout<EmrText>(text);
    const int64_t chars = emrText.chars;
    const int64_t offString = emrText.offString;
    const uint32_t options = emrText.options;
    // The clipping rectangle is left out when ETO_NO_RECT is set.
    const bool hasRect = !(options & U_ETO_NO_RECT);
    const int64_t rectAt = text + int64_t(sizeof(EmrText));
    const int64_t offDxAt = rectAt + (hasRect ? int64_t(sizeof(RectL)) : 0);
    QRectF rect;
    if (hasRect && r.has(rectAt, sizeof(RectL)))
        rect = rectOf(r.layout<RectL>(rectAt));
    const int64_t charBytes = wide ? 2 : 1;
    if (chars > r.size() / charBytes || !r.has(offString, chars * charBytes))
        return;
    QString s;
    if (wide) {
        s.resize(qsizetype(chars));
        for (int64_t i = 0; i < chars; ++i)
            s[qsizetype(i)] = QChar(r.u16(offString + 2 * i));
    } else {
        s = decodeCharset(QByteArray(reinterpret_cast<const char*>(r.data() + offString), qsizetype(chars)),
                          m_ctx.dc().font.charset, m_ctx.dc().font.face);
    }
    QVector<double> dx;
    const int64_t offDx = r.has(offDxAt, 4) ? r.u32(offDxAt) : 0;
    const int64_t dxStride = (options & gdi::EtoPdy) ? 8 : 4;
    if (offDx != 0 && chars > 0 && chars <= r.size() / dxStride && r.has(offDx, chars * dxStride)) {
        dx.resize(qsizetype(chars));
        for (int64_t i = 0; i < chars; ++i)
            dx[qsizetype(i)] = r.i32(offDx + dxStride * i);
    }
    if (options & gdi::EtoGlyphIndex)
        dx.clear(), s = QString(); // glyph indices mean nothing without the writer's font
    m_ctx.text(pointOf(emrText.reference), s, dx, options, rect);
}

void EmfPlayer::play(uint32_t type, ByteView r)
{
    m_families.play(*this, type, r);
}

// Each case reads its record's fixed part once the record holds it; shorter
// records are skipped.
bool EmfPlayer::playShape(uint32_t type, ByteView r)
{
    switch (type) {
    case U_EMR_POLYBEZIER: case U_EMR_POLYGON: case U_EMR_POLYLINE: case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO: case U_EMR_POLYDRAW:
        if (holds<PolyRecord>(r))
            polyRecord(type, r, false);
        return true;
    case U_EMR_POLYBEZIER16: case U_EMR_POLYGON16: case U_EMR_POLYLINE16: case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINETO16: case U_EMR_POLYDRAW16:
        if (holds<PolyRecord>(r))
            polyRecord(type, r, true);
        return true;
    case U_EMR_POLYPOLYLINE: case U_EMR_POLYPOLYGON:
        if (holds<PolyPolyRecord>(r))
            polyPolyRecord(type, r, false);
        return true;
    case U_EMR_POLYPOLYLINE16: case U_EMR_POLYPOLYGON16:
        if (holds<PolyPolyRecord>(r))
            polyPolyRecord(type, r, true);
        return true;
    case U_EMR_LINETO:
        if (holds<PointRecord>(r))
            m_ctx.lineTo(pointOf(r.layout<PointRecord>().point));
        return true;
    case U_EMR_SETPIXELV:
        if (holds<SetPixelRecord>(r)) {
            const auto p = r.layout<SetPixelRecord>();
            m_ctx.setPixel(pointOf(p.point), colorRef(p.color));
        }
        return true;
    case U_EMR_ANGLEARC:
        if (holds<AngleArcRecord>(r)) {
            const auto a = r.layout<AngleArcRecord>();
            m_ctx.angleArc(pointOf(a.center), a.radius, a.startAngle, a.sweepAngle);
        }
        return true;
    case U_EMR_ELLIPSE:
        if (holds<RectRecord>(r))
            m_ctx.ellipse(rectOf(r.layout<RectRecord>().rect));
        return true;
    case U_EMR_RECTANGLE:
        if (holds<RectRecord>(r))
            m_ctx.rectangle(rectOf(r.layout<RectRecord>().rect));
        return true;
    case U_EMR_ROUNDRECT:
        if (holds<RoundRectRecord>(r)) {
            const auto rr = r.layout<RoundRectRecord>();
            m_ctx.roundRect(rectOf(rr.box), sizeOf(rr.corner));
        }
        return true;
    case U_EMR_ARC: case U_EMR_ARCTO: case U_EMR_CHORD: case U_EMR_PIE:
        if (holds<ArcRecord>(r)) {
            const gdi::ArcKind kind = type == U_EMR_ARC ? gdi::Arc
                : type == U_EMR_ARCTO                   ? gdi::ArcTo
                : type == U_EMR_CHORD                   ? gdi::Chord
                                                        : gdi::Pie;
            const auto a = r.layout<ArcRecord>();
            m_ctx.arc(rectOf(a.box), pointOf(a.start), pointOf(a.end), kind);
        }
        return true;
    default:
        return false;
    }
}

bool EmfPlayer::playMapping(uint32_t type, ByteView r)
{
    switch (type) {
    case U_EMR_SETWINDOWEXTEX:
        if (holds<SizeRecord>(r))
            m_ctx.setWindowExt(sizeOf(r.layout<SizeRecord>().size));
        return true;
    case U_EMR_SETWINDOWORGEX:
        if (holds<PointRecord>(r))
            m_ctx.setWindowOrg(pointOf(r.layout<PointRecord>().point));
        return true;
    case U_EMR_SETVIEWPORTEXTEX:
        if (holds<SizeRecord>(r))
            m_ctx.setViewportExt(sizeOf(r.layout<SizeRecord>().size));
        return true;
    case U_EMR_SETVIEWPORTORGEX:
        if (holds<PointRecord>(r))
            m_ctx.setViewportOrg(pointOf(r.layout<PointRecord>().point));
        return true;
    case U_EMR_SCALEVIEWPORTEXTEX:
        if (holds<ScaleExtRecord>(r)) {
            const auto s = r.layout<ScaleExtRecord>();
            m_ctx.scaleViewportExt(s.xNum, s.xDenom, s.yNum, s.yDenom);
        }
        return true;
    case U_EMR_SCALEWINDOWEXTEX:
        if (holds<ScaleExtRecord>(r)) {
            const auto s = r.layout<ScaleExtRecord>();
            m_ctx.scaleWindowExt(s.xNum, s.xDenom, s.yNum, s.yDenom);
        }
        return true;
    case U_EMR_SETMAPMODE:
        if (holds<ValueRecord>(r))
            m_ctx.setMapMode(int(r.layout<ValueRecord>().value));
        return true;
    case U_EMR_SETWORLDTRANSFORM:
        if (holds<XFormRecord>(r))
            m_ctx.setWorldTransform(transformOf(r.layout<XFormRecord>().xform));
        return true;
    case U_EMR_MODIFYWORLDTRANSFORM:
        if (holds<ModifyXFormRecord>(r)) {
            const auto m = r.layout<ModifyXFormRecord>();
            m_ctx.modifyWorldTransform(transformOf(m.xform), m.mode);
        }
        return true;
    default:
        return false;
    }
}

bool EmfPlayer::playDcState(uint32_t type, ByteView r)
{
    const uint32_t value = r.layout<ValueRecord>().value;
    if (const auto which = dcValueSetBy(type)) {
        if (holds<ValueRecord>(r))
            m_ctx.setDcValue(*which, value);
        return true;
    }
    switch (type) {
    case U_EMR_MOVETOEX:
        if (holds<PointRecord>(r))
            m_ctx.moveTo(pointOf(r.layout<PointRecord>().point));
        return true;
    case U_EMR_SAVEDC:
        m_ctx.saveDc();
        return true;
    case U_EMR_RESTOREDC:
        if (holds<ValueRecord>(r))
            m_ctx.restoreDc(int32_t(value));
        return true;
    default:
        return false;
    }
}

bool EmfPlayer::playObject(uint32_t type, ByteView r)
{
    const uint32_t index = r.layout<ValueRecord>().value; // the object's handle comes first
    switch (type) {
    case U_EMR_SELECTOBJECT:
        if (holds<ValueRecord>(r))
            m_ctx.selectObject(index);
        return true;
    case U_EMR_DELETEOBJECT:
        if (holds<ValueRecord>(r))
            m_ctx.deleteObject(index);
        return true;
    case U_EMR_CREATEPEN:
        if (holds<CreatePenRecord>(r))
            m_ctx.setObject(index, penObject(penOf(r.layout<CreatePenRecord>().pen)));
        return true;
    case U_EMR_EXTCREATEPEN:
        if (holds<ExtCreatePenRecord>(r))
            m_ctx.setObject(index, penObject(extPenOf(r)));
        return true;
    case U_EMR_CREATEBRUSHINDIRECT:
        if (holds<CreateBrushRecord>(r))
            m_ctx.setObject(index, brushObject(brushOf(r.layout<CreateBrushRecord>())));
        return true;
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH:
        if (holds<CreateDibBrushRecord>(r))
            m_ctx.setObject(index, brushObject(patternBrush(type, r, m_ctx)));
        return true;
    case U_EMR_EXTCREATEFONTINDIRECTW:
        if (holds<CreateFontRecord>(r))
            m_ctx.setObject(index, fontObject(r.layout<CreateFontRecord>().font));
        return true;
    case U_EMR_CREATEPALETTE:
    case U_EMR_CREATECOLORSPACE:
    case U_EMR_CREATECOLORSPACEW:
        if (holds<ValueRecord>(r)) {
            GdiObject o;
            o.kind = GdiObject::Kind::Palette;
            m_ctx.setObject(index, o);
        }
        return true;
    default:
        return false;
    }
}

bool EmfPlayer::playPathOrClip(uint32_t type, ByteView r)
{
    switch (type) {
    case U_EMR_BEGINPATH: m_ctx.beginPath(); return true;
    case U_EMR_ENDPATH: m_ctx.endPath(); return true;
    case U_EMR_CLOSEFIGURE: m_ctx.closeFigure(); return true;
    case U_EMR_FILLPATH: m_ctx.fillPath(); return true;
    case U_EMR_STROKEANDFILLPATH: m_ctx.strokeAndFillPath(); return true;
    case U_EMR_STROKEPATH: m_ctx.strokePath(); return true;
    case U_EMR_ABORTPATH: m_ctx.abortPath(); return true;
    case U_EMR_SELECTCLIPPATH:
        if (holds<ValueRecord>(r))
            m_ctx.selectClipPath(int(r.layout<ValueRecord>().value));
        return true;
    case U_EMR_EXCLUDECLIPRECT:
        if (holds<RectRecord>(r))
            m_ctx.excludeClipRect(rectOf(r.layout<RectRecord>().rect));
        return true;
    case U_EMR_INTERSECTCLIPRECT:
        if (holds<RectRecord>(r))
            m_ctx.intersectClipRect(rectOf(r.layout<RectRecord>().rect));
        return true;
    case U_EMR_OFFSETCLIPRGN:
        if (holds<PointRecord>(r))
            m_ctx.offsetClip(pointOf(r.layout<PointRecord>().point));
        return true;
    case U_EMR_EXTSELECTCLIPRGN:
        if (holds<ExtSelectClipRgnRecord>(r)) {
            const auto s = r.layout<ExtSelectClipRgnRecord>();
            const int64_t cb = s.cbRgnData, at = sizeof(ExtSelectClipRgnRecord);
            if (cb == 0 || !r.has(at, cb))
                m_ctx.selectClipRegion(QPainterPath(), int(s.mode));
            else
                m_ctx.selectClipRegion(regionPath(r.sub(at, cb)), int(s.mode));
        }
        return true;
    case U_EMR_FILLRGN:
        if (holds<FillRgnRecord>(r))
            fillRegionRecord(r);
        return true;
    case U_EMR_PAINTRGN:
        if (holds<PaintRgnRecord>(r)) {
            const int64_t cb = r.layout<PaintRgnRecord>().cbRgnData, at = sizeof(PaintRgnRecord);
            if (r.has(at, cb))
                m_ctx.fillDeviceRegion(regionPath(r.sub(at, cb)), m_ctx.dc().brush);
        }
        return true;
    default:
        return false;
    }
}

void EmfPlayer::fillRegionRecord(ByteView r)
{
    const auto f = r.layout<FillRgnRecord>();
    const int64_t cb = f.cbRgnData, at = sizeof(FillRgnRecord);
    const uint32_t brushIndex = f.brushIndex;
    const GdiObject* o = m_ctx.object(brushIndex);
    BrushSpec brush = m_ctx.dc().brush;
    if (brushIndex & 0x80000000u) {
        const BrushSpec saved = m_ctx.dc().brush;
        m_ctx.selectStockObject(brushIndex & 0x7FFFFFFF);
        brush = m_ctx.dc().brush;
        m_ctx.dc().brush = saved;
    } else if (o && o->kind == GdiObject::Kind::Brush) {
        brush = o->brush;
    }
    if (r.has(at, cb))
        m_ctx.fillDeviceRegion(regionPath(r.sub(at, cb)), brush);
}

bool EmfPlayer::playTextOrBitmap(uint32_t type, ByteView r)
{
    switch (type) {
    case U_EMR_EXTTEXTOUTA: textRecord(r, false); return true;
    case U_EMR_EXTTEXTOUTW: textRecord(r, true); return true;
    case U_EMR_BITBLT: bitBlt(r, false, m_ctx); return true;
    case U_EMR_STRETCHBLT: bitBlt(r, true, m_ctx); return true;
    case U_EMR_STRETCHDIBITS: stretchDibits(r, m_ctx); return true;
    case U_EMR_SETDIBITSTODEVICE: setDibitsToDevice(r, m_ctx); return true;
    case U_EMR_ALPHABLEND: alphaBlend(r, m_ctx); return true;
    case U_EMR_TRANSPARENTBLT: transparentBlt(r, m_ctx); return true;
    default: return false;
    }
}

} // namespace

double EmfHeader::pixelsPerMmX() const
{
    if (devicePixels.width() > 0 && deviceMm.width() > 0)
        return double(devicePixels.width()) / deviceMm.width();
    return 96.0 / 25.4;
}

double EmfHeader::pixelsPerMmY() const
{
    if (devicePixels.height() > 0 && deviceMm.height() > 0)
        return double(devicePixels.height()) / deviceMm.height();
    return 96.0 / 25.4;
}

QRectF EmfHeader::frameInDevicePixels() const
{
    if (frame.right() <= frame.left() || frame.bottom() <= frame.top())
        return {};
    const double kx = pixelsPerMmX() / 100.0, ky = pixelsPerMmY() / 100.0;
    return QRectF(QPointF(frame.left() * kx, frame.top() * ky), QPointF(frame.right() * kx, frame.bottom() * ky));
}

std::optional<EmfHeader> readEmfHeader(ByteView file)
{
    // The fields up to the reference device's size in millimetres; later
    // headers add more.
    constexpr int64_t minHeaderSize = sizeof(emf::Header);
    if (!file.has(0, minHeaderSize))
        return std::nullopt;
    const auto header = file.layout<emf::Header>();
    const int64_t size = header.emr.size;
    if (header.emr.type != U_EMR_HEADER || size < minHeaderSize || !file.has(0, size)
        || header.signature != kEnhMetaSignature)
        return std::nullopt;
    auto rect = [](const emf::RectL& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)); };
    EmfHeader h;
    h.bounds = rect(header.bounds);
    h.frame = rect(header.frame);
    h.handles = header.handles;
    const int32_t dw = header.devicePixels.cx, dh = header.devicePixels.cy;
    const int32_t mw = header.deviceMillimetres.cx, mh = header.deviceMillimetres.cy;
    if (dw > 0 && dh > 0 && mw > 0 && mh > 0 && dw < 1000000 && dh < 1000000 && mw < 1000000 && mh < 1000000) {
        h.devicePixels = QSize(dw, dh);
        h.deviceMm = QSize(mw, mh);
    }
    return h;
}

void playEmf(ByteView file, const EmfHeader& header, GdiContext& context)
{
    context.setDeviceResolution(header.pixelsPerMmX(), header.pixelsPerMmY());
    EmfPlayer player(context);
    const char* base = reinterpret_cast<const char*>(file.data());
    const char* limit = base + file.size();
    int64_t at = 0;
    while (context.withinBudget() && file.has(at, 8)) {
        const auto record = file.layout<emf::Record>(at);
        const uint32_t type = record.type;
        const int64_t size = record.size;
        // Our own range check in 64 bits decides where the next record starts;
        // a record that does not fit ends the picture.
        if (size < 8 || !file.has(at, size))
            break;
        if (type == U_EMR_EOF)
            break;
        // libuemf's check on top: a record it finds too short for its type is
        // skipped (it also refuses some valid ones, e.g. SETTEXTJUSTIFICATION).
        // torev = 1: the record is still in the file's byte order.
        uint32_t nSize = 0, iType = 0;
        const bool libraryAccepts = U_emf_record_sizeok(base + at, limit, &nSize, &iType, 1) && nSize == size;
        if (at > 0 && libraryAccepts) // the header is not played
            player.play(type, file.sub(at, size));
        at += size;
    }
}

} // namespace tirvelo::metafile
