#include "base/Cp1252.h"
#include "book/BookLoader.h"
#include "formats/TextBoxText.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tirvelo;

namespace {

// A book as the loader sees it after the text box split the file's bytes.
QStringList linesOf(const QByteArray& bytes)
{
    return splitTextBoxLines(fromCp1252(bytes));
}

const QByteArray kHeader = "{Quirna 2000 - Tirvelo}\r\n{N\xFAmero de planes}\r\n";

QByteArray book(const QByteArray& count, const QByteArray& directory, const QList<QByteArray>& pages,
                const char* eol = "\r\n")
{
    QByteArray bytes = QByteArray("{Quirna 2000 - Tirvelo}") + eol + "{N\xFAmero de planes}" + eol + count + eol
        + "{Directori}" + eol + directory + eol + "{Planes}" + eol;
    for (const QByteArray& page : pages)
        bytes += page + eol;
    return bytes;
}

} // namespace

TEST(BookLoader, LoadsEveryLineEndingStyle)
{
    for (const char* eol : {"\r\n", "\n", "\r"}) {
        Book b;
        b.CurrentPage = 4;
        ASSERT_EQ(applyBookLines(linesOf(book("3", "dir\\", {"a.jpg", "b.txt", "c.bmp#so.wav"}, eol)), b),
                  BookFailure::None);
        EXPECT_EQ(b.PageCount, 3);
        EXPECT_EQ(b.CurrentPage, 0);
        EXPECT_EQ(b.BookDirectory, QString("dir\\"));
        EXPECT_EQ(b.PageFiles[0], QString("dir\\a.jpg"));
        EXPECT_EQ(b.PageFiles[2], QString("dir\\c.bmp#so.wav"));
    }
}

TEST(BookLoader, HeaderLinesMustMatchByteForByte)
{
    struct Case { QByteArray bytes; BookFailure failure; };
    const QList<Case> cases = {
        {"\xEF\xBB\xBF" + book("1", "", {"p"}), BookFailure::Line1},                  // byte-order mark
        {book("1", "", {"p"}).replace("Tirvelo}", "tirvelo}"), BookFailure::Line1},
        {book("1", "", {"p"}).replace("\xFA", "\xC3\xBA"), BookFailure::Line2},       // saved as UTF-8
        {book("1", "", {"p"}).replace("N\xFA", "n\xFA"), BookFailure::Line2},
        {book("0", "", {"p"}), BookFailure::PageCountRange},
        {book("1002", "", {"p"}), BookFailure::PageCountRange},
        {book("-3", "", {"p"}), BookFailure::PageCountRange},
        {book("1", "", {"p"}).replace("{Directori}", "{Directori} "), BookFailure::Line4},
        {book("1", "", {"p"}).replace("{Planes}", "{Planes} "), BookFailure::Line6},
        {book("5", "", {"a", "b", "c"}), BookFailure::MissingPageLines},
        {QByteArray(), BookFailure::Line1},
    };
    for (const Case& c : cases) {
        Book b;
        EXPECT_EQ(applyBookLines(linesOf(c.bytes), b), c.failure) << c.bytes.toStdString();
    }
    EXPECT_TRUE(bookFailureMessage(BookFailure::PageCountRange).endsWith(QStringLiteral("entre 1 i 1001")));
}

