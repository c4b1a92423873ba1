#include "book/PathResolver.h"

#include <QDir>
#include <QFileInfo>

namespace tirvelo {
namespace {

// The entry of folder that equals component ignoring case, when exactly one does.
QString matchIgnoringCase(const QString& folder, const QString& component)
{
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    QString found;
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(component, Qt::CaseInsensitive) != 0)
            continue;
        if (!found.isEmpty())
            return {}; // two entries differ only in case: no unique match
        found = entry;
    }
    return found;
}

} // namespace

bool hasDriveLetter(const QString& name)
{
    return name.size() >= 2 && name[1] == u':' && name[0].isLetter() && name[0].unicode() < 128;
}

bool existsAsWritten(const QString& name)
{
    return !name.isEmpty() && !hasDriveLetter(name) && QFileInfo::exists(QString(name).replace(u'\\', u'/'));
}

bool isRelativeName(const QString& name)
{
    return !name.isEmpty() && !name.startsWith(u'/') && !name.startsWith(u'\\') && !hasDriveLetter(name);
}

FileNameMatch findBookFile(const QString& name, const QString& bookFolder)
{
    FileNameMatch match = findFileName(name);
    if (match.path.isEmpty() && !bookFolder.isEmpty() && isRelativeName(name))
        match = findFileName(bookFolder + u'/' + name);
    return match;
}

QString resolveBookFile(const QString& name, const QString& bookFolder)
{
    return findBookFile(name, bookFolder).path;
}

QString resolveFileName(const QString& name)
{
    return findFileName(name).path;
}

FileNameMatch findFileName(const QString& name)
{
    if (name.isEmpty() || hasDriveLetter(name))
        return {};
    QString path = name;
    path.replace(u'\\', u'/');
    if (QFileInfo::exists(path))
        return {path, false};

    const bool absolute = path.startsWith(u'/');
    const QStringList components = path.split(u'/', Qt::SkipEmptyParts);
    QString resolved = absolute ? QStringLiteral("/") : QString();
    bool ignoringCase = false;
    for (const QString& component : components) {
        auto join = [&](const QString& part) {
            return resolved.isEmpty() ? part : (resolved.endsWith(u'/') ? resolved + part : resolved + u'/' + part);
        };
        QString candidate = join(component);
        if (component != u"." && component != u".." && !QFileInfo::exists(candidate)) {
            const QString match = matchIgnoringCase(resolved, component);
            if (match.isEmpty())
                return {};
            candidate = join(match);
            ignoringCase = true;
        }
        resolved = candidate;
    }
    if (!QFileInfo::exists(resolved))
        return {};
    return {resolved, ignoringCase};
}

} // namespace tirvelo
