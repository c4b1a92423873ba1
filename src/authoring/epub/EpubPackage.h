#pragma once
// The EPUB's own description of itself: META-INF/container.xml names the
// package file (OPF), which lists the files (manifest), their reading order
// (spine), the title and the cover. Parsed with QXmlStreamReader; paths are
// resolved to archive entry names.
#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace tirvelo::authoring {

struct ManifestItem {
    QString id;
    QString path;        // the archive entry
    QString mediaType;
    QString properties;  // space-separated: "nav", "cover-image"...
    QString mediaOverlay; // the id of its SMIL item, if any
};

struct SpineItem {
    QString idref;
    bool linear = true;
};

struct EpubPackage {
    QString title;
    QString coverImagePath; // the cover picture (EPUB 3 property or EPUB 2 meta)
    QString guideCoverPath; // EPUB 2: the guide's cover page
    QList<ManifestItem> manifest;
    QList<SpineItem> spine;

    const ManifestItem* item(const QString& id) const;
};

// The entry name of a reference made from the entry `from` ("OEBPS/p1.xhtml",
// "../images/a.png#x"): percent-decoded, without fragment, "." and ".."
// folded. Empty when it leaves the archive or names another place (a URL).
QString resolveReference(const QString& from, const QString& reference);

// The first package file container.xml names, or nullopt (error says why).
std::optional<QString> packagePathFromContainer(const QByteArray& xml, QString* error = nullptr);

// The package at packagePath; nullopt when it is not well-formed XML or not
// a package (error says why).
std::optional<EpubPackage> parsePackage(const QByteArray& xml, const QString& packagePath, QString* error = nullptr);

// An XML error as people read it: "line 3: ..." .
QString xmlErrorText(qint64 line, const QString& message);

} // namespace tirvelo::authoring
