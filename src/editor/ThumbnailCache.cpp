#include "editor/ThumbnailCache.h"

#include "formats/PictureLoader.h"

namespace tirvelo::editor {

QImage thumbnailOf(const QString& file, QSize size)
{
    const PictureResult picture = loadPicture(file, size);
    if (!picture || picture->naturalSize.isEmpty())
        return {};
    const QSize fitted = picture->naturalSize.scaled(size, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    return picture->toImage(fitted);
}

ThumbnailCache::ThumbnailCache(QSize size, QObject* parent) : QObject(parent), m_size(size)
{
    // One decode at a time: the machine's other core stays for the window.
    m_pool.setMaxThreadCount(1);
}

ThumbnailCache::~ThumbnailCache()
{
    m_pool.clear();
    m_pool.waitForDone();
}

QImage ThumbnailCache::thumbnail(const QString& file)
{
    if (const auto done = m_done.constFind(file); done != m_done.constEnd())
        return *done;
    if (file.isEmpty() || m_pending.contains(file) || m_failed.contains(file))
        return {};
    m_pending.insert(file);
    const QSize size = m_size;
    m_pool.start([this, file, size] {
        const QImage image = thumbnailOf(file, size);
        QMetaObject::invokeMethod(this, [this, file, image] { finished(file, image); }, Qt::QueuedConnection);
    });
    return {};
}

void ThumbnailCache::dropPending()
{
    m_pool.clear();
    // Decodes already running still report; the others may be asked for again.
    m_pending.clear();
}

void ThumbnailCache::finished(const QString& file, const QImage& image)
{
    m_pending.remove(file);
    if (image.isNull())
        m_failed.insert(file);
    else
        m_done.insert(file, image);
    emit thumbnailReady(file);
}

} // namespace tirvelo::editor
