#include "authoring/epub/MediaOverlay.h"

#include "authoring/epub/EpubPackage.h"

#include <QXmlStreamReader>

#include <cmath>

using namespace Qt::StringLiterals;

namespace tirvelo::authoring {
namespace {

std::optional<double> number(QStringView text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0 || text.startsWith(u'+') || text.contains(u'e', Qt::CaseInsensitive))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> smilClockSeconds(QStringView value)
{
    const QStringView text = value.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    if (text.contains(u':')) {
        const QList<QStringView> parts = text.split(u':');
        if (parts.size() > 3)
            return std::nullopt;
        double seconds = 0;
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const std::optional<double> part = number(parts[i]);
            if (!part || (i + 1 < parts.size() && *part != std::floor(*part)))
                return std::nullopt;
            seconds = seconds * 60 + *part;
        }
        return seconds;
    }
    struct Unit {
        QStringView suffix;
        double seconds;
    };
    for (const Unit unit : {Unit{u"ms", 0.001}, Unit{u"min", 60}, Unit{u"h", 3600}, Unit{u"s", 1}})
        if (text.endsWith(unit.suffix)) {
            const std::optional<double> count = number(text.chopped(unit.suffix.size()));
            return count ? std::optional(*count * unit.seconds) : std::nullopt;
        }
    return number(text);
}

std::optional<QList<AudioClip>> parseMediaOverlay(const QByteArray& smil, const QString& smilPath, QString* error)
{
    QList<AudioClip> clips;
    QXmlStreamReader xml(smil);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"audio")
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        AudioClip clip;
        clip.path = resolveReference(smilPath, attributes.value("src"_L1).toString());
        const QStringView begin = attributes.value("clipBegin"_L1);
        const QStringView end = attributes.value("clipEnd"_L1);
        const std::optional<double> beginSeconds = begin.isEmpty() ? std::optional(0.0) : smilClockSeconds(begin);
        const std::optional<double> endSeconds = end.isEmpty() ? std::nullopt : smilClockSeconds(end);
        if (clip.path.isEmpty() || !beginSeconds || (!end.isEmpty() && !endSeconds)) {
            if (error)
                *error = xmlErrorText(xml.lineNumber(), QStringLiteral("audio"));
            return std::nullopt;
        }
        clip.begin = *beginSeconds;
        clip.end = endSeconds;
        clips << clip;
    }
    if (xml.hasError()) {
        if (error)
            *error = xmlErrorText(xml.lineNumber(), xml.errorString());
        return std::nullopt;
    }
    return clips;
}

} // namespace tirvelo::authoring
