#include "tools/BookCheck.h"

#include "desktop/ApplicationTitle.h"
#include "base/IntegerText.h"
#include "audio/DecodedSound.h"
#include "book/Book.h"
#include "book/BookLoader.h"
#include "book/PageEntry.h"
#include "book/PageMessages.h"
#include "book/PathResolver.h"
#include "formats/PictureLoader.h"
#include "formats/RtfReader.h"
#include "formats/TextBoxText.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTextDocument>

#include <algorithm>

namespace tirvelo::booktool {
namespace {

constexpr qsizetype kFirstPageLine = 7;

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

// Relative names are found from the book's folder while the book is checked.
class BookFolderAsCurrent {
public:
    explicit BookFolderAsCurrent(const QString& bookPath) : m_previous(QDir::currentPath())
    {
        QDir::setCurrent(QFileInfo(bookPath).absolutePath());
    }
    ~BookFolderAsCurrent() { QDir::setCurrent(m_previous); }
    BookFolderAsCurrent(const BookFolderAsCurrent&) = delete;
    BookFolderAsCurrent& operator=(const BookFolderAsCurrent&) = delete;

private:
    QString m_previous;
};

class BookChecker {
public:
    explicit BookChecker(BookReport& report) : m_report(report) {}

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
    void addPageFailure(qsizetype line, FindingCode code, const QString& subject)
    {
        add(line, code, subject, ProgramEffect::Message, pageFailureMessage());
    }

    void checkHeader(const QStringList& lines)
    {
        for (const HeaderTest& test : kHeaderTests)
            if (bookLine(lines, test.line) != headerLineText(test.line))
                add(test.line, test.code, bookLine(lines, test.line), ProgramEffect::Message, bookFailureMessage(test.failure));

        const qsizetype available = std::max<qsizetype>(0, lines.size() - (kFirstPageLine - 1));
        m_pageLines = available;
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

    void checkPage(int line, const QString& entry)
    {
        const PageEntry page = classifyPageEntry(entry);
        switch (page.kind) {
        case PageKind::Empty:
            add(line, FindingCode::EmptyPageLine, entry);
            return;
        case PageKind::Text:
            checkTextName(line, page.file);
            if (const QString path = findPageFile(line, page.file, FindingCode::MissingFile); !path.isEmpty())
                if (!readTextBoxFile(path))
                    addUnreadable(line, page.file, path, kTextBoxCapacity);
            return;
        case PageKind::RichText:
            if (const QString path = findPageFile(line, page.file, FindingCode::MissingFile); !path.isEmpty()) {
                QTextDocument document;
                if (!loadRichTextFile(path, document))
                    addUnreadable(line, page.file, path, kMaxRichTextFileBytes);
            }
            return;
        case PageKind::Picture:
            checkPicture(line, page);
            if (entry.contains(u'#'))
                checkCompanion(line, page);
            return;
        }
    }

    void checkPicture(int line, const PageEntry& page)
    {
        if (pictureTypeOf(page.file) == PictureType::Unknown) {
            const bool textEnding = endsWithIgnoringCase(page.file, u".txt") || endsWithIgnoringCase(page.file, u".rtf");
            if (page.companionKind != CompanionKind::None && textEnding)
                addPageFailure(line, FindingCode::TextWithCompanion, page.file);
            else if (textEnding)
                addPageFailure(line, FindingCode::TextEndingInCapitals, page.file);
            else if (page.companion.isEmpty() && endsWithIgnoringCase(page.file, u".wav"))
                addPageFailure(line, FindingCode::SoundAlone, page.file);
            else
                addPageFailure(line, FindingCode::UnknownPictureType, page.file);
            return;
        }
        const QString path = findPageFile(line, page.file, FindingCode::MissingFile);
        if (path.isEmpty())
            return;
        if (!QFileInfo(path).isFile())
            addPageFailure(line, FindingCode::Unreadable, page.file);
        else if (!loadPicture(path, screenSize()))
            addPageFailure(line, FindingCode::PictureDoesNotDecode, page.file);
    }

    void checkCompanion(int line, const PageEntry& page)
    {
        switch (page.companionKind) {
        case CompanionKind::None:
            add(line, FindingCode::CompanionIgnored, page.companion);
            return;
        case CompanionKind::Sound: {
            if (page.companion.size() > kNameBufferCharacters) {
                add(line, FindingCode::LongSoundName, page.companion, ProgramEffect::Alert);
                return;
            }
            const QString path = findFile(line, page.companion, FindingCode::SoundMissing, ProgramEffect::Alert, {});
            if (!path.isEmpty() && !waveFileDecodes(path))
                add(line, FindingCode::SoundDoesNotDecode, page.companion, ProgramEffect::Alert);
            return;
        }
        case CompanionKind::TextFile: {
            checkTextName(line, page.companion);
            const QString path = findFile(line, page.companion, FindingCode::CompanionTextMissing,
                                          ProgramEffect::Message, speechFailureMessage());
            if (!path.isEmpty() && !QFileInfo(path).isFile())
                add(line, FindingCode::CompanionTextMissing, page.companion, ProgramEffect::Message, speechFailureMessage());
            return;
        }
        case CompanionKind::RichText: {
            QTextDocument document;
            const QString path = findPageFile(line, page.companion, FindingCode::CompanionRichTextUnreadable);
            if (!path.isEmpty() && !loadRichTextFile(path, document))
                addPageFailure(line, FindingCode::CompanionRichTextUnreadable, page.companion);
            return;
        }
        }
    }

    // Names longer than the name buffer reach the engine whole here; on the
    // system the books come from they would be cut.
    void checkTextName(int line, const QString& name)
    {
        if (name.size() > kNameBufferCharacters)
            add(line, FindingCode::LongTextName, name);
    }

    // The file the program opens for name, or empty once the finding is added.
    QString findFile(int line, const QString& name, FindingCode missing, ProgramEffect effect, const QString& message)
    {
        const FileNameMatch match = findFileName(name);
        if (match.path.isEmpty()) {
            add(line, hasDriveLetter(name) ? FindingCode::DriveLetter : missing, name, effect, message);
            return {};
        }
        if (match.ignoringCase)
            add(line, FindingCode::FoundIgnoringCase, name, ProgramEffect::None, {}, QDir::cleanPath(match.path));
        return match.path;
    }
    QString findPageFile(int line, const QString& name, FindingCode missing)
    {
        return findFile(line, name, missing, ProgramEffect::Message, pageFailureMessage());
    }

    void addUnreadable(int line, const QString& name, const QString& path, qint64 capacity)
    {
        const QFileInfo info(path);
        addPageFailure(line, info.isFile() && info.size() > capacity ? FindingCode::OverCapacity : FindingCode::Unreadable, name);
    }

    // Pictures are decoded for the size they would be shown at.
    static QSize screenSize()
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->size() : QSize();
    }

    BookReport& m_report;
    qsizetype m_pageLines = 0;
};

} // namespace

BookReport checkBook(const QString& bookPath)
{
    BookReport report;
    report.book = bookPath;
    const QString absolute = QFileInfo(bookPath).absoluteFilePath();
    const std::optional<QStringList> lines = readBookLines(absolute);
    if (!lines)
        return report;
    report.readable = true;
    const BookFolderAsCurrent folder(absolute);
    BookChecker(report).checkBook(*lines);
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

} // namespace tirvelo::booktool
