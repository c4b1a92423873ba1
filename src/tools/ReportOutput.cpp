#include "tools/ReportOutput.h"

#include "tools/ToolTexts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tirvelo::booktool {
namespace {

// Stable names for other tools.
QString codeName(FindingCode code)
{
    switch (code) {
    case FindingCode::Line1: return QStringLiteral("line-1");
    case FindingCode::Line2: return QStringLiteral("line-2");
    case FindingCode::CountNotANumber: return QStringLiteral("page-count-not-a-number");
    case FindingCode::CountOutOfRange: return QStringLiteral("page-count-out-of-range");
    case FindingCode::Line4: return QStringLiteral("line-4");
    case FindingCode::DirectoryWithoutSeparator: return QStringLiteral("directory-without-separator");
    case FindingCode::Line6: return QStringLiteral("line-6");
    case FindingCode::MissingPageLines: return QStringLiteral("missing-page-lines");
    case FindingCode::LinesBeyondCount: return QStringLiteral("lines-beyond-count");
    case FindingCode::EmptyPageLine: return QStringLiteral("empty-page-line");
    case FindingCode::MissingFile: return QStringLiteral("missing-file");
    case FindingCode::DriveLetter: return QStringLiteral("drive-letter");
    case FindingCode::FoundIgnoringCase: return QStringLiteral("found-ignoring-case");
    case FindingCode::FoundOnlyFromCurrentFolder: return QStringLiteral("found-only-from-current-folder");
    case FindingCode::Unreadable: return QStringLiteral("unreadable");
    case FindingCode::OverCapacity: return QStringLiteral("over-capacity");
    case FindingCode::UnknownPictureType: return QStringLiteral("unknown-picture-type");
    case FindingCode::TextEndingInCapitals: return QStringLiteral("text-ending-in-capitals");
    case FindingCode::SoundAlone: return QStringLiteral("sound-alone");
    case FindingCode::TextWithCompanion: return QStringLiteral("text-with-companion");
    case FindingCode::PictureDoesNotDecode: return QStringLiteral("picture-does-not-decode");
    case FindingCode::LongTextName: return QStringLiteral("long-text-name");
    case FindingCode::SoundMissing: return QStringLiteral("sound-missing");
    case FindingCode::SoundDoesNotDecode: return QStringLiteral("sound-does-not-decode");
    case FindingCode::LongSoundName: return QStringLiteral("long-sound-name");
    case FindingCode::CompanionTextMissing: return QStringLiteral("companion-text-missing");
    case FindingCode::CompanionRichTextUnreadable: return QStringLiteral("companion-rich-text-unreadable");
    case FindingCode::CompanionIgnored: return QStringLiteral("companion-ignored");
    }
    return {};
}

QString effectName(ProgramEffect effect)
{
    switch (effect) {
    case ProgramEffect::None: return QStringLiteral("none");
    case ProgramEffect::Message: return QStringLiteral("message");
    case ProgramEffect::Alert: return QStringLiteral("alert");
    case ProgramEffect::NothingRead: return QStringLiteral("nothing-read");
    }
    return {};
}

} // namespace

QString reportText(const BookReport& report, InterfaceLanguage language)
{
    QString text;
    if (!report.readable)
        return QStringLiteral("%1: %2: %3\n").arg(report.book, labelText(Label::Error, language), labelText(Label::BookUnreadable, language));
    for (const Finding& finding : report.findings) {
        const Label severity = finding.isError() ? Label::Error : Label::Warning;
        text += QStringLiteral("%1:%2: %3: %4\n")
                    .arg(report.book, QString::number(finding.line), labelText(severity, language), findingText(finding, language));
        if (finding.effect == ProgramEffect::Message)
            text += QStringLiteral("    ") + labelText(Label::ProgramSays, language).replace(QStringLiteral("%1"), finding.programMessage) + u'\n';
        else if (finding.effect == ProgramEffect::Alert)
            text += QStringLiteral("    ") + labelText(Label::ProgramPlaysAlert, language) + u'\n';
        else if (finding.effect == ProgramEffect::NothingRead)
            text += QStringLiteral("    ") + labelText(Label::ProgramReadsNothing, language) + u'\n';
    }
    text += report.book + QStringLiteral(": ")
        + labelText(Label::Summary, language)
              .arg(report.pageCount)
              .arg(report.errorCount())
              .arg(report.warningCount())
        + u'\n';
    return text;
}

QByteArray reportsJson(const QList<BookReport>& reports, InterfaceLanguage language)
{
    QJsonArray books;
    for (const BookReport& report : reports) {
        QJsonArray findings;
        for (const Finding& finding : report.findings) {
            findings.append(QJsonObject{
                {QStringLiteral("line"), finding.line},
                {QStringLiteral("severity"), finding.isError() ? QStringLiteral("error") : QStringLiteral("warning")},
                {QStringLiteral("code"), codeName(finding.code)},
                {QStringLiteral("file"), finding.subject},
                {QStringLiteral("text"), findingText(finding, language)},
                {QStringLiteral("program"), effectName(finding.effect)},
                {QStringLiteral("program_message"),
                 finding.effect == ProgramEffect::Message ? QJsonValue(finding.programMessage) : QJsonValue()},
            });
        }
        books.append(QJsonObject{
            {QStringLiteral("book"), report.book},
            {QStringLiteral("readable"), report.readable},
            {QStringLiteral("pages"), report.pageCount},
            {QStringLiteral("errors"), qint64(report.errorCount())},
            {QStringLiteral("warnings"), qint64(report.warningCount())},
            {QStringLiteral("findings"), findings},
        });
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("books"), books}}).toJson(QJsonDocument::Indented);
}

} // namespace tirvelo::booktool
