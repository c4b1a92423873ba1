#include "editor/PreviewEntry.h"

#include "base/AtomicFile.h"
#include "editor/TextCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tirvelo::editor {
namespace {

// Short enough for the sound call and the speech engine, with room to spare.
constexpr qsizetype kLongestDirectName = 100;

QString reachable(const QString& path, const QString& workFolder, quint64 id, const char* role)
{
    if (path.isEmpty() || (!path.contains(u'#') && path.size() <= kLongestDirectName))
        return path;
    const QString suffix = QFileInfo(path).suffix();
    const QString link = QDir(workFolder).filePath(QStringLiteral("vista-%1-%2.%3").arg(id).arg(QLatin1String(role), suffix));
    QFile::remove(link);
    QFile::link(path, link);
    return link;
}

QString textFile(const EditorPage& page, const PageFile& file, const QString& workFolder)
{
    if (page.text == page.textOnDisk && QFileInfo(file.source).isFile())
        return reachable(file.source, workFolder, page.id, "text");
    const QString typed = QDir(workFolder).filePath(QStringLiteral("vista-%1.txt").arg(page.id));
    writeFileAtomically(typed, textFileBytes(page.text));
    return typed;
}

} // namespace

QString readerEntry(const EditorPage& page, const QString& workFolder)
{
    switch (page.kind) {
    case EditorPageKind::Text:
        return textFile(page, page.file, workFolder);
    case EditorPageKind::RichText:
        return reachable(page.file.source, workFolder, page.id, "rtf");
    case EditorPageKind::Picture:
        break;
    }
    const QString picture = reachable(page.file.source, workFolder, page.id, "picture");
    switch (page.narration) {
    case Narration::None:
        return picture;
    case Narration::Sound:
        return picture + u'#' + reachable(page.companion.source, workFolder, page.id, "sound");
    case Narration::Text:
        return picture + u'#' + textFile(page, page.companion, workFolder);
    case Narration::RichText:
        return picture + u'#' + reachable(page.companion.source, workFolder, page.id, "rtf");
    }
    return picture;
}

} // namespace tirvelo::editor
