// `make`: which files of a folder become pages, in what order, with which
// companion; and the refusals, which leave the folder as it was. Also how the
// tool's texts take the names they are about.
#include "support/BookWriter.h"
#include "tools/BookMaker.h"
#include "tools/ToolTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::booktool;
using namespace tirvelo::test;

namespace {

struct Case {
    const char* what;
    QStringList files;
    QStringList pageLines;
    QStringList unused;
};

QString makeFolder(const QTemporaryDir& dir, const QString& name, const QStringList& files)
{
    QDir().mkpath(dir.filePath(name));
    for (const QString& file : files)
        writeFile(dir.filePath(name + u'/' + file), "x");
    return dir.filePath(name);
}

} // namespace

TEST(BookMaker, OrderAndPairing)
{
    const QList<Case> cases = {
        {"numbers by value", {"10.jpg", "2.jpg", "1.jpg"}, {"1.jpg", "2.jpg", "10.jpg"}, {}},
        {"leading zeros and letter case", {"b.bmp", "A.bmp", "02.bmp", "1.bmp", "003.bmp"}, {"1.bmp", "02.bmp", "003.bmp", "A.bmp", "b.bmp"}, {}},
        {"base name before extension", {"foto-2.jpg", "foto.jpg"}, {"foto.jpg", "foto-2.jpg"}, {}},
        {"sound before text before rich text", {"foto.jpg", "foto.rtf", "foto.txt", "foto.wav"}, {"foto.jpg#foto.wav"}, {"foto.rtf", "foto.txt"}},
        {"text companion", {"foto.jpg", "foto.txt"}, {"foto.jpg#foto.txt"}, {}},
        {"rich-text companion", {"a.emf", "a.rtf"}, {"a.emf#a.rtf"}, {}},
        {"texts alone are pages, a sound alone is not", {"2.rtf", "1.txt", "so.wav"}, {"1.txt", "2.rtf"}, {"so.wav"}},
        {"endings the program would not read", {"A.TXT", "b.Rtf", "c.WAV", "d.png", "e.JPEG", "f.Lumbrix"}, {"e.JPEG"},
         {"A.TXT", "b.Rtf", "c.WAV", "d.png", "f.Lumbrix"}},
        {"two pictures share a sound", {"x.jpg", "x.bmp", "x.wav"}, {"x.bmp#x.wav", "x.jpg#x.wav"}, {}},
        {"base names match exactly", {"Foto.jpg", "foto.wav"}, {"Foto.jpg"}, {"foto.wav"}},
        {"dotted names", {"a.b.ico", "a.b.wav", "a.wav"}, {"a.b.ico#a.b.wav"}, {"a.wav"}},
        {"a companion the program takes for another kind stays a page", {"conte.txt.bmp", "conte.txt.rtf"},
         {"conte.txt.bmp", "conte.txt.rtf"}, {}},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const BookPlan plan = planBook({makeFolder(dir, "Pages", c.files), {}, false, false});
        EXPECT_EQ(plan.refusal, Refusal::None) << c.what;
        EXPECT_EQ(plan.pageLines, c.pageLines) << c.what;
        EXPECT_EQ(plan.unusedFiles, c.unused) << c.what;
        EXPECT_TRUE(plan.directoryLine.isEmpty()) << c.what;
        EXPECT_EQ(plan.bookPath, QDir(dir.path()).absoluteFilePath("Pages/Pages.Lumbrix")) << c.what;
    }
}

TEST(BookMaker, ABookOutsideItsFolderReachesPagesAndCompanionsThroughTheDirectoryLine)
{
    QTemporaryDir dir;
    const QString folder = makeFolder(dir, "Llibres/Conte", {"a.jpg", "a.wav", "b.txt"});
    for (const bool windows : {false, true}) {
        const BookPlan plan = planBook({folder, dir.filePath("Conte.Lumbrix"), windows, false});
        const QString prefix = windows ? QStringLiteral("Llibres\\Conte\\") : QStringLiteral("Llibres/Conte/");
        EXPECT_EQ(plan.directoryLine, prefix);
        EXPECT_EQ(plan.pageLines, QStringList({"a.jpg#" + prefix + "a.wav", "b.txt"}));
        EXPECT_EQ(planBook({folder, dir.filePath("Llibres/Altres/Conte.Lumbrix"), windows, false}).directoryLine,
                  windows ? QStringLiteral("..\\Conte\\") : QStringLiteral("../Conte/"));
    }
    // ".." leads out of the folder a link reaches, not back to the link's own.
    QDir().mkpath(dir.filePath("Llibres/Altres"));
    ASSERT_TRUE(QFile::link(dir.filePath("Llibres/Altres"), dir.filePath("Enllac")));
    EXPECT_EQ(planBook({folder, dir.filePath("Enllac/Conte.Lumbrix"), false, false}).directoryLine, QStringLiteral("../Conte/"));
    EXPECT_EQ(planBook({folder, dir.filePath("Enllac/Nou/Conte.Lumbrix"), false, false}).directoryLine,
              QStringLiteral("../../Conte/"));
    // Behind this directory line every rich-text companion would be read as a text one.
    const QString notes = makeFolder(dir, "Notes.txt", {"a.jpg", "a.rtf"});
    EXPECT_EQ(planBook({notes, dir.filePath("Notes.Lumbrix"), false, false}).pageLines, QStringList({"a.jpg", "a.rtf"}));
}

