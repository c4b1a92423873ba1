#include "authoring/BookCheck.h"

#include "desktop/ApplicationTitle.h"
#include "base/IntegerText.h"
#include "base/RegularFile.h"
#include "audio/DecodedSound.h"
#include "book/Book.h"
#include "book/BookLoader.h"
#include "book/PageEntry.h"
#include "book/PageMessages.h"
#include "book/PagePresenter.h"
#include "book/PathResolver.h"
#include "audio/SoundPlayer.h"
#include "formats/PictureLoader.h"
#include "formats/RtfReader.h"
#include "formats/TextBoxText.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTextDocument>

#include <algorithm>

namespace tirvelo::authoring {
namespace {

constexpr qsizetype kFirstPageLine = 7;
// The largest text file the speech engine reads.
constexpr qint64 kMaxSpokenFileBytes = 16 * 1024 * 1024;

struct HeaderTest {
    qsizetype line;
    FindingCode code;
    BookFailure failure;
};
constexpr HeaderTest kHeaderTests[] = {
    {1, FindingCode::Line1, BookFailure::Line1},
    {2, FindingCode::Line2, BookFailure::Line2},
    {4, FindingCode::Line4, BookFailure::Line4},
    {6, FindingCode::Line6, BookFailure::Line6},
};

bool endsWithSeparator(const QString& text)
{
    return text.endsWith(u'\\') || text.endsWith(u'/');
}

bool endsWithIgnoringCase(const QString& text, QStringView ending)
{
    return text.endsWith(ending, Qt::CaseInsensitive);
}

class BookChecker {
public:
    // Names are found as the program finds them when started from the current
    // folder: from there first, then from bookFolder.
    BookChecker(BookReport& report, const QString& bookFolder, const VerifiedPictures& verified)
        : m_report(report), m_verified(verified)
    {
        m_book.PageCount = 1;
        m_book.BookFolder = bookFolder;
    }

    void checkBook(const QStringList& lines)
    {
        checkHeader(lines);
        const QString directory = bookLine(lines, 5);
        for (qsizetype i = 0; i < m_pageLines; ++i) {
            const qsizetype line = kFirstPageLine + i;
            checkPage(int(line), directory + bookLine(lines, line));
        }
        m_report.pageCount = int(m_pageLines);
    }

private:
    void add(qsizetype line, FindingCode code, const QString& subject, ProgramEffect effect = ProgramEffect::None,
             const QString& programMessage = {}, const QString& other = {})
    {
        m_report.findings.append({int(line), code, subject, other, effect, programMessage});
    }

    void checkHeader(const QStringList& lines)
    {
        for (const HeaderTest& test : kHeaderTests)
            if (bookLine(lines, test.line) != headerLineText(test.line))
                add(test.line, test.code, bookLine(lines, test.line), ProgramEffect::Message, bookFailureMessage(test.failure));

        const qsizetype available = std::max<qsizetype>(0, lines.size() - (kFirstPageLine - 1));
        // Without a count to go by, as many lines as the largest book has pages:
        // a file of endless lines is not checked line by line.
        m_pageLines = std::min<qsizetype>(available, MaxPages);
        const QString countLine = bookLine(lines, 3);
        const std::optional<int32_t> count = parseStrictInteger(countLine);
        if (!count) {
            add(3, FindingCode::CountNotANumber, countLine, ProgramEffect::Message, errorReportText(notANumberText(countLine)));
        } else if (*count < 1 || *count > MaxPages) {
            add(3, FindingCode::CountOutOfRange, countLine, ProgramEffect::Message, bookFailureMessage(BookFailure::PageCountRange));
        } else if (*count > available) {
            add(3, FindingCode::MissingPageLines, QString::number(*count), ProgramEffect::Message,
                bookFailureMessage(BookFailure::MissingPageLines), QString::number(available));
        } else {
            m_pageLines = *count;
            checkLinesBeyondCount(lines);
        }

        const QString directory = bookLine(lines, 5);
        if (!directory.isEmpty() && !endsWithSeparator(directory))
            add(5, FindingCode::DirectoryWithoutSeparator, directory);
    }

