#include "formats/metafile/WmfPlayer.h"

#include "formats/metafile/Dib.h"
#include "formats/metafile/GdiContext.h"
#include "formats/metafile/RecordFamilies.h"

#include <algorithm>
#include <cmath>
#include <uwmf.h>

namespace tirvelo::metafile {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int64_t kPlaceableSize = 22;
constexpr int64_t kHeaderSize = 18;

// Full 16-bit record functions.
enum : uint16_t {
    MetaEof = 0x0000, MetaSaveDc = 0x001E, MetaRealizePalette = 0x0035, MetaSetPalEntries = 0x0037,
    MetaCreatePalette = 0x00F7, MetaSetBkMode = 0x0102, MetaSetMapMode = 0x0103, MetaSetRop2 = 0x0104,
    MetaSetRelabs = 0x0105, MetaSetPolyFillMode = 0x0106, MetaSetStretchBltMode = 0x0107,
    MetaSetTextCharExtra = 0x0108, MetaRestoreDc = 0x0127, MetaInvertRegion = 0x012A, MetaPaintRegion = 0x012B,
    MetaSelectClipRegion = 0x012C, MetaSelectObject = 0x012D, MetaSetTextAlign = 0x012E,
    MetaResizePalette = 0x0139, MetaDibCreatePatternBrush = 0x0142, MetaDeleteObject = 0x01F0,
    MetaCreatePatternBrush = 0x01F9, MetaSetBkColor = 0x0201, MetaSetTextColor = 0x0209,
    MetaSetTextJustification = 0x020A, MetaSetWindowOrg = 0x020B, MetaSetWindowExt = 0x020C,
    MetaSetViewportOrg = 0x020D, MetaSetViewportExt = 0x020E, MetaOffsetWindowOrg = 0x020F,
    MetaOffsetViewportOrg = 0x0211, MetaLineTo = 0x0213, MetaMoveTo = 0x0214, MetaOffsetClipRgn = 0x0220,
    MetaFillRegion = 0x0228, MetaSetMapperFlags = 0x0231, MetaSelectPalette = 0x0234,
    MetaCreatePenIndirect = 0x02FA, MetaCreateFontIndirect = 0x02FB, MetaCreateBrushIndirect = 0x02FC,
    MetaCreateBitmapIndirect = 0x02FD, MetaPolygon = 0x0324, MetaPolyline = 0x0325,
    MetaScaleWindowExt = 0x0410, MetaScaleViewportExt = 0x0412, MetaExcludeClipRect = 0x0415,
    MetaIntersectClipRect = 0x0416, MetaEllipse = 0x0418, MetaFloodFill = 0x0419, MetaRectangle = 0x041B,
    MetaSetPixel = 0x041F, MetaFrameRegion = 0x0429, MetaAnimatePalette = 0x0436, MetaTextOut = 0x0521,
    MetaPolyPolygon = 0x0538, MetaExtFloodFill = 0x0548, MetaRoundRect = 0x061C, MetaPatBlt = 0x061D,
    MetaEscape = 0x0626, MetaCreateBitmap = 0x06FE, MetaCreateRegion = 0x06FF, MetaArc = 0x0817,
    MetaPie = 0x081A, MetaChord = 0x0830, MetaBitBlt = 0x0922, MetaDibBitBlt = 0x0940,
    MetaExtTextOut = 0x0A32, MetaStretchBlt = 0x0B23, MetaDibStretchBlt = 0x0B41, MetaSetDibToDev = 0x0D33,
    MetaStretchDib = 0x0F43,
};

QColor colorRef(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QRectF rect16(const U_RECT16& r) { return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom)); }

QPointF point16(const U_POINT16& p) { return QPointF(p.x, p.y); }

