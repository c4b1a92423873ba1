#include "formats/RtfReader.h"

#include "support/TestApplication.h"
#include "support/TestPaths.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <memory>

using namespace tirvelo;
using tirvelo::test::testDataPath;

// Readable failure messages for Qt strings.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* out) { *out << list.join(", ").toStdString(); }
QT_END_NAMESPACE

namespace {

// The rich-text box lives in a GUI program: read the documents the way it does, fonts and all.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override { test::guiApplication(); }
};
const auto* const kGuiEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

QString plainOf(const QByteArray& rtf)
{
    QTextDocument document;
    EXPECT_TRUE(readRtf(rtf, document));
    return richTextPlainText(document);
}

// The cursor right after the first character of the first occurrence of text.
QTextCursor cursorAt(const QTextDocument& document, const QString& text)
{
    const QTextCursor found = document.find(text);
    EXPECT_FALSE(found.isNull()) << "not in the document: " << text.toStdString();
    QTextCursor inside(const_cast<QTextDocument*>(&document));
    inside.setPosition(found.isNull() ? 0 : found.selectionStart() + 1);
    return inside;
}

QTextCharFormat formatOf(const QTextDocument& document, const QString& text)
{
    return cursorAt(document, text).charFormat();
}

Qt::Alignment alignmentOf(const QTextDocument& document, const QString& text)
{
    return cursorAt(document, text).blockFormat().alignment() & Qt::AlignHorizontal_Mask;
}

QColor foregroundOf(const QTextDocument& document, const QString& text)
{
    const QTextCharFormat format = formatOf(document, text);
    return format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : QColor();
}

bool isBold(const QTextCharFormat& format) { return format.fontWeight() >= QFont::Bold; }

} // namespace

TEST(RtfReader, LibreOfficeDocument)
{
    QTextDocument document;
    ASSERT_TRUE(loadRichTextFile(testDataPath("rtf/libreoffice.rtf"), document));
    EXPECT_EQ(richTextPlainText(document),
              QStringLiteral(u"La plaça\r\nEl gat dorm a la cadira de l·l·lum.\r\nVermell i gran\r\n"
                             u"Primera línia\r\nsegona línia — fi\r\nÀvia ç €"));
    EXPECT_EQ(document.blockCount(), 5) << "the closing \\par leaves no empty paragraph";

    EXPECT_TRUE(isBold(formatOf(document, "plaça")));
    EXPECT_EQ(alignmentOf(document, "plaça"), Qt::AlignHCenter);
    EXPECT_TRUE(formatOf(document, "dorm").fontItalic());
    EXPECT_FALSE(isBold(formatOf(document, "dorm")));
    EXPECT_FALSE(formatOf(document, "gat").fontItalic()) << "italic ends with its group";
    EXPECT_TRUE(formatOf(document, "cadira").fontUnderline());
    EXPECT_FALSE(formatOf(document, "lum").fontUnderline());
    EXPECT_EQ(foregroundOf(document, "Vermell"), QColor(255, 0, 0));
    EXPECT_FALSE(foregroundOf(document, "gran").isValid()) << "\\cf0 of an automatic first entry sets no colour";
    EXPECT_EQ(formatOf(document, "gran").fontPointSize(), 20.0);
    EXPECT_EQ(formatOf(document, "Vermell").fontPointSize(), 12.0);
    EXPECT_EQ(alignmentOf(document, "Vermell"), Qt::AlignRight);
    EXPECT_EQ(alignmentOf(document, "Primera"), Qt::AlignJustify);
    EXPECT_EQ(alignmentOf(document, "Àvia"), Qt::AlignLeft);
    // No \f in the body: the text is in the default font \deff3.
    EXPECT_EQ(formatOf(document, "Àvia").fontFamilies().toStringList().value(0), QStringLiteral("DejaVu Serif"));
}

TEST(RtfReader, LibreOfficeTableAndPlainTextExports)
{
    QTextDocument table;
    ASSERT_TRUE(loadRichTextFile(testDataPath("rtf/libreoffice-table.rtf"), table));
    EXPECT_EQ(richTextPlainText(table), QStringLiteral(u"Taula:\r\nNom\tEdat\r\nMarçal\t8\r\nFi"));

    QTextDocument text;
    ASSERT_TRUE(loadRichTextFile(testDataPath("rtf/libreoffice-text.rtf"), text));
    EXPECT_EQ(richTextPlainText(text), QStringLiteral(u"Bon dia, Jordi.\r\nAvui és dijous."));
    EXPECT_EQ(formatOf(text, "Avui").fontPointSize(), 10.0);
    EXPECT_EQ(formatOf(text, "Avui").fontFamilies().toStringList().value(0), QStringLiteral("DejaVu Sans Mono"));
}

