#pragma once
// Pictures already decoded by the program's own picture loader, each known by
// a stamp of its file (device, inode, size, modification and change times):
// the book check need not decode them again. A file changed since (written,
// truncated, touched, replaced by another) no longer matches its stamp and is
// decoded as any other.
#include "formats/Picture.h"
#include "formats/PictureLoader.h"

#include <QHash>
#include <QString>

#include <optional>

namespace tirvelo::authoring {

struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0; // set by the system on every change, never by a program
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the regular file path leads to; nullopt for anything else.
std::optional<FileStamp> stampOf(const QString& path);

class VerifiedPictures {
public:
    // Decodes path whole with the loader the reader uses (by its name's
    // ending); remembers it when it decodes and its stamp held throughout.
    bool verify(const QString& path);
    // source, still as verified, was copied to copy: the copy is remembered
    // too when source did not change during the copy (nor copy after it).
    // sourceBefore: source's stamp taken before the copy started.
    bool addCopy(const QString& source, const FileStamp& sourceBefore, const QString& copy);
    // The stamp of path when it is a verified file and has not changed since.
    std::optional<FileStamp> current(const QString& path) const;
    // For a verified, unchanged file read under a name of the type it was
    // verified as: a picture holding only its natural size (no pixels).
    std::optional<Picture> known(const QString& path) const;
    void insert(const VerifiedPictures& other);
    bool isEmpty() const { return m_files.isEmpty(); }

private:
    struct Entry {
        FileStamp stamp;
        PictureType type = PictureType::Unknown;
        QSize naturalSize;
    };
    std::optional<Entry> entryFor(const QString& path) const;

    QHash<QPair<quint64, quint64>, Entry> m_files; // by device and inode
};

} // namespace tirvelo::authoring
