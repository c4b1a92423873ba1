#include "editor/PreparedPictures.h"

#include "authoring/PageNames.h"
#include "authoring/PagePicture.h"
#include "base/AtomicFile.h"

#include <QDir>
#include <QFileInfo>

namespace tirvelo::editor {

PreparedPictures::PreparedPictures(QString workFolder, QObject* parent)
    : QObject(parent), m_folder(std::move(workFolder))
{
    // One picture at a time: the other core stays for the window.
    m_pool.setMaxThreadCount(1);
}

PreparedPictures::~PreparedPictures()
{
    m_pool.clear();
    m_pool.waitForDone();
}

void PreparedPictures::prepare(const QString& source)
{
    const QMutexLocker lock(&m_mutex);
    if (m_asked.contains(source))
        return;
    m_asked.insert(source);
    const int number = ++m_count;
    m_pool.start([this, source, number] { make(source, number); });
}

void PreparedPictures::make(const QString& source, int number)
{
    const std::optional<authoring::PagePicture> picture = authoring::pagePictureFromFile(source);
    QString made;
    if (picture && !picture->unchanged) {
        // A folder of its own, so the made file keeps its source's name.
        const QString folder = QDir(m_folder).filePath(QStringLiteral("imatges/%1").arg(number));
        QDir().mkpath(folder);
        const QString name = authoring::PageNames(folder).claim(QFileInfo(source).completeBaseName(), picture->ending);
        if (writeFileAtomically(QDir(folder).filePath(name), picture->bytes))
            made = QDir(folder).filePath(name);
    }
    // What the save copies is decoded now, as the reader would, so that the
    // check before writing the book need not.
    authoring::VerifiedPictures verified;
    if (picture)
        verified.verify(made.isEmpty() ? source : made);
    {
        const QMutexLocker lock(&m_mutex);
        m_verified.insert(verified);
        if (!picture)
            m_failed.insert(source);
        else if (!made.isEmpty())
            m_made.insert(source, made);
    }
    QMetaObject::invokeMethod(this, [this, source] { emit prepared(source); }, Qt::QueuedConnection);
}

void PreparedPictures::waitForAll()
{
    m_pool.waitForDone();
}

QString PreparedPictures::fileFor(const QString& source) const
{
    const QMutexLocker lock(&m_mutex);
    return m_made.value(source, source);
}

QHash<QString, QString> PreparedPictures::made() const
{
    const QMutexLocker lock(&m_mutex);
    return m_made;
}

authoring::VerifiedPictures PreparedPictures::verified() const
{
    const QMutexLocker lock(&m_mutex);
    return m_verified;
}

bool PreparedPictures::failed(const QString& source) const
{
    const QMutexLocker lock(&m_mutex);
    return m_failed.contains(source);
}

} // namespace tirvelo::editor