TEST(RtfReader, WordPadDocument)
{
    QTextDocument document;
    ASSERT_TRUE(loadRichTextFile(testDataPath("rtf/wordpad.rtf"), document));
    EXPECT_EQ(richTextPlainText(document),
              QStringLiteral(u"Hola, món!\r\nNegreta, cursiva, subratllat i ratllat.\r\nCentrat blau\r\n"
                             u"Dreta verda\r\nPlaça, l·l, àvia\tfi\r\nsegona línia\r\n•\tPunt\r\nTimes"));

    EXPECT_TRUE(isBold(formatOf(document, "Negreta")));
    EXPECT_FALSE(isBold(formatOf(document, "cursiva")));
    EXPECT_TRUE(formatOf(document, "cursiva").fontItalic());
    EXPECT_TRUE(formatOf(document, "subratllat").fontUnderline());
    EXPECT_FALSE(formatOf(document, "ratllat.").fontUnderline()) << "\\ulnone";
    EXPECT_TRUE(formatOf(document, "ratllat.").fontStrikeOut());
    EXPECT_EQ(formatOf(document, "Hola").fontPointSize(), 10.0);
    EXPECT_EQ(formatOf(document, "Hola").fontFamilies().toStringList().value(0), QStringLiteral("Arial"));

    EXPECT_EQ(alignmentOf(document, "Centrat"), Qt::AlignHCenter);
    EXPECT_EQ(foregroundOf(document, "Centrat"), QColor(0, 0, 255));
    EXPECT_EQ(formatOf(document, "Centrat").fontPointSize(), 16.0);
    EXPECT_EQ(alignmentOf(document, "Dreta"), Qt::AlignRight);
    EXPECT_EQ(foregroundOf(document, "Dreta"), QColor(0, 128, 0));
    EXPECT_EQ(alignmentOf(document, "Plaça"), Qt::AlignJustify);
    EXPECT_EQ(alignmentOf(document, "Times"), Qt::AlignLeft) << "\\pard ends the justification";

    // The bullet item: hanging indent of 360 twips at 720 twips (24 and 48 pixels).
    const QTextBlockFormat bullet = cursorAt(document, "Punt").blockFormat();
    EXPECT_EQ(bullet.leftMargin(), 48.0);
    EXPECT_EQ(bullet.textIndent(), -24.0);
    EXPECT_EQ(formatOf(document, "Times").fontFamilies().toStringList().value(0), QStringLiteral("Times New Roman"));
    EXPECT_EQ(formatOf(document, "Times").fontPointSize(), 12.0);
}

TEST(RtfReader, WordDocumentKeepsOnlyTheBodyText)
{
    QTextDocument document;
    ASSERT_TRUE(loadRichTextFile(testDataPath("rtf/word.rtf"), document));
    // Header, footer, footnote, field instruction, pictures, list templates, style sheet, document
    // properties and hidden text all stay out; the 8-bit half of \upr is dropped for its \ud half.
    EXPECT_EQ(richTextPlainText(document),
              QStringLiteral(u"La plaça vella\r\n"
                             u"Un text amb “cometes”, l·l, € i cursiva, subratllat i marcat. Coreà: 가, emoji: 😀.\r\n"
                             u"Enllaç de prova\r\n"
                             u"•\tElement de llista\r\n"
                             u"Petit vermell—fi"));

    const QTextCharFormat title = formatOf(document, "plaça");
    EXPECT_TRUE(isBold(title));
    EXPECT_EQ(title.fontPointSize(), 16.0);
    EXPECT_EQ(title.fontFamilies().toStringList().value(0), QStringLiteral("Arial"));
    EXPECT_EQ(foregroundOf(document, "plaça"), QColor(0, 0, 255));
    EXPECT_EQ(alignmentOf(document, "plaça"), Qt::AlignHCenter);

    EXPECT_EQ(alignmentOf(document, "cometes"), Qt::AlignJustify);
    EXPECT_EQ(formatOf(document, "cometes").fontFamilies().toStringList().value(0), QStringLiteral("Times New Roman"));
    EXPECT_TRUE(formatOf(document, "cursiva").fontItalic());
    EXPECT_TRUE(formatOf(document, "subratllat").fontUnderline());
    EXPECT_EQ(formatOf(document, "marcat").background().color(), QColor(255, 255, 0));
    EXPECT_FALSE(formatOf(document, "Coreà").hasProperty(QTextFormat::BackgroundBrush));

    EXPECT_TRUE(formatOf(document, "Enllaç").fontUnderline()) << "the field's result is shown";
    EXPECT_EQ(foregroundOf(document, "Enllaç"), QColor(0, 0, 255));
    EXPECT_EQ(cursorAt(document, "Element").blockFormat().leftMargin(), 48.0);
    EXPECT_EQ(alignmentOf(document, "Petit"), Qt::AlignRight);
    EXPECT_EQ(foregroundOf(document, "Petit"), QColor(255, 0, 0));
    EXPECT_EQ(formatOf(document, "Petit").fontPointSize(), 10.0);
}