// A device-dependent Bitmap16 (old BitBlt records, pattern brushes): only
// monochrome and true-colour layouts are drawable without the writer's device.
QImage decodeBitmap16(ByteView b)
{
    if (!b.has(0, 10))
        return {};
    const int64_t width = b.i16(2), height = b.i16(4), widthBytes = b.i16(6);
    const int planes = b.u8(8), bpp = b.u8(9);
    if (width <= 0 || height <= 0 || widthBytes <= 0 || planes != 1 || width * height > kMaxImagePixels)
        return {};
    if ((bpp != 1 && bpp != 24 && bpp != 32) || widthBytes < (width * bpp + 7) / 8)
        return {};
    const ByteView bits = b.sub(10, b.size() - 10);
    if (height > bits.size() / widthBytes)
        return {};
    QImage image(int(width), int(height), QImage::Format_RGB32);
    for (int64_t y = 0; y < height; ++y) {
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        const int64_t row = y * widthBytes;
        for (int64_t x = 0; x < width; ++x) {
            if (bpp == 1)
                out[x] = (bits.u8(row + x / 8) >> (7 - x % 8)) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            else {
                const int64_t p = row + x * (bpp / 8);
                out[x] = qRgb(bits.u8(p + 2), bits.u8(p + 1), bits.u8(p));
            }
        }
    }
    return image;
}

// A region object's scans as rectangles, in logical units.
QPainterPath regionFromRecord(ByteView r)
{
    QPainterPath path;
    const int64_t scanCount = r.u16(16);
    int64_t at = 28;
    for (int64_t i = 0; i < scanCount && r.has(at, 6); ++i) {
        const int64_t count = r.u16(at); // number of coordinates (two per interval)
        const double top = r.i16(at + 2), bottom = r.i16(at + 4);
        const int64_t pairs = count / 2;
        if (!r.has(at + 6, pairs * 4 + 2) || path.elementCount() > kMaxClipElements)
            break;
        for (int64_t j = 0; j < pairs; ++j) {
            const double left = r.i16(at + 6 + 4 * j), right = r.i16(at + 8 + 4 * j);
            if (right > left && bottom > top)
                path.addRect(QRectF(QPointF(left, top), QPointF(right, bottom)));
        }
        at += 6 + pairs * 4 + 2;
    }
    return path.simplified();
}

// The source of an unscaled blit: the destination's extent from the source
// origin. The extent is in the picture's logical units, not the bitmap's
// pixels, so when it reaches past the bitmap the bitmap's rest is stretched
// over the destination instead, as players of such files draw it.
QRectF unscaledSource(QPointF origin, QSizeF extent, const QImage& image)
{
    const QRectF wanted(origin, QSizeF(std::abs(extent.width()), std::abs(extent.height())));
    if (image.isNull() || QRectF(image.rect()).contains(wanted))
        return wanted;
    return QRectF(origin, QSizeF(image.width() - origin.x(), image.height() - origin.y()));
}

const char* chars(ByteView r) { return reinterpret_cast<const char*>(r.data()); }

bool fits(ByteView r, int64_t bytes) { return r.size() >= bytes; }

GdiObject penFromRecord(ByteView r)
{
    GdiObject o;
    o.kind = GdiObject::Kind::Pen;
    o.pen.style = r.u16(6);
    o.pen.width = r.i16(8);
    o.pen.color = colorRef(r.u32(12));
    return o;
}

GdiObject brushFromRecord(ByteView r)
{
    GdiObject o;
    o.kind = GdiObject::Kind::Brush;
    const uint16_t style = r.u16(6);
    o.brush.color = colorRef(r.u32(8));
    o.brush.hatch = r.u16(12);
    o.brush.kind = style == gdi::BsNull      ? BrushSpec::Kind::Null
        : style == gdi::BsHatched            ? BrushSpec::Kind::Hatched
                                             : BrushSpec::Kind::Solid;
    return o;
}

GdiObject fontFromRecord(ByteView r)
{
    GdiObject o;
    o.kind = GdiObject::Kind::Font;
    FontSpec& f = o.font;
    f.height = r.i16(6);
    f.width = r.i16(8);
    f.escapement = r.i16(10);
    f.weight = r.i16(14);
    f.italic = r.u8(16);
    f.underline = r.u8(17);
    f.strikeout = r.u8(18);
    f.charset = r.u8(19);
    QByteArray face;
    for (int64_t i = 24; i < r.size() && i < 24 + 32 && r.u8(i) != 0; ++i)
        face.append(char(r.u8(i)));
    f.face = decodeCharset(face, 0);
    return o;
}

GdiObject patternBrushObject(QImage pattern)
{
    GdiObject o;
    o.kind = GdiObject::Kind::Brush;
    o.brush.kind = BrushSpec::Kind::Pattern;
    o.brush.color = Qt::black;
    o.brush.pattern = std::move(pattern);
    return o;
}

