#include "authoring/epub/EpubImport.h"

#include "authoring/BookFile.h"
#include "authoring/PageNames.h"
#include "authoring/PagePicture.h"
#include "authoring/PageSound.h"
#include "authoring/WindowsText.h"
#include "authoring/epub/EpubBook.h"
#include "base/BookExtension.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tirvelo::authoring {
namespace {

ImportError errorFor(BookWrite refusal)
{
    switch (refusal) {
    case BookWrite::Exists:
        return ImportError::BookExists;
    case BookWrite::IsLink:
        return ImportError::BookIsLink;
    case BookWrite::NotABook:
        return ImportError::NotABook;
    case BookWrite::Failed:
        return ImportError::WriteFailed;
    case BookWrite::Written:
        break;
    }
    return ImportError::None;
}

// Counts every character replaced in the book's texts, for one warning each.
class Replacements {
public:
    void add(const QList<TextReplacement>& replacements)
    {
        for (const TextReplacement& replacement : replacements) {
            auto known = std::find_if(m_all.begin(), m_all.end(),
                                      [&](const TextReplacement& r) { return r.original == replacement.original; });
            if (known == m_all.end())
                m_all << replacement;
            else
                known->count += replacement.count;
        }
    }
    QList<ImportWarning> warnings() const
    {
        QList<ImportWarning> list;
        for (const TextReplacement& r : m_all) {
            const QString shown = QStringLiteral("%1 (U+%2)").arg(r.original).arg(r.original.toUcs4().value(0), 4, 16, QChar(u'0')).toUpper();
            list << ImportWarning{r.replacement.isEmpty() ? ImportWarningCode::CharacterLeftOut : ImportWarningCode::CharacterReplaced,
                                  shown, r.replacement, r.count};
        }
        return list;
    }

private:
    QList<TextReplacement> m_all;
};

// Writes the pages' files into the folder, each a new file, and remembers
// them so that a failed import can take them away again.
class PageWriter {
public:
    PageWriter(EpubArchive& archive, const QString& folder, ImportResult& result)
        : m_archive(archive), m_folder(folder), m_names(folder), m_result(result)
    {
    }

    QStringList written() const { return m_written; }
    const Replacements& replacements() const { return m_replacements; }

    // The page's line of the book, or nullopt with the result's error set.
    std::optional<QString> write(const PlannedPage& page, const QString& base, const QString& firstLine)
    {
        QString text = page.text;
        if (!firstLine.isEmpty() && !text.startsWith(firstLine))
            text = text.isEmpty() ? firstLine : firstLine + u'\n' + text;
        if (page.picture.isEmpty())
            return writeText(text, base);
        const std::optional<QByteArray> source = read(page.picture);
        if (!source)
            return std::nullopt;
        const std::optional<PagePicture> picture = pagePictureFromBytes(*source);
        if (!picture)
            return fail(ImportError::PictureDoesNotDecode, page.picture);
        const std::optional<QString> pictureName = writeFile(base, picture->ending, picture->bytes);
        if (!pictureName)
            return std::nullopt;
        std::optional<QString> companion;
        if (!page.clips.isEmpty())
            companion = writeNarration(page.clips, base);
        else if (!text.isEmpty())
            companion = writeText(text, base);
        else
            return pictureName;
        if (!companion)
            return std::nullopt;
        return *pictureName + u'#' + *companion;
    }

private:
    std::nullopt_t fail(ImportError error, const QString& subject)
    {
        m_result.error = error;
        m_result.subject = subject;
        return std::nullopt;
    }

    std::optional<QByteArray> read(const QString& entry)
    {
        ArchiveProblem problem;
        std::optional<QByteArray> bytes = m_archive.read(entry, problem);
        if (!bytes)
            fail(importErrorFor(problem.fault), problem.subject);
        return bytes;
    }

    std::optional<QString> writeFile(const QString& base, const QString& ending, const QByteArray& bytes)
    {
        const QString name = m_names.claim(base, ending);
        const QString path = QDir(m_folder).filePath(name);
        QFile file(path);
        // A new file only: nothing already in the folder is ever overwritten.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return fail(ImportError::WriteFailed, path);
        m_written << path;
        if (file.write(bytes) != bytes.size() || !file.flush())
            return fail(ImportError::WriteFailed, path);
        return name;
    }

    std::optional<QString> writeText(const QString& text, const QString& base)
    {
        const WindowsText windows = toWindowsText(QString(text).replace(u'\n', QStringLiteral("\r\n")));
        m_replacements.add(windows.replacements);
        return writeFile(base, QStringLiteral(".txt"), windows.bytes());
    }

    std::optional<QString> writeNarration(const QList<AudioClip>& clips, const QString& base)
    {
        DecodedSound narration;
        for (const AudioClip& clip : clips) {
            if (clip.path != m_soundPath) {
                const std::optional<QByteArray> bytes = read(clip.path);
                if (!bytes)
                    return std::nullopt;
                m_sound = decodeSoundBytes(*bytes);
                m_soundPath = clip.path;
            }
            if (!m_sound)
                return fail(ImportError::SoundDoesNotDecode, clip.path);
            appendSound(narration, soundPart(*m_sound, clip.begin, clip.end));
        }
        const QByteArray wave = waveFileBytes(narration);
        if (wave.isEmpty())
            return fail(ImportError::SoundDoesNotDecode, clips.constFirst().path);
        return writeFile(base, QStringLiteral(".wav"), wave);
    }