TEST(RtfReader, PlainTextFallbackAndUnreadableFiles)
{
    QTextDocument document;
    ASSERT_TRUE(loadRichTextFile(testDataPath("rtf/plain-text.rtf"), document));
    EXPECT_EQ(richTextPlainText(document),
              QStringLiteral(u"Primera línia\r\nSegona\r\nTercera\r\nQuarta plaça €\r\n"));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString before = richTextPlainText(document);
    EXPECT_FALSE(loadRichTextFile(dir.filePath("missing.rtf"), document));
    EXPECT_FALSE(loadRichTextFile(dir.path(), document)) << "a directory";
    EXPECT_FALSE(loadRichTextFile(QString(), document));
    EXPECT_FALSE(loadRichTextFile("/dev/zero", document)) << "a device is never read";

    // A FIFO with no writer would block an open for reading: it must be refused at once.
    const QString fifo = dir.filePath("pipe.rtf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(loadRichTextFile(fifo, document));

    // One byte over the limit (a sparse file, nothing is written).
    const QString huge = dir.filePath("huge.rtf");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(kMaxRichTextFileBytes + 1));
    }
    EXPECT_FALSE(loadRichTextFile(huge, document));

    if (::geteuid() != 0) { // root reads whatever the mode says
        const QString locked = dir.filePath("locked.rtf");
        QFile file(locked);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("{\\rtf1 secret}");
        file.close();
        ASSERT_TRUE(file.setPermissions(QFileDevice::Permissions()));
        EXPECT_FALSE(loadRichTextFile(locked, document));
    }
    EXPECT_EQ(richTextPlainText(document), before) << "a failed load leaves the box as it was";

    const QString empty = dir.filePath("empty.rtf");
    {
        QFile file(empty);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_TRUE(loadRichTextFile(empty, document)) << "an empty file is empty plain text";
    EXPECT_TRUE(richTextPlainText(document).isEmpty());
}

TEST(RtfReader, RecognisesRichTextOnlyByItsOpening)
{
    QTextDocument document;
    ASSERT_TRUE(readRtf("{\\rtf1 kept}", document));
    EXPECT_FALSE(readRtf("rtf1 text", document));
    EXPECT_FALSE(readRtf("x{\\rtf1 text}", document));
    EXPECT_FALSE(readRtf("{\\RTF1 text}", document));
    EXPECT_FALSE(readRtf("{\\rt", document));
    EXPECT_FALSE(readRtf(QByteArray(), document));
    EXPECT_EQ(richTextPlainText(document), "kept") << "bytes that are not rich text leave the document alone";

    EXPECT_EQ(plainOf(" \t\r\n{\\rtf1 blanks first}"), "blanks first");
    EXPECT_EQ(plainOf("{\\rtf"), "");
}

TEST(RtfReader, CatalanThroughEscapesAndUnicode)
{
    // The same letters as 8-bit escapes, as \u with a fallback, and as raw Windows-1252 bytes.
    EXPECT_EQ(plainOf("{\\rtf1\\ansi\\ansicpg1252 pl\\'e0\\'e7a l\\'b7l \\'c0 \\'c7 \\'80}"),
              QStringLiteral(u"plàça l·l À Ç €"));
    EXPECT_EQ(plainOf("{\\rtf1\\uc1 pl\\u224\\'e0\\u231 ?a l\\u183\\'b7l}"), QStringLiteral(u"plàça l·l"));
    EXPECT_EQ(plainOf("{\\rtf1 pl\xe0\xe7" "a}"), QStringLiteral(u"plàça"));
    // Another code page is still read as 1252.
    EXPECT_EQ(plainOf("{\\rtf1\\ansi\\ansicpg1250 \\'e8}"), QStringLiteral(u"è"));
}

