#include "base/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <QThread>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tirvelo {
namespace {

bool writeAll(int fd, QByteArrayView content)
{
    const char* p = content.data();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Makes the rename itself durable; a folder that cannot be synced is no reason
// to report the write as failed, the data itself is already on disk.
void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The path with its folder as the system resolves it (links and ".." in it
// followed), so that ".." after a linked folder is not undone as text. A
// folder that does not exist yet is only tidied.
QString withRealFolder(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString folder = slash <= 0 ? QStringLiteral("/") : path.left(slash);
    const QString real = QFileInfo(folder).canonicalFilePath();
    if (real.isEmpty())
        return QDir::cleanPath(path);
    return (real == u'/' ? QString() : real) + u'/' + path.mid(slash + 1);
}

// The file that opening path for writing would reach: every symbolic link
// followed, a relative one from the folder it is in. nullopt for a loop.
std::optional<QString> finalTarget(const QString& path)
{
    constexpr int kMaxLinks = 40; // the system's own limit
    // Not QFileInfo::absoluteFilePath, which tidies ".." away as text.
    QString current = withRealFolder(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path);
    for (int links = 0; links <= kMaxLinks; ++links) {
        const QByteArray native = QFile::encodeName(current);
        struct stat entry {};
        if (::lstat(native.constData(), &entry) != 0 || !S_ISLNK(entry.st_mode))
            return current;
        QByteArray buffer(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlink(native.constData(), buffer.data(), size_t(buffer.size()));
        if (length <= 0 || length >= buffer.size())
            return std::nullopt;
        const QString linkTarget = QFile::decodeName(buffer.left(length));
        const QString linkFolder = current.left(current.lastIndexOf(u'/'));
        current = withRealFolder(QDir::isAbsolutePath(linkTarget) ? linkTarget : linkFolder + u'/' + linkTarget);
    }
    return std::nullopt;
}

// Held while a file in the folder is read, edited and replaced. Another of our
// programs holding it for longer than a write takes is waited for only so
// long: the edit then goes ahead, as it would without any lock.
class FolderLock {
public:
    explicit FolderLock(const QString& folder)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        constexpr int kAttempts = 250;
        for (int attempt = 0; m_fd >= 0 && attempt < kAttempts; ++attempt) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR))
                return;
            QThread::msleep(2);
        }
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd;
};

} // namespace

bool writeFileAtomically(const QString& path, QByteArrayView content)
{
    const std::optional<QString> resolved = finalTarget(path);
    if (!resolved)
        return false;
    const QString& target = *resolved;
    const QFileInfo info(target);
    if (info.exists() && !info.isFile())
        return false;
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder))
        return false;

    const QByteArray encodedTarget = QFile::encodeName(target);
    const QByteArray encodedFolder = QFile::encodeName(folder);
    struct stat old {};
    const bool hadFile = ::stat(encodedTarget.constData(), &old) == 0;

    // A name of our own in the same folder, so that the rename stays on one file system.
    QByteArray tempName;
    int fd = -1;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        tempName = QFile::encodeName(folder + QStringLiteral("/.") + info.fileName() + u'.'
                                     + QString::number(QRandomGenerator::global()->generate64(), 16)
                                     + QStringLiteral(".tmp"));
        fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool ok = writeAll(fd, content);
    if (ok && hadFile)
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    if (ok)
        ok = ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok)
        ok = ::rename(tempName.constData(), encodedTarget.constData()) == 0;
    if (!ok) {
        ::unlink(tempName.constData());
        return false;
    }
    syncFolder(encodedFolder);
    return true;
}

bool editFileAtomically(const QString& path, const FileEdit& edit)
{
    const std::optional<QString> target = finalTarget(path);
    if (!target)
        return false;
    // No folder yet means no file to lose a change to.
    const QString folder = QFileInfo(*target).absolutePath();
    std::optional<FolderLock> lock;
    if (QFileInfo(folder).isDir())
        lock.emplace(folder);
    const FileContents file = readBoundedFile(*target);
    if (file.status != ReadStatus::Ok && file.status != ReadStatus::Missing)
        return false;
    const std::optional<QByteArray> updated = edit(file);
    if (!updated)
        return false;
    if (file.status == ReadStatus::Ok && *updated == file.bytes)
        return true;
    return writeFileAtomically(*target, *updated);
}

} // namespace tirvelo
