#pragma once
// The RTF control words the reader acts on. Every other word is ignored, which
// is what RTF asks of a reader for words it does not know.
#include <string_view>

namespace tirvelo::rtf {

enum class Word {
    Unknown,
    // Document and tables.
    DefaultFont, FontTable, ColorTable, Font, FontCharset, Red, Green, Blue,
    SkippedDestination, UnicodePair, UnicodeDestination, UnicodeSkipCount, Unicode,
    // Character formatting.
    Plain, Bold, Italic, Underline, UnderlineNone, Strike, Superscript, Subscript, NoSuperSub,
    Hidden, FontSize, Foreground, Background,
    // Paragraph formatting and breaks.
    ParagraphDefault, AlignLeft, AlignRight, AlignCenter, AlignJustify,
    LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter,
    Paragraph, LineBreak, Tab, Cell, Row,
    // A word that stands for one character (\emdash, \bullet...), given in WordInfo::character.
    Character,
};

struct WordInfo {
    Word word = Word::Unknown;
    char16_t character = 0; // for Word::Character
};

WordInfo lookUpWord(std::string_view name);

} // namespace tirvelo::rtf