TEST(RtfReader, UnicodeFallbackSkipping)
{
    struct Case {
        const char* rtf;
        const char16_t* plain;
    };
    const Case cases[] = {
        {"{\\rtf1 a\\u233\\'e9b}", u"aéb"},
        {"{\\rtf1 a\\u233 eb}", u"aéb"},                       // a fallback letter
        {"{\\rtf1\\uc2 a\\u233\\'82\\'a0b}", u"aéb"},          // two escapes
        {"{\\rtf1\\uc2 a\\u233 XYb}", u"aéb"},                  // two letters of one text run
        {"{\\rtf1\\uc0 a\\u233 b}", u"aéb"},                    // no fallback at all
        {"{\\rtf1\\uc1 a\\u233\\par b}", u"aéb"},               // a control word counts as one
        {"{\\rtf1\\uc1 a\\u233\\{b}", u"aéb"},                  // so does a control symbol
        {"{\\rtf1 {\\uc2 \\u233 xx}\\u233 xy}", u"ééy"},        // \uc ends with its group
        {"{\\rtf1 {\\uc3 a\\u233 x}b}", u"aéb"},                // a brace ends the fallback
        {"{\\rtf1\\uc5 \\u233}", u"é"},                          // the file ends inside it
        {"{\\rtf1 \\u-21504?}", u"가"},                          // negative: above 32767
        {"{\\rtf1 \\u-10179?\\u-8704?}", u"😀"},                 // a surrogate pair
        {"{\\rtf1 \\u-10179?x}", u"\uFFFDx"},                    // half a pair
        {"{\\rtf1 \\u-99999999999 ?x}", u"\uFFFDx"},
        {"{\\rtf1 \\u99999999999 ?x}", u"\uFFFDx"},
        {"{\\rtf1 \\uc99999999999 \\u233 abc}d}", u"éd"},
        {"{\\rtf1 \\u0 ?x\\u7 ?}", u"x"},                        // control characters are dropped
        {"{\\rtf1 a\\u8232 ?b\\u8233 ?c}", u"a\r\nb\r\nc"},     // line and paragraph separators
    };
    for (const Case& c : cases)
        EXPECT_EQ(plainOf(c.rtf), QString::fromUtf16(c.plain)) << c.rtf;
}

