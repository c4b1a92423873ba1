#include "formats/PictureLoader.h"

#include "formats/ClaimedSize.h"
#include "formats/JpegDecoder.h"
#include "formats/MetafilePicture.h"
#include "formats/PictureFile.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <optional>
#include <variant>

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

// Why a picture of this size is refused, if it is.
std::optional<PictureRefusal> sizeRefusal(QSize size)
{
    if (!size.isValid() || size.isEmpty())
        return PictureRefusal::Empty;
    if (qint64(size.width()) * size.height() > MaxRasterPixels)
        return PictureRefusal::TooManyPixels;
    return std::nullopt;
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

// Why Qt's reader could not read an icon: cut short when its directory, or an
// image the directory lists, runs past the end of the file; else damaged.
PictureRefusal iconFailure(const QByteArray& bytes)
{
    constexpr qint64 DirectoryHeader = 6, Entry = 16;
    if (bytes.size() < DirectoryHeader)
        return PictureRefusal::Truncated;
    const qint64 count = littleEndian(bytes, 4, 2);
    if (DirectoryHeader + count * Entry > bytes.size())
        return PictureRefusal::Truncated;
    for (qint64 i = 0; i < count; ++i) {
        const qint64 entry = DirectoryHeader + i * Entry;
        const qint64 size = littleEndian(bytes, entry + 8, 4), offset = littleEndian(bytes, entry + 12, 4);
        if (offset + size > bytes.size())
            return PictureRefusal::Truncated;
    }
    return PictureRefusal::Corrupt;
}

// What a bitmap's headers say about its pixel data.
struct BitmapLayout {
    qint64 width = 0;
    qint64 height = 0;
    quint32 bitCount = 0;
    quint32 compression = 0;
    qint64 dataStart = 0;
};

constexpr qsizetype BitmapFileHeader = 14;

// The layout from the file header and the old (OS/2) or a newer info header.
std::variant<BitmapLayout, PictureRefusal> readBitmapLayout(const QByteArray& bytes)
{
    if (!bytes.startsWith("BM"))
        return PictureRefusal::NotThisFormat;
    if (bytes.size() < BitmapFileHeader + 16)
        return PictureRefusal::Truncated;
    const quint32 headerSize = littleEndian(bytes, BitmapFileHeader, 4);
    BitmapLayout layout;
    if (headerSize == 12) { // the old OS/2 header
        layout.width = qint16(littleEndian(bytes, BitmapFileHeader + 4, 2));
        layout.height = qint16(littleEndian(bytes, BitmapFileHeader + 6, 2));
        layout.bitCount = littleEndian(bytes, BitmapFileHeader + 10, 2);
    } else if (headerSize >= 40) {
        if (bytes.size() < BitmapFileHeader + 40)
            return PictureRefusal::Truncated;
        layout.width = qint32(littleEndian(bytes, BitmapFileHeader + 4, 4));
        layout.height = qint32(littleEndian(bytes, BitmapFileHeader + 8, 4));
        layout.bitCount = littleEndian(bytes, BitmapFileHeader + 14, 2);
        layout.compression = littleEndian(bytes, BitmapFileHeader + 16, 4);
    } else {
        return PictureRefusal::UnsupportedVariant;
    }
    layout.height = qAbs(layout.height); // negative: stored top row first
    if (layout.width == 0 || layout.height == 0)
        return PictureRefusal::Empty;
    if (layout.width < 0 || layout.bitCount == 0 || layout.bitCount > 32)
        return PictureRefusal::Corrupt;
    if (layout.width * layout.height > MaxRasterPixels)
        return PictureRefusal::TooManyPixels;
    layout.dataStart = littleEndian(bytes, 10, 4);
    if (layout.dataStart < BitmapFileHeader + qint64(headerSize))
        layout.dataStart = BitmapFileHeader + qint64(headerSize); // some writers leave it 0
    return layout;
}

// Whether the run-length data reaches its end-of-bitmap code: pairs of
// bytes, escapes after a zero count.
bool runLengthDataComplete(const QByteArray& bytes, qint64 at, bool fourBit)
{
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
        const qint64 literalBytes = fourBit ? (code + 1) / 2 : code;
        at += (literalBytes + 1) / 2 * 2;
    }
    return false;
}

