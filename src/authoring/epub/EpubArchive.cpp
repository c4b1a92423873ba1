#include "authoring/epub/EpubArchive.h"

#include <QFile>

#include <sys/stat.h>
#include <zip.h>

namespace tirvelo::authoring {
namespace {

// A name that would reach outside the folder it were expanded in.
bool isUnsafeName(const QString& name)
{
    if (name.startsWith(u'/') || name.startsWith(u'\\'))
        return true;
    if (name.size() >= 2 && name[1] == u':' && name[0].isLetter())
        return true;
    const QStringList parts = QString(name).replace(u'\\', u'/').split(u'/');
    return parts.contains(QStringLiteral(".."));
}

bool isLink(zip* archive, zip_uint64_t index)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
        return false;
    return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

} // namespace

EpubArchive::EpubArchive(zip* archive, QByteArray bytes, const ArchiveLimits& limits)
    : m_zip(archive), m_bytes(std::move(bytes)), m_limits(limits)
{
}

EpubArchive::~EpubArchive()
{
    zip_discard(m_zip);
}

std::unique_ptr<EpubArchive> EpubArchive::openFile(const QString& path, ArchiveProblem& problem, const ArchiveLimits& limits)
{
    problem = {};
    int error = 0;
    zip* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive) {
        problem = {ArchiveFault::CannotOpen, path};
        return nullptr;
    }
    return checked(std::unique_ptr<EpubArchive>(new EpubArchive(archive, {}, limits)), problem);
}

std::unique_ptr<EpubArchive> EpubArchive::openBytes(const QByteArray& bytes, ArchiveProblem& problem, const ArchiveLimits& limits)
{
    problem = {};
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    zip* archive = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    zip_error_fini(&error);
    if (!archive) {
        if (source)
            zip_source_free(source);
        problem = {ArchiveFault::CannotOpen, QString()};
        return nullptr;
    }
    // The buffer source reads the caller's bytes: the archive keeps a copy of them alive.
    return checked(std::unique_ptr<EpubArchive>(new EpubArchive(archive, bytes, limits)), problem);
}

std::unique_ptr<EpubArchive> EpubArchive::checked(std::unique_ptr<EpubArchive> archive, ArchiveProblem& problem)
{
    zip* z = archive->m_zip;
    const ArchiveLimits& limits = archive->m_limits;
    const zip_int64_t count = zip_get_num_entries(z, 0);
    if (count < 0 || count > limits.maxEntries) {
        problem = {ArchiveFault::TooManyEntries, QString::number(count)};
        return nullptr;
    }
    qint64 declaredTotal = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(z, zip_uint64_t(i), ZIP_FL_ENC_GUESS, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME)) {
            problem = {ArchiveFault::Corrupt, QString::number(i)};
            return nullptr;
        }
        const QString name = QString::fromUtf8(stat.name);
        if (isUnsafeName(name)) {
            problem = {ArchiveFault::UnsafeName, name};
            return nullptr;
        }
        if (isLink(z, zip_uint64_t(i))) {
            problem = {ArchiveFault::Link, name};
            return nullptr;
        }
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) {
            problem = {ArchiveFault::Encrypted, name};
            return nullptr;
        }
        const qint64 size = (stat.valid & ZIP_STAT_SIZE) ? qint64(qMin<zip_uint64_t>(stat.size, zip_uint64_t(1) << 62)) : 0;
        const qint64 packed = (stat.valid & ZIP_STAT_COMP_SIZE) ? qint64(qMin<zip_uint64_t>(stat.comp_size, zip_uint64_t(1) << 62)) : 0;
        declaredTotal += size;
        if (size > limits.maxEntryBytes || declaredTotal > limits.maxTotalBytes
            || (size > limits.ratioFloor && size > limits.maxRatio * qMax<qint64>(packed, 1))) {
            problem = {ArchiveFault::TooLarge, name};
            return nullptr;
        }
        if (!name.endsWith(u'/'))
            archive->m_entries.insert(name, zip_uint64_t(i));
    }
    return archive;
}

std::optional<QByteArray> EpubArchive::read(const QString& name, ArchiveProblem& problem)
{
    problem = {};
    const auto entry = m_entries.constFind(name);
    if (entry == m_entries.constEnd()) {
        problem = {ArchiveFault::Missing, name};
        return std::nullopt;
    }
    zip_file_t* file = zip_fopen_index(m_zip, *entry, 0);
    if (!file) {
        problem = {ArchiveFault::Corrupt, name};
        return std::nullopt;
    }
    // Never more than the limits allow, whatever the entry claims: one byte
    // beyond them is enough to know it is too large.
    const qint64 allowed = qMin(m_limits.maxEntryBytes, m_limits.maxTotalBytes - m_expanded);
    QByteArray bytes;
    constexpr qint64 kChunk = 64 * 1024;
    bool failed = false;
    for (;;) {
        const qint64 at = bytes.size();
        bytes.resize(at + kChunk);
        const zip_int64_t got = zip_fread(file, bytes.data() + at, zip_uint64_t(kChunk));
        if (got < 0) {
            failed = true;
            bytes.resize(at);
            break;
        }
        bytes.resize(at + got);
        if (bytes.size() > allowed) {
            zip_fclose(file);
            problem = {ArchiveFault::TooLarge, name};
            return std::nullopt;
        }
        if (got == 0)
            break;
    }
    if (zip_fclose(file) != 0 || failed) {
        problem = {ArchiveFault::Corrupt, name};
        return std::nullopt;
    }
    m_expanded += bytes.size();
    return bytes;
}

} // namespace tirvelo::authoring
