#include "authoring/PagePicture.h"

#include "base/RegularFile.h"
#include "formats/JpegDecoder.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSet>
#include <QSvgRenderer>
#include <QXmlStreamReader>

namespace tirvelo::authoring {
namespace {

constexpr int kJpegQuality = 90;
constexpr qint64 kMaxSourceBytes = 64 * 1024 * 1024;
// An SVG has no size of its own worth keeping: it is drawn to fill one screen.
constexpr QSize kSvgScreen{1920, 1080};

// An SVG may name other files (<image href="/home/...">), which QtSvg would
// read from this machine into the page: only SVGs whose links stay inside
// themselves (data: URLs, #fragments) are drawn.
bool linksOnlyWithin(const QByteArray& svg)
{
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        for (const QXmlStreamAttribute& attribute : xml.attributes()) {
            const QStringView value = attribute.value().trimmed();
            if (attribute.name() == u"href" && !value.startsWith(u"data:") && !value.startsWith(u'#'))
                return false;
        }
    }
    return !xml.hasError();
}

std::optional<QImage> drawSvg(const QByteArray& source)
{
    if (!linksOnlyWithin(source))
        return std::nullopt;
    QSvgRenderer renderer(source);
    if (!renderer.isValid())
        return std::nullopt;
    QSize size = renderer.defaultSize();
    if (size.isEmpty())
        size = kSvgScreen;
    size = size.scaled(kSvgScreen, Qt::KeepAspectRatio);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

// Whether the reader's transformation swaps width and height.
bool swapsSides(QImageIOHandler::Transformations transformation)
{
    return transformation.testFlag(QImageIOHandler::TransformationRotate90);
}

struct Decoded {
    QImage image;
    bool jpeg = false;
    bool turned = false;  // an EXIF orientation other than upright
    bool scaled = false;  // read smaller than the file's size
};

std::optional<Decoded> decodeRaster(const QByteArray& source)
{
    QBuffer buffer;
    buffer.setData(source);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    Decoded decoded;
    decoded.jpeg = reader.format() == "jpeg";
    const QImageIOHandler::Transformations transformation = reader.transformation();
    decoded.turned = transformation != QImageIOHandler::TransformationNone;
    const QSize limit = swapsSides(transformation) ? MaxPagePictureSize.transposed() : MaxPagePictureSize;
    const QSize stored = reader.size();
    if (stored.isValid() && (stored.width() > limit.width() || stored.height() > limit.height())) {
        reader.setScaledSize(stored.scaled(limit, Qt::KeepAspectRatio));
        decoded.scaled = true;
    }
    if (!reader.read(&decoded.image) || decoded.image.isNull())
        return std::nullopt;
    return decoded;
}

// Transparency laid on white, as on a page of paper.
QImage opaque(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

// The picture's colours, or nothing once there are more than a drawing has.
std::optional<QList<QRgb>> drawingColours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb last = ~line[0];
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == last)
                continue;
            last = line[x];
            colours.insert(last | 0xFF000000u);
            if (colours.size() > MaxDrawingColours)
                return std::nullopt;
        }
    }
    return QList<QRgb>(colours.begin(), colours.end());
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    return writer.write(image) ? bytes : QByteArray();
}

std::optional<PagePicture> written(const QImage& picture, bool mayBeDrawing)
{
    PagePicture page;
    page.size = picture.size();
    const QImage flat = opaque(picture);
    if (mayBeDrawing) {
        if (const std::optional<QList<QRgb>> colours = drawingColours(flat)) {
            page.bytes = encoded(flat.convertToFormat(QImage::Format_Indexed8, *colours, Qt::ThresholdDither), "bmp");
            page.ending = QStringLiteral(".bmp");
            return page.bytes.isEmpty() ? std::nullopt : std::optional(page);
        }
    }
    page.bytes = encoded(flat, "jpeg", kJpegQuality);
    page.ending = QStringLiteral(".jpg");
    return page.bytes.isEmpty() ? std::nullopt : std::optional(page);
}

} // namespace

std::optional<PagePicture> pagePictureFromBytes(const QByteArray& source)
{
    if (source.isEmpty())
        return std::nullopt;
    if (source.left(4096).contains("<svg")) {
        const std::optional<QImage> drawn = drawSvg(source);
        return drawn ? written(*drawn, true) : std::nullopt;
    }
    const std::optional<Decoded> decoded = decodeRaster(source);
    if (!decoded)
        return std::nullopt;
    if (decoded->jpeg) {
        // The program's own decoder is stricter than Qt's: a JPEG it refuses is written anew.
        if (!decoded->turned && !decoded->scaled && decodeJpegBytes(source, QSize(1, 1)))
            return PagePicture{source, QStringLiteral(".jpg"), decoded->image.size(), true};
        return written(decoded->image, false);
    }
    return written(decoded->image, true);
}

std::optional<PagePicture> pagePictureFromFile(const QString& path)
{
    const std::optional<QByteArray> bytes = readRegularFile(path, kMaxSourceBytes);
    return bytes ? pagePictureFromBytes(*bytes) : std::nullopt;
}

} // namespace tirvelo::authoring
