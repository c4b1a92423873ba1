#include "formats/rtf/RtfControlWords.h"

#include <algorithm>
#include <array>

namespace tirvelo::rtf {
namespace {

struct Entry {
    std::string_view name;
    WordInfo info;
};

constexpr Entry skipped(std::string_view name) { return {name, {Word::SkippedDestination, 0}}; }
constexpr Entry word(std::string_view name, Word w) { return {name, {w, 0}}; }
constexpr Entry character(std::string_view name, char16_t c) { return {name, {Word::Character, c}}; }

// Kept sorted by name (byte order) for the binary search below; a static_assert checks it.
constexpr auto kWords = std::to_array<Entry>({
    skipped("aftncn"),
    skipped("aftnsep"),
    skipped("aftnsepc"),
    skipped("annotation"),
    skipped("atnauthor"),
    skipped("atndate"),
    skipped("atnicn"),
    skipped("atnid"),
    skipped("atnref"),
    skipped("atntime"),
    skipped("atrfend"),
    skipped("atrfstart"),
    skipped("author"),
    word("b", Word::Bold),
    skipped("background"),
    skipped("bkmkend"),
    skipped("bkmkstart"),
    word("blue", Word::Blue),
    character("bullet", u'\u2022'),
    skipped("buptim"),
    word("cb", Word::Background),
    word("cell", Word::Cell),
    word("cf", Word::Foreground),
    word("chcbpat", Word::Background),
    skipped("colorschememapping"),
    word("colortbl", Word::ColorTable),
    skipped("comment"),
    skipped("company"),
    skipped("creatim"),
    skipped("datastore"),
    word("deff", Word::DefaultFont),
    word("dn", Word::Subscript),
    skipped("do"),
    skipped("doccomm"),
    skipped("docvar"),
    character("emdash", u'\u2014'),
    character("emspace", u'\u2003'),
    character("endash", u'\u2013'),
    character("enspace", u'\u2002'),
    word("f", Word::Font),
    skipped("falt"),
    skipped("fchars"),
    word("fcharset", Word::FontCharset),
    word("fi", Word::FirstIndent),
    skipped("fldinst"),
    word("fonttbl", Word::FontTable),
    skipped("footer"),
    skipped("footerf"),
    skipped("footerl"),
    skipped("footerr"),
    skipped("footnote"),
    word("fs", Word::FontSize),
    skipped("ftncn"),
    skipped("ftnsep"),
    skipped("ftnsepc"),
    skipped("generator"),
    word("green", Word::Green),
    skipped("header"),
    skipped("headerf"),
    skipped("headerl"),
    skipped("headerr"),
    word("highlight", Word::Background),
    word("i", Word::Italic),
    skipped("info"),
    skipped("keywords"),
    skipped("latentstyles"),
    skipped("lchars"),
    character("ldblquote", u'\u201C'),
    skipped("levelnumbers"),
    skipped("leveltext"),
    word("li", Word::LeftIndent),
    word("line", Word::LineBreak),
    skipped("listoverridetable"),
    skipped("listtable"),
    character("lquote", u'\u2018'),
    character("ltrmark", u'\u200E'),
    skipped("mmathPr"),
    word("nestcell", Word::Cell),
    word("nestrow", Word::Row),
    skipped("nonshppict"),
    word("nosupersub", Word::NoSuperSub),
    skipped("objdata"),
    skipped("operator"),
    word("page", Word::Paragraph),
    skipped("panose"),
    word("par", Word::Paragraph),
    word("pard", Word::ParagraphDefault),
    skipped("pgdsctbl"),
    skipped("pict"),
    word("plain", Word::Plain),
    skipped("pn"),
    skipped("printim"),
    word("qc", Word::AlignCenter),
    word("qd", Word::AlignJustify),
    word("qj", Word::AlignJustify),
    word("ql", Word::AlignLeft),
    character("qmspace", u'\u2005'),
    word("qr", Word::AlignRight),
    character("rdblquote", u'\u201D'),
    word("red", Word::Red),
    skipped("revtbl"),
    skipped("revtim"),
    word("ri", Word::RightIndent),
    word("row", Word::Row),
    character("rquote", u'\u2019'),
    skipped("rsidtbl"),
    character("rtlmark", u'\u200F'),
    skipped("rxe"),
    word("sa", Word::SpaceAfter),
    word("sb", Word::SpaceBefore),
    word("sect", Word::Paragraph),
    skipped("shpinst"),
    word("softline", Word::LineBreak),
    word("strike", Word::Strike),
    word("striked", Word::Strike),
    skipped("stylesheet"),
    word("sub", Word::Subscript),
    skipped("subject"),
    word("super", Word::Superscript),
    word("tab", Word::Tab),
    skipped("tc"),
    skipped("template"),
    skipped("themedata"),
    skipped("title"),
    skipped("txe"),
    word("u", Word::Unicode),
    word("uc", Word::UnicodeSkipCount),
    word("ud", Word::UnicodeDestination),
    word("ul", Word::Underline),
    word("ulc", Word::Unknown), // underline colour, not an underline
    word("uld", Word::Underline),
    word("uldash", Word::Underline),
    word("uldashd", Word::Underline),
    word("uldashdd", Word::Underline),
    word("uldb", Word::Underline),
    word("ulhwave", Word::Underline),
    word("ulldash", Word::Underline),
    word("ulnone", Word::UnderlineNone),
    word("ulth", Word::Underline),
    word("ulthd", Word::Underline),
    word("ulthdash", Word::Underline),
    word("ulthdashd", Word::Underline),
    word("ulthdashdd", Word::Underline),
    word("ulthldash", Word::Underline),
    word("ululdbwave", Word::Underline),
    word("ulw", Word::Underline),
    word("ulwave", Word::Underline),
    word("up", Word::Superscript),
    word("upr", Word::UnicodePair),
    skipped("userprops"),
    word("v", Word::Hidden),
    skipped("xe"),
    skipped("xmlnstbl"),
    character("zwj", u'\u200D'),
    character("zwnj", u'\u200C'),
});

constexpr bool isSorted()
{
    for (std::size_t i = 1; i < kWords.size(); ++i)
        if (!(kWords[i - 1].name < kWords[i].name))
            return false;
    return true;
}
static_assert(isSorted(), "the control word table must stay sorted for the binary search");

} // namespace

WordInfo lookUpWord(std::string_view name)
{
    const auto it = std::lower_bound(kWords.begin(), kWords.end(), name,
                                     [](const Entry& e, std::string_view n) { return e.name < n; });
    if (it != kWords.end() && it->name == name)
        return it->info;
    return {};
}

} // namespace tirvelo::rtf
