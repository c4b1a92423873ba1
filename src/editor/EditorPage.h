#pragma once
// One page as the editor holds it: what the page is made of, and where each of
// its files came from. Pages are plain values, so an undo command can keep a
// page whole and put it back.
#include <QString>
#include <QtGlobal>

namespace tirvelo::editor {

// A file a page is made of.
struct PageFile {
    QString source;   // the file on disk, absolute; empty for a text not yet written
    QString bookName; // the name as the opened book writes it; empty for a new file
    bool operator==(const PageFile&) const = default;
};

enum class EditorPageKind {
    Picture,  // a picture, with or without narration
    Text,     // a text page, read aloud
    RichText, // a rich-text page of an existing book, kept as it is
};

enum class Narration {
    None,
    Sound,    // a recorded or imported wave file
    Text,     // a text read aloud
    RichText, // a rich-text companion of an existing book, kept as it is
};

struct EditorPage {
    quint64 id = 0; // stable while the editor is open; a duplicate gets its own
    EditorPageKind kind = EditorPageKind::Picture;
    PageFile file; // the picture, the text page's file or the rich-text page
    Narration narration = Narration::None;
    PageFile companion; // the sound, the narration's text file or rich text
    // What a text page or a text narration says, as typed (lines end in "\n").
    QString text;
    // The text as its file held it when the book was opened: an unchanged text
    // keeps its file, which is then not written again.
    QString textOnDisk;

    bool operator==(const EditorPage&) const = default;

    bool hasText() const { return kind == EditorPageKind::Text || narration == Narration::Text; }
    // The file the typed text goes to (a text page's own, or the narration's).
    const PageFile& textFile() const { return kind == EditorPageKind::Text ? file : companion; }
    PageFile& textFile() { return kind == EditorPageKind::Text ? file : companion; }
};

} // namespace tirvelo::editor

#include <QMetaType>
Q_DECLARE_METATYPE(tirvelo::editor::EditorPage)
