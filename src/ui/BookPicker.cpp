#include "ui/BookPicker.h"

#include "authoring/epub/EpubImport.h"
#include "modes/MessageSink.h"

#include <QDir>
#include <QFileInfo>

namespace tirvelo {

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
                const authoring::BookFromEpub imported = authoring::bookFromEpub(fileName, language);
                if (imported.book.isEmpty()) {
                    messages.plain(owner, imported.message);
                    continue;
                }
                fileName = imported.book;
                QDir::setCurrent(QFileInfo(fileName).absolutePath());
            }
        }
        if (std::optional<BookText> read = readBookText(fileName))
            return read;
        messages.plain(owner, unreadableBookMessage(fileName));
        given.clear();
    }
}

} // namespace tirvelo
