#include "authoring/VerifiedPictures.h"

#include <QFile>

#include <sys/stat.h>

namespace tirvelo::authoring {
namespace {

qint64 nanoseconds(const timespec& time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

} // namespace

std::optional<FileStamp> stampOf(const QString& path)
{
    struct stat status {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return FileStamp{quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
                     nanoseconds(status.st_mtim), nanoseconds(status.st_ctim)};
}

bool VerifiedPictures::verify(const QString& path)
{
    const std::optional<FileStamp> before = stampOf(path);
    if (!before)
        return false;
    // An invalid box decodes whole: no box the check may use asks for more.
    const PictureResult picture = loadPicture(path, QSize());
    if (!picture || stampOf(path) != before)
        return false;
    m_files.insert({before->device, before->inode}, {*before, pictureTypeOf(path), picture->naturalSize});
    return true;
}

bool VerifiedPictures::addCopy(const QString& source, const FileStamp& sourceBefore, const QString& copy)
{
    const std::optional<Entry> entry = entryFor(source);
    const std::optional<FileStamp> copied = stampOf(copy);
    // The source's stamp now and before the copy: it did not change meanwhile.
    // The decoder is chosen by the name's ending: it must be the same one.
    if (!entry || entry->stamp != sourceBefore || !copied || entry->type != pictureTypeOf(copy))
        return false;
    m_files.insert({copied->device, copied->inode}, {*copied, entry->type, entry->naturalSize});
    return true;
}

std::optional<VerifiedPictures::Entry> VerifiedPictures::entryFor(const QString& path) const
{
    const std::optional<FileStamp> stamp = stampOf(path);
    if (!stamp)
        return std::nullopt;
    const auto found = m_files.constFind({stamp->device, stamp->inode});
    if (found == m_files.constEnd() || found->stamp != *stamp)
        return std::nullopt;
    return *found;
}

std::optional<FileStamp> VerifiedPictures::current(const QString& path) const
{
    const std::optional<Entry> entry = entryFor(path);
    return entry ? std::optional(entry->stamp) : std::nullopt;
}

std::optional<Picture> VerifiedPictures::known(const QString& path) const
{
    const std::optional<Entry> entry = entryFor(path);
    if (!entry || entry->type == PictureType::Unknown || entry->type != pictureTypeOf(path))
        return std::nullopt;
    Picture picture;
    picture.naturalSize = entry->naturalSize;
    picture.file = path;
    return picture;
}

void VerifiedPictures::insert(const VerifiedPictures& other)
{
    m_files.insert(other.m_files);
}

} // namespace tirvelo::authoring