// Pixels a Bitmap16 header says it holds.
int64_t bitmap16Pixels(ByteView b)
{
    return b.has(0, 6) ? int64_t(b.i16(2)) * b.i16(4) : 0;
}

GdiObject dibPatternBrushFromRecord(ByteView r, GdiContext& context)
{
    const ByteView data = r.sub(10, r.size() - 10);
    const bool bitmap16 = r.u16(6) == gdi::BsPattern;
    const QSize dib = bitmap16 ? QSize() : dibSize(data);
    if (!context.chargePatternPixels(bitmap16 ? bitmap16Pixels(data) : int64_t(dib.width()) * dib.height()))
        return patternBrushObject({});
    return patternBrushObject(
        bitmap16 ? decodeBitmap16(data)
                 : decodePackedDib(data, r.u16(8) == 1 ? DibColors::PaletteIndices : DibColors::Rgb));
}

GdiObject patternBrushFromRecord(ByteView r, GdiContext& context)
{
    QImage pattern;
    // Bitmap16 header, 18 reserved bytes, then the bits.
    if (r.has(6, 10 + 18) && context.chargePatternPixels(bitmap16Pixels(r.sub(6, 10)))) {
        QByteArray joined(reinterpret_cast<const char*>(r.data() + 6), 10);
        joined.append(reinterpret_cast<const char*>(r.data() + 6 + 28), qsizetype(r.size() - 6 - 28));
        pattern = decodeBitmap16(ByteView(reinterpret_cast<const unsigned char*>(joined.constData()), joined.size()));
    }
    return patternBrushObject(std::move(pattern));
}

// The object a creation record makes; palettes and device bitmaps only hold
// their slot.
GdiObject objectFromRecord(uint16_t function, ByteView r, GdiContext& context)
{
    switch (function) {
    case MetaCreatePenIndirect: return penFromRecord(r);
    case MetaCreateBrushIndirect: return brushFromRecord(r);
    case MetaCreateFontIndirect: return fontFromRecord(r);
    case MetaDibCreatePatternBrush: return dibPatternBrushFromRecord(r, context);
    case MetaCreatePatternBrush: return patternBrushFromRecord(r, context);
    case MetaCreateRegion: {
        GdiObject o;
        o.kind = GdiObject::Kind::Region;
        o.region = regionFromRecord(r);
        return o;
    }
    default: {
        GdiObject o;
        o.kind = GdiObject::Kind::Other;
        return o;
    }
    }
}

class WmfPlayer {
public:
    explicit WmfPlayer(GdiContext& context) : m_ctx(context) {}
    void play(uint16_t function, ByteView r);

private:
    bool playMapping(uint16_t function, ByteView r);
    bool playDcState(uint16_t function, ByteView r);
    bool playShape(uint16_t function, ByteView r);
    bool playTextOrBitmap(uint16_t function, ByteView r);
    bool playObject(uint16_t function, ByteView r);
    bool playClipOrRegion(uint16_t function, ByteView r);
    void polyRecord(uint16_t function, ByteView r);
    void polyPolygonRecord(ByteView r);
    void text(ByteView r);
    void extText(ByteView r);
    void unscaledBlit(uint16_t function, ByteView r);
    void stretchBlit(uint16_t function, ByteView r);
    void stretchDib(ByteView r);
    void setDibToDevice(ByteView r);
    BrushSpec brushAt(uint16_t index) const;
    const GdiObject* regionAt(uint16_t index) const;

    GdiContext& m_ctx;
    // Records no family plays: palettes, escapes, comments (EMF+ included),
    // colour management, unknown records.
    RecordFamilies<WmfPlayer, uint16_t, 6> m_families{{
        &WmfPlayer::playMapping, &WmfPlayer::playDcState, &WmfPlayer::playShape,
        &WmfPlayer::playTextOrBitmap, &WmfPlayer::playObject, &WmfPlayer::playClipOrRegion}};
};

BrushSpec WmfPlayer::brushAt(uint16_t index) const
{
    const GdiObject* o = m_ctx.object(index);
    if (o && o->kind == GdiObject::Kind::Brush)
        return o->brush;
    BrushSpec none;
    none.kind = BrushSpec::Kind::Null;
    return none;
}

