#include "formats/MetafilePicture.h"

#include "formats/PictureFile.h"

#include "formats/metafile/EmfPlayer.h"
#include "formats/metafile/GdiContext.h"
#include "formats/metafile/Limits.h"
#include "formats/metafile/WmfPlayer.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tirvelo {

using namespace metafile;

namespace {

constexpr int kMaxPixelSide = 65535;

ByteView viewOf(const QByteArray& bytes)
{
    return ByteView(reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size());
}

QSize clampedSize(double w, double h)
{
    if (!std::isfinite(w) || !std::isfinite(h))
        return {};
    return QSize(int(std::clamp(std::lround(w), 1l, long(kMaxPixelSide))),
                 int(std::clamp(std::lround(h), 1l, long(kMaxPixelSide))));
}

bool goodFrame(const QRectF& r)
{
    return r.isValid() && r.width() > 1e-6 && r.height() > 1e-6 && std::isfinite(r.width())
        && std::isfinite(r.height()) && std::isfinite(r.x()) && std::isfinite(r.y());
}

class MetafileDrawing final : public VectorPicture {
public:
    MetafileDrawing(QByteArray bytes, MetafileFormat format, QRectF frame, QSize size, QSizeF playerViewport)
        : m_bytes(std::move(bytes)), m_format(format), m_frame(frame), m_size(size), m_playerViewport(playerViewport)
    {
    }

    QSize pixelSize() const override { return m_size; }

