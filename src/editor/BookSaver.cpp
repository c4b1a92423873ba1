#include "editor/BookSaver.h"

#include "authoring/BookCheck.h"
#include "authoring/BookFile.h"
#include "authoring/PageNames.h"
#include "base/AtomicFile.h"
#include "base/Cp1252.h"
#include "book/Book.h"
#include "book/PageEntry.h"
#include "book/PathResolver.h"
#include "editor/BookOpening.h"
#include "editor/TextCheck.h"
#include "tools/ToolTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tirvelo::editor {
namespace {

constexpr int kFirstPageLine = 7;

QString cleanAbsolute(const QString& path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString canonicalOrClean(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? cleanAbsolute(path) : canonical;
}

bool sameFile(const QString& a, const QString& b)
{
    return !a.isEmpty() && !b.isEmpty() && canonicalOrClean(a) == canonicalOrClean(b);
}

// A file the save is about to make or replace.
struct WriteJob {
    QString target;     // the final path
    QString source;     // copied from here; empty: bytes
    QByteArray bytes;   // a typed text
    bool replaces = false; // the target is a file of the book already: staged, renamed after the check
    int page = -1;
    QString staged;     // where a replacing job's bytes wait
};

// Lays out the names of one save: which files keep their names, which are
// copied or written, and under which new names.
class SavePlan {
public:
    SavePlan(const QList<EditorPage>& pages, const QString& bookPath, const QHash<QString, QString>& prepared,
             const SaveMemory& memory)
        : m_pages(pages), m_memory(memory), m_prepared(prepared), m_bookFolder(QFileInfo(bookPath).absolutePath())
    {
        m_inPlace = sameFile(QFileInfo(memory.bookPath).absolutePath(), m_bookFolder) && !memory.bookPath.isEmpty();
        m_mediaFolder = m_bookFolder;
        if (m_inPlace && !memory.directoryLine.isEmpty() && !hasDriveLetter(memory.directoryLine)) {
            const QString folder = pathInBook(m_bookFolder, memory.directoryLine);
            if (QFileInfo(folder).isDir()) {
                m_directoryLine = memory.directoryLine;
                m_mediaFolder = folder;
            }
        }
        m_mediaFolder = canonicalOrClean(m_mediaFolder);
        m_names.emplace(m_mediaFolder);
    }

    QString directoryLine() const { return m_directoryLine; }
    const QList<WriteJob>& jobs() const { return m_jobs; }
    const QHash<QString, QString>& copies() const { return m_copies; }
    const QHash<quint64, QString>& textFiles() const { return m_textFiles; }

    QStringList pageLines()
    {
        QStringList lines;
        for (int i = 0; i < m_pages.size(); ++i)
            lines << pageLine(i, m_pages[i]);
        return lines;
    }

private:
    QString pageLine(int index, const EditorPage& page)
    {
        if (page.kind == EditorPageKind::Text)
            return textName(index, page, page.file, false);
        QString line = fileName(index, page.file, false);
        switch (page.narration) {
        case Narration::None:
            break;
        case Narration::Sound:
        case Narration::RichText:
            line += u'#' + fileName(index, page.companion, true);
            break;
        case Narration::Text:
            line += u'#' + textName(index, page, page.companion, true);
            break;
        }
        return line;
    }

    // The name a page line writes for file: companions carry the directory
    // line, since the reader looks for them from the book's folder.
    QString fileName(int index, const PageFile& file, bool companion)
    {
        if (file.source.isEmpty())
            return {}; // a page the book left empty stays empty
        const QString prefix = companion ? m_directoryLine : QString();
        if (m_inPlace && !file.bookName.isEmpty()) {
            const QString written = companion ? file.bookName : m_directoryLine + file.bookName;
            if (sameFile(pathInBook(m_bookFolder, written), file.source))
                return file.bookName; // still where the book says
        }
        if (const QString copy = m_memory.copies.value(cleanAbsolute(file.source)); !copy.isEmpty()
            && QFileInfo(copy).absolutePath() == m_mediaFolder && QFileInfo::exists(copy)) {
            m_copies.insert(cleanAbsolute(file.source), copy);
            return prefix + QFileInfo(copy).fileName();
        }
        // A picture added is saved as it was made fit for the page.
        const QFileInfo actual(m_prepared.value(cleanAbsolute(file.source), file.source));
        if (canonicalOrClean(actual.absolutePath()) == m_mediaFolder && bookCanHold(actual.fileName()))
            return prefix + actual.fileName(); // already in the book's folder
        const QString name = newName(QFileInfo(file.source).completeBaseName(), u'.' + actual.suffix().toLower());
        const QString target = m_mediaFolder + u'/' + name;
        m_copies.insert(cleanAbsolute(file.source), target);
        m_jobs.append({target, actual.filePath(), {}, false, index, {}});
        return prefix + name;
    }

    QString textName(int index, const EditorPage& page, const PageFile& file, bool companion)
    {
        if (page.text == page.textOnDisk && QFileInfo(file.source).isFile())
            return fileName(index, file, companion);
        const QString prefix = companion ? m_directoryLine : QString();
        const QByteArray bytes = textFileBytes(page.text);
        // The file written for this page before, or the book's own one, is rewritten.
        QString target = m_memory.textFiles.value(page.id);
        if (!(m_memory.written.contains(target) && QFileInfo(target).absolutePath() == m_mediaFolder))
            target.clear();
        if (target.isEmpty() && m_inPlace && !file.bookName.isEmpty() && !m_claimedTexts.contains(cleanAbsolute(file.source))) {
            const QString written = companion ? file.bookName : m_directoryLine + file.bookName;
            if (sameFile(pathInBook(m_bookFolder, written), file.source) && QFileInfo(file.source).isFile()) {
                m_claimedTexts.insert(cleanAbsolute(file.source));
                m_textFiles.insert(page.id, cleanAbsolute(file.source));
                m_jobs.append({cleanAbsolute(file.source), {}, bytes, true, index, {}});
                return file.bookName;
            }
        }
        if (target.isEmpty() || m_claimedTexts.contains(target)) {
            const QString base = page.kind == EditorPageKind::Picture && !page.file.source.isEmpty()
                ? QFileInfo(page.file.source).completeBaseName()
                : QStringLiteral("pagina-%1").arg(index + 1);
            target = m_mediaFolder + u'/' + newName(base, QStringLiteral(".txt"));
            m_jobs.append({target, {}, bytes, false, index, {}});
        } else {
            m_jobs.append({target, {}, bytes, true, index, {}});
        }
        m_claimedTexts.insert(target);
        m_textFiles.insert(page.id, target);
        return prefix + QFileInfo(target).fileName();
    }

    // Companions carry the directory line: their names are shorter by it.
    qsizetype maxLength() const { return kNameBufferCharacters - m_directoryLine.size(); }

    // A name no file of the folder has, nor another new one.
    QString newName(const QString& wanted, const QString& ending)
    {
        constexpr qsizetype kNumberRoom = 4; // "-999"
        return m_names->claim(wanted.left(std::max<qsizetype>(1, maxLength() - ending.size() - kNumberRoom)), ending);
    }

    // A name of a file already in the book's folder that a book can hold as it is.
    bool bookCanHold(const QString& name) const
    {
        return name.size() <= maxLength() && !name.contains(u'#') && !name.contains(u'\\') && !name.startsWith(u'.')
            && fromCp1252(toCp1252(name)) == name;
    }

    const QList<EditorPage>& m_pages;
    const SaveMemory& m_memory;
    const QHash<QString, QString>& m_prepared;
    QString m_bookFolder;
    QString m_mediaFolder;
    QString m_directoryLine;
    bool m_inPlace = false;
    std::optional<authoring::PageNames> m_names;
    QSet<QString> m_claimedTexts;
    QList<WriteJob> m_jobs;
    QHash<QString, QString> m_copies;
    QHash<quint64, QString> m_textFiles;
};

QString findingWithEffect(const authoring::Finding& finding, InterfaceLanguage language)
{
    using authoring::ProgramEffect;
    using booktool::Label;
    QString text = booktool::findingText(finding, language);
    switch (finding.effect) {
    case ProgramEffect::None:
        break;
    case ProgramEffect::Message:
        text += QStringLiteral("; ") + booktool::labelText(Label::ProgramSays, language).replace(QStringLiteral("%1"), finding.programMessage);
        break;
    case ProgramEffect::Alert:
        text += QStringLiteral("; ") + booktool::labelText(Label::ProgramPlaysAlert, language);
        break;
    case ProgramEffect::NothingRead:
        text += QStringLiteral("; ") + booktool::labelText(Label::ProgramReadsNothing, language);
        break;
    }
    return text;
}

// Removes what a failed save made; files that were there before stay.
void undoWrites(const QList<WriteJob>& jobs, qsizetype done)
{
    for (qsizetype i = 0; i < done; ++i)
        QFile::remove(jobs[i].replaces ? jobs[i].staged : jobs[i].target);
}

void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::syncfs(fd);
        ::close(fd);
    }
}

