#include "base/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tirvelo {

namespace {

// Closes the descriptor on every way out.
struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
};


FileContents failed(ReadStatus status)
{
    return FileContents{status, {}};
}

} // namespace

FileContents readBoundedFile(const QString& path, qint64 maxBytes)
{
    if (path.isEmpty() || maxBytes < 0)
        return failed(ReadStatus::Missing);
    const QByteArray nativePath = QFile::encodeName(path);
    if (nativePath.contains('\0'))
        return failed(ReadStatus::Unreadable);

    // Checked by name first so that a FIFO or a device is never opened at all.
    struct stat before {};
    if (::stat(nativePath.constData(), &before) != 0) {
        struct stat link {};
        const bool dangling = errno == ENOENT && ::lstat(nativePath.constData(), &link) == 0;
        return failed(errno == ENOENT && !dangling ? ReadStatus::Missing : ReadStatus::Unreadable);
    }
    if (!S_ISREG(before.st_mode))
        return failed(ReadStatus::Unreadable);
    if (before.st_size > maxBytes)
        return failed(ReadStatus::TooLarge);

    // O_NONBLOCK: should the name have been swapped for a FIFO since the stat,
    // the open still returns at once and the fstat below refuses it.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return failed(errno == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable);
    const FdCloser closer{fd};
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode))
        return failed(ReadStatus::Unreadable);
    if (opened.st_size > maxBytes)
        return failed(ReadStatus::TooLarge);

    // Read until end of file, never beyond the cap even if the file grows.
    QByteArray bytes(qsizetype(opened.st_size), Qt::Uninitialized);
    qint64 filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return failed(ReadStatus::Unreadable);
        if (got == 0)
            break; // the file shrank meanwhile
        filled += got;
    }
    bytes.truncate(qsizetype(filled));
    if (filled == opened.st_size) {
        char more[65536];
        for (;;) {
            const ssize_t got = ::read(fd, more, sizeof more);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return failed(ReadStatus::Unreadable);
            if (got == 0)
                break;
            if (bytes.size() + got > maxBytes)
                return failed(ReadStatus::TooLarge);
            bytes.append(more, qsizetype(got));
        }
    }
    return FileContents{ReadStatus::Ok, std::move(bytes)};
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes)
{
    FileContents file = readBoundedFile(path, maxBytes);
    if (file.status != ReadStatus::Ok)
        return std::nullopt;
    return std::move(file.bytes);
}

} // namespace tirvelo
