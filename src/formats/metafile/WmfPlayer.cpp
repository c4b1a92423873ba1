#include "formats/metafile/WmfPlayer.h"

#include "formats/metafile/Dib.h"
#include "formats/metafile/GdiContext.h"
#include "formats/metafile/RecordFamilies.h"
#include "formats/metafile/WmfObjectRecords.h"
#include "formats/metafile/WmfRecords.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <uwmf.h>

namespace tirvelo::metafile {

namespace {

using namespace wmf;

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

QRectF rectOf(const RectRecord& r) { return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom)); }

QPointF pointOf(const PointRecord& p) { return QPointF(p.x, p.y); }

// The record is long enough for the layout its case reads.
template <class Layout>
bool holds(ByteView r) { return r.size() >= int64_t(sizeof(Layout)); }

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

// The device-context value a one-value record sets.
std::optional<DcValue> dcValueSetBy(uint16_t function)
{
    switch (function) {
    case MetaSetBkMode: return DcValue::BkMode;
    case MetaSetPolyFillMode: return DcValue::FillMode;
    case MetaSetRop2: return DcValue::Rop2;
    case MetaSetStretchBltMode: return DcValue::StretchMode;
    case MetaSetTextAlign: return DcValue::TextAlign;
    case MetaSetTextCharExtra: return DcValue::CharExtra;
    case MetaSetTextColor: return DcValue::TextColor;
    case MetaSetBkColor: return DcValue::BkColor;
    default: return std::nullopt;
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
    // The length, the string padded to a word, then y and x.
    const int64_t length = r.layout<CountRecord>().count;
    const int64_t padded = (length + 1) & ~int64_t(1);
    const int64_t stringAt = sizeof(CountRecord);
    if (length <= 0 || !r.has(stringAt, padded + 4))
        return;
    const QByteArray bytes(reinterpret_cast<const char*>(r.data() + stringAt), qsizetype(length));
    const QPointF at(r.i16(stringAt + padded + 2), r.i16(stringAt + padded));
    m_ctx.text(at, decodeCharset(bytes, m_ctx.dc().font.charset, m_ctx.dc().font.face), {}, 0, QRectF());
}

void WmfPlayer::extText(ByteView r)
{
    if (!holds<ExtTextOutRecord>(r))
        return;
    const auto e = r.layout<ExtTextOutRecord>();
    const QPointF at(e.x, e.y);
    const int64_t count = e.count;
    const uint16_t options = e.options;
    int64_t offset = sizeof(ExtTextOutRecord);
    QRectF rect;
    if (options & (gdi::EtoOpaque | gdi::EtoClipped)) {
        if (!r.has(offset, sizeof(Rect16)))
            return;
        const auto box = r.layout<Rect16>(offset);
        rect = QRectF(QPointF(box.left, box.top), QPointF(box.right, box.bottom));
        offset += sizeof(Rect16);
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
    if (withoutBitmap(function, r)) {
        const auto b = r.layout<BitBltWithoutBitmapRecord>();
        m_ctx.patBlt(QRectF(QPointF(b.xDest, b.yDest), QSizeF(b.width, b.height)), b.rop);
        return;
    }
    const auto b = r.layout<BitBltRecord>();
    const QRectF dest(QPointF(b.xDest, b.yDest), QSizeF(b.width, b.height));
    const int64_t bitmapAt = sizeof(BitBltRecord);
    const ByteView data = r.sub(bitmapAt, r.size() - bitmapAt);
    const QImage image = function == MetaDibBitBlt ? decodePackedDib(data) : decodeBitmap16(data);
    m_ctx.drawImage(dest, image, unscaledSource(QPointF(b.xSrc, b.ySrc), dest.size(), image), b.rop);
}

void WmfPlayer::stretchBlit(uint16_t function, ByteView r)
{
    if (withoutBitmap(function, r)) {
        const auto b = r.layout<StretchBltWithoutBitmapRecord>();
        m_ctx.patBlt(QRectF(QPointF(b.xDest, b.yDest), QSizeF(b.destWidth, b.destHeight)), b.rop);
        return;
    }
    const auto b = r.layout<StretchBltRecord>();
    const QRectF src(QPointF(b.xSrc, b.ySrc), QSizeF(b.srcWidth, b.srcHeight));
    const QRectF dest(QPointF(b.xDest, b.yDest), QSizeF(b.destWidth, b.destHeight));
    const int64_t bitmapAt = sizeof(StretchBltRecord);
    const ByteView data = r.sub(bitmapAt, r.size() - bitmapAt);
    const QImage image = function == MetaDibStretchBlt ? decodePackedDib(data) : decodeBitmap16(data);
    m_ctx.drawImage(dest, image, src, b.rop);
}

void WmfPlayer::stretchDib(ByteView r)
{
    if (!holds<StretchDibRecord>(r))
        return;
    const auto s = r.layout<StretchDibRecord>();
    const DibColors colors = s.usage == 1 ? DibColors::PaletteIndices : DibColors::Rgb;
    const int64_t dibAt = sizeof(StretchDibRecord);
    const QImage image = decodePackedDib(r.sub(dibAt, r.size() - dibAt), colors);
    if (image.isNull())
        return;
    const double srcH = s.srcHeight, srcW = s.srcWidth, ySrc = s.ySrc, xSrc = s.xSrc;
    const QRectF dest(QPointF(s.xDest, s.yDest), QSizeF(s.destWidth, s.destHeight));
    // The source origin counts from the DIB's bottom row.
    m_ctx.drawImage(dest, image, QRectF(xSrc, image.height() - ySrc - srcH, srcW, srcH), s.rop);
}

void WmfPlayer::setDibToDevice(ByteView r)
{
    if (!holds<SetDibToDevRecord>(r))
        return;
    const auto s = r.layout<SetDibToDevRecord>();
    const DibColors colors = s.usage == 1 ? DibColors::PaletteIndices : DibColors::Rgb;
    const int64_t dibAt = sizeof(SetDibToDevRecord);
    const QImage image = decodePackedDib(r.sub(dibAt, r.size() - dibAt), colors);
    if (image.isNull())
        return;
    const double ySrc = s.ySrc, xSrc = s.xSrc, h = s.height, w = s.width;
    const QRectF dest(QPointF(s.xDest, s.yDest), QSizeF(w, h));
    const QRectF src = unscaledSource(QPointF(xSrc, std::max(0.0, image.height() - ySrc - h)), dest.size(), image);
    m_ctx.drawImage(dest, image, src, gdi::SrcCopy);
}

void WmfPlayer::play(uint16_t function, ByteView r)
{
    m_families.play(*this, function, r);
}

// Each case reads its record's fixed part once the record holds it; shorter
// records are skipped.
bool WmfPlayer::playMapping(uint16_t function, ByteView r)
{
    const auto p = r.layout<PointRecord>();
    const bool hasPoint = holds<PointRecord>(r);
    switch (function) {
    case MetaSetMapMode:
        if (holds<ValueRecord>(r))
            m_ctx.setMapMode(r.layout<ValueRecord>().value);
        return true;
    case MetaSetWindowOrg:
        if (hasPoint)
            m_ctx.setWindowOrg(pointOf(p));
        return true;
    case MetaSetWindowExt:
        if (hasPoint)
            m_ctx.setWindowExt(QSizeF(p.x, p.y));
        return true;
    case MetaSetViewportOrg:
        if (hasPoint)
            m_ctx.setViewportOrg(pointOf(p));
        return true;
    case MetaSetViewportExt:
        if (hasPoint)
            m_ctx.setViewportExt(QSizeF(p.x, p.y));
        return true;
    case MetaOffsetWindowOrg:
        if (hasPoint)
            m_ctx.offsetWindowOrg(pointOf(p));
        return true;
    case MetaOffsetViewportOrg:
        if (hasPoint)
            m_ctx.offsetViewportOrg(pointOf(p));
        return true;
    case MetaScaleWindowExt:
        if (holds<ScaleExtRecord>(r)) {
            const auto s = r.layout<ScaleExtRecord>();
            m_ctx.scaleWindowExt(s.xNum, s.xDenom, s.yNum, s.yDenom);
        }
        return true;
    case MetaScaleViewportExt:
        if (holds<ScaleExtRecord>(r)) {
            const auto s = r.layout<ScaleExtRecord>();
            m_ctx.scaleViewportExt(s.xNum, s.xDenom, s.yNum, s.yDenom);
        }
        return true;
    default:
        return false;
    }
}

bool WmfPlayer::playDcState(uint16_t function, ByteView r)
{
    if (const auto which = dcValueSetBy(function)) {
        if (which == DcValue::TextColor || which == DcValue::BkColor) {
            if (holds<ColorRecord>(r))
                m_ctx.setDcValue(*which, r.layout<ColorRecord>().color);
        } else if (holds<ValueRecord>(r)) {
            const uint16_t value = r.layout<ValueRecord>().value;
            m_ctx.setDcValue(*which, which == DcValue::CharExtra ? int16_t(value) : value);
        }
        return true;
    }
    switch (function) {
    case MetaMoveTo:
        if (holds<PointRecord>(r))
            m_ctx.moveTo(pointOf(r.layout<PointRecord>()));
        return true;
    case MetaSaveDc:
        m_ctx.saveDc();
        return true;
    case MetaRestoreDc:
        if (holds<ValueRecord>(r))
            m_ctx.restoreDc(int16_t(r.layout<ValueRecord>().value));
        return true;
    default:
        return false;
    }
}

bool WmfPlayer::playShape(uint16_t function, ByteView r)
{
    switch (function) {
    case MetaLineTo:
        if (holds<PointRecord>(r))
            m_ctx.lineTo(pointOf(r.layout<PointRecord>()));
        return true;
    case MetaRectangle:
        if (holds<RectRecord>(r))
            m_ctx.rectangle(rectOf(r.layout<RectRecord>()));
        return true;
    case MetaEllipse:
        if (holds<RectRecord>(r))
            m_ctx.ellipse(rectOf(r.layout<RectRecord>()));
        return true;
    case MetaRoundRect:
        if (holds<RoundRectRecord>(r)) {
            const auto rr = r.layout<RoundRectRecord>();
            m_ctx.roundRect(QRectF(QPointF(rr.left, rr.top), QPointF(rr.right, rr.bottom)),
                            QSizeF(rr.width, rr.height));
        }
        return true;
    case MetaArc:
    case MetaPie:
    case MetaChord:
        if (holds<ArcRecord>(r)) {
            const auto a = r.layout<ArcRecord>();
            const gdi::ArcKind kind = function == MetaArc ? gdi::Arc : function == MetaPie ? gdi::Pie : gdi::Chord;
            m_ctx.arc(QRectF(QPointF(a.left, a.top), QPointF(a.right, a.bottom)), QPointF(a.xStart, a.yStart),
                      QPointF(a.xEnd, a.yEnd), kind);
        }
        return true;
    case MetaSetPixel:
        if (holds<SetPixelRecord>(r)) {
            const auto p = r.layout<SetPixelRecord>();
            m_ctx.setPixel(QPointF(p.x, p.y), colorRef(p.color));
        }
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
    const int64_t count = r.layout<CountRecord>().count;
    const int64_t pointsAt = sizeof(CountRecord);
    if (count < 0 || !r.has(pointsAt, 4 * count))
        return;
    QPolygonF points(static_cast<qsizetype>(count));
    for (int64_t i = 0; i < count; ++i)
        points[qsizetype(i)] = QPointF(r.i16(pointsAt + 4 * i), r.i16(pointsAt + 2 + 4 * i));
    if (function == MetaPolygon)
        m_ctx.polygon(points);
    else
        m_ctx.polyline(points);
}

void WmfPlayer::polyPolygonRecord(ByteView r)
{
    const int64_t polys = uint16_t(r.layout<CountRecord>().count);
    const int64_t countsAt = sizeof(CountRecord);
    if (!r.has(countsAt, 2 * polys))
        return;
    int64_t at = countsAt + 2 * polys;
    QVector<QPolygonF> shapes;
    for (int64_t i = 0; i < polys; ++i) {
        const int64_t n = r.u16(countsAt + 2 * i);
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
        if (holds<PatBltRecord>(r)) {
            const auto p = r.layout<PatBltRecord>();
            m_ctx.patBlt(QRectF(QPointF(p.x, p.y), QSizeF(p.width, p.height)), p.rop);
        }
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
        if (holds<ValueRecord>(r))
            m_ctx.selectObject(r.layout<ValueRecord>().value);
        return true;
    case MetaDeleteObject:
        if (holds<ValueRecord>(r))
            m_ctx.deleteObject(r.layout<ValueRecord>().value);
        return true;
    default:
        return false;
    }
}

bool WmfPlayer::playClipOrRegion(uint16_t function, ByteView r)
{
    const uint16_t region = r.layout<ValueRecord>().value; // the region's slot comes first
    switch (function) {
    case MetaExcludeClipRect:
        if (holds<RectRecord>(r))
            m_ctx.excludeClipRect(rectOf(r.layout<RectRecord>()));
        return true;
    case MetaIntersectClipRect:
        if (holds<RectRecord>(r))
            m_ctx.intersectClipRect(rectOf(r.layout<RectRecord>()));
        return true;
    case MetaOffsetClipRgn:
        if (holds<PointRecord>(r))
            m_ctx.offsetClip(pointOf(r.layout<PointRecord>()));
        return true;
    case MetaSelectClipRegion:
        if (holds<ValueRecord>(r)) {
            if (const GdiObject* o = regionAt(region))
                m_ctx.selectLogicalClipRegion(o->region);
            else
                m_ctx.selectClipRegion(QPainterPath(), gdi::RgnCopy);
        }
        return true;
    case MetaFillRegion:
        if (holds<FillRegionRecord>(r)) {
            if (const GdiObject* o = regionAt(region))
                m_ctx.fillRegion(o->region, brushAt(r.layout<FillRegionRecord>().brush));
        }
        return true;
    case MetaPaintRegion:
        if (holds<ValueRecord>(r)) {
            if (const GdiObject* o = regionAt(region))
                m_ctx.fillRegion(o->region, m_ctx.dc().brush);
        }
        return true;
    case MetaFrameRegion:
        if (holds<FrameRegionRecord>(r)) {
            const auto f = r.layout<FrameRegionRecord>();
            if (const GdiObject* o = regionAt(region))
                m_ctx.frameRegion(o->region, brushAt(f.brush), QSizeF(f.width, f.height));
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
        if (!file.has(0, sizeof(PlaceableHeader)))
            return std::nullopt;
        const auto placeable = file.layout<PlaceableHeader>();
        h.placeable = true;
        h.boundingBox = QRect(QPoint(placeable.left, placeable.top), QPoint(placeable.right, placeable.bottom));
        h.unitsPerInch = placeable.unitsPerInch;
        at = sizeof(PlaceableHeader);
    }
    if (!file.has(at, sizeof(Header)))
        return std::nullopt;
    const auto header = file.layout<Header>(at);
    // The header's total size (mtSize) is not checked: writers disagree on
    // whether it counts the placeable header.
    if ((header.type != 1 && header.type != 2) || header.headerWords != 9
        || (header.version != 0x0100 && header.version != 0x0300))
        return std::nullopt;
    h.objectCount = header.objects;
    h.recordsOffset = at + int64_t(sizeof(Header));
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
        const auto record = file.layout<Record>(at);
        const int64_t size = int64_t(record.words) * 2;
        const uint16_t function = record.function;
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
