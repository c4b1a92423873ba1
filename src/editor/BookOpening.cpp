#include "editor/BookOpening.h"

#include "book/BookLoader.h"
#include "book/PageEntry.h"
#include "book/PathResolver.h"
#include "editor/TextCheck.h"
#include "formats/TextBoxText.h"

#include <QDir>
#include <QFileInfo>

namespace tirvelo::editor {
namespace {

// The text of a text file, as the editor shows it; empty when unreadable.
QString textOf(const QString& path)
{
    const std::optional<QString> text = readTextBoxFile(path);
    if (!text)
        return {};
    return withNewlines(*text);
}

} // namespace

QString pathInBook(const QString& bookFolder, const QString& name)
{
    if (name.isEmpty())
        return {};
    QString written = name;
    written.replace(u'\\', u'/');
    const QString path = QDir::isAbsolutePath(written) || hasDriveLetter(name) ? name : bookFolder + u'/' + name;
    const QString found = resolveFileName(path);
    return QDir::cleanPath(found.isEmpty() ? QString(path).replace(u'\\', u'/') : QFileInfo(found).absoluteFilePath());
}

OpenedBook openBookForEditing(const QString& path)
{
    OpenedBook opened;
    const QString found = resolveFileName(QFileInfo(path).absoluteFilePath());
    const std::optional<BookText> text = readBookText(found.isEmpty() ? path : found);
    if (!text) {
        opened.failure = unreadableBookMessage(path);
        return opened;
    }
    Book book;
    try {
        if (const BookFailure failure = applyBookLines(text->lines, book, text->folder); failure != BookFailure::None) {
            opened.failure = bookFailureMessage(failure);
            return opened;
        }
    } catch (const ConversionError& error) {
        opened.failure = error.text();
        return opened;
    }
    opened.bookPath = QFileInfo(found).absoluteFilePath();
    opened.directoryLine = book.BookDirectory;
    const QString folder = QFileInfo(opened.bookPath).absolutePath();
    for (int32_t i = 0; i < book.PageCount; ++i) {
        const QString& entry = book.PageFiles[size_t(i)];
        const PageEntry parsed = classifyPageEntry(entry);
        EditorPage page;
        // The page line as the book writes it, after the directory line.
        const QString line = entry.mid(book.BookDirectory.size());
        const QString mainName = parsed.companion.isEmpty() ? line : line.left(line.size() - parsed.companion.size() - 1);
        page.file = {pathInBook(folder, parsed.file), mainName};
        switch (parsed.kind) {
        case PageKind::Text:
            page.kind = EditorPageKind::Text;
            page.text = page.textOnDisk = textOf(page.file.source);
            break;
        case PageKind::RichText:
            page.kind = EditorPageKind::RichText;
            break;
        case PageKind::Empty:
        case PageKind::Picture:
            page.kind = EditorPageKind::Picture;
            break;
        }
        if (parsed.kind == PageKind::Picture && !parsed.companion.isEmpty()) {
            page.companion = {pathInBook(folder, parsed.companion), parsed.companion};
            switch (parsed.companionKind) {
            case CompanionKind::Sound:
                page.narration = Narration::Sound;
                break;
            case CompanionKind::TextFile:
                page.narration = Narration::Text;
                page.text = page.textOnDisk = textOf(page.companion.source);
                break;
            case CompanionKind::RichText:
                page.narration = Narration::RichText;
                break;
            case CompanionKind::None:
                // The reader does nothing with it: the page is its picture alone.
                page.companion = {};
                break;
            }
        }
        opened.pages.append(page);
    }
    return opened;
}

} // namespace tirvelo::editor
