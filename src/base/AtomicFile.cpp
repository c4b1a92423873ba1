#include "base/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
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

} // namespace

bool writeFileAtomically(const QString& path, QByteArrayView content)
{
    QFileInfo info(path);
    QString target = info.absoluteFilePath();
    if (info.isSymLink()) {
        target = info.symLinkTarget();
        if (target.isEmpty())
            return false;
        info = QFileInfo(target);
    }
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

} // namespace tirvelo