TEST(RtfReader, GroupsDestinationsAndSymbols)
{
    struct Case {
        const char* rtf;
        const char16_t* plain;
    };
    const Case cases[] = {
        {"{\\rtf1 a{\\*\\unknown x{nested \\par y}}b}", u"ab"},
        {"{\\rtf1 a{\\*{odd}}b}", u"ab"},
        {"{\\rtf1 a{\\unknownword kept}b}", u"akeptb"},
        {"{\\rtf1 a{\\pict\\wmetafile8\\bin3 }{\\}b}", u"ab"},         // binary braces are data
        {"{\\rtf1 a{\\pict\\bin99999999999 }{xyz", u"a"},
        {"{\\rtf1 a\\bin-5 b}", u"ab"},
        {"{\\rtf1 {\\info{\\title T}{\\author A}}{\\header H}{\\footer F}{\\footnote N}body}", u"body"},
        {"{\\rtf1 {\\stylesheet{\\s0 Normal;}}{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1;}text}", u"text"},
        {"{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt shown}}}", u"shown"},
        {"{\\rtf1 {\\field{\\fldinst PAGE}{\\fldrslt 3}}}", u"3"},
        {"{\\rtf1 {\\upr{ansi}{\\*\\ud{uni\\u233 ?}}}}", u"unié"},
        {"{\\rtf1 \\{\\}\\\\ \\~\\-\\_}", u"{}\\ \u00A0-"},
        {"{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}", u"—–•‘’“”"},
        {"{\\rtf1 a\\tab b\\line c\\par d}", u"a\tb\r\nc\r\nd"},
        {"{\\rtf1 a\\\r\nb\\\nc}", u"a\r\nb\r\nc"},                      // \ before a line end is \par
        {"{\\rtf1 a\r\nb\rc\nd}", u"abcd"},                                // raw line ends are not text
        {"{\\rtf1 a\\par}", u"a"},
        {"{\\rtf1 a\\par\\par}", u"a\r\n"},
        {"{\\rtf1 \\par a}", u"\r\na"},
        {"{\\rtf1 a{\\v hidden}b}", u"ab"},
        {"{\\rtf1 A\\cell B\\cell\\row C\\cell\\cell D\\cell\\row}", u"A\tB\r\nC\t\tD"},
        {"{\\rtf1 ab\\foo-x}", u"ab-x"},                                   // '-' without digits is text
        {"{\\rtf1 a}}}b}", u"ab"},                                         // stray closing braces
        {"{\\rtf1 a\\*\\foo b}", u"ab"},                                   // destinations need a group
        {"{\\rtf1 a\\pict b\\fonttbl c\\upr d}", u"abcd"},
        {"{\\rtf1 a\\abcdefghijklmnopqrstuvwxyzabcdefghijklmnop b}", u"ab"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plainOf(c.rtf), QString::fromUtf16(c.plain)) << c.rtf;

    // Soft and non-breaking hyphens stay in the document for display.
    QTextDocument document;
    ASSERT_TRUE(readRtf("{\\rtf1 a\\-b\\_c\\~d}", document));
    EXPECT_EQ(document.toRawText(), QStringLiteral(u"a\u00ADb\u2011c\u00A0d"));
}

TEST(RtfReader, CharacterFormattingIsGroupScoped)
{
    QTextDocument document;
    ASSERT_TRUE(readRtf("{\\rtf1{\\colortbl;\\red10\\green20\\blue30;}"
                        "\\b one {\\i two {\\ul three} four\\b0  five} six\\plain  seven "
                        "\\ul u1\\ul0  n1 \\uldb u2\\ulnone  n2 \\ul u3\\ul0  n3 "
                        "\\cf1 c1\\cf0  c0 \\cf99 c99 \\fs0 s0 \\fs99999999999 big \\super up\\nosupersub  mid}",
                        document));
    const auto check = [&](const char* word, bool bold, bool italic, bool underline) {
        const QTextCharFormat f = formatOf(document, word);
        EXPECT_EQ(isBold(f), bold) << word;
        EXPECT_EQ(f.fontItalic(), italic) << word;
        EXPECT_EQ(f.fontUnderline(), underline) << word;
    };
    check("one", true, false, false);
    check("two", true, true, false);
    check("three", true, true, true);
    check("four", true, true, false);
    check("five", false, true, false);
    check("six", true, false, false);
    check("seven", false, false, false);
    check("u1", false, false, true);
    check("n1", false, false, false);
    check("u2", false, false, true);
    check("n2", false, false, false);
    check("u3", false, false, true);
    check("n3", false, false, false);
    EXPECT_EQ(foregroundOf(document, "c1"), QColor(10, 20, 30));
    EXPECT_FALSE(foregroundOf(document, "c0").isValid());
    EXPECT_FALSE(foregroundOf(document, "c99").isValid()) << "an index past the table";
    EXPECT_EQ(formatOf(document, "s0").fontPointSize(), 12.0);
    EXPECT_EQ(formatOf(document, "big").fontPointSize(), 1638.0);
    EXPECT_EQ(formatOf(document, "up").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(formatOf(document, "mid").verticalAlignment(), QTextCharFormat::AlignNormal);
}

// Under the tests' font configuration (only the fonts the program depends on,
// no family aliases), Windows families still draw with their metric twins.
TEST(RtfReader, WindowsFontsDrawWithTheirMetricTwins)
{
    QTextDocument document;
    ASSERT_TRUE(readRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}{\\f2 Courier New;}{\\f3 Calibri;}"
                        "{\\f4 Cambria;}{\\f5 DejaVu Serif;}}\\f0 a \\f1 b \\f2 c \\f3 d \\f4 e \\f5 f}",
                        document));
    const std::pair<const char*, const char*> expected[] = {
        {"a", "Liberation Sans"}, {"b", "Liberation Serif"}, {"c", "Liberation Mono"},
        {"d", "Carlito"},         {"e", "Caladea"},          {"f", "DejaVu Serif"}};
    for (const auto& [word, family] : expected)
        EXPECT_EQ(QFontInfo(formatOf(document, word).font()).family(), QString::fromLatin1(family)) << word;
}

