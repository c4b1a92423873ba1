#include "book/PagePresenter.h"

#include "base/Cp1252.h"
#include "book/PageMessages.h"
#include "book/PathResolver.h"
#include "formats/PictureLoader.h"
#include "formats/RtfReader.h"
#include "formats/TextBoxText.h"

#include <QTextDocument>

namespace tirvelo {
namespace {

SpokenPage readFileAloud(const QString& name, const QString& bookFolder)
{
    return {SpokenPage::Call::ReadFile, toCp1252(spokenFileName(name, bookFolder))};
}

// A rich-text page and a rich-text companion load and read alike; only the
// box that shows them differs.
bool loadRichText(const QString& name, const QString& bookFolder, bool readingAloud, QTextDocument& document,
                  PageView& page)
{
    page.filesRead.append(name);
    if (!loadRichTextFile(resolveBookFile(name, bookFolder), document))
        return false;
    page.richTextLoaded = true;
    if (readingAloud)
        page.speech = {SpokenPage::Call::Read, toCp1252(richTextPlainText(document))};
    return true;
}

bool loadTextPage(const QString& name, const QString& bookFolder, bool readingAloud, PageView& page)
{
    page.filesRead.append(name);
    const std::optional<QString> text = readTextBoxFile(resolveBookFile(name, bookFolder));
    if (!text)
        return false;
    page.text = splitTextBoxLines(*text).join(u'\n');
    if (readingAloud)
        page.speech = readFileAloud(name, bookFolder);
    return true;
}

// A picture is described by the first line of its companion text; without
// one (or when that line is blank), by its file's name without the folder.
QString describePicture(const QString& file, const QString& companionText)
{
    const QString firstLine = splitTextBoxLines(companionText).value(0).trimmed();
    if (!firstLine.isEmpty())
        return firstLine;
    return file.mid(qMax(file.lastIndexOf(u'/'), file.lastIndexOf(u'\\')) + 1);
}

bool loadPicturePage(const PageEntry& entry, const QString& bookFolder, const ReadingState& reading,
                     const KnownPicture& known, QTextDocument& document, PageView& page)
{
    page.filesRead.append(entry.file);
    const QString path = resolveBookFile(entry.file, bookFolder);
    std::optional<Picture> picture = known ? known(path) : std::nullopt;
    if (!picture)
        picture = loadPicture(path, reading.pictureBox);
    if (!picture)
        return false;
    page.stretch = picture->naturalSize.width() > reading.pictureBox.width()
                   || picture->naturalSize.height() > reading.pictureBox.height();
    page.picture = std::move(picture);
    page.pictureDescription = describePicture(entry.file, {});
    switch (entry.companionKind) {
    case CompanionKind::Sound:
        page.sound = companionSoundFileName(entry.companion, bookFolder);
        return true;
    case CompanionKind::TextFile:
        if (reading.readingAloud)
            page.speech = readFileAloud(entry.companion, bookFolder);
        page.filesRead.append(entry.companion);
        page.pictureDescription =
            describePicture(entry.file, readFirstTextLine(resolveBookFile(entry.companion, bookFolder)).value_or(QString()));
        return true;
    case CompanionKind::RichText:
        if (!loadRichText(entry.companion, bookFolder, reading.readingAloud, document, page))
            return false;
        page.pictureDescription = describePicture(entry.file, richTextPlainText(document));
        return true;
    case CompanionKind::None:
        return true;
    }
    return true;
}

QString labelText(int32_t currentPage, int32_t pageCount)
{
    return QStringLiteral("%1 - %2").arg(currentPage + 1).arg(pageCount);
}

PageBox boxFor(PageKind kind)
{
    switch (kind) {
    case PageKind::Text:
        return PageBox::Text;
    case PageKind::RichText:
        return PageBox::RichText;
    case PageKind::Picture:
    case PageKind::Empty:
        break;
    }
    return PageBox::Picture;
}

} // namespace

PageView PagePresenter::present(const Book& book, const ReadingState& reading, QTextDocument& richTextBox) const
{
    return present(book, reading, richTextBox, {});
}

PageView PagePresenter::present(const Book& book, const ReadingState& reading, QTextDocument& richTextBox,
                                const KnownPicture& known) const
{
    PageView page;
    // Plus one: after a failed load that lowered PageCount, a later page folds
    // back into 0..PageCount (the entry just past the book included).
    page.currentPage = book.CurrentPage % (book.PageCount + 1);
    if (page.currentPage < 0 || page.currentPage >= MaxPages) {
        page.failure = pageFailureMessage();
        return page;
    }
    const PageEntry entry = classifyPageEntry(book.PageFiles[size_t(page.currentPage)]);
    page.kind = entry.kind;
    page.box = boxFor(entry.kind);
    page.file = entry.file;
    page.companion = entry.companion;
    page.companionKind = entry.companionKind;

    bool loaded = true;
    switch (entry.kind) {
    case PageKind::Text:
        loaded = loadTextPage(entry.file, book.BookFolder, reading.readingAloud, page);
        break;
    case PageKind::RichText:
        loaded = loadRichText(entry.file, book.BookFolder, reading.readingAloud, richTextBox, page);
        break;
    case PageKind::Picture:
        loaded = loadPicturePage(entry, book.BookFolder, reading, known, richTextBox, page);
        break;
    case PageKind::Empty:
        return page; // nothing to load; the label keeps its text
    }
    if (loaded)
        page.label = labelText(page.currentPage, book.PageCount);
    else
        page.failure = pageFailureMessage();
    return page;
}

QString PagePresenter::pageLabel(const Book& book)
{
    return labelText(book.CurrentPage, book.PageCount);
}

PageTurn PagePresenter::turn(PageCommand command, const Book& book, const VoiceState& voice) const
{
    PageTurn turn;
    turn.stopReading = voice.speaking;
    turn.stopSound = voice.soundPlaying;
    // Turning never wraps: at either end, and with no book, the page stays.
    if (command == PageCommand::Previous) {
        if (book.CurrentPage > 0)
            turn.showPage = book.CurrentPage - 1;
        turn.failureMessage = QStringLiteral(u"Error en Clic Botó Esquerra");
    } else {
        if (book.CurrentPage < book.PageCount - 1)
            turn.showPage = book.CurrentPage + 1;
        turn.failureMessage = QStringLiteral(u"Error en Clic Botó dret");
    }
    return turn;
}

std::optional<PageCommand> PagePresenter::activate(int32_t scanPosition)
{
    if (scanPosition == 0)
        return PageCommand::Previous;
    if (scanPosition == 1)
        return PageCommand::Next;
    return std::nullopt;
}

std::optional<QString> PagePresenter::stopRefused(const PageTurn& turn)
{
    if (m_stopFailureTold)
        return std::nullopt;
    m_stopFailureTold = true;
    return turn.failureMessage;
}

} // namespace tirvelo