    // The program ignores them; blank ones at the end are not worth a word.
    void checkLinesBeyondCount(const QStringList& lines)
    {
        const qsizetype first = kFirstPageLine + m_pageLines;
        qsizetype written = 0;
        for (qsizetype line = first; line <= lines.size(); ++line)
            if (!bookLine(lines, line).isEmpty())
                ++written;
        if (written > 0)
            add(first, FindingCode::LinesBeyondCount, QString::number(written));
    }

    // The program's own showing of the page decides whether it fails and with
    // which message; the check then says why, and adds what may fail elsewhere.
    void checkPage(int line, const QString& entry)
    {
        const PageView page = present(entry);
        switch (page.kind) {
        case PageKind::Empty:
            add(line, FindingCode::EmptyPageLine, entry);
            return;
        case PageKind::Text:
            checkTextName(line, page.file);
            checkPageFile(line, page, kTextBoxCapacity);
            return;
        case PageKind::RichText:
            checkPageFile(line, page, kMaxRichTextFileBytes);
            return;
        case PageKind::Picture:
            checkPicture(line, page);
            if (entry.contains(u'#'))
                checkCompanion(line, page);
            return;
        }
    }

    // The current page is always the first: only one page is shown at a time.
    PageView present(const QString& entry)
    {
        m_book.PageFiles[0] = entry;
        QTextDocument richTextBox;
        const auto known = [this](const QString& path) { return m_verified.known(path); };
        return PagePresenter().present(m_book, {true, screenSize()}, richTextBox, known);
    }

    void checkPageFile(int line, const PageView& page, qint64 capacity)
    {
        const QString path = lookUp(line, page.file);
        if (page.failure)
            add(line, path.isEmpty() ? missingCode(page.file, FindingCode::MissingFile) : unreadableCode(path, capacity),
                page.file, ProgramEffect::Message, *page.failure);
    }

    void checkPicture(int line, const PageView& page)
    {
        if (page.picture || !page.failure) {
            lookUp(line, page.file);
            return;
        }
        const QString& file = page.file;
        if (pictureTypeOf(file) == PictureType::Unknown) {
            const bool textEnding = endsWithIgnoringCase(file, u".txt") || endsWithIgnoringCase(file, u".rtf");
            if (page.companionKind != CompanionKind::None && textEnding)
                add(line, FindingCode::TextWithCompanion, file, ProgramEffect::Message, *page.failure);
            else if (textEnding)
                add(line, FindingCode::TextEndingInCapitals, file, ProgramEffect::Message, *page.failure);
            else if (page.companion.isEmpty() && endsWithIgnoringCase(file, u".wav"))
                add(line, FindingCode::SoundAlone, file, ProgramEffect::Message, *page.failure);
            else
                add(line, FindingCode::UnknownPictureType, file, ProgramEffect::Message, *page.failure);
            return;
        }
        const QString path = lookUp(line, file);
        const FindingCode code = path.isEmpty()               ? missingCode(file, FindingCode::MissingFile)
                                 : !QFileInfo(path).isFile() ? FindingCode::Unreadable
                                                             : FindingCode::PictureDoesNotDecode;
        add(line, code, file, ProgramEffect::Message, *page.failure);
    }

    // A companion is reached only once the picture shows; its faults are told
    // all the same, as they come next once the picture is mended.
    void checkCompanion(int line, const PageView& page)
    {
        switch (page.companionKind) {
        case CompanionKind::None:
            add(line, FindingCode::CompanionIgnored, page.companion);
            return;
        case CompanionKind::Sound:
            checkSound(line, page.companion, page.sound.value_or(companionSoundFileName(page.companion, m_book.BookFolder)));
            return;
        case CompanionKind::TextFile: {
            checkTextName(line, page.companion);
            // The engine is handed the name whatever it finds: a file it cannot read is read as nothing.
            const QString path = lookUp(line, page.companion);
            if (path.isEmpty() || readBoundedFile(path, kMaxSpokenFileBytes).status != ReadStatus::Ok)
                add(line, missingCode(page.companion, FindingCode::CompanionTextMissing), page.companion,
                    ProgramEffect::NothingRead);
            return;
        }
        case CompanionKind::RichText:
            checkCompanionRichText(line, page);
            return;
        }
    }

