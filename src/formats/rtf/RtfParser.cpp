#include "formats/rtf/RtfParser.h"

#include "base/Cp1252.h"
#include "formats/WindowsFonts.h"
#include "formats/rtf/RtfControlWords.h"

#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextDocument>

#include <algorithm>
#include <array>

namespace tirvelo::rtf {
namespace {

// Paragraph indents and spacing are in twips (1440 an inch); the document works in pixels at 96 an inch.
constexpr double kTwipsPerPixel = 15.0;
// 22 inches, the widest page Word accepts; larger indents are clamped to it.
constexpr int kMaxTwips = 31680;
// Font sizes are in half-points: 2 points (below it Qt's raised and lowered text drops to a
// zero size) to 1638 points, Word's largest.
constexpr int kMinHalfPoints = 4;
constexpr int kMaxHalfPoints = 3276;
// \ucN counts the bytes of a fallback; no writer needs more than a few.
constexpr int kMaxFallbackLength = 65535;

// Every 8-bit byte of the text, escaped or not, is decoded as Windows-1252: it is the code page
// of the files this box shows, and other \ansicpg values are read as if they were 1252.
const std::array<char16_t, 256>& cp1252Table()
{
    static const std::array<char16_t, 256> table = [] {
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = static_cast<char>(b);
        const QString decoded = fromCp1252(all);
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[static_cast<std::size_t>(b)] = decoded[b].unicode();
        return t;
    }();
    return table;
}

// Unpaired surrogates (a \u with no partner) would upset text layout: they become U+FFFD.
void replaceLoneSurrogates(QString& text)
{
    QChar* chars = text.data();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (chars[i].isHighSurrogate() && i + 1 < size && chars[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (chars[i].isSurrogate())
            chars[i] = QChar::ReplacementCharacter;
    }
}

} // namespace

Parser::Parser(QTextDocument& document, const RtfLimits& limits)
    : m_cursor(&document), m_limits(limits)
{
}

void Parser::parse(QByteArrayView bytes)
{
    m_groups.assign(1, GroupState{}); // the state outside every group
    m_cursor.movePosition(QTextCursor::End);
    m_cursor.beginEditBlock();
    Tokenizer tokenizer(bytes);
    for (Token token = tokenizer.next(); token.kind != Token::Kind::End; token = tokenizer.next())
        handle(token);
    finish();
    m_cursor.endEditBlock();
}

void Parser::handle(const Token& token)
{
    using Kind = Token::Kind;
    if (skipped(token))
        return;
    if (m_starPending && token.kind != Kind::ControlWord) {
        // \* not followed by a word: the group is an unknown destination all the same.
        m_starPending = false;
        top().destination = Destination::Skip;
    }
    switch (token.kind) {
    case Kind::GroupStart:
        groupStart();
        break;
    case Kind::GroupEnd:
        groupEnd();
        break;
    case Kind::ControlWord:
        controlWord(token);
        break;
    case Kind::ControlSymbol:
        controlSymbol(token.symbol);
        break;
    case Kind::HexByte:
        character(decode(token.byte));
        break;
    case Kind::Text:
        text(token.text);
        break;
    case Kind::Binary:
    case Kind::End:
        break;
    }
}

// Takes the tokens of groups nested too deep, and the characters after \uN that
// stand in for it in older readers (a brace ends them early). True when the
// token is used up.
bool Parser::skipped(const Token& token)
{
    using Kind = Token::Kind;
    if (m_groupsTooDeep > 0) {
        if (token.kind == Kind::GroupStart)
            ++m_groupsTooDeep;
        else if (token.kind == Kind::GroupEnd)
            --m_groupsTooDeep;
        return true;
    }
    if (m_fallbackToSkip <= 0)
        return false;
    if (token.kind == Kind::Text) {
        const std::size_t fallback = std::min(token.text.size(), static_cast<std::size_t>(m_fallbackToSkip));
        m_fallbackToSkip -= static_cast<int>(fallback);
        if (fallback < token.text.size())
            text(token.text.substr(fallback));
        return true;
    }
    if (token.kind == Kind::GroupStart || token.kind == Kind::GroupEnd) {
        m_fallbackToSkip = 0;
        return false;
    }
    --m_fallbackToSkip;
    return true;
}

void Parser::groupStart()
{
    if (m_groups.size() > kMaxGroupDepth) {
        ++m_groupsTooDeep;
        return;
    }
    GroupState inner = top();
    inner.unicodePairPart = inner.destination == Destination::UnicodePair;
    if (inner.unicodePairPart)
        inner.destination = Destination::Skip; // the 8-bit half, unless \ud says otherwise
    m_groups.push_back(inner);
}

void Parser::groupEnd()
{
    // The document's own group is never closed: a stray '}' must not end the text early, and
    // what follows the real last '}' is at most a line end or a NUL, which show nothing.
    if (m_groups.size() <= 2)
        return;
    const Destination closing = top().destination;
    if (closing == Destination::FontTable && !m_fontName.isEmpty())
        commitFont(); // the last entry may lack its ';'
    m_groups.pop_back();
    if (closing == Destination::ColorTable && top().destination != Destination::ColorTable
        && (m_red >= 0 || m_green >= 0 || m_blue >= 0))
        commitColor();
}

// Each family of words is handled by one step; a step returns false for a word
// that is not of its family.
void Parser::controlWord(const Token& token)
{
    const WordInfo info = lookUpWord(token.text);
    if (m_starPending) {
        m_starPending = false;
        if (info.word != Word::UnicodeDestination) {
            top().destination = Destination::Skip;
            return;
        }
    }
    const Word word = info.word;
    const bool handled = destinationWord(word) || tableWord(word, token) || unicodeWord(word, token)
                         || characterFormatWord(word, token, top().character)
                         || paragraphFormatWord(word, token, top().paragraph);
    if (!handled)
        contentWord(info);
}

bool Parser::destinationWord(Word word)
{
    GroupState& group = top();
    // A destination word straight in the document's group is malformed: obeying it would make
    // the whole rest of the file vanish, so it is ignored there.
    const bool documentGroup = isDocumentGroup();
    switch (word) {
    case Word::FontTable:
        if (!documentGroup)
            group.destination = Destination::FontTable;
        return true;
    case Word::ColorTable:
        if (documentGroup)
            return true;
        group.destination = Destination::ColorTable;
        m_colors.clear();
        m_formatCache.clear();
        m_red = m_green = m_blue = -1;
        return true;
    case Word::SkippedDestination:
        if (!documentGroup)
            group.destination = Destination::Skip;
        return true;
    case Word::UnicodePair:
        if (documentGroup)
            return true;
        group.outerDestination = group.destination;
        group.destination = Destination::UnicodePair;
        return true;
    case Word::UnicodeDestination:
        if (group.unicodePairPart) {
            group.destination = group.outerDestination;
            group.unicodePairPart = false;
        }
        return true;
    default:
        return false;
    }
}

// The default font, and the entries of the font and colour tables.
bool Parser::tableWord(Word word, const Token& token)
{
    GroupState& group = top();
    const int value = token.parameter;
    switch (word) {
    case Word::DefaultFont:
        m_defaultFont = token.hasParameter ? value : -1;
        m_formatCache.clear();
        return true;
    case Word::Font:
        if (group.destination == Destination::FontTable) {
            if (!m_fontName.isEmpty())
                commitFont();
            m_fontNumber = token.hasParameter ? value : -1;
            m_fontSymbol = false;
        } else {
            group.character.font = token.hasParameter ? value : -1;
        }
        return true;
    case Word::FontCharset:
        if (group.destination == Destination::FontTable)
            m_fontSymbol = value == 2;
        return true;
    case Word::Red:
        m_red = std::clamp(value, 0, 255);
        return true;
    case Word::Green:
        m_green = std::clamp(value, 0, 255);
        return true;
    case Word::Blue:
        m_blue = std::clamp(value, 0, 255);
        return true;
    default:
        return false;
    }
}

bool Parser::unicodeWord(Word word, const Token& token)
{
    GroupState& group = top();
    const int value = token.parameter;
    switch (word) {
    case Word::UnicodeSkipCount:
        group.unicodeSkip = token.hasParameter ? std::clamp(value, 0, kMaxFallbackLength) : 1;
        return true;
    case Word::Unicode: {
        if (!token.hasParameter)
            return true;
        // Writers store code units as signed 16-bit numbers: -4064 is U+F020.
        const int unit = value < 0 ? value + 65536 : value;
        const int skip = group.unicodeSkip;
        character(unit >= 0 && unit <= 0x10FFFF ? static_cast<char32_t>(unit) : char32_t(QChar::ReplacementCharacter));
        m_fallbackToSkip = skip;
        return true;
    }
    default:
        return false;
    }
}

bool Parser::characterFormatWord(Word word, const Token& token, CharacterState& state)
{
    const int value = token.parameter;
    const bool on = !token.hasParameter || value != 0;
    const auto tableIndex = [&] { return token.hasParameter ? std::clamp(value, 0, kMaxTableEntries) : 0; };
    switch (word) {
    case Word::Plain:
        state = CharacterState{};
        return true;
    case Word::Bold:
        state.bold = on;
        return true;
    case Word::Italic:
        state.italic = on;
        return true;
    case Word::Underline:
        state.underline = on;
        return true;
    case Word::UnderlineNone:
        state.underline = false;
        return true;
    case Word::Strike:
        state.strike = on;
        return true;
    case Word::Superscript:
        state.vertical = on ? 1 : 0;
        return true;
    case Word::Subscript:
        state.vertical = on ? -1 : 0;
        return true;
    case Word::NoSuperSub:
        state.vertical = 0;
        return true;
    case Word::Hidden:
        state.hidden = on;
        return true;
    case Word::FontSize:
        state.halfPoints =
            token.hasParameter && value > 0 ? std::clamp(value, kMinHalfPoints, kMaxHalfPoints) : CharacterState{}.halfPoints;
        return true;
    case Word::Foreground:
        state.foreground = tableIndex();
        return true;
    case Word::Background:
        state.background = tableIndex();
        return true;
    default:
        return false;
    }
}

bool Parser::paragraphFormatWord(Word word, const Token& token, ParagraphState& paragraph)
{
    const auto twips = [&](int low) { return std::clamp(token.parameter, low, kMaxTwips); };
    switch (word) {
    case Word::ParagraphDefault:
        paragraph = ParagraphState{};
        return true;
    case Word::AlignLeft:
        paragraph.alignment = Qt::AlignLeft;
        return true;
    case Word::AlignRight:
        paragraph.alignment = Qt::AlignRight;
        return true;
    case Word::AlignCenter:
        paragraph.alignment = Qt::AlignHCenter;
        return true;
    case Word::AlignJustify:
        paragraph.alignment = Qt::AlignJustify;
        return true;
    case Word::LeftIndent:
        paragraph.leftTwips = twips(0);
        return true;
    case Word::RightIndent:
        paragraph.rightTwips = twips(0);
        return true;
    case Word::FirstIndent:
        paragraph.firstTwips = twips(-kMaxTwips);
        return true;
    case Word::SpaceBefore:
        paragraph.beforeTwips = twips(0);
        return true;
    case Word::SpaceAfter:
        paragraph.afterTwips = twips(0);
        return true;
    default:
        return false;
    }
}

// Breaks, tabs, table cells and the words that stand for one character.
void Parser::contentWord(const WordInfo& info)
{
    const bool inText = top().destination == Destination::Text;
    switch (info.word) {
    case Word::Paragraph:
        if (inText)
            paragraphBreak();
        break;
    case Word::LineBreak:
        character(QChar::LineSeparator);
        break;
    case Word::Tab:
        character(u'\t');
        break;
    case Word::Cell:
        if (inText) {
            if (m_cellPending) { // an empty cell
                m_cellPending = false;
                character(u'\t');
            }
            m_cellPending = true;
        }
        break;
    case Word::Row:
        if (inText) {
            m_cellPending = false;
            paragraphBreak();
        }
        break;
    case Word::Character:
        character(info.character);
        break;
    default:
        break; // Word::Unknown, and the words the other steps took
    }
}

void Parser::controlSymbol(char symbol)
{
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        character(static_cast<unsigned char>(symbol));
        break;
    case '~':
        character(QChar::Nbsp);
        break;
    case '-':
        character(QChar::SoftHyphen);
        break;
    case '_':
        character(u'\u2011'); // non-breaking hyphen
        break;
    case '*':
        m_starPending = !isDocumentGroup();
        break;
    case '\n':
        if (top().destination == Destination::Text)
            paragraphBreak();
        break;
    case '\t':
        character(u'\t');
        break;
    default:
        break; // \| \: and the like belong to formulas and indexes
    }
}

void Parser::text(std::string_view bytes)
{
    for (const char b : bytes)
        character(decode(static_cast<unsigned char>(b)));
}

char32_t Parser::decode(unsigned char byte) const
{
    // The bullet that WordPad and Word write before list items is 0xB7 in a Symbol font.
    constexpr unsigned char kSymbolBullet = 0xB7;
    if (byte == kSymbolBullet) {
        const CharacterState& state = m_groups.back().character;
        const auto font = m_fonts.constFind(state.font >= 0 ? state.font : m_defaultFont);
        if (font != m_fonts.constEnd() && font->symbol)
            return U'\u2022';
    }
    return cp1252Table()[byte];
}

void Parser::character(char32_t c)
{
    GroupState& group = top();
    switch (group.destination) {
    case Destination::Skip:
    case Destination::UnicodePair:
        return;
    case Destination::FontTable:
        if (c == U';')
            commitFont();
        else if (c >= 0x20 && m_fontName.size() < kMaxFontNameLength)
            m_fontName.append(QChar::fromUcs4(c));
        return;
    case Destination::ColorTable:
        if (c == U';')
            commitColor();
        return;
    case Destination::Text:
        break;
    }
    if (group.character.hidden)
        return;
    if (c == QChar::ParagraphSeparator) {
        paragraphBreak();
        return;
    }
    // Control characters and the characters QTextDocument keeps for its own frames and objects.
    if ((c < 0x20 && c != U'\t') || c == 0xFDD0 || c == 0xFDD1 || c == QChar::ObjectReplacementCharacter)
        return;
    startParagraphIfPending();
    if (m_pageFull)
        return;
    // Past the paragraph's last run, its text goes on in that run's format.
    const bool newFormat = m_runsInParagraph == 0 || !(group.character == m_pendingFormat);
    if (newFormat && m_runsInParagraph < m_limits.maxRunsPerParagraph) {
        flush();
        m_pendingFormat = group.character;
        ++m_runsInParagraph;
    }
    if (m_cellPending) {
        m_cellPending = false;
        m_pending.append(u'\t');
    }
    m_pending.append(QChar::fromUcs4(c));
    m_paragraphHasContent = true;
    m_lastContentParagraph = group.paragraph;
}

void Parser::paragraphBreak()
{
    startParagraphIfPending(); // the paragraph ended by the previous \par was empty
    if (m_pageFull)
        return;
    flush();
    applyParagraph(top().paragraph);
    m_paragraphPending = true;
    m_paragraphHasContent = false;
    m_cellPending = false;
}

// The block after a \par is made only when something follows it, so that the
// final \par that every writer puts at the end leaves no empty paragraph behind.
void Parser::startParagraphIfPending()
{
    if (!m_paragraphPending || m_pageFull)
        return;
    flush();
    if (m_paragraphs >= m_limits.maxParagraphs) {
        m_pageFull = true;
        return;
    }
    m_paragraphPending = false;
    ++m_paragraphs;
    m_runsInParagraph = 0;
    m_cursor.insertBlock(m_blockFormat, charFormat(top().character)); // it inherits the paragraph format
}

void Parser::flush()
{
    if (m_pending.isEmpty())
        return;
    replaceLoneSurrogates(m_pending);
    m_cursor.insertText(m_pending, charFormat(m_pendingFormat));
    m_pending.clear();
}

void Parser::finish()
{
    flush();
    // The last paragraph had no \par: it keeps the formatting its text was written with.
    if (!m_paragraphPending && m_paragraphHasContent)
        applyParagraph(m_lastContentParagraph);
}

void Parser::commitFont()
{
    const QString name = m_fontName.trimmed();
    if (m_fontNumber >= 0 && !name.isEmpty() && (m_fonts.size() < kMaxTableEntries || m_fonts.contains(m_fontNumber)))
        m_fonts.insert(m_fontNumber, Font{name, m_fontSymbol});
    m_formatCache.clear();
    m_fontName.clear();
    m_fontNumber = -1;
    m_fontSymbol = false;
}

void Parser::commitColor()
{
    if (static_cast<int>(m_colors.size()) < kMaxTableEntries) {
        // An entry with no component at all is "automatic", the text's usual colour.
        if (m_red < 0 && m_green < 0 && m_blue < 0)
            m_colors.emplace_back();
        else
            m_colors.emplace_back(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0));
    }
    m_red = m_green = m_blue = -1;
    m_formatCache.clear();
}