void WmfPlayer::text(ByteView r)
{
    const int64_t length = r.i16(6);
    const int64_t padded = (length + 1) & ~int64_t(1);
    if (length <= 0 || !r.has(8, padded + 4))
        return;
    const QByteArray bytes(reinterpret_cast<const char*>(r.data() + 8), qsizetype(length));
    const QPointF at(r.i16(8 + padded + 2), r.i16(8 + padded));
    m_ctx.text(at, decodeCharset(bytes, m_ctx.dc().font.charset, m_ctx.dc().font.face), {}, 0, QRectF());
}

void WmfPlayer::extText(ByteView r)
{
    if (!r.has(0, 14))
        return;
    const QPointF at(r.i16(8), r.i16(6));
    const int64_t count = r.i16(10);
    const uint16_t options = r.u16(12);
    int64_t offset = 14;
    QRectF rect;
    if (options & (gdi::EtoOpaque | gdi::EtoClipped)) {
        if (!r.has(offset, 8))
            return;
        rect = QRectF(QPointF(r.i16(offset), r.i16(offset + 2)), QPointF(r.i16(offset + 4), r.i16(offset + 6)));
        offset += 8;
    }
    if (count < 0 || !r.has(offset, count)) {
        m_ctx.text(at, QString(), {}, options, rect);
        return;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(r.data() + offset), qsizetype(count));
    const QString s = decodeCharset(bytes, m_ctx.dc().font.charset, m_ctx.dc().font.face);
    offset += (count + 1) & ~int64_t(1);
    QVector<double> dx;
    // One advance per byte, when the record holds them; a decoded string that
    // is shorter (double-byte character sets) keeps the first advance of each pair.
    if (count > 0 && r.has(offset, 2 * count) && s.size() == count) {
        dx.resize(qsizetype(count));
        for (int64_t i = 0; i < count; ++i)
            dx[qsizetype(i)] = r.i16(offset + 2 * i);
    }
    m_ctx.text(at, s, dx, options, rect);
}

// Records without a bitmap are one word shorter than (function >> 8) + 3
// would suggest, and hold a reserved word instead.
bool withoutBitmap(uint16_t function, ByteView r)
{
    return r.size() == 2 * ((function >> 8) + 3);
}

void WmfPlayer::unscaledBlit(uint16_t function, ByteView r)
{
    const bool noBitmap = withoutBitmap(function, r);
    const uint32_t rop = r.u32(6);
    const int64_t a = noBitmap ? 2 : 0; // reserved word shifts the destination
    const QPointF src(r.i16(12), r.i16(10));
    const QRectF dest(QPointF(r.i16(20 + a), r.i16(18 + a)), QSizeF(r.i16(16 + a), r.i16(14 + a)));
    if (noBitmap) {
        m_ctx.patBlt(dest, rop);
        return;
    }
    const ByteView data = r.sub(22, r.size() - 22);
    const QImage image = function == MetaDibBitBlt ? decodePackedDib(data) : decodeBitmap16(data);
    m_ctx.drawImage(dest, image, unscaledSource(src, dest.size(), image), rop);
}

void WmfPlayer::stretchBlit(uint16_t function, ByteView r)
{
    const bool noBitmap = withoutBitmap(function, r);
    const uint32_t rop = r.u32(6);
    const int64_t a = noBitmap ? 2 : 0;
    const QRectF src(QPointF(r.i16(16), r.i16(14)), QSizeF(r.i16(12), r.i16(10)));
    const QRectF dest(QPointF(r.i16(24 + a), r.i16(22 + a)), QSizeF(r.i16(20 + a), r.i16(18 + a)));
    if (noBitmap) {
        m_ctx.patBlt(dest, rop);
        return;
    }
    const ByteView data = r.sub(26, r.size() - 26);
    const QImage image = function == MetaDibStretchBlt ? decodePackedDib(data) : decodeBitmap16(data);
    m_ctx.drawImage(dest, image, src, rop);
}

