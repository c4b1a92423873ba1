#pragma once
// What the editor says, in the interface language: the window's captions and
// the model's messages. The reader's own messages are quoted as it shows them.
#include "desktop/InterfaceLanguage.h"

#include <QString>

namespace tirvelo::editor {

enum class EditorText {
    // Messages (%1: a file or folder, a character).
    UnwritableCharacter, // %1 the character, %2 its code, %3 what the nearest is
    PictureUnreadable,
    PictureNotShown,
    SoundUndecodable,
    FolderNotWritable,
    WriteFailed,
    SourceUnreadable,
    Refused,
    ConfirmReplace,
    NotABook,
    NoPages,
    TooManyPages,
    Saved,
    Saving,
    Importing,
    UnsavedChanges,
    // The strip.
    PagePosition, // %1 of %2
    PageKindPicture,
    PageKindPictureSound,
    PageKindPictureText,
    PageKindText,
    PageKindRichText,
    // The window.
    WindowTitle,
    NewBook,
    OpenBook,
    SaveBook,
    SaveBookAs,
    ImportEpub,
    AddPictures,
    AddFolder,
    AddTextPage,
    Paste,
    Duplicate,
    Delete,
    MoveUp,
    MoveDown,
    Undo,
    Redo,
    Close,
    Pages,
    PageText,
    NarrationNone,
    NarrationSound,
    NarrationText,
    Record,
    Stop,
    Listen,
    RecordAgain,
    ImportSound,
    Try,
    Findings,
    LevelBar,
    Timer,
    Preview,
    BookFilter,
    PictureFilter,
    SoundFilter,
    EpubFilter,
};

QString editorText(EditorText text, InterfaceLanguage language);

} // namespace tirvelo::editor
