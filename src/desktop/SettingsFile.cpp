#include "desktop/SettingsFile.h"

#include "base/AtomicFile.h"
#include "base/RegularFile.h"
#include "base/IniText.h"
#include "desktop/SettingsKeys.h"

#include <QDir>

namespace tirvelo {
namespace {

const ini::Syntax kProfileSyntax{.caseSensitiveNames = false, .commentChar = ';', .newFileLineEnding = "\n"};

QByteArray cut(QByteArray value, int bufferSize)
{
    // The buffer holds the terminating NUL too.
    const qsizetype room = bufferSize > 0 ? bufferSize - 1 : 0;
    if (value.size() > room)
        value.truncate(room);
    return value;
}

QByteArray unquote(QByteArray value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

QByteArray withoutTrailingBlanks(QByteArrayView s)
{
    while (!s.isEmpty() && (s.back() == ' ' || s.back() == '\t'))
        s.chop(1);
    return s.toByteArray();
}

} // namespace

SettingsFile::SettingsFile(QString path)
    : m_path(std::move(path))
{
}

QString SettingsFile::defaultPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The base-directory rules ignore a relative value.
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return QDir(config).filePath(QString::fromLatin1(settings::kFileName));
}

QByteArray SettingsFile::read(QByteArrayView section, QByteArrayView key, QByteArrayView defaultValue,
                              int bufferSize) const
{
    const QByteArray fallback = cut(withoutTrailingBlanks(defaultValue), bufferSize);
    const FileContents file = readBoundedFile(m_path);
    if (file.status != ReadStatus::Ok || file.bytes.contains('\0'))
        return fallback;
    const std::optional<QByteArray> value = ini::findValue(file.bytes, section, key, kProfileSyntax);
    if (!value)
        return fallback;
    return cut(unquote(*value), bufferSize);
}

bool SettingsFile::write(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    return write(section, {{key.toByteArray(), value.toByteArray()}});
}

bool SettingsFile::write(QByteArrayView section, const QList<KeyValue>& values)
{
    return editFileAtomically(m_path, [&](const FileContents& file) -> std::optional<QByteArray> {
        // A file with NUL bytes (a UTF-16 profile, or no profile at all) would
        // be damaged by lines of single-byte text.
        if (file.bytes.contains('\0'))
            return std::nullopt;
        std::optional<QByteArray> updated = file.bytes;
        for (const KeyValue& entry : values) {
            updated = ini::setValue(*updated, section, entry.key, entry.value, kProfileSyntax);
            if (!updated)
                return std::nullopt;
        }
        return updated;
    });
}

} // namespace tirvelo