    EpubArchive& m_archive;
    QString m_folder;
    PageNames m_names;
    ImportResult& m_result;
    QStringList m_written;
    Replacements m_replacements;
    // The last sound decoded: a media overlay cuts many clips from one file.
    QString m_soundPath;
    std::optional<DecodedSound> m_sound;
};

// Why the folder cannot take the book, or None.
ImportError folderRefusal(const QString& folder, const QString& book, bool force)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return ImportError::NotAFolder;
    if (info.exists() && !force && !QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        return ImportError::FolderNotEmpty;
    return errorFor(bookWriteRefusal(book, force));
}

QString pageBase(int index, int count)
{
    const int width = qMax(2, int(QString::number(count).size()));
    return QStringLiteral("%1").arg(index + 1, width, 10, QChar(u'0'));
}

} // namespace

bool isEpubName(const QString& path)
{
    return path.endsWith(QStringLiteral(".epub"), Qt::CaseInsensitive);
}

QString defaultImportFolder(const QString& epub)
{
    const QFileInfo info(epub);
    return info.absoluteDir().filePath(info.completeBaseName());
}

QString bookPathInFolder(const QString& folder)
{
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return QDir(clean).filePath(QDir(clean).dirName() + BookSuffix.toString());
}

ImportResult importEpub(const ImportOptions& options)
{
    ImportResult result;
    result.folder = QDir::cleanPath(QFileInfo(options.folder.isEmpty() ? defaultImportFolder(options.epub) : options.folder)
                                        .absoluteFilePath());
    result.bookPath = bookPathInFolder(result.folder);
    if (const ImportError refusal = folderRefusal(result.folder, result.bookPath, options.force); refusal != ImportError::None) {
        result.error = refusal;
        result.subject = refusal == ImportError::NotAFolder || refusal == ImportError::FolderNotEmpty ? result.folder : result.bookPath;
        return result;
    }
    ArchiveProblem problem;
    const std::unique_ptr<EpubArchive> archive = EpubArchive::openFile(options.epub, problem, options.limits);
    if (!archive) {
        result.error = importErrorFor(problem.fault);
        result.subject = problem.fault == ArchiveFault::CannotOpen ? options.epub : problem.subject;
        return result;
    }
    const EpubBookPlan plan = planEpubBook(*archive);
    if (plan.error != ImportError::None) {
        result.error = plan.error;
        result.subject = plan.subject;
        result.detail = plan.detail;
        return result;
    }

    // The outermost folder this import makes, which a failure takes away whole.
    QString madeFolder;
    for (QString folder = result.folder; !QFileInfo::exists(folder); folder = QFileInfo(folder).absolutePath())
        madeFolder = folder;
    if (!madeFolder.isEmpty() && !QDir().mkpath(result.folder)) {
        QDir(madeFolder).removeRecursively();
        result.error = ImportError::WriteFailed;
        result.subject = result.folder;
        return result;
    }
    PageWriter writer(*archive, result.folder, result);
    QStringList lines;
    for (qsizetype i = 0; i < plan.pages.size() && result.error == ImportError::None; ++i) {
        // The title opens the first page's text: a picture's description is its text's first line.
        const QString title = i == 0 ? plan.title : QString();
        if (std::optional<QString> line = writer.write(plan.pages[i], pageBase(int(i), int(plan.pages.size())), title))
            lines << *line;
    }
    WrittenBook book;
    if (result.error == ImportError::None) {
        book = writeBookFile(result.bookPath, lines, options.force);
        if (book.result != BookWrite::Written) {
            result.error = errorFor(book.result);
            result.subject = result.bookPath;
        }
    }
    if (result.error != ImportError::None) {
        // Nothing of a failed import stays.
        if (!madeFolder.isEmpty()) {
            QDir(madeFolder).removeRecursively();
        } else {
            for (const QString& file : writer.written())
                QFile::remove(file);
        }
        return result;
    }
    result.pages = int(lines.size());
    result.report = book.report;
    if (plan.pagesFound > plan.pages.size())
        result.warnings << ImportWarning{ImportWarningCode::TooManyPages, QString::number(plan.pagesFound),
                                         QString::number(plan.pages.size()), 0};
    for (const QString& page : plan.textPagesWithSound)
        result.warnings << ImportWarning{ImportWarningCode::SoundOfTextPageLeftOut, page, {}, 0};
    result.warnings << writer.replacements().warnings();
    return result;
}

BookFromEpub bookFromEpub(const QString& epub, InterfaceLanguage language)
{
    // "Conte", else "Conte-2", "Conte-3"...: the first folder that holds the
    // book made before, or does not exist yet. Other folders are left alone.
    constexpr int kMaxTries = 100;
    const QString base = defaultImportFolder(epub);
    for (int n = 1; n <= kMaxTries; ++n) {
        ImportOptions options;
        options.epub = epub;
        options.folder = n == 1 ? base : base + u'-' + QString::number(n);
        const QString book = bookPathInFolder(options.folder);
        if (isBookFile(book))
            return {book, {}, {}};
        if (QFileInfo::exists(options.folder) || QFileInfo(book).isSymLink())
            continue;
        const ImportResult result = importEpub(options);
        if (result.error != ImportError::None)
            return {{}, importErrorText(result, language), {}};
        QStringList warnings;
        for (const ImportWarning& warning : result.warnings)
            warnings << importWarningText(warning, language);
        return {result.bookPath, {}, warnings};
    }
    ImportResult taken;
    taken.error = ImportError::FolderNotEmpty;
    taken.subject = base;
    return {{}, importErrorText(taken, language), {}};
}

} // namespace tirvelo::authoring
