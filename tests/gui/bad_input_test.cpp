// Bad books and bad pages through the real main window: each class of bad
// input gets its exact message, nothing else is said, and the program goes on
// (a good book loaded afterwards shows its first page).
#include "book/BookLoader.h"
#include "support/MainWindowFixture.h"
#include "support/TestPaths.h"
#include "ui/MessageBoxes.h"
#include "ui/PictureBox.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <sys/stat.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

const QString kPageFailure = QStringLiteral(u"Nom de fitxer de plana incorrecte o no existeix.");
const QString kUnreadableSuffix = QStringLiteral(u": Nom de fitxer incorrecte, camí incorrecte o no existeix");

class BadInput : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        createWindow();
        writeFile(path("good/one.txt"), "bona");
        writeBmp(path("good/shown.bmp"), 21, 13, Qt::green);
        m_goodBook = writeBook("good.Lumbrix", 2, "good\\", {"one.txt", "shown.bmp"});
        boxes->clear();
    }

    // A good book loads and shows its first page: whatever came before left
    // the window working. Says nothing.
    void expectTheProgramGoesOn(const std::string& what)
    {
        boxes->clear();
        window->LoadBook(m_goodBook);
        EXPECT_TRUE(boxes->seen().isEmpty()) << what << ": " << boxes->texts().join(u'|').toStdString();
        EXPECT_EQ(window->book.PageCount, 2) << what;
        EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("1 - 2")) << what;
        EXPECT_TRUE(window->Memo1->isVisible()) << what;
        EXPECT_EQ(window->Memo1->toPlainText(), QStringLiteral("bona")) << what;
        window->SpeedButtonDretaClick();
        EXPECT_EQ(window->Image1->picture().naturalSize, QSize(21, 13)) << what;
        boxes->clear();
    }

    // A one-page book whose page line is line, loaded; returns what was said.
    QStringList showPageLine(const QByteArray& line)
    {
        boxes->clear();
        window->LoadBook(writeBook("page.Lumbrix", 1, "", {line}));
        return boxes->texts();
    }

    static QString badInput(const QString& name) { return testDataPath(QStringLiteral("bad-input/") + name); }

    QString m_goodBook;
};

class BadInputWithEngine : public BadInput {
protected:
    std::unique_ptr<SpeechEngine> makeEngine() const override { return std::make_unique<RecordingSpeechEngine>(); }
};

} // namespace