TEST(RtfReader, ParagraphFormatting)
{
    QTextDocument document;
    ASSERT_TRUE(readRtf("{\\rtf1 \\qc centre\\par \\qr right\\par\\pard plain\\par \\qj\\li999999999 \\fi-99999999999 "
                        "just\\par {\\qc grouped\\par}after\\par \\qr last without par}",
                        document));
    EXPECT_EQ(alignmentOf(document, "centre"), Qt::AlignHCenter);
    EXPECT_EQ(alignmentOf(document, "right"), Qt::AlignRight);
    EXPECT_EQ(alignmentOf(document, "plain"), Qt::AlignLeft);
    EXPECT_EQ(alignmentOf(document, "just"), Qt::AlignJustify);
    EXPECT_EQ(cursorAt(document, "just").blockFormat().leftMargin(), 31680 / 15.0) << "clamped to 22 inches";
    EXPECT_EQ(cursorAt(document, "just").blockFormat().textIndent(), -31680 / 15.0);
    EXPECT_EQ(alignmentOf(document, "grouped"), Qt::AlignHCenter);
    EXPECT_EQ(alignmentOf(document, "after"), Qt::AlignJustify) << "paragraph formatting ends with its group";
    EXPECT_EQ(alignmentOf(document, "last"), Qt::AlignRight);
    EXPECT_EQ(document.blockCount(), 7);
}

TEST(RtfReader, MalformedInputGivesSaneText)
{
    const QByteArray deep = QByteArray(100000, '{');
    const QByteArray undeep = QByteArray(100000, '}');
    // Nesting far past the cap: the deep content is dropped, the text around it survives.
    EXPECT_EQ(plainOf("{\\rtf1 a" + deep + "deep" + undeep + "b}"), "ab");
    EXPECT_EQ(plainOf("{\\rtf1 a" + deep + "\\b deep"), "a");
    EXPECT_EQ(plainOf("{\\rtf1 a" + undeep + "b"), "ab");
    // Within the cap nothing is lost, and formatting still unwinds.
    const QByteArray nested = QByteArray(900, '{');
    const QByteArray unnested = QByteArray(900, '}');
    QTextDocument document;
    ASSERT_TRUE(readRtf("{\\rtf1 " + nested + "\\b mid" + unnested + " end}", document));
    EXPECT_EQ(richTextPlainText(document), "mid end");
    EXPECT_TRUE(isBold(formatOf(document, "mid")));
    EXPECT_FALSE(isBold(formatOf(document, "end")));

    // Cut short anywhere: inside a group, a word, a parameter, an escape, a \u fallback.
    EXPECT_EQ(plainOf("{\\rtf1 {\\b bold"), "bold");
    EXPECT_EQ(plainOf("{\\rtf1 abc\\pa"), "abc");
    EXPECT_EQ(plainOf("{\\rtf1 abc\\"), "abc");
    EXPECT_EQ(plainOf("{\\rtf1 abc\\'"), "abc");
    EXPECT_EQ(plainOf("{\\rtf1 abc\\'e"), "abc");
    EXPECT_EQ(plainOf("{\\rtf1 abc\\u-"), "abc-") << "a '-' with no digits is text";
    EXPECT_EQ(plainOf("{\\rtf1 abc\\fs99999999999999999999999999"), "abc");
    EXPECT_EQ(plainOf("{\\rtf1 {\\fonttbl{\\f0 Ari"), "");
    EXPECT_EQ(plainOf("{\\rtf1 {\\colortbl;\\red300\\green-5"), "");
    EXPECT_EQ(plainOf("{\\rtf1 \\'zz ok}"), "zz ok");

    // Bytes that are not text at all.
    QByteArray noise("{\\rtf1 ");
    for (int i = 0; i < 4096; ++i)
        noise.append(static_cast<char>((i * 7919) & 0xFF));
    QTextDocument noisy;
    EXPECT_TRUE(readRtf(noise, noisy));
    for (const QChar c : richTextPlainText(noisy))
        EXPECT_TRUE(c >= QChar(0x20) || c == u'\t' || c == u'\r' || c == u'\n') << "control character " << int(c.unicode());
}

