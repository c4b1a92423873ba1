#include "authoring/epub/PageContent.h"

#include "authoring/epub/EpubPackage.h"

#include <QHash>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace tirvelo::authoring {
namespace {

// Elements that end a line of text.
bool isBlock(QStringView name)
{
    static const QStringList blocks = {u"p"_qs, u"div"_qs, u"br"_qs, u"li"_qs, u"h1"_qs, u"h2"_qs, u"h3"_qs, u"h4"_qs,
                                       u"h5"_qs, u"h6"_qs, u"tr"_qs, u"section"_qs, u"blockquote"_qs, u"dt"_qs, u"dd"_qs,
                                       u"figcaption"_qs, u"article"_qs, u"header"_qs, u"footer"_qs, u"pre"_qs};
    return blocks.contains(name);
}

// Elements whose text nobody sees.
bool isHidden(QStringView name)
{
    return name == u"head" || name == u"script" || name == u"style" || name == u"title";
}

bool looksLikeSound(const QString& path)
{
    static const QStringList endings = {u".mp3"_qs, u".m4a"_qs, u".ogg"_qs, u".oga"_qs, u".opus"_qs, u".wav"_qs, u".flac"_qs};
    for (const QString& ending : endings)
        if (path.endsWith(ending, Qt::CaseInsensitive))
            return true;
    return false;
}

// The few named characters XHTML pages use without declaring them.
QString namedCharacter(QStringView name)
{
    static const QHash<QString, QString> known = {
        {u"nbsp"_qs, u"\u00A0"_qs}, {u"ndash"_qs, u"–"_qs}, {u"mdash"_qs, u"—"_qs}, {u"lsquo"_qs, u"‘"_qs},
        {u"rsquo"_qs, u"’"_qs},     {u"ldquo"_qs, u"“"_qs}, {u"rdquo"_qs, u"”"_qs}, {u"hellip"_qs, u"…"_qs},
        {u"laquo"_qs, u"«"_qs},     {u"raquo"_qs, u"»"_qs}, {u"copy"_qs, u"©"_qs},  {u"middot"_qs, u"·"_qs},
    };
    return known.value(name.toString(), QStringLiteral(" "));
}

QString tidiedText(const QString& raw)
{
    QStringList lines;
    for (const QString& line : raw.split(u'\n')) {
        const QString tidy = line.simplified();
        if (!tidy.isEmpty())
            lines << tidy;
    }
    return lines.join(u'\n');
}

} // namespace

std::optional<PageContent> parsePageContent(const QByteArray& xhtml, const QString& pagePath, QString* error)
{
    PageContent page;
    QString raw;
    int hiddenDepth = 0;
    QXmlStreamReader xml(xhtml);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringView name = xml.name();
            const QXmlStreamAttributes attributes = xml.attributes();
            if (hiddenDepth > 0 || isHidden(name)) {
                ++hiddenDepth;
                break;
            }
            if (isBlock(name))
                raw += u'\n';
            if (attributes.value("http://www.idpf.org/2007/ops"_L1, "type"_L1).contains(u"cover"))
                page.cover = true;
            QString source;
            if (name == u"img")
                source = attributes.value("src"_L1).toString();
            else if (name == u"image")
                source = attributes.hasAttribute("http://www.w3.org/1999/xlink"_L1, "href"_L1)
                    ? attributes.value("http://www.w3.org/1999/xlink"_L1, "href"_L1).toString()
                    : attributes.value("href"_L1).toString();
            if (!source.isEmpty() && page.picture.isEmpty())
                page.picture = resolveReference(pagePath, source);
            QString sound;
            if (name == u"audio" || name == u"source")
                sound = attributes.value("src"_L1).toString();
            else if (name == u"a" || name == u"embed" || name == u"object")
                for (const QLatin1StringView attribute : {"href"_L1, "src"_L1, "data"_L1})
                    if (looksLikeSound(attributes.value(attribute).toString()))
                        sound = attributes.value(attribute).toString();
            if (!sound.isEmpty())
                if (const QString path = resolveReference(pagePath, sound); !path.isEmpty() && !page.sounds.contains(path))
                    page.sounds << path;
            break;
        }
        case QXmlStreamReader::EndElement:
            if (hiddenDepth > 0)
                --hiddenDepth;
            else if (isBlock(xml.name()))
                raw += u'\n';
            break;
        case QXmlStreamReader::Characters:
            if (hiddenDepth == 0)
                raw += xml.text();
            break;
        case QXmlStreamReader::EntityReference:
            if (hiddenDepth == 0)
                raw += namedCharacter(xml.name());
            break;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        if (error)
            *error = xmlErrorText(xml.lineNumber(), xml.errorString());
        return std::nullopt;
    }
    page.text = tidiedText(raw);
    return page;
}

} // namespace tirvelo::authoring
