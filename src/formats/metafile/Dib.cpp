#include "formats/metafile/Dib.h"

#include "formats/metafile/Limits.h"

#include <QBuffer>
#include <QImageReader>
#include <array>
#include <bit>
#include <cstdlib>

namespace tirvelo::metafile {

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5,
                   kBiAlphaBitfields = 6;

struct DibHeader {
    int64_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0; // negative: rows stored top-down
    int bitCount = 0;
    uint32_t compression = kBiRgb;
    uint32_t colorsUsed = 0;
    std::array<uint32_t, 4> masks{}; // red, green, blue, alpha
    int paletteEntrySize = 4;
    int64_t paletteOffset = 0; // offset of the colour table in the info block
};

bool parseHeader(ByteView info, DibHeader& h)
{
    h.headerSize = info.u32(0);
    if (h.headerSize == 12 && info.has(0, 12)) { // BITMAPCOREHEADER
        h.width = info.u16(4);
        h.height = info.i16(6);
        h.bitCount = info.u16(10);
        h.paletteEntrySize = 3;
        h.paletteOffset = 12;
        return true;
    }
    if (h.headerSize < 40 || !info.has(0, 40))
        return false;
    h.width = info.i32(4);
    h.height = info.i32(8);
    h.bitCount = info.u16(14);
    h.compression = info.u32(16);
    h.colorsUsed = info.u32(32);
    h.paletteOffset = h.headerSize;
    if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
        const int maskCount = h.compression == kBiAlphaBitfields ? 4 : 3;
        if (h.headerSize >= 52) { // masks inside a V2..V5 header
            for (int i = 0; i < 4 && 40 + 4 * i + 4 <= h.headerSize; ++i)
                h.masks[i] = info.u32(40 + 4 * i);
        } else {
            for (int i = 0; i < maskCount; ++i)
                h.masks[i] = info.u32(40 + 4 * i);
            h.paletteOffset = 40 + 4 * maskCount;
        }
    }
    return true;
}

// Number of colour-table entries, or -1 when the header asks for nonsense.
int64_t paletteCount(const DibHeader& h)
{
    if (h.bitCount <= 8) {
        const int64_t full = int64_t(1) << h.bitCount;
        return (h.colorsUsed == 0 || h.colorsUsed > full) ? full : h.colorsUsed;
    }
    return 0; // a table after a true-colour header only hints at a palette
}

QVector<QRgb> readPalette(ByteView info, const DibHeader& h, DibColors colors)
{
    const int64_t count = paletteCount(h);
    QVector<QRgb> palette;
    palette.reserve(int(count));
    for (int64_t i = 0; i < count; ++i) {
        if (colors == DibColors::PaletteIndices) {
            // Without the playing device's palette, treat the indices as grey levels.
            const int64_t at = h.paletteOffset + 2 * i;
            const int index = info.has(at, 2) ? info.u16(at) & 0xFF : int(i);
            palette.append(qRgb(index, index, index));
            continue;
        }
        const int64_t at = h.paletteOffset + h.paletteEntrySize * i;
        if (!info.has(at, 3)) {
            // A short colour table: the missing entries are black, or white for
            // the second entry of a monochrome bitmap.
            palette.append(h.bitCount == 1 && i == 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
            continue;
        }
        palette.append(qRgb(info.u8(at + 2), info.u8(at + 1), info.u8(at)));
    }
    return palette;
}

// Extracts a channel under a mask and scales it to 8 bits.
struct MaskChannel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    explicit MaskChannel(uint32_t m = 0) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            bits = std::popcount(m >> shift);
            if (bits > 8) {
                shift += bits - 8;
                bits = 8;
            }
        }
    }
    int operator()(uint32_t pixel) const
    {
        if (!mask)
            return 0;
        const uint32_t v = ((pixel & mask) >> shift) & ((1u << bits) - 1);
        return bits == 8 ? int(v) : int(v * 255 / ((1u << bits) - 1));
    }
};

QImage decodeRle(ByteView bits, const DibHeader& h, const QVector<QRgb>& palette)
{
    const int width = int(h.width);
    const int height = int(std::llabs(h.height));
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    const bool four = h.compression == kBiRle4;
    auto colour = [&](int index) { return index < palette.size() ? palette[index] | 0xFF000000u : 0xFF000000u; };
    int x = 0, y = 0; // y counts rows from the bottom
    auto put = [&](int index) {
        if (x < width && y < height)
            reinterpret_cast<QRgb*>(image.scanLine(height - 1 - y))[x] = colour(index);
        ++x;
    };
    int64_t at = 0;
    while (bits.has(at, 2) && y < height) {
        const int count = bits.u8(at), value = bits.u8(at + 1);
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i)
                put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (!bits.has(at, 2))
                break;
            x += bits.u8(at);
            y += bits.u8(at + 1);
            at += 2;
        } else { // absolute run of `value` pixels
            const int64_t bytes = four ? (value + 1) / 2 : value;
            if (!bits.has(at, bytes))
                break;
            for (int i = 0; i < value; ++i) {
                const int b = bits.u8(at + (four ? i / 2 : i));
                put(four ? ((i & 1) ? (b & 0x0F) : (b >> 4)) : b);
            }
            at += (bytes + 1) & ~int64_t(1); // runs are padded to 16 bits
        }
    }
    return image;
}

} // namespace

