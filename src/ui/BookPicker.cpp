#include "ui/BookPicker.h"

#include "authoring/epub/EpubImport.h"
#include "modes/MessageSink.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace tirvelo {
namespace {

// A long book takes seconds to import: the pointer says the program is at work.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// At most this many lines of a long list; the rest counted in a last line "(+N)".
constexpr qsizetype kWarningsShown = 12;

QString warningsText(const QStringList& warnings)
{
    QStringList shown = warnings.mid(0, kWarningsShown);
    if (warnings.size() > kWarningsShown)
        shown << QStringLiteral("(+%1)").arg(warnings.size() - kWarningsShown);
    return shown.join(u'\n');
}

} // namespace

std::optional<BookText> pickReadableBook(QWidget* owner, const QString& name, const BookFileChooser& choose,
                                         MessageSink& messages, InterfaceLanguage language)
{
    QString given = name;
    for (;;) {
        QString fileName;
        if (!given.isEmpty()) {
            fileName = given.left(kMaxFileNameLength);
        } else {
            const std::optional<QString> chosen = choose();
            if (!chosen)
                return std::nullopt;
            fileName = chosen->left(kMaxFileNameLength);
            if (authoring::isEpubName(fileName)) {
                const authoring::BookFromEpub imported = [&] {
                    const WaitCursor atWork;
                    return authoring::bookFromEpub(fileName, language);
                }();
                if (imported.book.isEmpty()) {
                    messages.plain(owner, imported.message);
                    continue;
                }
                fileName = imported.book;
                QDir::setCurrent(QFileInfo(fileName).absolutePath());
                // What the book could not hold as it was (characters replaced,
                // pages left out), said once before it opens.
                if (!imported.warnings.isEmpty())
                    messages.plain(owner, warningsText(imported.warnings));
            }
        }
        if (std::optional<BookText> read = readBookText(fileName))
            return read;
        messages.plain(owner, unreadableBookMessage(fileName));
        given.clear();
    }
}

} // namespace tirvelo