void WmfPlayer::stretchDib(ByteView r)
{
    if (!r.has(0, 28))
        return;
    const DibColors colors = r.u16(10) == 1 ? DibColors::PaletteIndices : DibColors::Rgb;
    const QImage image = decodePackedDib(r.sub(28, r.size() - 28), colors);
    if (image.isNull())
        return;
    const double srcH = r.i16(12), srcW = r.i16(14), ySrc = r.i16(16), xSrc = r.i16(18);
    const QRectF dest(QPointF(r.i16(26), r.i16(24)), QSizeF(r.i16(22), r.i16(20)));
    // The source origin counts from the DIB's bottom row.
    m_ctx.drawImage(dest, image, QRectF(xSrc, image.height() - ySrc - srcH, srcW, srcH), r.u32(6));
}

void WmfPlayer::setDibToDevice(ByteView r)
{
    if (!r.has(0, 24))
        return;
    const DibColors colors = r.u16(6) == 1 ? DibColors::PaletteIndices : DibColors::Rgb;
    const QImage image = decodePackedDib(r.sub(24, r.size() - 24), colors);
    if (image.isNull())
        return;
    const double ySrc = r.i16(12), xSrc = r.i16(14), h = r.i16(16), w = r.i16(18);
    const QRectF dest(QPointF(r.i16(22), r.i16(20)), QSizeF(w, h));
    const QRectF src = unscaledSource(QPointF(xSrc, std::max(0.0, image.height() - ySrc - h)), dest.size(), image);
    m_ctx.drawImage(dest, image, src, gdi::SrcCopy);
}

void WmfPlayer::play(uint16_t function, ByteView r)
{
    m_families.play(*this, function, r);
}

// Fixed layouts go through libuemf's accessors once the record is known to be
// long enough for them.
bool WmfPlayer::playMapping(uint16_t function, ByteView r)
{
    const char* c = chars(r);
    U_POINT16 p{}, q{};
    uint16_t mode = 0;
    switch (function) {
    case MetaSetMapMode:
        if (fits(r, U_SIZE_WMRSETMAPMODE) && U_WMRSETMAPMODE_get(c, &mode))
            m_ctx.setMapMode(mode);
        return true;
    case MetaSetWindowOrg:
        if (fits(r, U_SIZE_WMRSETWINDOWORG) && U_WMRSETWINDOWORG_get(c, &p))
            m_ctx.setWindowOrg(point16(p));
        return true;
    case MetaSetWindowExt:
        if (fits(r, U_SIZE_WMRSETWINDOWEXT) && U_WMRSETWINDOWEXT_get(c, &p))
            m_ctx.setWindowExt(QSizeF(p.x, p.y));
        return true;
    case MetaSetViewportOrg:
        if (fits(r, U_SIZE_WMRSETVIEWPORTORG) && U_WMRSETVIEWPORTORG_get(c, &p))
            m_ctx.setViewportOrg(point16(p));
        return true;
    case MetaSetViewportExt:
        if (fits(r, U_SIZE_WMRSETVIEWPORTEXT) && U_WMRSETVIEWPORTEXT_get(c, &p))
            m_ctx.setViewportExt(QSizeF(p.x, p.y));
        return true;
    case MetaOffsetWindowOrg:
        if (fits(r, U_SIZE_WMROFFSETWINDOWORG) && U_WMROFFSETWINDOWORG_get(c, &p))
            m_ctx.offsetWindowOrg(point16(p));
        return true;
    case MetaOffsetViewportOrg:
        if (fits(r, U_SIZE_WMROFFSETVIEWPORTORG) && U_WMROFFSETVIEWPORTORG_get(c, &p))
            m_ctx.offsetViewportOrg(point16(p));
        return true;
    case MetaScaleWindowExt:
        if (fits(r, U_SIZE_WMRSCALEWINDOWEXT) && U_WMRSCALEWINDOWEXT_get(c, &q, &p))
            m_ctx.scaleWindowExt(p.x, q.x, p.y, q.y);
        return true;
    case MetaScaleViewportExt:
        if (fits(r, U_SIZE_WMRSCALEVIEWPORTEXT) && U_WMRSCALEVIEWPORTEXT_get(c, &q, &p))
            m_ctx.scaleViewportExt(p.x, q.x, p.y, q.y);
        return true;
    default:
        return false;
    }
}

