#pragma once
// What tells a file from its earlier self: its identity on the disk (device
// and inode), size and modification time. Taken where a file is read, and
// again later, to know whether what was read from it still holds.
#include <QString>
#include <QtGlobal>

namespace tirvelo {

struct FileStamp {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0; // the content's last change
    qint64 changedNs = 0;  // the last change of the content or the entry (a rename, a write)

    // The same file, unchanged: identity, size and modification time.
    bool sameAs(const FileStamp& other) const
    {
        return exists == other.exists && device == other.device && inode == other.inode && size == other.size
            && modifiedNs == other.modifiedNs;
    }
};

// The stamp of the file at path, links followed; one that does not exist for
// an empty path or nothing there.
FileStamp stampFile(const QString& path);

// Now, on the clock the stamps' times are on.
qint64 fileClockNowNs();

} // namespace tirvelo