TEST(RtfReader, TruncatedFilesNeverLeakSkippedText)
{
    // A Word file cut at every length: whatever is read, it never shows what belongs to the
    // header, footer, footnote, field code, document properties or hidden text.
    const QByteArray full = readBytes(testDataPath("rtf/word.rtf"));
    ASSERT_FALSE(full.isEmpty());
    const QStringList secrets{"amagada", "amagat", "Anna", "Nota", "HYPERLINK", "Normal", "Arial", "Escola", "89504e"};
    for (qsizetype length = 5; length <= full.size(); length += 7) {
        const QString plain = plainOf(full.left(length));
        for (const QString& secret : secrets)
            ASSERT_FALSE(plain.contains(secret)) << "cut at " << length << ": " << plain.toStdString();
    }
}

// Qt's warnings while a document is read and laid out (a size it refuses, say).
class WarningCatcher {
public:
    WarningCatcher() { s_warnings.clear(); m_previous = qInstallMessageHandler(&WarningCatcher::handle); }
    ~WarningCatcher() { qInstallMessageHandler(m_previous); }
    QStringList warnings() const { return s_warnings; }

private:
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            s_warnings.append(message);
    }
    static inline QStringList s_warnings;
    QtMessageHandler m_previous;
};

// The fuzzer's seeds and the inputs it found (each named after what it caught) must read, lay
// out as the box does when it shows the page, without a Qt warning, and give whole UTF-16.
TEST(RtfReader, FuzzSeedsAndRegressionsLayOutCleanly)
{
    QStringList files;
    for (const QString& folder : {testDataPath("rtf/regressions"), test::sourcePath("fuzz/corpus/rtf_reader")}) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList(QDir::Files))
            files.append(dir.filePath(name));
    }
    ASSERT_GE(files.size(), 8);
    for (const QString& file : files) {
        const WarningCatcher catcher;
        QTextDocument document;
        EXPECT_TRUE(readRtf(readBytes(file), document)) << file.toStdString();
        document.setTextWidth(640);
        EXPECT_GT(document.size().height(), 0.0) << file.toStdString();
        const QString plain = richTextPlainText(document);
        EXPECT_FALSE(plain.isEmpty()) << file.toStdString();
        EXPECT_EQ(QString::fromUtf8(plain.toUtf8()), plain) << "lone surrogate in " << file.toStdString();
        EXPECT_TRUE(catcher.warnings().isEmpty()) << file.toStdString() << ": " << catcher.warnings().join("; ").toStdString();
    }
}

// A paragraph of tens of thousands of format changes took half a minute to
// lay out, and a million paragraphs seconds and half a gigabyte. Past the
// caps a paragraph's text keeps its last format, and later paragraphs are not
// read; real documents read the same as without the caps.
TEST(RtfReader, CapsTheRunsOfAParagraphAndTheParagraphsOfAPage)
{
    QByteArray changes("{\\rtf1 ");
    for (int i = 0; i < 25000; ++i)
        changes += "{\\b a}b";
    QTextDocument changed;
    ASSERT_TRUE(readRtf(changes + "}", changed));
    ASSERT_EQ(changed.blockCount(), 1);
    int runs = 0;
    for (auto fragment = changed.begin().begin(); !fragment.atEnd(); ++fragment)
        ++runs;
    EXPECT_LE(runs, 1000);
    EXPECT_EQ(richTextPlainText(changed), QString(QStringLiteral("ab")).repeated(25000)) << "no text is lost";
    EXPECT_TRUE(isBold(formatOf(changed, "ab")));

    const QByteArray paragraphs = "{\\rtf1 primer" + QByteArray("\\par ").repeated(1000000) + "darrer}";
    QTextDocument many;
    ASSERT_TRUE(readRtf(paragraphs, many));
    EXPECT_LE(many.blockCount(), 5000);
    EXPECT_TRUE(richTextPlainText(many).startsWith(QStringLiteral("primer\r\n\r\n")));

    QStringList files{testDataPath("pages/poema.rtf")};
    for (const QString& folder : {testDataPath("rtf"), testDataPath("rtf/regressions")}) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList({QStringLiteral("*.rtf")}, QDir::Files))
            files.append(dir.filePath(name));
    }
    ASSERT_GE(files.size(), 7);
    const RtfLimits none {.maxRunsPerParagraph = INT_MAX, .maxParagraphs = INT_MAX};
    for (const QString& file : files) {
        const QByteArray bytes = readBytes(file);
        if (!isRtf(bytes))
            continue;
        QTextDocument capped, uncapped;
        ASSERT_TRUE(readRtf(bytes, capped) && readRtf(bytes, uncapped, none)) << file.toStdString();
        EXPECT_EQ(capped.toHtml(), uncapped.toHtml()) << file.toStdString();
    }
}