bool WmfPlayer::playDcState(uint16_t function, ByteView r)
{
    const char* c = chars(r);
    U_POINT16 p{};
    uint16_t mode = 0;
    U_COLORREF color{};
    DcState& dc = m_ctx.dc();
    switch (function) {
    case MetaSetBkMode:
        if (fits(r, U_SIZE_WMRSETBKMODE) && U_WMRSETBKMODE_get(c, &mode))
            dc.bkMode = mode == gdi::Transparent ? gdi::Transparent : gdi::Opaque;
        return true;
    case MetaSetPolyFillMode:
        if (fits(r, U_SIZE_WMRSETPOLYFILLMODE) && U_WMRSETPOLYFILLMODE_get(c, &mode))
            dc.fillMode = mode == gdi::Winding ? gdi::Winding : gdi::Alternate;
        return true;
    case MetaSetRop2:
        if (fits(r, U_SIZE_WMRSETROP2) && U_WMRSETROP2_get(c, &mode))
            dc.rop2 = mode;
        return true;
    case MetaSetStretchBltMode:
        if (fits(r, U_SIZE_WMRSETSTRETCHBLTMODE) && U_WMRSETSTRETCHBLTMODE_get(c, &mode))
            dc.stretchMode = mode;
        return true;
    case MetaSetTextAlign:
        if (fits(r, U_SIZE_WMRSETTEXTALIGN) && U_WMRSETTEXTALIGN_get(c, &mode))
            dc.textAlign = mode;
        return true;
    case MetaSetTextCharExtra:
        if (fits(r, U_SIZE_WMRSETTEXTCHAREXTRA))
            dc.charExtra = r.i16(6);
        return true;
    case MetaSetTextColor:
        if (fits(r, U_SIZE_WMRSETTEXTCOLOR) && U_WMRSETTEXTCOLOR_get(c, &color))
            dc.textColor = QColor(color.Red, color.Green, color.Blue);
        return true;
    case MetaSetBkColor:
        if (fits(r, U_SIZE_WMRSETBKCOLOR) && U_WMRSETBKCOLOR_get(c, &color))
            dc.bkColor = QColor(color.Red, color.Green, color.Blue);
        return true;
    case MetaMoveTo:
        if (fits(r, U_SIZE_WMRMOVETO) && U_WMRMOVETO_get(c, &p))
            m_ctx.moveTo(point16(p));
        return true;
    case MetaSaveDc:
        m_ctx.saveDc();
        return true;
    case MetaRestoreDc:
        if (fits(r, U_SIZE_WMRRESTOREDC))
            m_ctx.restoreDc(r.i16(6));
        return true;
    default:
        return false;
    }
}

bool WmfPlayer::playShape(uint16_t function, ByteView r)
{
    const char* c = chars(r);
    U_POINT16 p{}, q{};
    U_RECT16 box{};
    U_COLORREF color{};
    switch (function) {
    case MetaLineTo:
        if (fits(r, U_SIZE_WMRLINETO) && U_WMRLINETO_get(c, &p))
            m_ctx.lineTo(point16(p));
        return true;
    case MetaRectangle:
        if (fits(r, U_SIZE_WMRRECTANGLE) && U_WMRRECTANGLE_get(c, &box))
            m_ctx.rectangle(rect16(box));
        return true;
    case MetaEllipse:
        if (fits(r, U_SIZE_WMRELLIPSE) && U_WMRELLIPSE_get(c, &box))
            m_ctx.ellipse(rect16(box));
        return true;
    case MetaRoundRect: {
        int16_t w = 0, h = 0;
        if (fits(r, U_SIZE_WMRROUNDRECT) && U_WMRROUNDRECT_get(c, &w, &h, &box))
            m_ctx.roundRect(rect16(box), QSizeF(w, h));
        return true;
    }
    case MetaArc:
        if (fits(r, U_SIZE_WMRARC) && U_WMRARC_get(c, &p, &q, &box))
            m_ctx.arc(rect16(box), point16(p), point16(q), gdi::Arc);
        return true;
    case MetaPie:
        if (fits(r, U_SIZE_WMRPIE) && U_WMRPIE_get(c, &p, &q, &box))
            m_ctx.arc(rect16(box), point16(p), point16(q), gdi::Pie);
        return true;
    case MetaChord:
        if (fits(r, U_SIZE_WMRCHORD) && U_WMRCHORD_get(c, &p, &q, &box))
            m_ctx.arc(rect16(box), point16(p), point16(q), gdi::Chord);
        return true;
    case MetaSetPixel:
        if (fits(r, U_SIZE_WMRSETPIXEL) && U_WMRSETPIXEL_get(c, &color, &p))
            m_ctx.setPixel(point16(p), QColor(color.Red, color.Green, color.Blue));
        return true;
    case MetaPolygon:
    case MetaPolyline:
        polyRecord(function, r);
        return true;
    case MetaPolyPolygon:
        polyPolygonRecord(r);
        return true;
    default:
        return false;
    }
}

