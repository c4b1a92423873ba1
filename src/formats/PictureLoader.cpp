#include "formats/PictureLoader.h"

#include "formats/JpegDecoder.h"
#include "formats/MetafilePicture.h"
#include "formats/PictureFile.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

namespace tirvelo {

namespace {

// The same limit as for JPEG pictures: width × height of the decoded image.
constexpr qint64 MaxRasterPixels = 100'000'000;
// An icon's directory counts its images in 16 bits; no real icon comes near.
constexpr int MaxIconImages = 256;

char asciiLower(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z')
        return char(u - u'A' + 'a');
    return u < 0x80 ? char(u) : '\x80';
}

bool extensionIs(QStringView ext, const char* lower)
{
    qsizetype i = 0;
    for (; lower[i] != '\0'; ++i) {
        if (i >= ext.size() || asciiLower(ext[i]) != lower[i])
            return false;
    }
    return i == ext.size();
}

bool sizeAllowed(QSize size)
{
    return size.isValid() && !size.isEmpty() && qint64(size.width()) * size.height() <= MaxRasterPixels;
}

// A reader bound to one format: no content sniffing, no falling back to
// another handler.
struct BoundReader {
    QBuffer buffer;
    QImageReader reader;

    BoundReader(const QByteArray& bytes, const char* format)
    {
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        reader.setFormat(format);
        reader.setAutoDetectImageFormat(false);
        reader.setDecideFormatFromContent(false);
        // Enough for the largest picture allowed in 32-bit pixels.
        reader.setAllocationLimit(int(MaxRasterPixels * 4 / (1024 * 1024)) + 1);
    }
};

// The index of the icon's largest image (the first of equals), or -1.
int largestIconImage(QImageReader& reader)
{
    const int count = reader.imageCount();
    if (count <= 0 || count > MaxIconImages)
        return -1;
    int best = -1;
    qint64 bestArea = -1;
    for (int i = 0; i < count; ++i) {
        if (!reader.jumpToImage(i))
            return -1;
        const QSize size = reader.size();
        const qint64 area = size.isValid() ? qint64(size.width()) * size.height() : 0;
        if (area > bestArea) {
            best = i;
            bestArea = area;
        }
    }
    return best;
}

quint32 littleEndian(const QByteArray& bytes, qsizetype at, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | uchar(bytes[at + i]);
    return value;
}

// Qt's bitmap reader gives back whatever rows it got from a file cut short;
// such a file is a failure. True when the file holds all the pixel data its
// header announces (for run-length files: up to the end-of-bitmap code).
bool bitmapDataComplete(const QByteArray& bytes)
{
    constexpr qsizetype FileHeader = 14;
    if (bytes.size() < FileHeader + 16 || !bytes.startsWith("BM"))
        return false;
    const quint32 headerSize = littleEndian(bytes, FileHeader, 4);
    qint64 width = 0, height = 0;
    quint32 bitCount = 0, compression = 0;
    if (headerSize == 12) { // the old OS/2 header
        width = qint16(littleEndian(bytes, FileHeader + 4, 2));
        height = qint16(littleEndian(bytes, FileHeader + 6, 2));
        bitCount = littleEndian(bytes, FileHeader + 10, 2);
    } else if (headerSize >= 40 && bytes.size() >= FileHeader + 40) {
        width = qint32(littleEndian(bytes, FileHeader + 4, 4));
        height = qint32(littleEndian(bytes, FileHeader + 8, 4));
        bitCount = littleEndian(bytes, FileHeader + 14, 2);
        compression = littleEndian(bytes, FileHeader + 16, 4);
    } else {
        return false;
    }
    height = qAbs(height); // negative: stored top row first
    if (width <= 0 || height <= 0 || width * height > MaxRasterPixels || bitCount == 0 || bitCount > 32)
        return false;
    qint64 dataStart = littleEndian(bytes, 10, 4);
    if (dataStart < FileHeader + qint64(headerSize))
        dataStart = FileHeader + qint64(headerSize); // some writers leave it 0
    if (dataStart >= bytes.size())
        return false;

    enum { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };
    if (compression == Rgb || compression == BitFields || compression == AlphaBitFields) {
        const qint64 rowBytes = (width * bitCount + 31) / 32 * 4;
        return dataStart + rowBytes * height <= bytes.size();
    }
    if (compression != Rle8 && compression != Rle4)
        return true; // Qt's reader refuses what it does not know
    // Walk the runs: pairs of bytes, escapes after a zero count.
    qint64 at = dataStart;
    while (at + 2 <= bytes.size()) {
        const uchar count = uchar(bytes[at]), code = uchar(bytes[at + 1]);
        at += 2;
        if (count != 0 || code == 0)
            continue; // a run, or the end of a line
        if (code == 1)
            return true; // end of bitmap
        if (code == 2) {
            at += 2; // a move right and down
            continue;
        }
        // code literal pixels, padded to a whole number of 16-bit words
        const qint64 literalBytes = compression == Rle8 ? code : (code + 1) / 2;
        at += (literalBytes + 1) / 2 * 2;
    }
    return false;
}

// Qt's readers keep a file's colour table as it is, and Qt's drawing code
// trusts every pixel to index into it: a damaged bitmap whose pixels point
// past its table would be read out of bounds whenever it is drawn. Entries
// the file does not give are black.
void completeColourTable(QImage& image)
{
    if (image.format() != QImage::Format_Indexed8 && image.format() != QImage::Format_Mono
        && image.format() != QImage::Format_MonoLSB)
        return;
    const int entries = 1 << image.depth();
    if (image.colorCount() < entries) {
        QList<QRgb> table = image.colorTable();
        table.resize(entries, qRgb(0, 0, 0));
        image.setColorTable(table);
    }
}

} // namespace

PictureType pictureTypeOf(const QString& name)
{
    const qsizetype separator = std::max({name.lastIndexOf(u'\\'), name.lastIndexOf(u'/'), name.lastIndexOf(u':')});
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || dot < separator)
        return PictureType::Unknown;
    const QStringView ext = QStringView(name).mid(dot + 1);
    if (extensionIs(ext, "bmp")) return PictureType::Bitmap;
    if (extensionIs(ext, "ico")) return PictureType::Icon;
    if (extensionIs(ext, "wmf")) return PictureType::Wmf;
    if (extensionIs(ext, "emf")) return PictureType::Emf;
    if (extensionIs(ext, "jpg") || extensionIs(ext, "jpeg")) return PictureType::Jpeg;
    return PictureType::Unknown;
}

