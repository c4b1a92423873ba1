#include "support/FileChanges.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

namespace tirvelo::test {
namespace {

bool setTimes(const QString& path, const timespec& modified)
{
    const timespec times[2] = {modified, modified};
    return utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

} // namespace

bool changeFile(const QString& path, FileChange change)
{
    struct stat before {};
    if (stat(QFile::encodeName(path).constData(), &before) != 0)
        return false;
    switch (change) {
    case FileChange::Resized: {
        QFile file(path);
        return file.open(QIODevice::Append) && file.write(QByteArray(64, '\x80')) == 64;
    }
    case FileChange::Retimed: {
        timespec later = before.st_mtim;
        later.tv_sec += 10;
        return setTimes(path, later);
    }
    case FileChange::Replaced: {
        const QString copy = path + QStringLiteral(".copia");
        return QFile::copy(path, copy) && setTimes(copy, before.st_mtim) && QFile::remove(path)
            && QFile::rename(copy, path);
    }
    }
    return false;
}

const char* describe(FileChange change)
{
    switch (change) {
    case FileChange::Resized:
        return "written to, another size";
    case FileChange::Retimed:
        return "only its time changed";
    case FileChange::Replaced:
        return "another file in its place";
    }
    return "";
}

} // namespace tirvelo::test
