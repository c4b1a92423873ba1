#pragma once
// The page rules without a window. Showing the current page of the book gives
// a PageView: which box shows the page, what it holds, what is spoken, which
// sound plays, the page label, or the failure to tell. The page-turning
// commands give a PageTurn: what to silence and which page to show. The
// window carries these out on its widgets, the speech engine and the sound
// player; nothing here shows, speaks or plays.
#include "book/Book.h"
#include "book/PageEntry.h"
#include "formats/Picture.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QTextDocument;

namespace tirvelo {

// The box a page is shown in; None when the entry lies outside the book's list.
enum class PageBox { None, Text, RichText, Picture };

// What the speech engine is asked to read, as the bytes it receives.
struct SpokenPage {
    enum class Call { None, ReadFile, Read };
    Call call = Call::None;
    QByteArray cp1252; // the file name (ReadFile) or the whole plain text (Read)
};

// Carried out in this order: the box is shown with its new content; then
// either the failure is told, or the sound starts, the speech is asked for and
// the label is set.
struct PageView {
    int32_t currentPage = 0;        // CurrentPage brought into range
    PageKind kind = PageKind::Empty;
    PageBox box = PageBox::None;    // the one box made visible
    QString file;                   // the page's file, as the entry names it
    QString companion;              // the companion, as written after "#"
    CompanionKind companionKind = CompanionKind::None;
    std::optional<QString> text;    // the text box's new text
    std::optional<Picture> picture; // the picture box's new picture
    bool stretch = false;           // the picture is larger than the box
    QString pictureDescription;     // what a screen reader says the picture is
    bool richTextLoaded = false;    // the rich-text document now holds the page or its companion
    std::optional<QString> sound;   // the companion sound to start
    SpokenPage speech;
    std::optional<QString> label;   // the page label's new text; none: it keeps its text
    QStringList filesRead;          // the names of the files the page was made from, as written
    // A page failure ends the showing with this message; the fields above say
    // what was done before it and stays (the box, a picture already loaded).
    std::optional<QString> failure;
};

// What the window knows that the page rules need.
struct ReadingState {
    bool readingAloud = false; // "Llegeix els fitxers text" is ticked
    QSize pictureBox;          // the picture box in device pixels
};

// What the page on screen has started.
struct VoiceState {
    bool speaking = false;
    bool soundPlaying = false;
};

// A picture the caller already knows to decode, by the path it would be
// loaded from, or nullopt; such a picture is not loaded again (the book check
// needs only whether it decodes).
using KnownPicture = std::function<std::optional<Picture>(const QString& path)>;

enum class PageCommand { Previous, Next };

// A page-turning command's effects, in this order.
struct PageTurn {
    bool stopReading = false;
    bool stopSound = false;
    std::optional<int32_t> showPage; // none: the page stays and is not shown again
    QString failureMessage;          // what the command tells when it fails
};

class PagePresenter {
public:
    // Loads the current page's files afresh. A rich-text page, or a picture's
    // rich-text companion, is read into richTextBox (the rich-text box's
    // document, shown or not); a failed load leaves it untouched.
    PageView present(const Book& book, const ReadingState& reading, QTextDocument& richTextBox) const;
    // The same, asking known first for each picture.
    PageView present(const Book& book, const ReadingState& reading, QTextDocument& richTextBox,
                     const KnownPicture& known) const;

    PageTurn turn(PageCommand command, const Book& book, const VoiceState& voice) const;
    // The command of the highlighted button (ScanPosition 0 or 1), if any.
    static std::optional<PageCommand> activate(int32_t scanPosition);
    // The engine could not stop a reading: the command's message the first
    // time, nothing afterwards (the page turns all the same).
    std::optional<QString> stopRefused(const PageTurn& turn);

    // "3 - 12": the current page counted from one, and the page count.
    static QString pageLabel(const Book& book);

private:
    bool m_stopFailureTold = false;
};

} // namespace tirvelo