    void paint(QPainter& painter, const QRectF& target) const override
    {
        if (target.isEmpty())
            return;
        const QTransform frameToTarget = QTransform::fromTranslate(-m_frame.x(), -m_frame.y())
            * QTransform::fromScale(target.width() / m_frame.width(), target.height() / m_frame.height())
            * QTransform::fromTranslate(target.x(), target.y());
        const ByteView bytes = viewOf(m_bytes);
        if (m_format == MetafileFormat::Emf) {
            const auto header = readEmfHeader(bytes);
            if (!header)
                return;
            GdiContext context(GdiContext::Flavour::Emf, &painter, frameToTarget, m_frame);
            playEmf(bytes, *header, context);
        } else {
            const auto header = readWmfHeader(bytes);
            if (!header)
                return;
            GdiContext context(GdiContext::Flavour::Wmf, &painter, frameToTarget, m_frame);
            context.setPlayerViewport(m_playerViewport);
            playWmf(bytes, *header, context);
        }
    }

private:
    QByteArray m_bytes;
    MetafileFormat m_format;
    QRectF m_frame; // the picture's extent in reference device units
    QSize m_size;
    QSizeF m_playerViewport; // WMF: the viewport extent a player would set
};

PictureResult makePicture(QByteArray bytes, MetafileFormat format, QRectF frame, QSize size,
                          QSizeF playerViewport = {})
{
    if (!goodFrame(frame) || !size.isValid())
        return PictureRefusal::Empty;
    Picture picture;
    picture.naturalSize = size;
    picture.vector = std::make_shared<MetafileDrawing>(std::move(bytes), format, frame, size, playerViewport);
    return picture;
}

PictureResult loadEmf(QByteArray bytes)
{
    const ByteView view = viewOf(bytes);
    const auto header = readEmfHeader(view);
    if (!header)
        return PictureRefusal::NotThisFormat;
    const double dpi = metafileScreenDpi();
    QRectF frame = header->frameInDevicePixels();
    QSize size;
    if (goodFrame(frame)) {
        const QRect f = header->frame;
        size = clampedSize((double(f.right()) - f.left()) * dpi / 2540.0,
                           (double(f.bottom()) - f.top()) * dpi / 2540.0);
    } else {
        // No usable frame: the device bounds, or else what the records draw.
        const QRect b = header->bounds;
        if (b.right() >= b.left() && b.bottom() >= b.top() && (b.right() > b.left() || b.bottom() > b.top())) {
            frame = QRectF(QPointF(b.left(), b.top()), QPointF(double(b.right()) + 1, double(b.bottom()) + 1));
        } else {
            GdiContext measure(GdiContext::Flavour::Emf, nullptr, QTransform(), QRectF());
            playEmf(view, *header, measure);
            frame = measure.drawnBounds();
        }
        if (!goodFrame(frame))
            return PictureRefusal::Empty;
        const double scaleX = dpi / (header->pixelsPerMmX() * 25.4), scaleY = dpi / (header->pixelsPerMmY() * 25.4);
        size = clampedSize(frame.width() * scaleX, frame.height() * scaleY);
    }
    return makePicture(std::move(bytes), MetafileFormat::Emf, frame, size);
}

PictureResult loadWmf(QByteArray bytes)
{
    const ByteView view = viewOf(bytes);
    const auto header = readWmfHeader(view);
    if (!header)
        return PictureRefusal::NotThisFormat;
    const double dpi = metafileScreenDpi();
    // One pass without a painter: the window in force when drawing starts is
    // the picture's frame, as a player maps it onto its viewport.
    GdiContext measure(GdiContext::Flavour::Wmf, nullptr, QTransform(), QRectF());
    playWmf(view, *header, measure);
    const QTransform toDevice = measure.drewSomething() ? measure.firstDrawTransform() : measure.logicalToDevice();
    const DcState state = measure.drewSomething() ? measure.firstDrawState() : measure.dc();
    const bool scaled = state.mapMode == gdi::MmIsotropic || state.mapMode == gdi::MmAnisotropic;

    QRectF frame;
    QSizeF playerViewport;
    double pixelsPerUnit = dpi / 96.0; // fixed modes map to 96-dpi pixels
    if (state.windowExtSet) {
        const QSizeF ext = state.windowExt;
        if (scaled && !state.viewportExtSet) {
            playerViewport = QSizeF(std::abs(ext.width()), std::abs(ext.height()));
            frame = QRectF(state.viewportOrg, playerViewport);
            // A window with nothing to map it to is in 0.01 mm, as such files
            // carry it, unless that would make the picture implausibly small.
            const double himetric = dpi / 2540.0;
            if (frame.width() * himetric >= 16 && frame.height() * himetric >= 16)
                pixelsPerUnit = himetric;
        } else if (scaled) {
            // The file's own viewport, in pixels, is where the picture goes.
            frame = QRectF(state.viewportOrg, state.viewportExt).normalized();
            pixelsPerUnit = 1;
        } else {
            // Fixed modes ignore the window extent when mapping; it still tells
            // the picture's size, reaching right and down from the window origin.
            const QPointF origin = toDevice.map(state.windowOrg);
            frame = QRectF(origin, QSizeF(std::abs(ext.width() * toDevice.m11()),
                                          std::abs(ext.height() * toDevice.m22())));
            if (state.mapMode == gdi::MmText)
                pixelsPerUnit = 1; // device units are pixels
        }
    }
    if (!goodFrame(frame)) {
        frame = measure.drawnBounds();
        pixelsPerUnit = 1;
        playerViewport = QSizeF();
    }
    QSize size = clampedSize(frame.width() * pixelsPerUnit, frame.height() * pixelsPerUnit);
    if (header->placeable && header->boundingBox.width() != 0 && header->boundingBox.height() != 0) {
        const QRect b = header->boundingBox;
        const double inch = header->unitsPerInch > 0 ? header->unitsPerInch : 1440;
        size = clampedSize(std::abs(double(b.right()) - b.left()) * dpi / inch,
                           std::abs(double(b.bottom()) - b.top()) * dpi / inch);
    }
    return makePicture(std::move(bytes), MetafileFormat::Wmf, frame, size, playerViewport);
}

} // namespace

double metafileScreenDpi()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const double dpi = screen->logicalDotsPerInch();
            if (std::isfinite(dpi) && dpi >= 24 && dpi <= 1200)
                return dpi;
        }
    }
    return 96.0;
}

PictureResult loadMetafileBytes(const QByteArray& bytes, MetafileFormat format)
{
    if (bytes.size() > kMaxFileBytes)
        return PictureRefusal::FileTooLarge;
    return format == MetafileFormat::Emf ? loadEmf(bytes) : loadWmf(bytes);
}

PictureResult loadMetafilePicture(const QString& path, MetafileFormat format)
{
    const FileContents file = readPictureFile(path, kMaxFileBytes);
    if (file.status != ReadStatus::Ok)
        return refusalForRead(file.status);
    return loadMetafileBytes(file.bytes, format);
}

} // namespace tirvelo
