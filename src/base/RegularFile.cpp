#include "base/RegularFile.h"

#include <QFile>

#include <algorithm>
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

// Opens path for reading when it is a regular file, never blocking on a FIFO
// or a device; refuses one over maxBytes (no limit when maxBytes is negative).
// The descriptor, or -1 with status set.
int openRegularFile(const QString& path, qint64 maxBytes, ReadStatus& status, struct stat& opened)
{
    status = ReadStatus::Missing;
    if (path.isEmpty())
        return -1;
    const QByteArray nativePath = QFile::encodeName(path);
    status = ReadStatus::Unreadable;
    if (nativePath.contains('\0'))
        return -1;

    // Checked by name first so that a FIFO or a device is never opened at all.
    struct stat before {};
    if (::stat(nativePath.constData(), &before) != 0) {
        struct stat link {};
        const bool dangling = errno == ENOENT && ::lstat(nativePath.constData(), &link) == 0;
        status = errno == ENOENT && !dangling ? ReadStatus::Missing : ReadStatus::Unreadable;
        return -1;
    }
    if (!S_ISREG(before.st_mode))
        return -1;
    const auto tooLarge = [&](const struct stat& info) { return maxBytes >= 0 && info.st_size > maxBytes; };
    if (tooLarge(before)) {
        status = ReadStatus::TooLarge;
        return -1;
    }

    // O_NONBLOCK: should the name have been swapped for a FIFO since the stat,
    // the open still returns at once and the fstat below refuses it.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable;
        return -1;
    }
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || tooLarge(opened)) {
        status = S_ISREG(opened.st_mode) && tooLarge(opened) ? ReadStatus::TooLarge : ReadStatus::Unreadable;
        ::close(fd);
        return -1;
    }
    status = ReadStatus::Ok;
    return fd;
}

// Reads into bytes until it is full or the file ends; false on a read error.
bool fill(int fd, QByteArray& bytes)
{
    qint64 filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break; // the file shrank meanwhile
        filled += got;
    }
    bytes.truncate(qsizetype(filled));
    return true;
}

} // namespace

FileContents readBoundedFile(const QString& path, qint64 maxBytes)
{
    if (maxBytes < 0)
        return failed(ReadStatus::Missing);
    ReadStatus status = ReadStatus::Missing;
    struct stat opened {};
    const int fd = openRegularFile(path, maxBytes, status, opened);
    if (fd < 0)
        return failed(status);
    const FdCloser closer{fd};

    // Read until end of file, never beyond the cap even if the file grows.
    QByteArray bytes(qsizetype(opened.st_size), Qt::Uninitialized);
    if (!fill(fd, bytes))
        return failed(ReadStatus::Unreadable);
    if (bytes.size() == opened.st_size) {
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

FileContents readFileStart(const QString& path, qint64 maxBytes)
{
    ReadStatus status = ReadStatus::Missing;
    struct stat opened {};
    const int fd = openRegularFile(path, -1, status, opened);
    if (fd < 0)
        return failed(status);
    const FdCloser closer{fd};
    QByteArray bytes(qsizetype(std::clamp<qint64>(opened.st_size, 0, std::max<qint64>(maxBytes, 0))), Qt::Uninitialized);
    if (!fill(fd, bytes))
        return failed(ReadStatus::Unreadable);
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
