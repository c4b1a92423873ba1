#include "desktop/FreedesktopAssociation.h"

#include "base/AtomicFile.h"
#include "base/RegularFile.h"
#include "desktop/EmbeddedData.h"
#include "base/IniText.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>

namespace tirvelo {
namespace {

const ini::Syntax kKeyFileSyntax{.caseSensitiveNames = true, .commentChar = '#', .newFileLineEnding = "\n"};
constexpr char kDefaultsGroup[] = "Default Applications";
constexpr char kAddedGroup[] = "Added Associations";
constexpr char kRemovedGroup[] = "Removed Associations";
constexpr char kDesktopGroup[] = "Desktop Entry";
// The system's package of all standard types is a few megabytes.
constexpr qint64 kMaxPackageSize = 16 * 1024 * 1024;
constexpr int kToolTimeoutMs = 15000;

QString absoluteOr(const QString& value, const QString& fallback)
{
    return (!value.isEmpty() && QDir::isAbsolutePath(value)) ? value : fallback;
}

QStringList absoluteList(const QString& value, const QStringList& fallback)
{
    QStringList result;
    for (const QString& entry : value.split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(entry))
            result << QDir::cleanPath(entry);
    return result.isEmpty() ? fallback : result;
}

QString validExtension(const QString& extension)
{
    const QString ext = extension.startsWith(u'.') ? extension.mid(1) : extension;
    if (ext.isEmpty())
        return {};
    for (const QChar c : ext)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'_' && c != u'-' && c != u'+')
            return {};
    return ext;
}

// Does a shared-mime-info glob match a file named "x.<ext>"?
bool globMatches(QStringView pattern, const QString& fileName, bool caseSensitive)
{
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (pattern.startsWith(u"*.") && pattern.indexOf(u'*', 1) < 0 && !pattern.contains(u'?')
        && !pattern.contains(u'['))
        return fileName.endsWith(pattern.mid(1), cs);
    const auto options = caseSensitive ? QRegularExpression::NoPatternOption
                                       : QRegularExpression::CaseInsensitiveOption;
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern), options);
    return re.isValid() && re.match(fileName).hasMatch();
}

// "weight:type:glob[:flags]" lines, strongest first as update-mime-database writes them.
QString typeFromGlobs2(const QByteArray& bytes, const QString& fileName)
{
    int bestWeight = -1;
    QString best;
    for (const QByteArray& raw : bytes.split('\n')) {
        if (raw.isEmpty() || raw.startsWith('#'))
            continue;
        const QList<QByteArray> fields = raw.split(':');
        if (fields.size() < 3)
            continue;
        bool ok = false;
        const int weight = fields[0].toInt(&ok);
        if (!ok || weight <= bestWeight)
            continue;
        const bool cs = fields.size() > 3 && fields[3].split(',').contains("cs");
        if (globMatches(QString::fromUtf8(fields[2]), fileName, cs)) {
            bestWeight = weight;
            best = QString::fromUtf8(fields[1]);
        }
    }
    return best;
}

QString typeFromPackage(const QByteArray& bytes, const QString& fileName)
{
    QXmlStreamReader xml(bytes);
    QString currentType;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QStringLiteral("mime-type")) {
                currentType = xml.attributes().value(QLatin1String("type")).toString();
            } else if (xml.name() == QStringLiteral("glob") && !currentType.isEmpty()) {
                const auto attrs = xml.attributes();
                const bool cs = attrs.value(QLatin1String("case-sensitive")) == QStringLiteral("true");
                if (globMatches(attrs.value(QLatin1String("pattern")), fileName, cs))
                    return currentType;
            }
        } else if (xml.isEndElement() && xml.name() == QStringLiteral("mime-type")) {
            currentType.clear();
        }
    }
    return {};
}

QByteArray desktopValue(const QString& desktopFile, QByteArrayView key)
{
    const FileContents file = readBoundedFile(desktopFile);
    if (file.status != ReadStatus::Ok)
        return {};
    return ini::findValue(file.bytes, kDesktopGroup, key, kKeyFileSyntax).value_or(QByteArray());
}

// The key-file escapes of string values: \s \n \t \r \\.
QString unescapeKeyFileString(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's': out += u' '; break;
        case 'n': out += u'\n'; break;
        case 't': out += u'\t'; break;
        case 'r': out += u'\r'; break;
        case '\\': out += u'\\'; break;
        default: out += c; out += next; break;
        }
    }
    return out;
}

QString escapeKeyFileString(const QString& value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        default: out += c; break;
        }
    }
    return out;
}

