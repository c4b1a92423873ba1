#pragma once
// Thumbnails of the strip, made in the background by the reader's own
// decoders: asking never waits for a decode, and a large book's strip shows
// at once, its pictures filling in as they are ready.
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QThreadPool>

namespace tirvelo::editor {

class ThumbnailCache : public QObject {
    Q_OBJECT
public:
    explicit ThumbnailCache(QSize size, QObject* parent = nullptr);
    ~ThumbnailCache() override;

    // The thumbnail of file (proportions kept, within size); a null image
    // while it is being made, and thumbnailReady follows.
    QImage thumbnail(const QString& file);
    // The reader's decoders refused the file.
    bool failed(const QString& file) const { return m_failed.contains(file); }
    QSize size() const { return m_size; }
    // Pending decodes not yet begun are dropped (the strip asks again for
    // what it shows).
    void dropPending();

signals:
    void thumbnailReady(const QString& file);

private:
    void finished(const QString& file, const QImage& image);

    QSize m_size;
    QHash<QString, QImage> m_done;
    QSet<QString> m_pending;
    QSet<QString> m_failed;
    QThreadPool m_pool;
};

// The picture as the reader decodes it, fitted within size, proportions
// kept; null when the reader refuses it.
QImage thumbnailOf(const QString& file, QSize size);

} // namespace tirvelo::editor
