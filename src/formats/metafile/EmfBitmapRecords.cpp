#include "formats/metafile/EmfBitmapRecords.h"

#include "formats/metafile/Dib.h"
#include "formats/metafile/EmfRecords.h"

#include <QPainter>
#include <cmath>
#include <uemf.h>

namespace tirvelo::metafile::emf {

namespace {

QPointF pointOf(const PointL& p) { return QPointF(p.x, p.y); }

QSizeF sizeOf(const SizeL& s) { return QSizeF(s.cx, s.cy); }

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

QImage recordDib(ByteView r, const BitBltRecord& b, bool keepAlpha = false)
{
    return recordDib(r, b.offBmi, b.cbBmi, b.offBits, b.cbBits, b.srcUsage, keepAlpha);
}

} // namespace

void bitBlt(ByteView r, bool stretch, GdiContext& context)
{
    if (!r.has(0, int64_t(stretch ? sizeof(StretchBltRecord) : sizeof(BitBltRecord))))
        return;
    const StretchBltRecord record = r.layout<StretchBltRecord>(); // BITBLT: no source size
    const BitBltRecord& b = record.blt;
    const QRectF dest(pointOf(b.dest), sizeOf(b.destSize));
    if (b.cbBmi == 0) { // no source: a pattern fill
        context.patBlt(dest, b.operation);
        return;
    }
    const QImage image = recordDib(r, b);
    if (image.isNull())
        return;
    // The source transform maps the destination into the source bitmap; real
    // files use it for translation and scale only.
    const QTransform srcXform(b.srcXform.m11, b.srcXform.m12, b.srcXform.m21, b.srcXform.m22, b.srcXform.dx,
                              b.srcXform.dy);
    QRectF src(pointOf(b.src), stretch ? sizeOf(record.srcSize) : dest.size());
    if (!stretch && srcXform.isScaling() && std::abs(srcXform.m11()) > 1e-9 && std::abs(srcXform.m22()) > 1e-9)
        src.setSize(QSizeF(dest.width() * srcXform.m11(), dest.height() * srcXform.m22()));
    context.drawImage(dest, image, src, b.operation);
}

void stretchDibits(ByteView r, GdiContext& context)
{
    if (!r.has(0, int64_t(sizeof(StretchDibitsRecord))))
        return;
    const auto s = r.layout<StretchDibitsRecord>();
    const QRectF dest(pointOf(s.dest), sizeOf(s.destSize));
    const QImage image = recordDib(r, s.offBmi, s.cbBmi, s.offBits, s.cbBits, s.usage);
    if (image.isNull()) {
        if (s.cbBmi == 0)
            context.patBlt(dest, s.rop);
        return;
    }
    // Source y counts from the bottom row of the DIB.
    const double srcW = s.srcSize.cx, srcH = s.srcSize.cy;
    const double srcX = s.src.x, srcY = s.src.y;
    const QRectF src(srcX, image.height() - srcY - srcH, srcW, srcH);
    context.drawImage(dest, image, src, s.rop);
}

void setDibitsToDevice(ByteView r, GdiContext& context)
{
    if (!r.has(0, int64_t(sizeof(SetDibitsToDeviceRecord))))
        return;
    const auto s = r.layout<SetDibitsToDeviceRecord>();
    const QImage image = recordDib(r, s.offBmi, s.cbBmi, s.offBits, s.cbBits, s.usage);
    if (image.isNull())
        return;
    const double w = s.srcSize.cx, h = s.srcSize.cy;
    const double srcX = s.src.x, srcY = s.src.y;
    const QRectF dest(pointOf(s.dest), QSizeF(w, h));
    const QRectF src(srcX, image.height() - srcY - h, w, h);
    context.drawImage(dest, image, src, gdi::SrcCopy);
}

void alphaBlend(ByteView r, GdiContext& context)
{
    if (!r.has(0, int64_t(sizeof(StretchBltRecord))))
        return;
    const StretchBltRecord record = r.layout<StretchBltRecord>();
    const BitBltRecord& b = record.blt;
    const uint32_t blend = b.operation; // BLENDFUNCTION
    const int constantAlpha = (blend >> 16) & 0xFF;
    const bool perPixel = (blend >> 24) & 0x01; // AC_SRC_ALPHA
    QImage image = recordDib(r, b, perPixel);
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
    const QRectF dest(pointOf(b.dest), sizeOf(b.destSize));
    const QRectF src(pointOf(b.src), sizeOf(record.srcSize));
    context.drawImage(dest, image, src, gdi::SrcCopy);
}

void transparentBlt(ByteView r, GdiContext& context)
{
    if (!r.has(0, int64_t(sizeof(StretchBltRecord))))
        return;
    const StretchBltRecord record = r.layout<StretchBltRecord>();
    const BitBltRecord& b = record.blt;
    QImage image = recordDib(r, b);
    if (image.isNull())
        return;
    const QRgb key = colorRef(b.operation).rgb() & 0xFFFFFF; // the transparent colour
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = 0;
    }
    const QRectF dest(pointOf(b.dest), sizeOf(b.destSize));
    const QRectF src(pointOf(b.src), sizeOf(record.srcSize));
    context.drawImage(dest, image, src, gdi::SrcCopy);
}

BrushSpec patternBrush(uint32_t type, ByteView r, GdiContext& context)
{
    const auto c = r.layout<CreateDibBrushRecord>();
    BrushSpec brush;
    brush.kind = BrushSpec::Kind::Pattern;
    brush.color = Qt::black;
    const QSize size = r.has(c.offBmi, c.cbBmi) ? dibSize(r.sub(c.offBmi, c.cbBmi)) : QSize();
    if (!context.chargePatternPixels(int64_t(size.width()) * size.height()))
        return brush;
    QImage pattern = recordDib(r, c.offBmi, c.cbBmi, c.offBits, c.cbBits, c.usage);
    if (type == U_EMR_CREATEMONOBRUSH && !pattern.isNull()) {
        // Monochrome brushes take the text and background colours when used.
        for (int y = 0; y < pattern.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(pattern.scanLine(y));
            for (int x = 0; x < pattern.width(); ++x)
                line[x] = (qGray(line[x]) < 128 ? context.dc().textColor : context.dc().bkColor).rgb();
        }
    }
    brush.pattern = pattern;
    return brush;
}

} // namespace tirvelo::metafile::emf