// Characters that a backslash must precede inside a quoted Exec argument.
bool isEscapedInQuotes(QChar c)
{
    return c == u'"' || c == u'`' || c == u'$' || c == u'\\';
}

bool isReservedInExec(QChar c)
{
    // The desktop-entry reserved characters, and "=", which a program path
    // may not hold unquoted.
    static const QString reserved = QStringLiteral(" \t\n\r\"'\\><~|&;$*?#()`=");
    return reserved.contains(c);
}

// Runs a cache tool when it is installed; its absence or failure only means
// the desktop refreshes its caches later.
void runTool(const QString& name, const QStringList& arguments)
{
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
        return;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(kToolTimeoutMs))
        return;
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished(kToolTimeoutMs);
    }
}

// Writes only what differs, so that a second registration changes no file.
bool writeIfChanged(const QString& path, QByteArrayView content, bool& changed)
{
    const FileContents old = readBoundedFile(path, content.size());
    if (old.status == ReadStatus::Ok && old.bytes == content)
        return true;
    changed = true;
    return writeFileAtomically(path, content);
}

} // namespace

FreedesktopAssociation::Folders FreedesktopAssociation::foldersFromEnvironment()
{
    const QString home = QDir::homePath();
    Folders f;
    f.dataHome = absoluteOr(qEnvironmentVariable("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    f.configHome = absoluteOr(qEnvironmentVariable("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    f.dataDirs = absoluteList(qEnvironmentVariable("XDG_DATA_DIRS"),
                              {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
    f.configDirs = absoluteList(qEnvironmentVariable("XDG_CONFIG_DIRS"), {QStringLiteral("/etc/xdg")});
    for (const QString& desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        f.desktopNames << desktop.toLower();
    return f;
}

FreedesktopAssociation::FreedesktopAssociation()
    : FreedesktopAssociation(foldersFromEnvironment())
{
}

FreedesktopAssociation::FreedesktopAssociation(Folders folders)
    : m_folders(std::move(folders))
{
}

QString FreedesktopAssociation::mimeTypeForExtension(const QString& extension)
{
    const QString ext = validExtension(extension);
    return ext.isEmpty() ? QString() : QStringLiteral("application/x-") + ext.toLower();
}

QString FreedesktopAssociation::execForProgram(const QString& programPath)
{
    const bool quote = std::any_of(programPath.begin(), programPath.end(), isReservedInExec);
    QString program;
    if (quote)
        program += u'"';
    for (const QChar c : programPath) {
        if (c == u'%')
            program += QStringLiteral("%%");
        else if (quote && isEscapedInQuotes(c))
            program += u'\\' + QString(c);
        else
            program += c;
    }
    if (quote)
        program += u'"';
    return escapeKeyFileString(program + QStringLiteral(" %f"));
}

QString FreedesktopAssociation::programFromExec(const QString& execValue)
{
    const QString command = unescapeKeyFileString(execValue);
    // The command up to its first field code, each character marked with
    // whether the quoting made it part of an argument (and so not a blank or
    // quote for the cleaning to remove).
    QString text;
    QList<bool> literal;
    bool inQuotes = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        const QChar next = i + 1 < command.size() ? command[i + 1] : QChar();
        if (c == u'%') {
            if (next != u'%')
                break;
            text += c;
            literal << true;
            ++i;
        } else if (inQuotes && c == u'\\' && isEscapedInQuotes(next)) {
            text += next;
            literal << true;
            ++i;
        } else if (c == u'"') {
            inQuotes = !inQuotes;
            text += c;
            literal << false;
        } else {
            text += c;
            literal << inQuotes;
        }
    }
    auto removable = [&](qsizetype i, bool blankToo) {
        return !literal[i] && (text[i] == u'"' || (blankToo && text[i] == u' '));
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    if (end > begin && removable(begin, false))
        ++begin;
    if (end > begin && removable(end - 1, false))
        --end;
    while (end > begin && removable(end - 1, true))
        --end;
    return text.sliced(begin, end - begin);
}

QString FreedesktopAssociation::findMimeType(const QString& extension) const
{
    const QString fileName = QStringLiteral("x.") + extension;
    const QStringList dataFolders = QStringList{m_folders.dataHome} + m_folders.dataDirs;
    for (const QString& folder : dataFolders) {
        const QDir mime(folder + QStringLiteral("/mime"));
        const QString globsPath = mime.filePath(QStringLiteral("globs2"));
        const FileContents globs = readBoundedFile(globsPath, kMaxPackageSize);
        if (globs.status == ReadStatus::Ok)
            if (QString type = typeFromGlobs2(globs.bytes, fileName); !type.isEmpty())
                return type;
        // Packages newer than their compiled form (no update-mime-database, or
        // not run yet); the older ones are already in globs2.
        const QDateTime compiled =
            globs.status == ReadStatus::Ok ? QFileInfo(globsPath).lastModified() : QDateTime();
        const QDir packages(mime.filePath(QStringLiteral("packages")));
        const QStringList xml{QStringLiteral("*.xml")};
        for (const QFileInfo& info : packages.entryInfoList(xml, QDir::Files, QDir::Name)) {
            if (compiled.isValid() && info.lastModified() < compiled)
                continue;
            const FileContents package = readBoundedFile(info.filePath(), kMaxPackageSize);
            // Only packages that name the extension are worth parsing.
            if (package.status != ReadStatus::Ok
                || !package.bytes.toLower().contains(extension.toLower().toLatin1()))
                continue;
            if (QString type = typeFromPackage(package.bytes, fileName); !type.isEmpty())
                return type;
        }
    }
    return {};
}

QString FreedesktopAssociation::findDesktopFile(const QString& desktopId) const
{
    if (desktopId.isEmpty() || desktopId.contains(u'/') || !desktopId.endsWith(u".desktop"))
        return {};
    const QStringList dataFolders = QStringList{m_folders.dataHome} + m_folders.dataDirs;
    for (const QString& folder : dataFolders) {
        const QString path = folder + QStringLiteral("/applications/") + desktopId;
        if (!QFileInfo(path).isFile())
            continue;
        // The first file of an id decides, and a hidden one counts as deleted.
        if (desktopValue(path, "Hidden") == "true")
            return {};
        return path;
    }
    return {};
}

QStringList FreedesktopAssociation::mimeappsLists() const
{
    QStringList lists;
    auto addFolder = [&](const QString& folder) {
        for (const QString& desktop : m_folders.desktopNames)
            lists << folder + u'/' + desktop + QStringLiteral("-mimeapps.list");
        lists << folder + QStringLiteral("/mimeapps.list");
    };
    addFolder(m_folders.configHome);
    for (const QString& folder : m_folders.configDirs)
        addFolder(folder);
    addFolder(m_folders.dataHome + QStringLiteral("/applications"));
    for (const QString& folder : m_folders.dataDirs)
        addFolder(folder + QStringLiteral("/applications"));
    return lists;
}

QStringList FreedesktopAssociation::listedDesktopIds(const char* group, const QString& mimeType) const
{
    QStringList ids;
    for (const QString& list : mimeappsLists()) {
        const FileContents file = readBoundedFile(list);
        if (file.status != ReadStatus::Ok)
            continue;
        const std::optional<QByteArray> value = ini::findValue(file.bytes, group, mimeType.toUtf8(), kKeyFileSyntax);
        for (const QByteArray& id : value.value_or(QByteArray()).split(';'))
            if (!id.trimmed().isEmpty())
                ids << QString::fromUtf8(id.trimmed());
    }
    return ids;
}

QStringList FreedesktopAssociation::desktopIdsListingType(const QString& mimeType) const
{
    QStringList ids;
    const QByteArray type = mimeType.toUtf8();
    const QStringList dataFolders = QStringList{m_folders.dataHome} + m_folders.dataDirs;
    for (const QString& folder : dataFolders) {
        const QString applications = folder + QStringLiteral("/applications/");
        const QStringList entries = QDir(applications).entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
        for (const QString& id : entries) {
            // The first file of an id decides: one in the user's folder hides the system's.
            const QString path = applications + id;
            if (ids.contains(id) || findDesktopFile(id) != path)
                continue;
            const FileContents entry = readBoundedFile(path);
            if (entry.status != ReadStatus::Ok || !entry.bytes.contains(type))
                continue;
            const auto types = ini::findValue(entry.bytes, kDesktopGroup, "MimeType", kKeyFileSyntax);
            if (types && types->split(';').contains(type))
                ids << id;
        }
    }
    return ids;
}

QString FreedesktopAssociation::findDefaultDesktopFile(const QString& mimeType) const
{
    // The first installed entry that mimeapps.list names as the default;
    // without one, as the desktop's own lookup goes on: the entries that
    // mimeapps.list adds for the type, then those that list it themselves,
    // except those mimeapps.list removes.
    for (const QString& id : listedDesktopIds(kDefaultsGroup, mimeType))
        if (QString path = findDesktopFile(id); !path.isEmpty())
            return path;
    const QStringList removed = listedDesktopIds(kRemovedGroup, mimeType);
    for (const QString& id : listedDesktopIds(kAddedGroup, mimeType) + desktopIdsListingType(mimeType))
        if (QString path = findDesktopFile(id); !path.isEmpty() && !removed.contains(id))
            return path;
    return {};
}

QString FreedesktopAssociation::ReadAssociation(const QString& extension)
{
    const QString ext = validExtension(extension);
    if (ext.isEmpty())
        return {};
    const QString mimeType = findMimeType(ext);
    if (mimeType.isEmpty())
        return {};
    const QString desktopFile = findDefaultDesktopFile(mimeType);
    if (desktopFile.isEmpty())
        return mimeType;
    // A handler that names no program (started over D-Bus, or an Exec of
    // field codes only) is another program all the same: its entry's name.
    const QString program = programFromExec(QString::fromUtf8(desktopValue(desktopFile, "Exec")));
    return program.isEmpty() ? QFileInfo(desktopFile).fileName() : program;
}

bool FreedesktopAssociation::WriteAssociation(const QString& extension, const QString& programPath)
{
    const QString ext = validExtension(extension);
    if (ext.isEmpty() || programPath.isEmpty() || programPath.contains(QChar()))
        return false;
    const QString mimeType = mimeTypeForExtension(ext);
    const QString lower = ext.toLower();
    const QString iconName = QString(mimeType).replace(u'/', u'-');

    QByteArray package = embedded::mimePackageTemplate().toByteArray();
    package.replace("@MIME_TYPE@", mimeType.toUtf8()).replace("@GLOB@", ("*." + lower).toUtf8());
    QByteArray entry = embedded::desktopEntryTemplate().toByteArray();
    entry.replace("@EXEC@", execForProgram(programPath).toUtf8()).replace("@MIME_TYPE@", mimeType.toUtf8());

    const QString dataHome = m_folders.dataHome;
    const QString icons = dataHome + QStringLiteral("/icons/hicolor/");
    const QString appIcon = QLatin1String(kIconName);
    const QString mimeapps = m_folders.configHome + QStringLiteral("/mimeapps.list");
    bool mimeChanged = false;
    bool entryChanged = false;
    bool iconChanged = false;
    struct Target {
        QString path;
        QByteArrayView content;
        bool& changed;
    };
    const Target targets[] = {
        {dataHome + QStringLiteral("/mime/packages/tirvelo-") + lower + QStringLiteral(".xml"), package, mimeChanged},
        {icons + QStringLiteral("scalable/apps/") + appIcon + QStringLiteral(".svg"), embedded::iconSvg(), iconChanged},
        {icons + QStringLiteral("48x48/apps/") + appIcon + QStringLiteral(".png"), embedded::iconPng(), iconChanged},
        {icons + QStringLiteral("scalable/mimetypes/") + iconName + QStringLiteral(".svg"), embedded::iconSvg(),
         iconChanged},
        {icons + QStringLiteral("48x48/mimetypes/") + iconName + QStringLiteral(".png"), embedded::iconPng(),
         iconChanged},
        {dataHome + QStringLiteral("/applications/") + QLatin1String(kDesktopFileId), entry, entryChanged},
    };
    bool ok = true;
    for (const Target& target : targets)
        ok = ok && writeIfChanged(target.path, target.content, target.changed);
    const auto makeDefault = [&](const FileContents& list) {
        return ini::setValue(list.bytes, kDefaultsGroup, mimeType.toUtf8(), QByteArray(kDesktopFileId) + ';',
                             kKeyFileSyntax);
    };
    if (ok)
        ok = editFileAtomically(mimeapps, makeDefault);
    // The user's list for the desktop in use comes before mimeapps.list: a
    // default named there for the type would still win.
    for (const QString& desktop : m_folders.desktopNames) {
        const QString list = m_folders.configHome + u'/' + desktop + QStringLiteral("-mimeapps.list");
        const FileContents file = readBoundedFile(list);
        if (ok && file.status == ReadStatus::Ok
            && ini::findValue(file.bytes, kDefaultsGroup, mimeType.toUtf8(), kKeyFileSyntax))
            ok = editFileAtomically(list, makeDefault);
    }

    if (mimeChanged)
        runTool(QStringLiteral("update-mime-database"), {dataHome + QStringLiteral("/mime")});
    if (entryChanged)
        runTool(QStringLiteral("update-desktop-database"), {dataHome + QStringLiteral("/applications")});
    return ok;
}

} // namespace tirvelo