bool rasterReadersAvailable()
{
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    return formats.contains("bmp") && formats.contains("ico");
}

std::optional<Picture> decodeRasterBytes(const QByteArray& bytes, PictureType type)
{
    if (bytes.isEmpty() || (type != PictureType::Bitmap && type != PictureType::Icon))
        return std::nullopt;
    if (type == PictureType::Bitmap && !bitmapDataComplete(bytes))
        return std::nullopt;
    BoundReader bound(bytes, type == PictureType::Bitmap ? "bmp" : "ico");
    QImageReader& reader = bound.reader;
    if (!reader.canRead())
        return std::nullopt;
    if (type == PictureType::Icon) {
        const int best = largestIconImage(reader);
        if (best < 0 || !reader.jumpToImage(best))
            return std::nullopt;
    }
    // The header's size, checked before the pixels are allocated (a reader
    // that cannot tell leaves it to the allocation limit and the check below).
    const QSize declared = reader.size();
    if (declared.isValid() && !sizeAllowed(declared))
        return std::nullopt;
    QImage image = reader.read();
    if (image.isNull() || !sizeAllowed(image.size()))
        return std::nullopt;
    completeColourTable(image);
    Picture picture;
    picture.naturalSize = image.size();
    picture.raster = std::move(image);
    return picture;
}

namespace {

std::optional<Picture> decodePictureFile(const QString& path, QSize box)
{
    const PictureType type = pictureTypeOf(path);
    switch (type) {
    case PictureType::Unknown:
        return std::nullopt;
    case PictureType::Jpeg:
        return decodeJpegFile(path, box, {}, JpegFit::StretchedToBox);
    case PictureType::Wmf:
    case PictureType::Emf:
        return loadMetafilePicture(path, type == PictureType::Emf ? MetafileFormat::Emf : MetafileFormat::Wmf);
    case PictureType::Bitmap:
    case PictureType::Icon: {
        const std::optional<QByteArray> bytes = readPictureFile(path);
        if (!bytes)
            return std::nullopt;
        return decodeRasterBytes(*bytes, type);
    }
    }
    return std::nullopt;
}

} // namespace

std::optional<Picture> loadPicture(const QString& path, QSize box)
{
    std::optional<Picture> picture = decodePictureFile(path, box);
    if (picture) {
        picture->file = path;
        picture->decodedFor = box;
    }
    return picture;
}

} // namespace tirvelo