// Qt's bitmap reader gives back whatever rows it got from a file cut short;
// such a file is refused, as is a run-length file claiming more pixels than
// its runs can describe. Nullopt when the file holds all the pixel data its
// header announces (for run-length files: up to the end-of-bitmap code).
std::optional<PictureRefusal> bitmapDataRefusal(const QByteArray& bytes)
{
    const auto read = readBitmapLayout(bytes);
    if (const auto* refusal = std::get_if<PictureRefusal>(&read))
        return *refusal;
    const BitmapLayout& layout = std::get<BitmapLayout>(read);
    if (layout.dataStart >= bytes.size())
        return PictureRefusal::Truncated;
    enum { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };
    const quint32 compression = layout.compression;
    if (compression == Rgb || compression == BitFields || compression == AlphaBitFields) {
        const qint64 rowBytes = (layout.width * layout.bitCount + 31) / 32 * 4;
        if (layout.dataStart + rowBytes * layout.height > bytes.size())
            return PictureRefusal::Truncated;
        return std::nullopt;
    }
    if (compression != Rle8 && compression != Rle4)
        return std::nullopt; // Qt's reader refuses what it does not know
    // Qt's reader allocates the size the header claims before it reads a run.
    if (claimsMorePixelsThanItsBytesHold(layout.width * layout.height, bytes.size() - layout.dataStart))
        return PictureRefusal::TooManyPixels;
    if (!runLengthDataComplete(bytes, layout.dataStart, compression == Rle4))
        return PictureRefusal::Truncated;
    return std::nullopt;
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

PictureResult decodeRasterBytes(const QByteArray& bytes, PictureType type)
{
    if (type != PictureType::Bitmap && type != PictureType::Icon)
        return PictureRefusal::UnknownType;
    if (bytes.isEmpty())
        return PictureRefusal::NotThisFormat;
    if (type == PictureType::Bitmap) {
        if (const auto refused = bitmapDataRefusal(bytes))
            return *refused;
    }
    BoundReader bound(bytes, type == PictureType::Bitmap ? "bmp" : "ico");
    QImageReader& reader = bound.reader;
    if (!reader.canRead())
        return PictureRefusal::NotThisFormat;
    if (type == PictureType::Icon) {
        const int best = largestIconImage(reader);
        if (best < 0 || !reader.jumpToImage(best))
            return iconFailure(bytes);
    }
    // The header's size, checked before the pixels are allocated (a reader
    // that cannot tell leaves it to the allocation limit and the check below).
    const QSize declared = reader.size();
    if (declared.isValid()) {
        if (const auto refused = sizeRefusal(declared))
            return *refused;
    }
    QImage image = reader.read();
    if (image.isNull())
        return type == PictureType::Icon ? iconFailure(bytes) : PictureRefusal::Corrupt;
    if (const auto refused = sizeRefusal(image.size()))
        return *refused;
    completeColourTable(image);
    Picture picture;
    picture.naturalSize = image.size();
    picture.raster = std::move(image);
    return picture;
}

namespace {

PictureResult decodePictureFile(const QString& path, QSize box)
{
    const PictureType type = pictureTypeOf(path);
    switch (type) {
    case PictureType::Unknown:
        return PictureRefusal::UnknownType;
    case PictureType::Jpeg:
        return decodeJpegFile(path, box, {}, JpegFit::StretchedToBox);
    case PictureType::Wmf:
    case PictureType::Emf:
        return loadMetafilePicture(path, type == PictureType::Emf ? MetafileFormat::Emf : MetafileFormat::Wmf);
    case PictureType::Bitmap:
    case PictureType::Icon: {
        const FileContents file = readPictureFile(path);
        if (file.status != ReadStatus::Ok)
            return refusalForRead(file.status);
        return decodeRasterBytes(file.bytes, type);
    }
    }
    return PictureRefusal::UnknownType;
}

} // namespace

PictureResult loadPicture(const QString& path, QSize box)
{
    PictureResult picture = decodePictureFile(path, box);
    if (picture) {
        picture->file = path;
        picture->decodedFor = box;
    }
    return picture;
}

} // namespace tirvelo