// Variable layouts are read here, each count checked against the record.
void WmfPlayer::polyRecord(uint16_t function, ByteView r)
{
    const int64_t count = r.i16(6);
    if (count < 0 || !r.has(8, 4 * count))
        return;
    QPolygonF points(static_cast<qsizetype>(count));
    for (int64_t i = 0; i < count; ++i)
        points[qsizetype(i)] = QPointF(r.i16(8 + 4 * i), r.i16(10 + 4 * i));
    if (function == MetaPolygon)
        m_ctx.polygon(points);
    else
        m_ctx.polyline(points);
}

void WmfPlayer::polyPolygonRecord(ByteView r)
{
    const int64_t polys = r.u16(6);
    if (!r.has(8, 2 * polys))
        return;
    int64_t at = 8 + 2 * polys;
    QVector<QPolygonF> shapes;
    for (int64_t i = 0; i < polys; ++i) {
        const int64_t n = r.u16(8 + 2 * i);
        if (!r.has(at, 4 * n))
            return; // counts beyond the record: draw nothing of it
        QPolygonF points(static_cast<qsizetype>(n));
        for (int64_t j = 0; j < n; ++j)
            points[qsizetype(j)] = QPointF(r.i16(at + 4 * j), r.i16(at + 2 + 4 * j));
        shapes.append(points);
        at += 4 * n;
    }
    m_ctx.polyPolygon(shapes);
}

bool WmfPlayer::playTextOrBitmap(uint16_t function, ByteView r)
{
    switch (function) {
    case MetaTextOut:
        text(r);
        return true;
    case MetaExtTextOut:
        extText(r);
        return true;
    case MetaDibBitBlt:
    case MetaBitBlt:
        unscaledBlit(function, r);
        return true;
    case MetaDibStretchBlt:
    case MetaStretchBlt:
        stretchBlit(function, r);
        return true;
    case MetaStretchDib:
        stretchDib(r);
        return true;
    case MetaSetDibToDev:
        setDibToDevice(r);
        return true;
    case MetaPatBlt:
        if (fits(r, 18))
            m_ctx.patBlt(QRectF(QPointF(r.i16(16), r.i16(14)), QSizeF(r.i16(12), r.i16(10))), r.u32(6));
        return true;
    default:
        return false;
    }
}

// Every creation takes a slot, drawable or not.
bool WmfPlayer::playObject(uint16_t function, ByteView r)
{
    switch (function) {
    case MetaCreatePenIndirect:
    case MetaCreateBrushIndirect:
    case MetaCreateFontIndirect:
    case MetaDibCreatePatternBrush:
    case MetaCreatePatternBrush:
    case MetaCreateRegion:
    case MetaCreatePalette:
    case MetaCreateBitmap:
    case MetaCreateBitmapIndirect:
        m_ctx.addObject(objectFromRecord(function, r, m_ctx));
        return true;
    case MetaSelectObject:
        if (fits(r, U_SIZE_WMRSELECTOBJECT))
            m_ctx.selectObject(r.u16(6));
        return true;
    case MetaDeleteObject:
        if (fits(r, U_SIZE_WMRDELETEOBJECT))
            m_ctx.deleteObject(r.u16(6));
        return true;
    default:
        return false;
    }
}

