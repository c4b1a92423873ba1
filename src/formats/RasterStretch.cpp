#include "formats/RasterStretch.h"

#include <QPainter>

#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <utility>

#include <sys/mman.h>

namespace tirvelo {

namespace {

// pixman addresses source pixels in 16.16 fixed point: sides past this are
// left to QPainter.
constexpr int PixmanMaxSide = 32767;

void releaseImage(pixman_image_t*& image)
{
    if (image)
        pixman_image_unref(image);
    image = nullptr;
}

// Maps each pixel of the stretched image back to the source (whose row top
// is the image's first), turning it upright on the way; edge pixels repeat
// outwards, so the border is not blended with black. The translation by
// whole rows is exact in pixman's fixed point, so a band samples the very
// points the whole picture would; so is a mirror's, the source's own extent.
void setStretchTransform(pixman_image_t* from, QSize source, QSize size, int top,
                         ExifOrientation orientation = ExifOrientation::Upright)
{
    const bool swap = swapsSides(orientation);
    const QSize stored = swap ? size.transposed() : size; // the stretch before it is turned
    const pixman_fixed_t across = pixman_double_to_fixed(double(source.width()) / stored.width());
    const pixman_fixed_t down = pixman_double_to_fixed(double(source.height()) / stored.height());
    const bool mirrorColumns = mirrorsColumns(orientation), mirrorRows = mirrorsRows(orientation);
    // source x from the result's x (or y when the sides swap), source y from the other.
    pixman_transform_t transform {};
    transform.matrix[0][swap ? 1 : 0] = mirrorColumns ? -across : across;
    transform.matrix[0][2] = mirrorColumns ? pixman_int_to_fixed(source.width()) : 0;
    transform.matrix[1][swap ? 0 : 1] = mirrorRows ? -down : down;
    transform.matrix[1][2] = (mirrorRows ? pixman_int_to_fixed(source.height()) : 0) - pixman_int_to_fixed(top);
    transform.matrix[2][2] = pixman_fixed_1;
    pixman_image_set_transform(from, &transform);
    pixman_image_set_filter(from, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat(from, PIXMAN_REPEAT_PAD);
}

QImage stretchWithPainter(const QImage& raster, QSize size)
{
    QImage shown(size, QImage::Format_RGB32);
    if (shown.isNull())
        return {};
    shown.fill(Qt::black);
    QPainter painter(&shown);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), raster);
    return shown;
}

void unmapPixels(void* info)
{
    const auto* mapping = static_cast<const std::pair<void*, size_t>*>(info);
    munmap(mapping->first, mapping->second);
    delete mapping;
}

// The size of a transparent huge page on x86-64 (and most 64-bit ARM kernels).
constexpr size_t HugePageBytes = size_t(2) << 20;

// length bytes starting on a huge-page boundary; MAP_FAILED when none.
void* mapHugePageAligned(size_t length)
{
    const size_t spare = length + HugePageBytes;
    void* area = mmap(nullptr, spare, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED)
        return MAP_FAILED;
    const auto start = reinterpret_cast<uintptr_t>(area);
    const uintptr_t aligned = (start + HugePageBytes - 1) & ~uintptr_t(HugePageBytes - 1);
    if (const size_t head = aligned - start)
        munmap(area, head);
    if (const size_t tail = spare - (aligned - start) - length)
        munmap(reinterpret_cast<void*>(aligned + length), tail);
    return reinterpret_cast<void*>(aligned);
}

// An RGB32 image in pages of its own, mapped with all of them present, and
// unmapped, so given back to the system, when the image goes. A screen-sized
// image takes whole huge pages (8 MB at 1920 x 1080 is four of them): the
// kernel then clears four pages instead of allocating, clearing and mapping
// two thousand of 4 KB (mapping, writing and unmapping 8 MB: 0.7 ms against
// 6.5 ms here). Where huge pages are off, the same calls give small pages,
// all present.
QImage mappedImage(QSize size)
{
    const qsizetype stride = qsizetype(size.width()) * 4;
    const size_t bytes = size_t(stride) * size_t(size.height());
    const bool huge = bytes >= HugePageBytes;
    const size_t length = huge ? (bytes + HugePageBytes - 1) / HugePageBytes * HugePageBytes : bytes;
    void* pixels = huge ? mapHugePageAligned(length)
                        : mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (pixels == MAP_FAILED)
        return {};
    if (huge) {
        madvise(pixels, length, MADV_HUGEPAGE);
        // Before Linux 5.14 the pages fault in as the stretch writes them.
        madvise(pixels, length, MADV_POPULATE_WRITE);
    }
    return QImage(static_cast<uchar*>(pixels), size.width(), size.height(), stride, QImage::Format_RGB32, unmapPixels,
                  new std::pair<void*, size_t>(pixels, length));
}

} // namespace

