#include "authoring/epub/EpubPackage.h"

#include <QUrl>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace tirvelo::authoring {
namespace {

bool setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool readerFailed(const QXmlStreamReader& xml, QString* error)
{
    if (!xml.hasError())
        return false;
    return !setError(error, xmlErrorText(xml.lineNumber(), xml.errorString()));
}

bool hasProperty(const QString& properties, QStringView property)
{
    const QStringList list = properties.split(u' ', Qt::SkipEmptyParts);
    return list.contains(property);
}

} // namespace

const ManifestItem* EpubPackage::item(const QString& id) const
{
    for (const ManifestItem& entry : manifest)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

QString xmlErrorText(qint64 line, const QString& message)
{
    return QStringLiteral("%1: %2").arg(line).arg(message);
}

QString resolveReference(const QString& from, const QString& reference)
{
    QString target = reference.trimmed();
    if (const qsizetype hash = target.indexOf(u'#'); hash >= 0)
        target.truncate(hash);
    if (target.isEmpty() || target.contains(u':') || target.startsWith(u'/'))
        return {}; // a URL, a drive or an absolute path: nothing inside the book
    target = QUrl::fromPercentEncoding(target.toUtf8());
    QStringList parts = from.split(u'/');
    parts.removeLast(); // the file itself
    for (const QString& part : target.split(u'/')) {
        if (part.isEmpty() || part == u".")
            continue;
        if (part == u"..") {
            if (parts.isEmpty())
                return {};
            parts.removeLast();
        } else {
            parts << part;
        }
    }
    return parts.join(u'/');
}

std::optional<QString> packagePathFromContainer(const QByteArray& bytes, QString* error)
{
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"rootfile") {
            const QString path = xml.attributes().value("full-path"_L1).toString();
            const QString type = xml.attributes().value("media-type"_L1).toString();
            if (!path.isEmpty() && (type.isEmpty() || type == u"application/oebps-package+xml"))
                return resolveReference(QString(), path);
        }
    }
    if (!readerFailed(xml, error))
        setError(error, QStringLiteral("rootfile"));
    return std::nullopt;
}

std::optional<EpubPackage> parsePackage(const QByteArray& bytes, const QString& packagePath, QString* error)
{
    EpubPackage package;
    QString coverId;
    bool sawPackage = false;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QStringView name = xml.name();
        const QXmlStreamAttributes attributes = xml.attributes();
        if (name == u"package") {
            sawPackage = true;
        } else if (name == u"title" && package.title.isEmpty()) {
            package.title = xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
        } else if (name == u"meta" && attributes.value("name"_L1) == u"cover") {
            coverId = attributes.value("content"_L1).toString();
        } else if (name == u"item") {
            ManifestItem item;
            item.id = attributes.value("id"_L1).toString();
            item.path = resolveReference(packagePath, attributes.value("href"_L1).toString());
            item.mediaType = attributes.value("media-type"_L1).toString().trimmed().toLower();
            item.properties = attributes.value("properties"_L1).toString();
            item.mediaOverlay = attributes.value("media-overlay"_L1).toString();
            if (hasProperty(item.properties, u"cover-image"))
                package.coverImagePath = item.path;
            package.manifest << item;
        } else if (name == u"itemref") {
            package.spine << SpineItem{attributes.value("idref"_L1).toString(), attributes.value("linear"_L1) != u"no"};
        } else if (name == u"reference" && attributes.value("type"_L1) == u"cover") {
            package.guideCoverPath = resolveReference(packagePath, attributes.value("href"_L1).toString());
        }
    }
    if (readerFailed(xml, error))
        return std::nullopt;
    if (!sawPackage) {
        setError(error, QStringLiteral("package"));
        return std::nullopt;
    }
    if (package.coverImagePath.isEmpty() && !coverId.isEmpty())
        if (const ManifestItem* cover = package.item(coverId))
            package.coverImagePath = cover->path;
    return package;
}

} // namespace tirvelo::authoring