    // played: the name the sound player is handed.
    void checkSound(int line, const QString& companion, const QString& played)
    {
        if (played.size() > SoundPlayer::MaxNameLength) {
            add(line, FindingCode::LongSoundName, companion, ProgramEffect::Alert);
            return;
        }
        const QString path = lookUp(line, companion);
        if (path.isEmpty())
            add(line, missingCode(companion, FindingCode::SoundMissing), companion, ProgramEffect::Alert);
        else if (!soundPlays(path))
            add(line, FindingCode::SoundDoesNotDecode, companion, ProgramEffect::Alert);
    }

    void checkCompanionRichText(int line, const PageView& page)
    {
        const QString path = lookUp(line, page.companion);
        bool loads = false;
        if (page.picture) {
            loads = !page.failure;
        } else if (!path.isEmpty()) {
            QTextDocument document;
            loads = loadRichTextFile(path, document);
        }
        if (!loads)
            add(line, missingCode(page.companion, FindingCode::CompanionRichTextUnreadable), page.companion,
                ProgramEffect::Message, page.failure.value_or(pageFailureMessage()));
    }

    // Names longer than the name buffer reach the engine whole here; on the
    // system the books come from they would be cut.
    void checkTextName(int line, const QString& name)
    {
        if (name.size() > kNameBufferCharacters)
            add(line, FindingCode::LongTextName, name);
    }

    // The file the program opens for name, or empty; a file found only by
    // ignoring letter case, or only from the current folder, is worth a warning.
    QString lookUp(int line, const QString& name)
    {
        const FileNameMatch match = findBookFile(name, m_book.BookFolder);
        if (match.ignoringCase)
            add(line, FindingCode::FoundIgnoringCase, name, ProgramEffect::None, {}, QDir::cleanPath(match.path));
        if (!match.path.isEmpty() && isRelativeName(name) && !sameFile(match.path, fromBookFolder(name)))
            add(line, FindingCode::FoundOnlyFromCurrentFolder, name, ProgramEffect::None, {},
                QDir::cleanPath(QFileInfo(match.path).absoluteFilePath()));
        return match.path;
    }

    // What a program started elsewhere (by a double click, from the home
    // folder) finds for a relative name: the book's folder's file.
    QString fromBookFolder(const QString& name) const
    {
        return resolveFileName(m_book.BookFolder + u'/' + name);
    }

    static bool sameFile(const QString& a, const QString& b)
    {
        return !b.isEmpty() && QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
    }

    static FindingCode missingCode(const QString& name, FindingCode missing)
    {
        return hasDriveLetter(name) ? FindingCode::DriveLetter : missing;
    }

    static FindingCode unreadableCode(const QString& path, qint64 capacity)
    {
        const QFileInfo info(path);
        return info.isFile() && info.size() > capacity ? FindingCode::OverCapacity : FindingCode::Unreadable;
    }

    // Only a regular file is decoded: opening a FIFO or a device would wait
    // for a writer for ever. The program plays its alert for them too.
    static bool soundPlays(const QString& path)
    {
        return QFileInfo(path).isFile() && waveFileDecodes(path);
    }

    // Pictures are decoded for the size they would be shown at.
    static QSize screenSize()
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->size() : QSize();
    }

    BookReport& m_report;
    const VerifiedPictures& m_verified;
    qsizetype m_pageLines = 0;
    Book m_book;
};

} // namespace

BookReport checkBook(const QString& bookPath, const VerifiedPictures& verified)
{
    BookReport report;
    report.book = bookPath;
    // The book as it is on disk (found ignoring case, "\" between folders):
    // relative names not in the current folder are looked for from its folder.
    const std::optional<BookText> text = readBookText(bookPath);
    if (!text)
        return report;
    report.readable = true;
    BookChecker(report, text->folder, verified).checkBook(text->lines);
    // In line order, so that the first error is the one the program shows first.
    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return report;
}

qsizetype BookReport::errorCount() const
{
    return std::count_if(findings.begin(), findings.end(), [](const Finding& f) { return f.isError(); });
}

int exitCodeFor(const QList<BookReport>& reports)
{
    int code = 0;
    for (const BookReport& report : reports) {
        if (!report.readable)
            return 2;
        if (report.errorCount() > 0)
            code = 1;
    }
    return code;
}

} // namespace tirvelo::authoring