TEST_F(BadInput, EveryHeaderFailureHasItsMessage)
{
    const QByteArray good = bookBytes(1, "", {"p.txt"});
    struct Case { const char* what; QByteArray bytes; BookFailure failure; };
    const QList<Case> cases = {
        {"empty file", QByteArray(), BookFailure::Line1},
        {"byte-order mark", "\xEF\xBB\xBF" + good, BookFailure::Line1},
        {"first line in capitals", QByteArray(good).replace("Tirvelo}", "TIRVELO}"), BookFailure::Line1},
        {"blank before the first line", " " + good, BookFailure::Line1},
        {"first line only", "{Quirna 2000 - Tirvelo}\r\n", BookFailure::Line2},
        {"UTF-8 second line", QByteArray(good).replace("\xFA", "\xC3\xBA"), BookFailure::Line2},
        {"small n on line 2", QByteArray(good).replace("{N\xFA", "{n\xFA"), BookFailure::Line2},
        {"zero pages", bookBytes(0, "", {"p"}), BookFailure::PageCountRange},
        {"1002 pages", bookBytes(1002, "", {"p"}), BookFailure::PageCountRange},
        {"negative pages", bookBytes(-3, "", {"p"}), BookFailure::PageCountRange},
        {"line 4 in lower case", QByteArray(good).replace("{Directori}", "{directori}"), BookFailure::Line4},
        {"no line 4", "{Quirna 2000 - Tirvelo}\n{N\xFAmero de planes}\n1\n", BookFailure::Line4},
        {"tab after line 6", QByteArray(good).replace("{Planes}", "{Planes}\t"), BookFailure::Line6},
        {"blank after line 6", QByteArray(good).replace("{Planes}", "{Planes} "), BookFailure::Line6},
        {"no line 6", "{Quirna 2000 - Tirvelo}\r{N\xFAmero de planes}\r1\r{Directori}\r", BookFailure::Line6},
        {"three of five pages", bookBytes(5, "", {"a", "b", "c"}), BookFailure::MissingPageLines},
        {"two of three pages", bookBytes(3, "", {"a", "b"}), BookFailure::MissingPageLines},
        {"no page lines", bookBytes(1, "", {}), BookFailure::MissingPageLines},
        {"1000 of 1001 pages", bookBytes(1001, "", QList<QByteArray>(1000, "p.txt")), BookFailure::MissingPageLines},
    };
    for (const Case& c : cases) {
        boxes->clear();
        loadFromMenu(writeFile(path("bad.Lumbrix"), c.bytes));
        ASSERT_EQ(boxes->seen().size(), 1) << c.what << ": " << boxes->texts().join(u'|').toStdString();
        EXPECT_EQ(boxes->seen()[0].text, bookFailureMessage(c.failure)) << c.what;
        EXPECT_EQ(boxes->seen()[0].caption, applicationTitle()) << c.what;
        EXPECT_EQ(boxes->seen()[0].icon, QMessageBox::NoIcon) << c.what;
        EXPECT_FALSE(window->Timer1->isActive()) << c.what;
        // The rejected book's lines are what the text box now holds.
        if (c.failure == BookFailure::MissingPageLines) {
            EXPECT_TRUE(window->Memo1->toPlainText().startsWith(QStringLiteral("{Quirna 2000 - Tirvelo}\n"))) << c.what;
        }
        expectTheProgramGoesOn(c.what);
    }
    EXPECT_EQ(bookFailureMessage(BookFailure::PageCountRange),
              QStringLiteral(u"Error de construcció del fitxer. La tercera línia ha de dir el número de planes i ha de ser un número entre 1 i 1001"));
    EXPECT_EQ(bookFailureMessage(BookFailure::MissingPageLines),
              QStringLiteral(u"Error de construcció del fitxer. Menys nombre de planes que les que s'ha indicat en la segona línia."));
}

TEST_F(BadInput, APageCountThatIsNoNumberIsReportedAsAnErrorAndTheProgramGoesOn)
{
    const QList<QByteArray> lines = {
        "99999999999", "2147483648", "-2147483649", "$100000000", "12 x", "12 ", "", "   ", "+", "-", "$",
        "+$5", "1e3", "0x10", "3.0", "\xBD", "\t3", "1 000",
    };
    for (const QByteArray& line : lines) {
        boxes->clear();
        const QByteArray bytes = bookBytes(1, "", {"p.txt"}).replace("\r\n1\r\n", "\r\n" + line + "\r\n");
        const int32_t pagesBefore = window->book.PageCount; // 0 at first: no book yet
        loadFromMenu(writeFile(path("count.Lumbrix"), bytes));
        EXPECT_EQ(window->book.PageCount, pagesBefore) << line.constData();
        ASSERT_EQ(boxes->seen().size(), 1) << line.constData();
        EXPECT_EQ(boxes->seen()[0].text, QStringLiteral("'%1' is not a valid integer value.").arg(QString::fromLatin1(line)))
            << line.constData();
        EXPECT_EQ(boxes->seen()[0].icon, QMessageBox::Critical) << line.constData();
        EXPECT_EQ(boxes->seen()[0].caption, applicationTitle()) << line.constData();
        expectTheProgramGoesOn(line.toStdString());
    }
}

