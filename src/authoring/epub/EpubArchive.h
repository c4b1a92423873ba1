#pragma once
// An EPUB's ZIP container, read with libzip and distrusted: it comes from the
// internet. Opening looks at every entry before anything is read; reading
// counts what is really expanded, whatever the entries claim.
#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <optional>

struct zip;

namespace tirvelo::authoring {

struct ArchiveLimits {
    qint64 maxEntries = 10'000;
    qint64 maxEntryBytes = qint64(128) << 20; // expanded, one entry
    qint64 maxTotalBytes = qint64(1) << 30;   // expanded, all entries read
    qint64 maxRatio = 100;                    // expanded for each compressed byte...
    qint64 ratioFloor = qint64(1) << 20;      // ...for entries expanding beyond this
};

enum class ArchiveFault {
    None,
    CannotOpen,     // not a ZIP file, or it cannot be read
    TooManyEntries, // subject: the count
    UnsafeName,     // "..", an absolute path or a drive letter
    Link,           // a symbolic link
    Encrypted,      // a ZIP-encrypted entry
    TooLarge,       // over a size or ratio limit: a ZIP bomb
    Corrupt,        // the data does not expand (checksum, truncation)
    Missing,        // no entry by that name
};

struct ArchiveProblem {
    ArchiveFault fault = ArchiveFault::None;
    QString subject; // the entry, or the count
};

class EpubArchive {
public:
    ~EpubArchive();
    EpubArchive(const EpubArchive&) = delete;
    EpubArchive& operator=(const EpubArchive&) = delete;

    // nullptr with problem set when the archive or one of its entries is refused.
    static std::unique_ptr<EpubArchive> openFile(const QString& path, ArchiveProblem& problem,
                                                 const ArchiveLimits& limits = {});
    static std::unique_ptr<EpubArchive> openBytes(const QByteArray& bytes, ArchiveProblem& problem,
                                                  const ArchiveLimits& limits = {});

    bool contains(const QString& name) const { return m_entries.contains(name); }
    // The entry's bytes; nullopt with problem set when it is missing, too
    // large (alone or with what was read before) or damaged.
    std::optional<QByteArray> read(const QString& name, ArchiveProblem& problem);

private:
    EpubArchive(zip* archive, QByteArray bytes, const ArchiveLimits& limits);
    static std::unique_ptr<EpubArchive> checked(std::unique_ptr<EpubArchive> archive, ArchiveProblem& problem);

    zip* m_zip;
    QByteArray m_bytes; // the archive itself, when opened from memory
    ArchiveLimits m_limits;
    QHash<QString, quint64> m_entries; // name: index
    qint64 m_expanded = 0;
};

} // namespace tirvelo::authoring
