#pragma once
// How "&Carregar llibre..." arrives at a readable book: the name it was given,
// or else one chosen in the open-book dialog, again and again until one reads.
// An EPUB chosen there is imported beside itself first and its book taken;
// what the import had to change is said before the book opens.
// Each name that fails is said to the reader before the dialog opens again.
#include "book/BookLoader.h"
#include "desktop/InterfaceLanguage.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace tirvelo {

class MessageSink;

using BookFileChooser = std::function<std::optional<QString>()>;

// The book's text; none when the dialog was cancelled.
std::optional<BookText> pickReadableBook(QWidget* owner, const QString& name, const BookFileChooser& choose,
                                         MessageSink& messages, InterfaceLanguage language);

} // namespace tirvelo
