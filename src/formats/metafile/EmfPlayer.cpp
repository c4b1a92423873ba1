#include "formats/metafile/EmfPlayer.h"

#include "formats/metafile/Dib.h"
#include "formats/metafile/GdiContext.h"
#include "formats/metafile/RecordFamilies.h"

#include <QPainter>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <uemf.h>
#include <uemf_endian.h>

namespace tirvelo::metafile {

namespace {

// Field offsets come from libuemf's record layouts.
#define FIELD(type, field) int64_t(offsetof(type, field))

constexpr uint32_t kEnhMetaSignature = 0x464D4520; // " EMF"
constexpr int64_t kMinHeaderSize = 88;              // up to szlMillimeters

QColor colorRef(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QRectF rectL(ByteView r, int64_t at)
{
    // RECTL is inclusive-inclusive in GDI; shapes use the corners as given.
    const double l = r.i32(at), t = r.i32(at + 4), rr = r.i32(at + 8), b = r.i32(at + 12);
    return QRectF(QPointF(l, t), QPointF(rr, b));
}

QPointF pointL(ByteView r, int64_t at) { return QPointF(r.i32(at), r.i32(at + 4)); }

QTransform xform(ByteView r, int64_t at)
{
    return QTransform(r.f32(at), r.f32(at + 4), r.f32(at + 8), r.f32(at + 12), r.f32(at + 16), r.f32(at + 20));
}

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
    if (!data.has(0, 32))
        return path;
    const int64_t headerSize = data.u32(0);
    const int64_t count = data.u32(8);
    if (headerSize < 32 || count > (data.size() - headerSize) / 16)
        return path;
    for (int64_t i = 0; i < count && i < kMaxClipElements / 5; ++i) {
        const QRectF r = rectL(data, headerSize + 16 * i).normalized();
        if (!r.isEmpty())
            path.addRect(r);
    }
    return path.simplified();
}

PenSpec readLogPen(ByteView r, int64_t at)
{
    PenSpec pen;
    pen.style = r.u32(at);
    pen.width = r.i32(at + 4);
    pen.color = colorRef(r.u32(at + 12));
    return pen;
}

// EXTLOGPEN: geometric pens carry their width, user styles their dashes.
PenSpec readExtLogPen(ByteView r, int64_t elp)
{
    PenSpec pen;
    const uint32_t style = r.u32(elp);
    pen.style = style & 0xFFFF;
    pen.cosmetic = (style & 0x000F0000) == 0; // PS_COSMETIC
    pen.width = pen.cosmetic ? 0 : double(r.u32(elp + 4));
    pen.color = colorRef(r.u32(elp + 12));
    if (r.u32(elp + 8) == gdi::BsNull)
        pen.style = gdi::PsNull;
    const int64_t entries = r.u32(elp + 20);
    if ((style & 0x0F) == gdi::PsUserStyle && entries > 0 && entries <= 64 && r.has(elp + 24, 4 * entries))
        for (int64_t i = 0; i < entries; ++i)
            pen.dashes.append(r.u32(elp + 24 + 4 * i));
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

BrushSpec brushFrom(uint32_t style, uint32_t color, uint32_t hatch)
{
    BrushSpec b;
    b.color = colorRef(color);
    switch (style) {
    case gdi::BsSolid: b.kind = BrushSpec::Kind::Solid; break;
    case gdi::BsNull: b.kind = BrushSpec::Kind::Null; break;
    case gdi::BsHatched:
        b.kind = BrushSpec::Kind::Hatched;
        b.hatch = int(hatch);
        break;
    default: b.kind = BrushSpec::Kind::Solid; break;
    }
    return b;
}

FontSpec readLogFontW(ByteView r, int64_t at)
{
    FontSpec f;
    f.height = r.i32(at);
    f.width = r.i32(at + 4);
    f.escapement = r.i32(at + 8);
    f.weight = r.i32(at + 16);
    f.italic = r.u8(at + 20);
    f.underline = r.u8(at + 21);
    f.strikeout = r.u8(at + 22);
    f.charset = r.u8(at + 23);
    QString face;
    for (int i = 0; i < 32; ++i) {
        const uint16_t ch = r.u16(at + 28 + 2 * i);
        if (ch == 0)
            break;
        face.append(QChar(ch));
    }
    f.face = face;
    return f;
}

// The DIB a bitmap record carries: header at offBmi, bits at offBits, each
// checked against the record.
QImage recordDib(ByteView r, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits, uint32_t usage,
                 bool keepAlpha = false)
{
    if (cbBmi == 0 || !r.has(offBmi, cbBmi) || !r.has(offBits, cbBits))
        return {};
    return decodeDib(r.sub(offBmi, cbBmi), r.sub(offBits, cbBits),
                     usage == 1 ? DibColors::PaletteIndices : DibColors::Rgb, keepAlpha);
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
    BrushSpec patternBrush(uint32_t type, ByteView r) const;
    void fillRegionRecord(ByteView r);
    void polyRecord(uint32_t type, ByteView r, bool small);
    void polyPolyRecord(uint32_t type, ByteView r, bool small);
    void textRecord(ByteView r, bool wide);
    void bitBlt(ByteView r, bool stretch);
    void stretchDibits(ByteView r);
    void setDibitsToDevice(ByteView r);
    void alphaBlend(ByteView r);
    void transparentBlt(ByteView r);

    GdiContext& m_ctx;
    // Records no family plays: palettes, escapes, comments (EMF+ included),
    // colour management, unknown records.
    RecordFamilies<EmfPlayer, uint32_t, 6> m_families{{
        &EmfPlayer::playShape, &EmfPlayer::playMapping, &EmfPlayer::playDcState,
        &EmfPlayer::playObject, &EmfPlayer::playPathOrClip, &EmfPlayer::playTextOrBitmap}};
};

void EmfPlayer::polyRecord(uint32_t type, ByteView r, bool small)
{
    // emr, rclBounds, count, points.
    const int64_t count = r.u32(24);
    QPolygonF points;
    if (!readPoints(r, 28, count, small, points))
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
        const int64_t typesAt = 28 + count * (small ? 4 : 8);
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
    const int64_t polys = r.u32(FIELD(U_EMRPOLYPOLYLINE, nPolys));
    const int64_t total = r.u32(FIELD(U_EMRPOLYPOLYLINE, cptl));
    const int64_t countsAt = FIELD(U_EMRPOLYPOLYLINE, aPolyCounts);
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
    const int64_t text = FIELD(U_EMREXTTEXTOUTW, emrtext);
    if (!r.has(text, 20))
        return;
    const QPointF reference = pointL(r, text);
    const int64_t chars = r.u32(text + 8);
    const int64_t offString = r.u32(text + 12);
    const uint32_t options = r.u32(text + 16);
    // The clipping rectangle is left out when ETO_NO_RECT is set.
    const bool hasRect = !(options & U_ETO_NO_RECT);
    const int64_t offDxAt = text + 20 + (hasRect ? 16 : 0);
    QRectF rect;
    if (hasRect && r.has(text + 20, 16))
        rect = rectL(r, text + 20);
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
    m_ctx.text(reference, s, dx, options, rect);
}

void EmfPlayer::bitBlt(ByteView r, bool stretch)
{
    using R = U_EMRSTRETCHBLT;
    if (!r.has(0, stretch ? int64_t(sizeof(R)) : FIELD(R, cSrc)))
        return;
    const QRectF dest(pointL(r, FIELD(R, Dest)), QSizeF(r.i32(FIELD(R, cDest)), r.i32(FIELD(R, cDest) + 4)));
    const uint32_t rop = r.u32(FIELD(R, dwRop));
    const uint32_t cbBmi = r.u32(FIELD(R, cbBmiSrc));
    if (cbBmi == 0) { // no source: a pattern fill
        m_ctx.patBlt(dest, rop);
        return;
    }
    const QImage image = recordDib(r, r.u32(FIELD(R, offBmiSrc)), cbBmi, r.u32(FIELD(R, offBitsSrc)),
                                   r.u32(FIELD(R, cbBitsSrc)), r.u32(FIELD(R, iUsageSrc)));
    if (image.isNull())
        return;
    // The source transform maps the destination into the source bitmap; real
    // files use it for translation and scale only.
    const QTransform srcXform = xform(r, FIELD(R, xformSrc));
    QRectF src(pointL(r, FIELD(R, Src)), stretch ? QSizeF(r.i32(FIELD(R, cSrc)), r.i32(FIELD(R, cSrc) + 4))
                                                  : dest.size());
    if (!stretch && srcXform.isScaling() && std::abs(srcXform.m11()) > 1e-9 && std::abs(srcXform.m22()) > 1e-9)
        src.setSize(QSizeF(dest.width() * srcXform.m11(), dest.height() * srcXform.m22()));
    m_ctx.drawImage(dest, image, src, rop);
}

void EmfPlayer::stretchDibits(ByteView r)
{
    using R = U_EMRSTRETCHDIBITS;
    if (!r.has(0, sizeof(R)))
        return;
    const QRectF dest(pointL(r, FIELD(R, Dest)), QSizeF(r.i32(FIELD(R, cDest)), r.i32(FIELD(R, cDest) + 4)));
    const uint32_t rop = r.u32(FIELD(R, dwRop));
    const QImage image = recordDib(r, r.u32(FIELD(R, offBmiSrc)), r.u32(FIELD(R, cbBmiSrc)),
                                   r.u32(FIELD(R, offBitsSrc)), r.u32(FIELD(R, cbBitsSrc)), r.u32(FIELD(R, iUsageSrc)));
    if (image.isNull()) {
        if (r.u32(FIELD(R, cbBmiSrc)) == 0)
            m_ctx.patBlt(dest, rop);
        return;
    }
    // Source y counts from the bottom row of the DIB.
    const double srcW = r.i32(FIELD(R, cSrc)), srcH = r.i32(FIELD(R, cSrc) + 4);
    const double srcX = r.i32(FIELD(R, Src)), srcY = r.i32(FIELD(R, Src) + 4);
    const QRectF src(srcX, image.height() - srcY - srcH, srcW, srcH);
    m_ctx.drawImage(dest, image, src, rop);
}

void EmfPlayer::setDibitsToDevice(ByteView r)
{
    using R = U_EMRSETDIBITSTODEVICE;
    if (!r.has(0, sizeof(R)))
        return;
    const QImage image = recordDib(r, r.u32(FIELD(R, offBmiSrc)), r.u32(FIELD(R, cbBmiSrc)),
                                   r.u32(FIELD(R, offBitsSrc)), r.u32(FIELD(R, cbBitsSrc)), r.u32(FIELD(R, iUsageSrc)));
    if (image.isNull())
        return;
    const double w = r.i32(FIELD(R, cSrc)), h = r.i32(FIELD(R, cSrc) + 4);
    const double srcX = r.i32(FIELD(R, Src)), srcY = r.i32(FIELD(R, Src) + 4);
    const QRectF dest(pointL(r, FIELD(R, Dest)), QSizeF(w, h));
    const QRectF src(srcX, image.height() - srcY - h, w, h);
    m_ctx.drawImage(dest, image, src, gdi::SrcCopy);
}

void EmfPlayer::alphaBlend(ByteView r)
{
    using R = U_EMRALPHABLEND;
    if (!r.has(0, sizeof(R)))
        return;
    const uint32_t blend = r.u32(FIELD(R, Blend));
    const int constantAlpha = (blend >> 16) & 0xFF;
    const bool perPixel = (blend >> 24) & 0x01; // AC_SRC_ALPHA
    QImage image = recordDib(r, r.u32(FIELD(R, offBmiSrc)), r.u32(FIELD(R, cbBmiSrc)), r.u32(FIELD(R, offBitsSrc)),
                             r.u32(FIELD(R, cbBitsSrc)), r.u32(FIELD(R, iUsageSrc)), perPixel);
    if (image.isNull())
        return;
    if (perPixel) // the bitmap holds premultiplied colours
        image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    if (constantAlpha != 255) {
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QImage faded(image.size(), QImage::Format_ARGB32_Premultiplied);
        faded.fill(Qt::transparent);
        QPainter p(&faded);
        p.setOpacity(constantAlpha / 255.0);
        p.drawImage(0, 0, image);
        p.end();
        image = faded;
    }
    const QRectF dest(pointL(r, FIELD(R, Dest)), QSizeF(r.i32(FIELD(R, cDest)), r.i32(FIELD(R, cDest) + 4)));
    const QRectF src(pointL(r, FIELD(R, Src)), QSizeF(r.i32(FIELD(R, cSrc)), r.i32(FIELD(R, cSrc) + 4)));
    m_ctx.drawImage(dest, image, src, gdi::SrcCopy);
}

void EmfPlayer::transparentBlt(ByteView r)
{
    using R = U_EMRTRANSPARENTBLT;
    if (!r.has(0, sizeof(R)))
        return;
    QImage image = recordDib(r, r.u32(FIELD(R, offBmiSrc)), r.u32(FIELD(R, cbBmiSrc)), r.u32(FIELD(R, offBitsSrc)),
                             r.u32(FIELD(R, cbBitsSrc)), r.u32(FIELD(R, iUsageSrc)));
    if (image.isNull())
        return;
    const QRgb key = colorRef(r.u32(FIELD(R, TColor))).rgb() & 0xFFFFFF;
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = 0;
    }
    const QRectF dest(pointL(r, FIELD(R, Dest)), QSizeF(r.i32(FIELD(R, cDest)), r.i32(FIELD(R, cDest) + 4)));
    const QRectF src(pointL(r, FIELD(R, Src)), QSizeF(r.i32(FIELD(R, cSrc)), r.i32(FIELD(R, cSrc) + 4)));
    m_ctx.drawImage(dest, image, src, gdi::SrcCopy);
}

void EmfPlayer::play(uint32_t type, ByteView r)
{
    m_families.play(*this, type, r);
}

bool EmfPlayer::playShape(uint32_t type, ByteView r)
{
    const int64_t size = r.size();
    switch (type) {
    case U_EMR_POLYBEZIER: case U_EMR_POLYGON: case U_EMR_POLYLINE: case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO: case U_EMR_POLYDRAW:
        if (size >= 28)
            polyRecord(type, r, false);
        return true;
    case U_EMR_POLYBEZIER16: case U_EMR_POLYGON16: case U_EMR_POLYLINE16: case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINETO16: case U_EMR_POLYDRAW16:
        if (size >= 28)
            polyRecord(type, r, true);
        return true;
    case U_EMR_POLYPOLYLINE: case U_EMR_POLYPOLYGON:
        if (size >= 32)
            polyPolyRecord(type, r, false);
        return true;
    case U_EMR_POLYPOLYLINE16: case U_EMR_POLYPOLYGON16:
        if (size >= 32)
            polyPolyRecord(type, r, true);
        return true;
    case U_EMR_LINETO:
        if (size >= 16)
            m_ctx.lineTo(pointL(r, 8));
        return true;
    case U_EMR_SETPIXELV:
        if (size >= 20)
            m_ctx.setPixel(pointL(r, 8), colorRef(r.u32(16)));
        return true;
    case U_EMR_ANGLEARC:
        if (size >= 28)
            m_ctx.angleArc(pointL(r, 8), r.u32(16), r.f32(20), r.f32(24));
        return true;
    case U_EMR_ELLIPSE:
        if (size >= 24)
            m_ctx.ellipse(rectL(r, 8));
        return true;
    case U_EMR_RECTANGLE:
        if (size >= 24)
            m_ctx.rectangle(rectL(r, 8));
        return true;
    case U_EMR_ROUNDRECT:
        if (size >= 32)
            m_ctx.roundRect(rectL(r, 8), QSizeF(r.i32(24), r.i32(28)));
        return true;
    case U_EMR_ARC: case U_EMR_ARCTO: case U_EMR_CHORD: case U_EMR_PIE:
        if (size >= 40) {
            const gdi::ArcKind kind = type == U_EMR_ARC ? gdi::Arc
                : type == U_EMR_ARCTO                   ? gdi::ArcTo
                : type == U_EMR_CHORD                   ? gdi::Chord
                                                        : gdi::Pie;
            m_ctx.arc(rectL(r, 8), pointL(r, 24), pointL(r, 32), kind);
        }
        return true;
    default:
        return false;
    }
}

bool EmfPlayer::playMapping(uint32_t type, ByteView r)
{
    const int64_t size = r.size();
    switch (type) {
    case U_EMR_SETWINDOWEXTEX:
        if (size >= 16)
            m_ctx.setWindowExt(QSizeF(r.i32(8), r.i32(12)));
        return true;
    case U_EMR_SETWINDOWORGEX:
        if (size >= 16)
            m_ctx.setWindowOrg(pointL(r, 8));
        return true;
    case U_EMR_SETVIEWPORTEXTEX:
        if (size >= 16)
            m_ctx.setViewportExt(QSizeF(r.i32(8), r.i32(12)));
        return true;
    case U_EMR_SETVIEWPORTORGEX:
        if (size >= 16)
            m_ctx.setViewportOrg(pointL(r, 8));
        return true;
    case U_EMR_SCALEVIEWPORTEXTEX:
        if (size >= 24)
            m_ctx.scaleViewportExt(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
        return true;
    case U_EMR_SCALEWINDOWEXTEX:
        if (size >= 24)
            m_ctx.scaleWindowExt(r.i32(8), r.i32(12), r.i32(16), r.i32(20));
        return true;
    case U_EMR_SETMAPMODE:
        if (size >= 12)
            m_ctx.setMapMode(int(r.u32(8)));
        return true;
    case U_EMR_SETWORLDTRANSFORM:
        if (size >= 32)
            m_ctx.setWorldTransform(xform(r, 8));
        return true;
    case U_EMR_MODIFYWORLDTRANSFORM:
        if (size >= 36)
            m_ctx.modifyWorldTransform(xform(r, 8), r.u32(32));
        return true;
    default:
        return false;
    }
}

bool EmfPlayer::playDcState(uint32_t type, ByteView r)
{
    DcState& dc = m_ctx.dc();
    const bool hasValue = r.size() >= 12; // the records below hold one 32-bit value at 8
    switch (type) {
    case U_EMR_SETBKMODE:
        if (hasValue)
            dc.bkMode = r.u32(8) == gdi::Transparent ? gdi::Transparent : gdi::Opaque;
        return true;
    case U_EMR_SETPOLYFILLMODE:
        if (hasValue)
            dc.fillMode = r.u32(8) == gdi::Winding ? gdi::Winding : gdi::Alternate;
        return true;
    case U_EMR_SETROP2:
        if (hasValue)
            dc.rop2 = int(r.u32(8));
        return true;
    case U_EMR_SETSTRETCHBLTMODE:
        if (hasValue)
            dc.stretchMode = int(r.u32(8));
        return true;
    case U_EMR_SETTEXTALIGN:
        if (hasValue)
            dc.textAlign = r.u32(8);
        return true;
    case U_EMR_SETTEXTCOLOR:
        if (hasValue)
            dc.textColor = colorRef(r.u32(8));
        return true;
    case U_EMR_SETBKCOLOR:
        if (hasValue)
            dc.bkColor = colorRef(r.u32(8));
        return true;
    case U_EMR_SETARCDIRECTION:
        if (hasValue)
            dc.clockwiseArcs = r.u32(8) == 2;
        return true;
    case U_EMR_SETMITERLIMIT:
        if (hasValue)
            dc.miterLimit = r.u32(8);
        return true;
    case U_EMR_MOVETOEX:
        if (r.size() >= 16)
            m_ctx.moveTo(pointL(r, 8));
        return true;
    case U_EMR_SAVEDC:
        m_ctx.saveDc();
        return true;
    case U_EMR_RESTOREDC:
        if (hasValue)
            m_ctx.restoreDc(r.i32(8));
        return true;
    default:
        return false;
    }
}

bool EmfPlayer::playObject(uint32_t type, ByteView r)
{
    const int64_t size = r.size();
    switch (type) {
    case U_EMR_SELECTOBJECT:
        if (size >= 12)
            m_ctx.selectObject(r.u32(8));
        return true;
    case U_EMR_DELETEOBJECT:
        if (size >= 12)
            m_ctx.deleteObject(r.u32(8));
        return true;
    case U_EMR_CREATEPEN:
        if (size >= 28)
            m_ctx.setObject(r.u32(8), penObject(readLogPen(r, 12)));
        return true;
    case U_EMR_EXTCREATEPEN:
        if (size >= 52)
            m_ctx.setObject(r.u32(8), penObject(readExtLogPen(r, FIELD(U_EMREXTCREATEPEN, elp))));
        return true;
    case U_EMR_CREATEBRUSHINDIRECT:
        if (size >= 24)
            m_ctx.setObject(r.u32(8), brushObject(brushFrom(r.u32(12), r.u32(16), r.u32(20))));
        return true;
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH:
        if (size >= 32)
            m_ctx.setObject(r.u32(8), brushObject(patternBrush(type, r)));
        return true;
    case U_EMR_EXTCREATEFONTINDIRECTW:
        if (size >= 12 + 92) {
            GdiObject o;
            o.kind = GdiObject::Kind::Font;
            o.font = readLogFontW(r, 12);
            m_ctx.setObject(r.u32(8), o);
        }
        return true;
    case U_EMR_CREATEPALETTE:
    case U_EMR_CREATECOLORSPACE:
    case U_EMR_CREATECOLORSPACEW:
        if (size >= 12) {
            GdiObject o;
            o.kind = GdiObject::Kind::Palette;
            m_ctx.setObject(r.u32(8), o);
        }
        return true;
    default:
        return false;
    }
}

BrushSpec EmfPlayer::patternBrush(uint32_t type, ByteView r) const
{
    using R = U_EMRCREATEDIBPATTERNBRUSHPT;
    BrushSpec brush;
    brush.kind = BrushSpec::Kind::Pattern;
    brush.color = Qt::black;
    const uint32_t offBmi = r.u32(FIELD(R, offBmi)), cbBmi = r.u32(FIELD(R, cbBmi));
    const QSize size = r.has(offBmi, cbBmi) ? dibSize(r.sub(offBmi, cbBmi)) : QSize();
    if (!m_ctx.chargePatternPixels(int64_t(size.width()) * size.height()))
        return brush;
    QImage pattern = recordDib(r, offBmi, cbBmi, r.u32(FIELD(R, offBits)), r.u32(FIELD(R, cbBits)),
                               r.u32(FIELD(R, iUsage)));
    if (type == U_EMR_CREATEMONOBRUSH && !pattern.isNull()) {
        // Monochrome brushes take the text and background colours when used.
        for (int y = 0; y < pattern.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(pattern.scanLine(y));
            for (int x = 0; x < pattern.width(); ++x)
                line[x] = (qGray(line[x]) < 128 ? m_ctx.dc().textColor : m_ctx.dc().bkColor).rgb();
        }
    }
    brush.pattern = pattern;
    return brush;
}

bool EmfPlayer::playPathOrClip(uint32_t type, ByteView r)
{
    const int64_t size = r.size();
    switch (type) {
    case U_EMR_BEGINPATH: m_ctx.beginPath(); return true;
    case U_EMR_ENDPATH: m_ctx.endPath(); return true;
    case U_EMR_CLOSEFIGURE: m_ctx.closeFigure(); return true;
    case U_EMR_FILLPATH: m_ctx.fillPath(); return true;
    case U_EMR_STROKEANDFILLPATH: m_ctx.strokeAndFillPath(); return true;
    case U_EMR_STROKEPATH: m_ctx.strokePath(); return true;
    case U_EMR_ABORTPATH: m_ctx.abortPath(); return true;
    case U_EMR_SELECTCLIPPATH:
        if (size >= 12)
            m_ctx.selectClipPath(int(r.u32(8)));
        return true;
    case U_EMR_EXCLUDECLIPRECT:
        if (size >= 24)
            m_ctx.excludeClipRect(rectL(r, 8));
        return true;
    case U_EMR_INTERSECTCLIPRECT:
        if (size >= 24)
            m_ctx.intersectClipRect(rectL(r, 8));
        return true;
    case U_EMR_OFFSETCLIPRGN:
        if (size >= 16)
            m_ctx.offsetClip(pointL(r, 8));
        return true;
    case U_EMR_EXTSELECTCLIPRGN:
        if (size >= 16) {
            const int64_t cb = r.u32(8);
            const int mode = int(r.u32(12));
            if (cb == 0 || !r.has(16, cb))
                m_ctx.selectClipRegion(QPainterPath(), mode);
            else
                m_ctx.selectClipRegion(regionPath(r.sub(16, cb)), mode);
        }
        return true;
    case U_EMR_FILLRGN:
        if (size >= 32)
            fillRegionRecord(r);
        return true;
    case U_EMR_PAINTRGN:
        if (size >= 28) {
            const int64_t cb = r.u32(24);
            if (r.has(28, cb))
                m_ctx.fillDeviceRegion(regionPath(r.sub(28, cb)), m_ctx.dc().brush);
        }
        return true;
    default:
        return false;
    }
}

void EmfPlayer::fillRegionRecord(ByteView r)
{
    const int64_t cb = r.u32(24);
    const uint32_t brushIndex = r.u32(28);
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
    if (r.has(32, cb))
        m_ctx.fillDeviceRegion(regionPath(r.sub(32, cb)), brush);
}

bool EmfPlayer::playTextOrBitmap(uint32_t type, ByteView r)
{
    switch (type) {
    case U_EMR_EXTTEXTOUTA: textRecord(r, false); return true;
    case U_EMR_EXTTEXTOUTW: textRecord(r, true); return true;
    case U_EMR_BITBLT: bitBlt(r, false); return true;
    case U_EMR_STRETCHBLT: bitBlt(r, true); return true;
    case U_EMR_STRETCHDIBITS: stretchDibits(r); return true;
    case U_EMR_SETDIBITSTODEVICE: setDibitsToDevice(r); return true;
    case U_EMR_ALPHABLEND: alphaBlend(r); return true;
    case U_EMR_TRANSPARENTBLT: transparentBlt(r); return true;
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
    using H = U_EMRHEADER;
    if (!file.has(0, kMinHeaderSize))
        return std::nullopt;
    const int64_t size = file.u32(4);
    if (file.u32(0) != U_EMR_HEADER || size < kMinHeaderSize || !file.has(0, size)
        || file.u32(FIELD(H, dSignature)) != kEnhMetaSignature)
        return std::nullopt;
    auto rect = [&](int64_t at) {
        return QRect(QPoint(file.i32(at), file.i32(at + 4)), QPoint(file.i32(at + 8), file.i32(at + 12)));
    };
    EmfHeader h;
    h.bounds = rect(FIELD(H, rclBounds));
    h.frame = rect(FIELD(H, rclFrame));
    h.handles = file.u16(FIELD(H, nHandles));
    const int32_t dw = file.i32(FIELD(H, szlDevice)), dh = file.i32(FIELD(H, szlDevice) + 4);
    const int32_t mw = file.i32(FIELD(H, szlMillimeters)), mh = file.i32(FIELD(H, szlMillimeters) + 4);
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
        const uint32_t type = file.u32(at);
        const int64_t size = file.u32(at + 4);
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
