#pragma once
// What a book page takes from one XHTML item of the spine: its first picture,
// its sounds and its text. Parsed with QXmlStreamReader.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace tirvelo::authoring {

struct PageContent {
    QString picture;      // the first picture (img, or an SVG image), as an archive entry
    QStringList sounds;   // <audio> and <source> sources, and links to sound files, in order
    QString text;         // the visible text, one line per block
    bool cover = false;   // marked as the cover (epub:type="cover")
};

// nullopt when the page is not well-formed XML (error says where).
std::optional<PageContent> parsePageContent(const QByteArray& xhtml, const QString& pagePath, QString* error = nullptr);

} // namespace tirvelo::authoring