TEST_F(BadInput, MissingPageFilesFailAsPagesAndTheBookStaysLoaded)
{
    writeFile(path("real.txt"), "real");
    window->LoadBook(writeBook("holes.Lumbrix", 7, "",
        {"missing.txt", "missing.rtf", "missing.bmp", "missing.jpg", "real.txt", "nowhere\\missing.ico", "missing.bmp#real.txt"}));
    EXPECT_EQ(boxes->texts(), QStringList({kPageFailure}));
    // The failed first page leaves the label empty, but the book is there and can be turned.
    EXPECT_EQ(window->book.PageCount, 7);
    EXPECT_TRUE(window->LabelPagina->text().isEmpty());
    for (int page = 1; page < 7; ++page) {
        boxes->clear();
        window->SpeedButtonDretaClick();
        EXPECT_EQ(window->book.CurrentPage, page);
        if (page == 4) {
            EXPECT_TRUE(boxes->seen().isEmpty());
            EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("5 - 7"));
        } else {
            EXPECT_EQ(boxes->texts(), QStringList({kPageFailure})) << "page " << page;
        }
    }
    EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("5 - 7")); // the last good page's number stays
    expectTheProgramGoesOn("missing page files");
}

TEST_F(BadInput, WrongAndUpperCaseExtensions)
{
    QFile::copy(testDataPath("pictures/quadrants.png"), path("png-inside.bmp"));
    QFile::copy(testDataPath("pictures/quadrants.bmp"), path("UPPER.BMP"));
    writeFile(path("text.TXT"), "text");
    writeWav(path("sound.wav"));
    // Every entry form is in the presenter's test; here the window goes on after them.
    const QList<QByteArray> failing = {"png-inside.bmp", "text.TXT#sound.wav"};
    for (const QByteArray& line : failing) {
        EXPECT_EQ(showPageLine(line), QStringList({kPageFailure})) << line.constData();
        EXPECT_TRUE(window->Image1->isVisible()) << line.constData();
        EXPECT_FALSE(window->SoundPlaying) << line.constData();
        EXPECT_EQ(window->book.PageCount, 1) << line.constData();
        expectTheProgramGoesOn(line.toStdString());
    }
    // Picture extensions are compared without regard to case.
    for (const QByteArray& line : {QByteArray("UPPER.BMP"), QByteArray("upper.bmp")}) {
        EXPECT_TRUE(showPageLine(line).isEmpty()) << line.constData();
        EXPECT_EQ(window->Image1->picture().naturalSize, QSize(64, 64)) << line.constData();
        EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("1 - 1"));
    }
}

TEST_F(BadInput, TruncatedCorruptAndEmptyPicturesOfEveryKind)
{
    const QStringList rasters = {
        "truncated.bmp", "truncated-rle8.bmp", "header-only.bmp", "corrupt-magic.bmp", "huge-size.bmp", "empty.bmp",
        "truncated.ico", "corrupt-offset.ico", "no-images.ico", "empty.ico",
        "truncated.jpg", "header-only.jpg", "corrupt-markers.jpg", "soi-only.jpg", "empty.jpg",
    };
    const QStringList metafiles = {
        "truncated.wmf", "corrupt-record-size.wmf", "zero-record-size.wmf", "empty.wmf",
        "truncated.emf", "corrupt-record-size.emf", "zero-record-size.emf", "empty.emf",
    };
    writeBmp(path("before.bmp"), 17, 11, Qt::blue);
    for (const QString& name : rasters + metafiles) {
        QFile::remove(path(name));
        ASSERT_TRUE(QFile::copy(badInput(name), path(name))) << name.toStdString();
        const std::string what = name.toStdString();
        boxes->clear();
        window->LoadBook(writeBook("pictures.Lumbrix", 2, "", {"before.bmp", name.toLatin1()}));
        ASSERT_TRUE(boxes->seen().isEmpty()) << what;
        window->SpeedButtonDretaClick();
        EXPECT_TRUE(window->Image1->isVisible()) << what;
        if (rasters.contains(name)) {
            EXPECT_EQ(boxes->texts(), QStringList({kPageFailure})) << what;
            // The failed load leaves the previous picture and page number.
            EXPECT_EQ(window->Image1->picture().naturalSize, QSize(17, 11)) << what;
            EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("1 - 2")) << what;
        } else if (boxes->seen().isEmpty()) {
            // A player that draws what it can shows a picture and the new number.
            EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("2 - 2")) << what;
        } else {
            EXPECT_EQ(boxes->texts(), QStringList({kPageFailure})) << what;
            EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("1 - 2")) << what;
        }
        window->Image1->repaint(); // whatever is held must paint
        expectTheProgramGoesOn(what);
    }
}