QSize dibSize(ByteView info)
{
    DibHeader h;
    if (!parseHeader(info, h))
        return {};
    if (h.width <= 0 || h.height == 0 || h.width > INT32_MAX || std::llabs(h.height) > INT32_MAX)
        return {};
    return QSize(int(h.width), int(std::llabs(h.height)));
}

QImage decodeDib(ByteView info, ByteView bits, DibColors colors, bool keepAlpha)
{
    DibHeader h;
    if (!parseHeader(info, h))
        return {};
    if (h.compression == kBiJpeg || h.compression == kBiPng) {
        // Embedded JPEG or PNG data; Qt's readers bound their own allocations.
        QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(bits.data()), qsizetype(bits.size()));
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (!size.isValid() || int64_t(size.width()) * size.height() > kMaxImagePixels)
            return {};
        return reader.read();
    }
    const int64_t width = h.width, height = std::llabs(h.height);
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 || width * height > kMaxImagePixels)
        return {};
    const QVector<QRgb> palette = readPalette(info, h, colors);

    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
        if ((h.compression == kBiRle8 && h.bitCount != 8) || (h.compression == kBiRle4 && h.bitCount != 4)
            || h.height < 0)
            return {};
        return decodeRle(bits, h, palette);
    }
    const bool bitfields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    if (h.compression != kBiRgb && !bitfields)
        return {};
    const int bpp = h.bitCount;
    if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return {};
    if (bitfields && bpp != 16 && bpp != 32)
        return {};

    const int64_t stride = ((width * bpp + 31) / 32) * 4;
    const bool topDown = h.height < 0;
    QImage image(int(width), int(height), QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);

    std::array<uint32_t, 4> masks = h.masks;
    if (!bitfields) {
        if (bpp == 16)
            masks = {0x7C00, 0x03E0, 0x001F, 0};
        else if (bpp == 32)
            masks = {0x00FF0000, 0x0000FF00, 0x000000FF, keepAlpha ? 0xFF000000u : 0u};
    }
    const MaskChannel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);

    const int64_t rows = std::min<int64_t>(height, bits.size() / stride);
    for (int64_t row = 0; row < rows; ++row) {
        const ByteView line = bits.sub(row * stride, stride);
        const int64_t y = topDown ? row : height - 1 - row;
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        for (int64_t x = 0; x < width; ++x) {
            switch (bpp) {
            case 1:
            case 2:
            case 4:
            case 8: {
                const int64_t bit = x * bpp;
                const int shift = 8 - bpp - int(bit % 8);
                const int index = (line.u8(bit / 8) >> shift) & ((1 << bpp) - 1);
                out[x] = index < palette.size() ? (palette[index] | 0xFF000000u) : 0xFF000000u;
                break;
            }
            case 24:
                out[x] = qRgb(line.u8(3 * x + 2), line.u8(3 * x + 1), line.u8(3 * x));
                break;
            default: {
                const uint32_t pixel = bpp == 16 ? line.u16(2 * x) : line.u32(4 * x);
                out[x] = qRgba(red(pixel), green(pixel), blue(pixel), masks[3] ? alpha(pixel) : 255);
                break;
            }
            }
        }
    }
    return image;
}

QImage decodePackedDib(ByteView dib, DibColors colors)
{
    DibHeader h;
    if (!parseHeader(dib, h))
        return {};
    int64_t tableBytes = paletteCount(h) * (colors == DibColors::PaletteIndices ? 2 : h.paletteEntrySize);
    if (h.bitCount > 8 && h.colorsUsed > 0 && h.colorsUsed <= 65536)
        tableBytes = int64_t(h.colorsUsed) * 4; // an optional table that only hints at a palette
    const int64_t bitsOffset = h.paletteOffset + tableBytes;
    if (!dib.has(0, bitsOffset))
        return {};
    return decodeDib(dib.sub(0, bitsOffset), dib.sub(bitsOffset, dib.size() - bitsOffset), colors);
}

} // namespace tirvelo::metafile
