#include "formats/metafile/WmfObjectRecords.h"

#include "formats/metafile/Dib.h"
#include "formats/metafile/WmfRecords.h"

namespace tirvelo::metafile::wmf {

namespace {

// A region object's scans as rectangles, in logical units.
QPainterPath regionFromRecord(ByteView r)
{
    QPainterPath path;
    const int64_t scanCount = r.layout<CreateRegionRecord>().scanCount;
    int64_t at = sizeof(CreateRegionRecord);
    for (int64_t i = 0; i < scanCount && r.has(at, sizeof(RegionScan)); ++i) {
        const auto scan = r.layout<RegionScan>(at);
        const int64_t count = scan.count; // number of coordinates (two per interval)
        const double top = scan.top, bottom = scan.bottom;
        const int64_t pairs = count / 2;
        const int64_t intervalsAt = at + int64_t(sizeof(RegionScan));
        if (!r.has(intervalsAt, pairs * 4 + 2) || path.elementCount() > kMaxClipElements)
            break;
        for (int64_t j = 0; j < pairs; ++j) {
            const double left = r.i16(intervalsAt + 4 * j), right = r.i16(intervalsAt + 2 + 4 * j);
            if (right > left && bottom > top)
                path.addRect(QRectF(QPointF(left, top), QPointF(right, bottom)));
        }
        at = intervalsAt + pairs * 4 + 2;
    }
    return path.simplified();
}

GdiObject penFromRecord(ByteView r)
{
    const auto c = r.layout<CreatePenRecord>();
    GdiObject o;
    o.kind = GdiObject::Kind::Pen;
    o.pen.style = c.style;
    o.pen.width = c.width;
    o.pen.color = colorRef(c.color);
    return o;
}

GdiObject brushFromRecord(ByteView r)
{
    const auto c = r.layout<CreateBrushRecord>();
    GdiObject o;
    o.kind = GdiObject::Kind::Brush;
    o.brush.color = colorRef(c.color);
    o.brush.hatch = c.hatch;
    o.brush.kind = c.style == gdi::BsNull    ? BrushSpec::Kind::Null
        : c.style == gdi::BsHatched          ? BrushSpec::Kind::Hatched
                                             : BrushSpec::Kind::Solid;
    return o;
}

GdiObject fontFromRecord(ByteView r)
{
    const auto c = r.layout<CreateFontRecord>();
    GdiObject o;
    o.kind = GdiObject::Kind::Font;
    o.font = fontSpecOf(c);
    QByteArray face;
    const int64_t faceAt = sizeof(CreateFontRecord);
    for (int64_t i = faceAt; i < r.size() && i < faceAt + 32 && r.u8(i) != 0; ++i)
        face.append(char(r.u8(i)));
    o.font.face = decodeCharset(face, 0);
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
    const auto header = b.layout<Bitmap16>();
    return b.has(0, 6) ? int64_t(header.width) * header.height : 0;
}

GdiObject dibPatternBrushFromRecord(ByteView r, GdiContext& context)
{
    const auto c = r.layout<DibPatternBrushRecord>();
    const int64_t dataAt = sizeof(DibPatternBrushRecord);
    const ByteView data = r.sub(dataAt, r.size() - dataAt);
    const bool bitmap16 = c.style == gdi::BsPattern;
    const QSize dib = bitmap16 ? QSize() : dibSize(data);
    if (!context.chargePatternPixels(bitmap16 ? bitmap16Pixels(data) : int64_t(dib.width()) * dib.height()))
        return patternBrushObject({});
    return patternBrushObject(
        bitmap16 ? decodeBitmap16(data)
                 : decodePackedDib(data, c.usage == 1 ? DibColors::PaletteIndices : DibColors::Rgb));
}

GdiObject patternBrushFromRecord(ByteView r, GdiContext& context)
{
    // Bitmap16 header, 18 reserved bytes, then the bits.
    constexpr int64_t headerAt = sizeof(Record), headerSize = sizeof(Bitmap16), reserved = 18;
    constexpr int64_t bitsAt = headerAt + headerSize + reserved;
    QImage pattern;
    if (r.has(headerAt, headerSize + reserved) && context.chargePatternPixels(bitmap16Pixels(r.sub(headerAt, headerSize)))) {
        QByteArray joined(reinterpret_cast<const char*>(r.data() + headerAt), headerSize);
        joined.append(reinterpret_cast<const char*>(r.data() + bitsAt), qsizetype(r.size() - bitsAt));
        pattern = decodeBitmap16(ByteView(reinterpret_cast<const unsigned char*>(joined.constData()), joined.size()));
    }
    return patternBrushObject(std::move(pattern));
}

} // namespace

QImage decodeBitmap16(ByteView b)
{
    if (!b.has(0, sizeof(Bitmap16)))
        return {};
    const auto header = b.layout<Bitmap16>();
    const int64_t width = header.width, height = header.height, widthBytes = header.widthBytes;
    const int planes = header.planes, bpp = header.bitsPixel;
    if (width <= 0 || height <= 0 || widthBytes <= 0 || planes != 1 || width * height > kMaxImagePixels)
        return {};
    if ((bpp != 1 && bpp != 24 && bpp != 32) || widthBytes < (width * bpp + 7) / 8)
        return {};
    const int64_t bitsAt = sizeof(Bitmap16);
    const ByteView bits = b.sub(bitsAt, b.size() - bitsAt);
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

} // namespace tirvelo::metafile::wmf