void Parser::applyParagraph(const ParagraphState& paragraph)
{
    if (paragraph == m_blockParagraph)
        return;
    QTextBlockFormat format;
    format.setAlignment(paragraph.alignment);
    format.setLeftMargin(paragraph.leftTwips / kTwipsPerPixel);
    format.setRightMargin(paragraph.rightTwips / kTwipsPerPixel);
    format.setTextIndent(paragraph.firstTwips / kTwipsPerPixel);
    format.setTopMargin(paragraph.beforeTwips / kTwipsPerPixel);
    format.setBottomMargin(paragraph.afterTwips / kTwipsPerPixel);
    m_cursor.setBlockFormat(format);
    m_blockParagraph = paragraph;
    m_blockFormat = format;
}

const QTextCharFormat& Parser::charFormat(const CharacterState& state)
{
    for (const auto& [cached, format] : m_formatCache)
        if (cached == state)
            return format;
    if (m_formatCache.size() >= kFormatCacheSize)
        m_formatCache.clear();
    m_formatCache.emplace_back(state, makeCharFormat(state));
    return m_formatCache.back().second;
}

QTextCharFormat Parser::makeCharFormat(const CharacterState& state) const
{
    QTextCharFormat format;
    format.setFontWeight(state.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(state.italic);
    format.setFontUnderline(state.underline);
    format.setFontStrikeOut(state.strike);
    format.setFontPointSize(state.halfPoints / 2.0);
    if (state.vertical != 0)
        format.setVerticalAlignment(state.vertical > 0 ? QTextCharFormat::AlignSuperScript
                                                       : QTextCharFormat::AlignSubScript);
    const auto font = m_fonts.constFind(state.font >= 0 ? state.font : m_defaultFont);
    if (font != m_fonts.constEnd())
        format.setFontFamilies(familiesFor(font->name));
    const auto color = [this](int index) {
        return static_cast<std::size_t>(index) < m_colors.size() ? m_colors[static_cast<std::size_t>(index)] : QColor();
    };
    // \cf0 is the table's first entry (usually "automatic"); \cb0 and \highlight0 always mean none.
    if (const QColor foreground = color(state.foreground); foreground.isValid())
        format.setForeground(foreground);
    if (const QColor background = color(state.background); state.background > 0 && background.isValid())
        format.setBackground(background);
    return format;
}

} // namespace tirvelo::rtf