TEST_F(BadInput, EmptyTextPagesAreShownEmptyAndAnEmptyBookIsNotABook)
{
    QFile::copy(badInput("empty.txt"), path("empty.txt"));
    QFile::copy(badInput("empty.rtf"), path("empty.rtf"));
    QFile::copy(badInput("unbalanced.rtf"), path("unbalanced.rtf"));
    window->LoadBook(writeBook("empties.Lumbrix", 3, "", {"empty.txt", "empty.rtf", "unbalanced.rtf"}));
    EXPECT_TRUE(boxes->seen().isEmpty());
    EXPECT_TRUE(window->Memo1->isVisible());
    EXPECT_TRUE(window->Memo1->toPlainText().isEmpty());
    window->SpeedButtonDretaClick();
    EXPECT_TRUE(boxes->seen().isEmpty());
    EXPECT_TRUE(window->RichEdit1->isVisible());
    EXPECT_TRUE(window->RichEdit1->toPlainText().isEmpty());
    window->SpeedButtonDretaClick(); // an unclosed group still gives its text
    EXPECT_TRUE(boxes->seen().isEmpty());
    EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("3 - 3"));
    EXPECT_TRUE(window->RichEdit1->toPlainText().contains(QStringLiteral("bold")));

    loadFromMenu(badInput("empty.Lumbrix"));
    EXPECT_EQ(boxes->texts(), QStringList({bookFailureMessage(BookFailure::Line1)}));
    expectTheProgramGoesOn("empty book");
}

TEST_F(BadInput, ABookThatNamesItselfOrAFolderAsAPage)
{
    QDir().mkpath(path("folder.txt"));
    writeBmp(path("pic.bmp"), 8, 8);
    QFile::link(QStringLiteral("/dev/zero"), path("zero.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo.rtf")).constData(), 0600), 0);
    // Every such entry is in the presenter's test; here the window goes on after them.
    const QList<QByteArray> lines = {"self.Lumbrix", "folder.txt", "zero.txt", "fifo.rtf", "pic.bmp#fifo.rtf"};
    for (const QByteArray& line : lines) {
        boxes->clear();
        window->LoadBook(writeBook("self.Lumbrix", 1, "", {line}));
        EXPECT_EQ(boxes->texts(), QStringList({kPageFailure})) << line.constData();
        EXPECT_EQ(window->book.PageCount, 1);
        expectTheProgramGoesOn(line.toStdString());
    }
    // A book that is its own text page shows its own lines.
    boxes->clear();
    window->LoadBook(writeBook("itself.txt", 1, "", {"itself.txt"}));
    EXPECT_TRUE(boxes->seen().isEmpty());
    EXPECT_TRUE(window->Memo1->toPlainText().startsWith(QStringLiteral("{Quirna 2000 - Tirvelo}\n")));
    EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("1 - 1"));
    // A folder given as the book goes to the dialog with the cannot-read message.
    boxes->clear();
    loadFromMenu(path("folder.txt"));
    ASSERT_EQ(boxes->seen().size(), 1);
    EXPECT_EQ(boxes->seen()[0].text, path("folder.txt") + kUnreadableSuffix);
    expectTheProgramGoesOn("folder as book");
}

