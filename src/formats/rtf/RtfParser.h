#pragma once
// Turns the token stream of one RTF file into a QTextDocument: text, character
// formatting (bold, italic, underline, strike-out, raised/lowered, size, font,
// colours), paragraph alignment and indents, line breaks and tabs. Pictures,
// object data, headers, footers, notes, fields' instructions and document
// properties are skipped. Bounded for hostile input: group nesting is capped
// (deeper groups are skipped whole), the font and colour tables are capped,
// so are the runs of a paragraph and the paragraphs (RtfLimits), and the
// parser's own work is linear in the input size.
#include "formats/RtfReader.h"
#include "formats/rtf/RtfControlWords.h"
#include "formats/rtf/RtfTokenizer.h"

#include <QColor>
#include <QHash>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

#include <vector>

class QTextDocument;

namespace tirvelo::rtf {

class Parser {
public:
    static constexpr std::size_t kMaxGroupDepth = 1000;
    static constexpr int kMaxTableEntries = 4096;
    static constexpr int kMaxFontNameLength = 256;

    // Appends to the document; the caller clears it first.
    Parser(QTextDocument& document, const RtfLimits& limits);
    void parse(QByteArrayView bytes);

private:
    enum class Destination { Text, Skip, FontTable, ColorTable, UnicodePair };

    struct CharacterState {
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strike = false;
        bool hidden = false;
        int vertical = 0;      // 1 raised, -1 lowered
        int halfPoints = 24;   // RTF's default size is 12 points
        int foreground = 0;    // colour table index, 0 = automatic
        int background = 0;
        int font = -1;         // font table number, -1 = none
        bool operator==(const CharacterState&) const = default;
    };
    struct ParagraphState {
        Qt::Alignment alignment = Qt::AlignLeft;
        int leftTwips = 0;
        int rightTwips = 0;
        int firstTwips = 0;
        int beforeTwips = 0;
        int afterTwips = 0;
        bool operator==(const ParagraphState&) const = default;
    };
    struct GroupState {
        Destination destination = Destination::Text;
        Destination outerDestination = Destination::Text; // inside \upr: where its \ud part goes
        bool unicodePairPart = false;                     // a group directly inside \upr
        int unicodeSkip = 1;                              // \ucN
        CharacterState character;
        ParagraphState paragraph;
    };

    void handle(const Token& token);
    bool skipped(const Token& token);
    void groupStart();
    void groupEnd();
    void controlWord(const Token& token);
    bool destinationWord(Word word);
    bool tableWord(Word word, const Token& token);
    bool unicodeWord(Word word, const Token& token);
    static bool characterFormatWord(Word word, const Token& token, CharacterState& state);
    static bool paragraphFormatWord(Word word, const Token& token, ParagraphState& paragraph);
    void contentWord(const WordInfo& info);
    void controlSymbol(char symbol);
    void text(std::string_view bytes);
    char32_t decode(unsigned char byte) const;
    void character(char32_t c);
    void paragraphBreak();
    void startParagraphIfPending();
    void flush();
    void finish();
    void commitFont();
    void commitColor();
    void applyParagraph(const ParagraphState& paragraph);
    const QTextCharFormat& charFormat(const CharacterState& state);
    QTextCharFormat makeCharFormat(const CharacterState& state) const;

    GroupState& top() { return m_groups.back(); }
    // The group that \rtf opens; m_groups[0] is the state before it.
    bool isDocumentGroup() const { return m_groups.size() <= 2; }

    QTextCursor m_cursor;
    RtfLimits m_limits;
    int m_runsInParagraph = 0; // formats started in the paragraph being read
    int m_paragraphs = 1;      // blocks made, the first one included
    bool m_pageFull = false;   // the paragraph cap was reached: the rest is not read
    std::vector<GroupState> m_groups;
    std::size_t m_groupsTooDeep = 0; // open groups beyond kMaxGroupDepth, skipped whole
    int m_fallbackToSkip = 0;        // characters of a \u fallback still to skip
    bool m_starPending = false;      // a \* waits for its destination word
    int m_defaultFont = -1;

    // Text waiting to be inserted, all in one character format.
    QString m_pending;
    CharacterState m_pendingFormat;
    bool m_paragraphPending = false;   // a \par was read; its block is made when more content comes
    bool m_paragraphHasContent = false;
    ParagraphState m_lastContentParagraph;
    bool m_cellPending = false;        // a \cell was read; a tab goes before the next cell's text
    ParagraphState m_blockParagraph;   // what the current block's format says
    QTextBlockFormat m_blockFormat;

    // Formats already made: a page uses a handful, and Qt hashes a format it has seen faster.
    static constexpr std::size_t kFormatCacheSize = 16;
    std::vector<std::pair<CharacterState, QTextCharFormat>> m_formatCache;

    struct Font {
        QString name;
        bool symbol = false; // \fcharset2: its 8-bit codes are symbols, not Windows-1252
    };
    QHash<int, Font> m_fonts;
    int m_fontNumber = -1;
    QString m_fontName;
    bool m_fontSymbol = false;
    std::vector<QColor> m_colors; // an invalid colour is "automatic"
    int m_red = -1;
    int m_green = -1;
    int m_blue = -1;
};

} // namespace tirvelo::rtf