TEST(BookMaker, WritesWindows1252WithCrLfAndTheExactHeader)
{
    QTemporaryDir dir;
    const QString folder = makeFolder(dir, "Fotos", {QString::fromUtf8("càmera.jpg"), QString::fromUtf8("càmera.wav")});
    const BookPlan plan = makeBook({folder, {}, false, false});
    ASSERT_EQ(plan.refusal, Refusal::None);
    QFile book(plan.bookPath);
    ASSERT_TRUE(book.open(QIODevice::ReadOnly));
    EXPECT_EQ(book.readAll(), bookBytes(1, "", {"c\xE0mera.jpg#c\xE0mera.wav"}));
}

TEST(BookMaker, RefusalsWriteNothing)
{
    struct Refused {
        const char* what;
        QStringList files;
        Refusal refusal;
    };
    QStringList tooMany;
    for (int i = 0; i <= 1001; ++i)
        tooMany << QStringLiteral("%1.bmp").arg(i);
    const QList<Refused> cases = {
        {"outside Windows-1252", {QString::fromUtf8("ひまわり.jpg")}, Refusal::NameNotCp1252},
        {"a companion outside Windows-1252", {"a.jpg", QString::fromUtf8("a\u2603.jpg"), QString::fromUtf8("a\u2603.wav")}, Refusal::NameNotCp1252},
        {"a hash splits the entry", {"foto#1.jpg"}, Refusal::NameWithHash},
        {"a line break splits the book", {"foto\n1.txt"}, Refusal::NameWithLineBreak},
        {"a backslash separates folders", {"a\\b.jpg"}, Refusal::NameWithBackslash},
        {"a drive letter", {"c:foto.jpg"}, Refusal::NameWithDriveLetter},
        {"128 characters", {QString(124, u'n') + ".bmp"}, Refusal::NameTooLong},
        {"no pages", {"notes.doc", "so.wav"}, Refusal::NoPages},
        {"no files at all", {}, Refusal::NoPages},
        {"1002 pages", tooMany, Refusal::TooManyPages},
    };
    for (const Refused& c : cases) {
        QTemporaryDir dir;
        const QString folder = makeFolder(dir, "Pages", c.files);
        const BookPlan plan = makeBook({folder, {}, false, false});
        EXPECT_EQ(plan.refusal, c.refusal) << c.what;
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), c.files.size()) << c.what;
    }
    // A name of exactly 127 characters is still written.
    QTemporaryDir dir;
    EXPECT_EQ(makeBook({makeFolder(dir, "Pages", {QString(123, u'n') + ".bmp"}), {}, false, false}).refusal, Refusal::None);
    EXPECT_EQ(makeBook({dir.filePath("missing"), {}, false, false}).refusal, Refusal::NotAFolder);
    // Folder names in the directory line too; a drive letter only where it starts the line.
    EXPECT_EQ(makeBook({makeFolder(dir, "a\\b", {"1.bmp"}), dir.filePath("b.Lumbrix"), true, false}).refusal, Refusal::NameWithBackslash);
    EXPECT_EQ(makeBook({makeFolder(dir, "c:", {"1.bmp"}), dir.filePath("c.Lumbrix"), false, false}).refusal, Refusal::NameWithDriveLetter);
    EXPECT_EQ(makeBook({makeFolder(dir, "Fotos", {"c:foto.jpg"}), dir.filePath("f.Lumbrix"), false, false}).refusal, Refusal::None);
}

// Never written through a symbolic link; --force replaces only a book.
TEST(BookMaker, ReplacesOnlyABookOfItsOwn)
{
    QTemporaryDir dir;
    const QString folder = makeFolder(dir, "Pages", {"1.bmp"});
    const QString book = dir.filePath("Llibre.Lumbrix");
    ASSERT_TRUE(QFile::link(dir.filePath("Altres/Llibre.Lumbrix"), book));
    for (const bool force : {false, true})
        EXPECT_EQ(makeBook({folder, book, false, force}).refusal, Refusal::BookIsLink);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Altres")));

    const QString picture = writeFile(dir.filePath("foto.jpg"), "picture");
    ASSERT_TRUE(QFile::remove(book) && QFile::link(picture, book));
    EXPECT_EQ(makeBook({folder, book, false, true}).refusal, Refusal::BookIsLink);
    EXPECT_EQ(readAll(picture), "picture");

    ASSERT_TRUE(QFile::remove(book));
    writeFile(book, "notes");
    EXPECT_EQ(makeBook({folder, book, false, true}).refusal, Refusal::NotABook);
    EXPECT_EQ(readAll(book), "notes");
    writeFile(book, bookBytes(1, "", {"old.bmp"}));
    EXPECT_EQ(makeBook({folder, book, false, true}).refusal, Refusal::None);
    EXPECT_EQ(readAll(book), bookBytes(1, "Pages/", {"1.bmp"}));
}

// A name may itself hold "%1" or "%2": each value goes in once, as it is.
TEST(ToolTexts, NamesHoldingPlaceholdersAreShownAsTheyAre)
{
    Finding finding;
    finding.code = FindingCode::FoundIgnoringCase;
    finding.subject = "p%2.bmp";
    finding.other = "/llibre/P%1.BMP";
    for (const InterfaceLanguage language : {InterfaceLanguage::Catalan, InterfaceLanguage::Spanish, InterfaceLanguage::Portuguese}) {
        const QString text = findingText(finding, language);
        EXPECT_TRUE(text.contains(QString::fromUtf8("«p%2.bmp»")) && text.contains(QString::fromUtf8("«/llibre/P%1.BMP»")))
            << text.toStdString();
    }
}