QImage stretchRaster(const QImage& raster, QSize size)
{
    if (raster.isNull() || size.isEmpty())
        return {};
    if (raster.size() == size && raster.format() == QImage::Format_RGB32)
        return raster;
    if (raster.width() > PixmanMaxSide || raster.height() > PixmanMaxSide || size.width() > PixmanMaxSide
        || size.height() > PixmanMaxSide)
        return stretchWithPainter(raster, size);

    // pixman reads 32-bit pixels: opaque ones as x8r8g8b8, others premultiplied.
    const bool transparent = raster.hasAlphaChannel();
    const QImage::Format sourceFormat = transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const QImage source = raster.format() == sourceFormat ? raster : raster.convertToFormat(sourceFormat);
    QImage shown(size, QImage::Format_RGB32);
    if (source.isNull() || shown.isNull())
        return {};
    if (transparent)
        shown.fill(Qt::black);

    // pixman only reads from the source; the cast drops a const it keeps.
    pixman_image_t* from = pixman_image_create_bits(
        transparent ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8, source.width(), source.height(),
        reinterpret_cast<uint32_t*>(const_cast<uchar*>(source.constBits())), int(source.bytesPerLine()));
    // Written as a8r8g8b8, whose alpha pixman always computes (opaque here),
    // so every pixel carries the 0xFF byte RGB32 promises.
    pixman_image_t* to = pixman_image_create_bits(PIXMAN_a8r8g8b8, size.width(), size.height(),
                                                  reinterpret_cast<uint32_t*>(shown.bits()), int(shown.bytesPerLine()));
    if (!from || !to) {
        releaseImage(from);
        releaseImage(to);
        return stretchWithPainter(raster, size);
    }
    setStretchTransform(from, source.size(), size, 0);
    pixman_image_composite32(transparent ? PIXMAN_OP_OVER : PIXMAN_OP_SRC, from, nullptr, to, 0, 0, 0, 0, 0, 0,
                             size.width(), size.height());
    releaseImage(from);
    releaseImage(to);
    return shown;
}

BandedStretch::BandedStretch(QSize source, QSize size, ExifOrientation orientation)
    : m_source(source), m_orientation(orientation)
{
    if (!source.isEmpty() && !size.isEmpty() && source.width() <= PixmanMaxSide && source.height() <= PixmanMaxSide
        && size.width() <= PixmanMaxSide && size.height() <= PixmanMaxSide)
        m_result = mappedImage(size);
}

int BandedStretch::stretchedRows() const
{
    return swapsSides(m_orientation) ? m_result.width() : m_result.height();
}

QRect BandedStretch::resultPart(int first, int end) const
{
    const int lines = stretchedRows();
    if (mirrorsRows(m_orientation))
        std::tie(first, end) = std::pair(lines - end, lines - first);
    if (swapsSides(m_orientation))
        return QRect(first, 0, end - first, m_result.height());
    return QRect(0, first, m_result.width(), end - first);
}

int BandedStretch::firstRowFor(int row) const
{
    const double at = (row + 0.5) * m_source.height() / stretchedRows() - 0.5;
    return std::clamp(int(std::floor(at)) - 1, 0, m_source.height() - 1);
}

int BandedStretch::lastRowFor(int row) const
{
    const double at = (row + 0.5) * m_source.height() / stretchedRows() - 0.5;
    return std::clamp(int(std::floor(at)) + 2, 0, m_source.height() - 1);
}

int BandedStretch::firstRowNeeded() const
{
    return done() ? m_source.height() : firstRowFor(m_nextRow);
}

void BandedStretch::addBand(const QImage& band, int top)
{
    if (isNull() || band.isNull() || band.format() != QImage::Format_RGB32 || band.width() != m_source.width())
        return;
    const int bottom = top + band.height(); // past the band's last row
    int end = m_nextRow;
    while (end < stretchedRows() && firstRowFor(end) >= top && lastRowFor(end) < bottom)
        ++end;
    if (end == m_nextRow)
        return;
    pixman_image_t* from = pixman_image_create_bits(PIXMAN_x8r8g8b8, band.width(), band.height(),
                                                    reinterpret_cast<uint32_t*>(const_cast<uchar*>(band.constBits())),
                                                    int(band.bytesPerLine()));
    pixman_image_t* to = pixman_image_create_bits(PIXMAN_a8r8g8b8, m_result.width(), m_result.height(),
                                                  reinterpret_cast<uint32_t*>(m_result.bits()),
                                                  int(m_result.bytesPerLine()));
    if (from && to) {
        setStretchTransform(from, m_source, m_result.size(), top, m_orientation);
        const QRect part = resultPart(m_nextRow, end);
        pixman_image_composite32(PIXMAN_OP_SRC, from, nullptr, to, part.x(), part.y(), 0, 0, part.x(), part.y(),
                                 part.width(), part.height());
        m_nextRow = end;
    } else {
        m_result = QImage();
    }
    releaseImage(from);
    releaseImage(to);
}

} // namespace tirvelo