TEST_F(BadInput, NamesLongerThanTheBuffers)
{
    // A book name of more than 255 characters is cut to 255, and the message
    // with it: here it is nothing but the cut name.
    const QString longName = path(QString(300, u'b') + QStringLiteral(".Lumbrix"));
    bool asked = false;
    window->setFileChooser([&](TFormPrincipal&) { asked = true; return std::optional<QString>(m_goodBook); });
    window->LoadBook(longName);
    ASSERT_EQ(boxes->seen().size(), 1);
    EXPECT_EQ(boxes->seen()[0].text, longName.left(255));
    EXPECT_EQ(boxes->seen()[0].text.size(), 255);
    EXPECT_TRUE(asked); // then the dialog, where a good book was chosen
    EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("1 - 2"));

    // Just short enough to keep some of the message: the message is what is cut.
    boxes->clear();
    const QString folder = m_dir.path() + u'/';
    const QString shorter = folder + QString(240 - folder.size(), u'c');
    window->LoadBook(shorter);
    ASSERT_EQ(boxes->seen().size(), 1);
    EXPECT_EQ(boxes->seen()[0].text, (shorter + kUnreadableSuffix).left(255));
    EXPECT_EQ(boxes->seen()[0].text.size(), 255);
    window->setFileChooser({});

    // Page lines count to their 4096th character: a name cut there, or one the
    // file system refuses as too long, is a page that fails.
    const QList<QByteArray> lines = {
        QByteArray(4092, 'a') + ".txt",                    // exactly 4096, too long a file name
        QByteArray(4092, 'a') + ".bmp" + QByteArray(900, 'z'), // cut right after ".bmp"
        QByteArray(5000, 'a') + ".bmp",                    // cut before its extension
        QByteArray(4200, '\\') + ".txt",
        QByteArray(2000, '#') + ".wav",
    };
    for (const QByteArray& line : lines) {
        EXPECT_EQ(showPageLine(line), QStringList({kPageFailure})) << line.left(8).constData() << "..." << line.size();
        EXPECT_EQ(window->book.PageFiles[0].size(), std::min<qsizetype>(line.size(), 4096));
        expectTheProgramGoesOn("long page line");
    }
    // The same through a long directory line: the entry is longer than a line.
    boxes->clear();
    window->LoadBook(writeBook("dir.Lumbrix", 1, QByteArray(4096, 'd'), {QByteArray(4000, 'e') + ".jpg"}));
    EXPECT_EQ(boxes->texts(), QStringList({kPageFailure}));
    EXPECT_EQ(window->book.PageFiles[0].size(), 4096 + 4004);
    expectTheProgramGoesOn("long directory line");
}

TEST_F(BadInput, ACompanionNameOf300CharactersIsPlayedAsTheAlertOrFailsAsAPage)
{
    writeBmp(path("pic.bmp"), 30, 20, Qt::yellow);
    const QByteArray companion(300, 'k');
    // A sound name that does not fit the buffer: the picture shows and the
    // player is handed the name (it plays the alert); no message.
    EXPECT_TRUE(showPageLine("pic.bmp#" + companion + ".wav").isEmpty());
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(30, 20));
    EXPECT_TRUE(window->SoundPlaying);
    EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("1 - 1"));
    expectTheProgramGoesOn("long sound companion");

    // A rich-text companion that cannot be found: the picture stays, the page fails.
    EXPECT_EQ(showPageLine("pic.bmp#" + companion + ".rtf"), QStringList({kPageFailure}));
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(30, 20));
    EXPECT_TRUE(window->Image1->isVisible());
    expectTheProgramGoesOn("long rich-text companion");

    // A text companion is not read without reading ticked, so nothing fails.
    EXPECT_TRUE(showPageLine("pic.bmp#" + companion + ".txt").isEmpty());
    EXPECT_FALSE(window->modes().speaking());
}

TEST_F(BadInputWithEngine, ALongTextCompanionReachesTheEngineWhole)
{
    writeBmp(path("pic.bmp"), 30, 20, Qt::yellow);
    ASSERT_TRUE(window->modes().reading());
    const QByteArray companion = QByteArray(300, 'k') + ".txt";
    recordingEngine().clear();
    EXPECT_TRUE(showPageLine("pic.bmp#" + companion).isEmpty());
    EXPECT_TRUE(window->modes().speaking());
    EXPECT_TRUE(recordingEngine().lines().contains("ReadFile " + companion));
    // A text page whose name the file system refuses fails before anything is read.
    recordingEngine().clear();
    EXPECT_EQ(showPageLine(QByteArray(4092, 't') + ".txt"), QStringList({kPageFailure}));
    EXPECT_FALSE(window->modes().speaking());
    for (const QByteArray& line : recordingEngine().lines())
        EXPECT_FALSE(line.startsWith("ReadFile")) << line.left(40).constData();
    expectTheProgramGoesOn("engine after long names");
}