bool folderWritable(const QString& folder)
{
    if (!QDir().mkpath(folder))
        return false;
    QTemporaryFile probe(folder + QStringLiteral("/.tirvelo-XXXXXX"));
    return probe.open();
}

} // namespace

SaveOutcome saveBook(const QList<EditorPage>& pages, const SaveTarget& target, const QHash<QString, QString>& prepared,
                     const authoring::VerifiedPictures& verified, SaveMemory& memory,
                     const std::function<void(int done, int total)>& progress)
{
    SaveOutcome outcome;
    if (pages.isEmpty()) {
        outcome.status = SaveStatus::NoPages;
        return outcome;
    }
    if (pages.size() > MaxPages) {
        outcome.status = SaveStatus::TooManyPages;
        return outcome;
    }
    const QString bookPath = cleanAbsolute(target.bookPath);
    const QFileInfo book(bookPath);
    const bool ours = sameFile(bookPath, memory.bookPath) && !book.isSymLink();
    switch (authoring::bookWriteRefusal(bookPath, ours || target.replaceConfirmed)) {
    case authoring::BookWrite::Written:
        break;
    case authoring::BookWrite::Exists:
        outcome.status = SaveStatus::NeedsConfirmation;
        return outcome;
    case authoring::BookWrite::IsLink:
    case authoring::BookWrite::NotABook:
    case authoring::BookWrite::Failed:
        outcome.status = SaveStatus::NotABook;
        outcome.failedPath = bookPath;
        return outcome;
    }
    if (book.isDir() || !folderWritable(book.absolutePath())) {
        outcome.status = book.isDir() ? SaveStatus::WriteFailed : SaveStatus::FolderNotWritable;
        outcome.failedPath = book.isDir() ? bookPath : book.absolutePath();
        return outcome;
    }

    SavePlan plan(pages, bookPath, prepared, memory);
    const QStringList lines = plan.pageLines();
    QList<WriteJob> jobs = plan.jobs();
    authoring::VerifiedPictures known = memory.verified;
    known.insert(verified);
    // Every file, then the check (which decodes what it has not seen decoded).
    const int steps = int(jobs.size()) + 1;
    const auto tell = [&](int done) {
        if (progress)
            progress(done, steps);
    };
    tell(0);

    // New files under their own names (nobody else's, by the plan); files of
    // the book that change wait beside theirs until the check has passed.
    for (qsizetype i = 0; i < jobs.size(); ++i) {
        WriteJob& job = jobs[i];
        if (!job.source.isEmpty() && !(QFileInfo(job.source).isFile() && QFile(job.source).open(QIODevice::ReadOnly))) {
            undoWrites(jobs, i);
            outcome.status = SaveStatus::SourceUnreadable;
            outcome.failedPath = job.source;
            outcome.failedPage = job.page;
            return outcome;
        }
        if (job.replaces)
            job.staged = QFileInfo(job.target).absolutePath() + QStringLiteral("/.") + QFileInfo(job.target).fileName()
                + QStringLiteral(".tirvelo-nou");
        // A copy goes under a name of its own (the plan's new name, or the
        // staged one) and is flushed with the rest below, once.
        const QString written = job.replaces ? job.staged : job.target;
        const std::optional<authoring::FileStamp> verifiedSource = known.current(job.source);
        const bool done = job.source.isEmpty() ? writeFileAtomically(written, job.bytes)
                                               : QFile::copy(job.source, written);
        if (done && verifiedSource)
            known.addCopy(job.source, *verifiedSource, written);
        if (!done) {
            undoWrites(jobs, i);
            outcome.status = SaveStatus::WriteFailed;
            outcome.failedPath = job.target;
            return outcome;
        }
        tell(int(i) + 1);
    }
    // Every page file on the disk before the book that names them replaces the old one.
    if (!jobs.isEmpty())
        syncFolder(book.absolutePath());

    const QByteArray bytes = authoring::bookFileBytes(plan.directoryLine(), lines);
    // The check reads the book as the reader will, from its own folder.
    const QString checked = book.absolutePath() + QStringLiteral("/.") + book.completeBaseName() + QStringLiteral(".comprova.Lumbrix");
    if (!writeFileAtomically(checked, bytes)) {
        undoWrites(jobs, jobs.size());
        outcome.status = SaveStatus::WriteFailed;
        outcome.failedPath = bookPath;
        return outcome;
    }
    const authoring::BookReport report = authoring::checkBook(checked, known);
    QFile::remove(checked);
    tell(steps);
    bool refused = !report.readable;
    for (const authoring::Finding& finding : report.findings) {
        const int page = finding.line >= kFirstPageLine ? finding.line - kFirstPageLine : -1;
        outcome.findings.append({page, finding.isError(), findingWithEffect(finding, target.language)});
        refused = refused || finding.isError();
    }
    if (refused) {
        undoWrites(jobs, jobs.size());
        outcome.status = SaveStatus::Refused;
        return outcome;
    }

    if (!writeFileAtomically(bookPath, bytes)) {
        undoWrites(jobs, jobs.size());
        outcome.status = SaveStatus::WriteFailed;
        outcome.failedPath = bookPath;
        return outcome;
    }
    for (const WriteJob& job : jobs) {
        if (job.replaces)
            ::rename(QFile::encodeName(job.staged).constData(), QFile::encodeName(job.target).constData());
        memory.written.insert(job.target);
    }
    memory.bookPath = bookPath;
    memory.directoryLine = plan.directoryLine();
    memory.copies.insert(plan.copies());
    memory.textFiles.insert(plan.textFiles());
    memory.verified = known;
    return outcome;
}

} // namespace tirvelo::editor