TEST(BookLoader, FailuresKeepWhatWasStoredBeforeThem)
{
    Book b;
    ASSERT_EQ(applyBookLines(linesOf(book("10", "old\\", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"})), b),
              BookFailure::None);
    b.CurrentPage = 7;

    // Fails at line 4: the page count is already the new one.
    EXPECT_EQ(applyBookLines(linesOf(book("4", "new\\", {"a"}).replace("{Directori}", "x")), b), BookFailure::Line4);
    EXPECT_EQ(b.PageCount, 4);
    EXPECT_EQ(b.BookDirectory, QString("old\\"));

    // Fails at line 6: the directory is new as well.
    EXPECT_EQ(applyBookLines(linesOf(book("5", "new\\", {"a"}).replace("{Planes}", "x")), b), BookFailure::Line6);
    EXPECT_EQ(b.PageCount, 5);
    EXPECT_EQ(b.BookDirectory, QString("new\\"));

    // Missing page lines: the entries read are new, the rest stay old; the page on screen is untouched.
    EXPECT_EQ(applyBookLines(linesOf(book("5", "n\\", {"a", "b", "c"})), b), BookFailure::MissingPageLines);
    EXPECT_EQ(b.PageFiles[2], QString("n\\c"));
    EXPECT_EQ(b.PageFiles[3], QString("old\\3"));
    EXPECT_EQ(b.CurrentPage, 7);

    // A successful shorter book keeps the older entries beyond its count.
    EXPECT_EQ(applyBookLines(linesOf(book("2", "", {"x", "y", "ignored"})), b), BookFailure::None);
    EXPECT_EQ(b.PageCount, 2);
    EXPECT_EQ(b.PageFiles[1], QString("y"));
    EXPECT_EQ(b.PageFiles[9], QString("old\\9"));
}

TEST(BookLoader, PageCountThatIsNotANumberIsAConversionError)
{
    for (const QByteArray& count : {QByteArray("12 "), QByteArray("12 x"), QByteArray(""), QByteArray("99999999999")}) {
        Book b;
        try {
            applyBookLines(linesOf(book(count, "", {"p"})), b);
            ADD_FAILURE() << "no conversion error for " << count.toStdString();
        } catch (const ConversionError& error) {
            EXPECT_EQ(error.text(), QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(count)));
        }
        EXPECT_EQ(b.PageCount, 0);
    }
    // A file that stops after line 2 fails at line 3, as an empty line.
    Book b;
    EXPECT_THROW(applyBookLines(linesOf(kHeader), b), ConversionError);
    // Leading blanks and the limits are numbers.
    EXPECT_EQ(applyBookLines(linesOf(book("  2", "", {"a", "b"})), b), BookFailure::None);
    QList<QByteArray> many(1001, "p");
    EXPECT_EQ(applyBookLines(linesOf(book("1001", "", many)), b), BookFailure::None);
    EXPECT_EQ(b.PageCount, 1001);
}

TEST(BookLoader, LinesAreCutAt4096CharactersAndPageLinesKeepTheirBlanks)
{
    Book b;
    const QByteArray longLine(5000, 'x');
    ASSERT_EQ(applyBookLines(linesOf(book("3", "C:\\Llibre", {longLine, "", " p1.jpg "})), b), BookFailure::None);
    EXPECT_EQ(b.PageFiles[0].size(), QString("C:\\Llibre").size() + 4096);
    EXPECT_EQ(b.PageFiles[1], QString("C:\\Llibre"));
    EXPECT_EQ(b.PageFiles[2], QString("C:\\Llibre p1.jpg "));
}

TEST(TextBoxText, ReadsOnlyOrdinaryFilesWithinCapacity)
{
    QTemporaryDir dir;
    const QString text = dir.filePath("t.txt");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("Bon dia, \xE0vila\r\nline\0after nul", 30));
    f.close();
    EXPECT_EQ(readTextBoxFile(text), QString::fromUtf8("Bon dia, àvila\r\nline"));

    EXPECT_FALSE(readTextBoxFile(dir.path()).has_value());
    EXPECT_FALSE(readTextBoxFile(dir.filePath("missing")).has_value());
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(readTextBoxFile(fifo).has_value()); // answered at once, never waits for a writer
    EXPECT_FALSE(readTextBoxFile("/dev/zero").has_value());

    const QString big = dir.filePath("big.Lumbrix");
    QFile bf(big);
    ASSERT_TRUE(bf.open(QIODevice::WriteOnly));
    ASSERT_TRUE(bf.resize(kTextBoxCapacity + 1)); // sparse: costs no disk
    bf.close();
    EXPECT_FALSE(readTextBoxFile(big).has_value());

    // Small in bytes, too many lines: the box's line capacity, counting CR LF,
    // lone CR and lone LF alike; a break at the very end starts no line.
    const QString lines = dir.filePath("lines.txt");
    const auto writeLines = [&](const QByteArray& bytes) {
        QFile lf(lines);
        return lf.open(QIODevice::WriteOnly) && lf.write(bytes) == bytes.size();
    };
    const QByteArray full = QByteArray("\r\n\r\n").repeated(kTextBoxMaxLines / 2);
    ASSERT_TRUE(writeLines(full));
    EXPECT_TRUE(readTextBoxFile(lines).has_value());
    ASSERT_TRUE(writeLines(full + "\r"));
    EXPECT_FALSE(readTextBoxFile(lines).has_value());
    ASSERT_TRUE(writeLines(QByteArray("\n").repeated(kTextBoxMaxLines / 2)
                           + QByteArray("\r").repeated(kTextBoxMaxLines / 2 + 1)));
    EXPECT_FALSE(readTextBoxFile(lines).has_value());

    const QString locked = dir.filePath("locked");
    QFile lf(locked);
    ASSERT_TRUE(lf.open(QIODevice::WriteOnly));
    lf.close();
    lf.setPermissions(QFileDevice::Permissions());
    if (::geteuid() != 0) { // root reads anything
        EXPECT_FALSE(readTextBoxFile(locked).has_value());
    }
}

TEST(TextBoxText, SplitsLinesLikeTheTextBox)
{
    EXPECT_EQ(splitTextBoxLines("a\r\nb\rc\nd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(splitTextBoxLines("a\r\n"), QStringList({"a"}));
    EXPECT_EQ(splitTextBoxLines("a\n\n"), QStringList({"a", ""}));
    EXPECT_EQ(splitTextBoxLines("\r\n\r\n"), QStringList({"", ""}));
    EXPECT_TRUE(splitTextBoxLines("").isEmpty());
}