bool WmfPlayer::playClipOrRegion(uint16_t function, ByteView r)
{
    const char* c = chars(r);
    U_POINT16 p{};
    U_RECT16 box{};
    switch (function) {
    case MetaExcludeClipRect:
        if (fits(r, U_SIZE_WMREXCLUDECLIPRECT) && U_WMREXCLUDECLIPRECT_get(c, &box))
            m_ctx.excludeClipRect(rect16(box));
        return true;
    case MetaIntersectClipRect:
        if (fits(r, U_SIZE_WMRINTERSECTCLIPRECT) && U_WMRINTERSECTCLIPRECT_get(c, &box))
            m_ctx.intersectClipRect(rect16(box));
        return true;
    case MetaOffsetClipRgn:
        if (fits(r, U_SIZE_WMROFFSETCLIPRGN) && U_WMROFFSETCLIPRGN_get(c, &p))
            m_ctx.offsetClip(point16(p));
        return true;
    case MetaSelectClipRegion:
        if (fits(r, U_SIZE_WMRSELECTCLIPREGION)) {
            if (const GdiObject* o = regionAt(r.u16(6)))
                m_ctx.selectLogicalClipRegion(o->region);
            else
                m_ctx.selectClipRegion(QPainterPath(), gdi::RgnCopy);
        }
        return true;
    case MetaFillRegion:
        if (fits(r, U_SIZE_WMRFILLREGION)) {
            if (const GdiObject* o = regionAt(r.u16(6)))
                m_ctx.fillRegion(o->region, brushAt(r.u16(8)));
        }
        return true;
    case MetaPaintRegion:
        if (fits(r, U_SIZE_WMRPAINTREGION)) {
            if (const GdiObject* o = regionAt(r.u16(6)))
                m_ctx.fillRegion(o->region, m_ctx.dc().brush);
        }
        return true;
    case MetaFrameRegion:
        if (fits(r, U_SIZE_WMRFRAMEREGION)) {
            if (const GdiObject* o = regionAt(r.u16(6)))
                m_ctx.frameRegion(o->region, brushAt(r.u16(8)), QSizeF(r.i16(12), r.i16(10)));
        }
        return true;
    default:
        return false;
    }
}

const GdiObject* WmfPlayer::regionAt(uint16_t index) const
{
    const GdiObject* o = m_ctx.object(index);
    return o && o->kind == GdiObject::Kind::Region ? o : nullptr;
}

} // namespace

std::optional<WmfHeader> readWmfHeader(ByteView file)
{
    WmfHeader h;
    int64_t at = 0;
    if (file.u32(0) == kPlaceableKey) {
        if (!file.has(0, kPlaceableSize))
            return std::nullopt;
        h.placeable = true;
        h.boundingBox = QRect(QPoint(file.i16(6), file.i16(8)), QPoint(file.i16(10), file.i16(12)));
        h.unitsPerInch = file.u16(14);
        at = kPlaceableSize;
    }
    if (!file.has(at, kHeaderSize))
        return std::nullopt;
    const uint16_t type = file.u16(at), headerWords = file.u16(at + 2), version = file.u16(at + 4);
    // The header's total size (mtSize) is not checked: writers disagree on
    // whether it counts the placeable header.
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300))
        return std::nullopt;
    h.objectCount = file.u16(at + 10);
    h.recordsOffset = at + kHeaderSize;
    return h;
}

void playWmf(ByteView file, const WmfHeader& header, GdiContext& context)
{
    context.setDeviceResolution(96.0 / 25.4, 96.0 / 25.4);
    if (header.placeable) {
        const QRect& box = header.boundingBox;
        context.setMapMode(gdi::MmAnisotropic);
        context.setWindowOrg(QPointF(box.left(), box.top()));
        context.setWindowExt(QSizeF(double(box.right()) - box.left(), double(box.bottom()) - box.top()));
    }
    WmfPlayer player(context);
    const char* base = reinterpret_cast<const char*>(file.data());
    const char* limit = base + file.size();
    int64_t at = header.recordsOffset;
    while (context.withinBudget() && file.has(at, 6)) {
        const int64_t size = int64_t(file.u32(at)) * 2;
        const uint16_t function = file.u16(at + 4);
        if (function == MetaEof)
            break;
        // Our own range check in 64 bits, then libuemf's; either refusing ends the picture.
        if (size < 6 || !file.has(at, size) || U_WMRRECSAFE_get(base + at, limit) == 0)
            break;
        player.play(function, file.sub(at, size));
        at += size;
    }
}

} // namespace tirvelo::metafile
