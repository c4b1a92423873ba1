// The page rules without a window: real page files in a temporary folder,
// shown through the presenter, and the page-turning commands.
#include "book/PagePresenter.h"
#include "formats/TextBoxText.h"
#include "support/BookWriter.h"
#include "support/ScopedCurrentDirectory.h"
#include "support/TestApplication.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utility>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

const QString kPageFailure = QStringLiteral(u"Nom de fitxer de plana incorrecte o no existeix.");
const QString kConte = QStringLiteral(u"L'àvia diu: «Bon dia!»\nCafè, plaça i 5 €");
const QByteArray kPoemaSpoken = "La pluja cau a la pla\xE7" "a,\r\nl'\xE0via diu: \xAB" "ad\xE9u\xBB";
constexpr QSize kBox(100, 80);

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class PagePresenterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApplication();
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_here.entered());
        writeFile(path("conte.txt"), readAll(testDataPath(QStringLiteral("pages/conte.txt"))));
        writeFile(path(QStringLiteral(u"llibre/textos/càntic.txt")), readAll(testDataPath(QStringLiteral("pages/conte.txt"))));
        writeFile(path("poema.rtf"), readAll(testDataPath(QStringLiteral("pages/poema.rtf"))));
        writeFile(path("pla.rtf"), "hola\nad\xE9u");
        writeFile(path("notes.TXT"), "x");
        writeFile(path("rich.Rtf"), "{\\rtf1 rich}");
        writeFile(path("self.Lumbrix"), bookBytes(1, "", {"self.Lumbrix"}));
        writeBmp(path("foto.bmp"), 64, 64);
        writeBmp(path("pic/foto.bmp"), 40, 30);
        writeBmp(path("album#1/foto.bmp"), 40, 30);
        for (const char* data : {"quadrants.png", "quadrants.jpg", "quadrants.bmp"})
            writeFile(path(QString::fromLatin1(data)), readAll(testDataPath(QStringLiteral("pictures/") + QString::fromLatin1(data))));
        // Contents that do not match the name's type.
        for (const auto& [from, to] : {std::pair{"quadrants.png", "png-inside.bmp"}, std::pair{"quadrants.jpg", "jpeg-inside.ico"},
                                       std::pair{"quadrants.bmp", "bitmap-inside.jpg"}, std::pair{"quadrants.jpg", "UPPER.JPEG"}})
            writeFile(path(QString::fromLatin1(to)), readAll(path(QString::fromLatin1(from))));
        writeBmp(path("exacta.bmp"), kBox.width(), kBox.height());
        writeBmp(path("ampla.bmp"), kBox.width() + 1, 10);
        writeBmp(path("alta.bmp"), 10, kBox.height() + 1);
        writeWav(path("so.wav"));
        writeFile(path("trencada.jpg"), "not a JPEG at all");
        writeFile(path("buida.bmp"), "");
        for (const char* fifo : {"canonada.txt", "canonada.rtf", "canonada.bmp"})
            ASSERT_EQ(::mkfifo(QFile::encodeName(path(QString::fromLatin1(fifo))).constData(), 0600), 0) << fifo;
        for (const char* folder : {"carpeta.jpg", "carpeta.txt", "carpeta.rtf", "carpeta.bmp"})
            QDir().mkpath(path(QString::fromLatin1(folder)));
        for (const char* zero : {"zero.txt", "zero.bmp"})
            ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path(QString::fromLatin1(zero)))) << zero;
        QFile huge(path("gran.txt"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(9 * 1024 * 1024)); // more than the text box holds
    }

    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    // Shows entry as page 2 of a 3-page book.
    PageView show(const QString& entry, bool reading)
    {
        book.PageCount = 3;
        book.CurrentPage = 1;
        book.PageFiles[1] = entry;
        return presenter.present(book, {reading, kBox}, richText);
    }

    QTemporaryDir m_dir;
    ScopedCurrentDirectory m_here{m_dir.path()};
    Book book;
    PagePresenter presenter;
    QTextDocument richText;
};

} // namespace

TEST_F(PagePresenterTest, EachEntryFormGivesItsBoxWhatItSpeaksAndWhatItPlays)
{
    using Call = SpokenPage::Call;
    struct Case {
        QString entry;
        bool reading;
        PageBox box;
        std::optional<QString> text;
        QSize picture; // empty: none
        bool richText;
        std::optional<QString> sound;
        Call call;
        QByteArray spoken;
    };
    const QSize none;
    const Case cases[] = {
        {QStringLiteral("conte.txt"), true, PageBox::Text, kConte, none, false, {}, Call::ReadFile, "conte.txt"},
        {QStringLiteral("conte.txt"), false, PageBox::Text, kConte, none, false, {}, Call::None, {}},
        // Found ignoring case and "\", handed to the engine in Windows-1252.
        {QStringLiteral(u"Llibre\\TEXTOS\\CÀNTIC.txt"), true, PageBox::Text, kConte, none, false, {}, Call::ReadFile,
         "llibre/textos/c\xE0ntic.txt"},
        {QStringLiteral("poema.rtf"), true, PageBox::RichText, {}, none, true, {}, Call::Read, kPoemaSpoken},
        {QStringLiteral("pla.rtf"), true, PageBox::RichText, {}, none, true, {}, Call::Read, "hola\r\nad\xE9u"},
        {QStringLiteral("poema.rtf"), false, PageBox::RichText, {}, none, true, {}, Call::None, {}},
        {QStringLiteral("foto.bmp"), true, PageBox::Picture, {}, {64, 64}, false, {}, Call::None, {}},
        // Picture extensions ignore case, and so does the search on disk.
        {QStringLiteral("UPPER.JPEG"), true, PageBox::Picture, {}, {64, 64}, false, {}, Call::None, {}},
        {QStringLiteral("Quadrants.BMP"), true, PageBox::Picture, {}, {64, 64}, false, {}, Call::None, {}},
        // The book's folder stands before the picture only: the sound is as written.
        {QStringLiteral("pic\\FOTO.BMP#so.wav"), true, PageBox::Picture, {}, {40, 30}, false, QStringLiteral("so.wav"),
         Call::None, {}},
        {QStringLiteral("foto.bmp#so.wav"), true, PageBox::Picture, {}, {64, 64}, false, QStringLiteral("so.wav"), Call::None, {}},
        // Contains ".wav": played, not read; a missing sound is handed over as written.
        {QStringLiteral("foto.bmp#so.wav.txt"), true, PageBox::Picture, {}, {64, 64}, false, QStringLiteral("so.wav.txt"),
         Call::None, {}},
        {QStringLiteral("foto.bmp#conte.txt"), true, PageBox::Picture, {}, {64, 64}, false, {}, Call::ReadFile, "conte.txt"},
        {QStringLiteral("foto.bmp#conte.txt"), false, PageBox::Picture, {}, {64, 64}, false, {}, Call::None, {}},
        // A missing companion text is the engine's to refuse.
        {QStringLiteral("foto.bmp#absent.txt"), true, PageBox::Picture, {}, {64, 64}, false, {}, Call::ReadFile, "absent.txt"},
        {QStringLiteral("foto.bmp#poema.rtf"), true, PageBox::Picture, {}, {64, 64}, true, {}, Call::Read, kPoemaSpoken},
        {QStringLiteral("foto.bmp#poema.rtf"), false, PageBox::Picture, {}, {64, 64}, true, {}, Call::None, {}},
        {QStringLiteral("foto.bmp#res.doc"), true, PageBox::Picture, {}, {64, 64}, false, {}, Call::None, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry.toStdString() + (c.reading ? " reading" : " silent"));
        richText.setPlainText(QStringLiteral("abans"));
        const PageView page = show(c.entry, c.reading);
        EXPECT_EQ(page.failure, std::nullopt);
        EXPECT_EQ(page.box, c.box);
        EXPECT_EQ(page.text, c.text);
        EXPECT_EQ(page.picture ? page.picture->naturalSize : QSize(), c.picture);
        EXPECT_FALSE(page.stretch);
        EXPECT_EQ(page.richTextLoaded, c.richText);
        EXPECT_EQ(richText.toPlainText() != u"abans", c.richText);
        EXPECT_EQ(page.sound, c.sound);
        EXPECT_EQ(page.speech.call, c.call);
        EXPECT_EQ(page.speech.cp1252, c.spoken);
        EXPECT_EQ(page.label, QStringLiteral("2 - 3"));
        EXPECT_EQ(page.currentPage, 1);
    }
}

// A relative name that the current folder lacks is looked for from the book's
// folder, ignoring case there too; the current folder's file comes first.
TEST_F(PagePresenterTest, NamesMissingFromTheCurrentFolderAreFoundFromTheBooksFolder)
{
    const QString folder = path("Llibre");
    writeFile(folder + "/lluny.txt", "de lluny");
    writeFile(folder + "/conte.txt", "no aquest");
    writeFile(folder + "/apunts.txt", "apunts");
    writeFile(folder + "/Imatges/lluny.rtf", "{\\rtf1 ric}");
    writeBmp(folder + "/Imatges/lluny.bmp", 12, 12);
    writeWav(folder + "/lluny.wav");
    book.BookFolder = folder;
    const QByteArray here = QFile::encodeName(folder);

    PageView page = show(QStringLiteral("LLUNY.txt"), true);
    EXPECT_EQ(page.text, QStringLiteral("de lluny"));
    EXPECT_EQ(page.speech.cp1252, here + "/lluny.txt"); // a name the engine finds from any folder
    page = show(QStringLiteral("imatges\\lluny.rtf"), false);
    EXPECT_EQ(page.failure, std::nullopt);
    EXPECT_EQ(richText.toPlainText(), QStringLiteral("ric"));
    page = show(QStringLiteral("Imatges/lluny.bmp#lluny.wav"), true);
    EXPECT_EQ(page.picture ? page.picture->naturalSize : QSize(), QSize(12, 12));
    EXPECT_EQ(page.sound, folder + "/lluny.wav");
    page = show(QStringLiteral("Imatges/lluny.bmp#apunts.txt"), true);
    EXPECT_EQ(page.speech.cp1252, here + "/apunts.txt");
    EXPECT_EQ(page.pictureDescription, QStringLiteral("apunts"));

    // A sound whose full path is longer than the sound call takes, but whose
    // name as written is not: named from the current folder instead.
    const QString deep = QStringLiteral("Llibre/") + QString(100, u'a');
    writeWav(path(deep + "/lluny.wav"));
    book.BookFolder = path(deep);
    ASSERT_GT(book.BookFolder.size() + 10, kNameBufferCharacters);
    EXPECT_EQ(show(QStringLiteral("foto.bmp#lluny.wav"), true).sound, deep + "/lluny.wav");
    book.BookFolder = folder;

    page = show(QStringLiteral("conte.txt"), true);
    EXPECT_EQ(page.text, kConte);
    EXPECT_EQ(page.speech.cp1252, "conte.txt");
    // Nowhere, or a name that starts at the root: the page fails as before.
    EXPECT_EQ(show(QStringLiteral("enlloc.txt"), true).failure, kPageFailure);
    EXPECT_EQ(show(QStringLiteral("/lluny.txt"), true).failure, kPageFailure);
    EXPECT_EQ(show(QStringLiteral("\\lluny.txt"), true).failure, kPageFailure);
}

TEST_F(PagePresenterTest, APictureIsDescribedByItsCompanionTextsFirstLineOrItsFileName)
{
    writeFile(path("buida.txt"), "  \r\nsegona");
    writeFile(path("llarg.txt"), "Un arbre\r\n" + QByteArray(kTextBoxCapacity, 'x'));
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("foto.bmp"), QStringLiteral("foto.bmp")},
        {QStringLiteral("pic\\FOTO.BMP#so.wav"), QStringLiteral("FOTO.BMP")},
        {QStringLiteral("pic/foto.bmp#conte.txt"), QStringLiteral(u"L'àvia diu: «Bon dia!»")},
        {QStringLiteral("foto.bmp#poema.rtf"), QStringLiteral(u"La pluja cau a la plaça,")},
        {QStringLiteral("pic/foto.bmp#absent.txt"), QStringLiteral("foto.bmp")},
        {QStringLiteral("foto.bmp#buida.txt"), QStringLiteral("foto.bmp")},
        // Only the first line is read: a text far larger than a text box still describes.
        {QStringLiteral("foto.bmp#llarg.txt"), QStringLiteral("Un arbre")},
        {QStringLiteral("foto.bmp#canonada.txt"), QStringLiteral("foto.bmp")},
    };
    for (const auto& [entry, description] : cases) {
        SCOPED_TRACE(entry.toStdString());
        for (bool reading : {true, false})
            EXPECT_EQ(show(entry, reading).pictureDescription, description);
    }
}

TEST_F(PagePresenterTest, FailuresTellThePageMessageAndKeepWhatCameBefore)
{
    struct Case { QString entry; PageBox box; bool picture; };
    const Case cases[] = {
        // Endings are exact: these are taken for pictures.
        {QStringLiteral("notes.TXT"), PageBox::Picture, false},
        {QStringLiteral("poema.Rtf"), PageBox::Picture, false},
        {QStringLiteral("so.wav"), PageBox::Picture, false},
        {QStringLiteral("conte.txt#so.wav"), PageBox::Picture, false},
        {QStringLiteral("rich.Rtf"), PageBox::Picture, false},
        {QStringLiteral("so.wav"), PageBox::Picture, false},
        {QStringLiteral("notes.TXT#so.wav"), PageBox::Picture, false},
        {QStringLiteral("#so.wav"), PageBox::Picture, false},
        {QStringLiteral("..\\conte.txt#so.wav"), PageBox::Picture, false},
        {QStringLiteral("absent.bmp"), PageBox::Picture, false},
        {QStringLiteral("nowhere\\absent.ico"), PageBox::Picture, false},
        // A "#" in the book's folder splits the entry there.
        {QStringLiteral("album#1\\foto.bmp"), PageBox::Picture, false},
        {QStringLiteral("absent.bmp#conte.txt"), PageBox::Picture, false},
        {QStringLiteral("quadrants.png"), PageBox::Picture, false},
        {QStringLiteral("png-inside.bmp"), PageBox::Picture, false},
        {QStringLiteral("jpeg-inside.ico"), PageBox::Picture, false},
        {QStringLiteral("bitmap-inside.jpg"), PageBox::Picture, false},
        {QStringLiteral("trencada.jpg"), PageBox::Picture, false},
        {QStringLiteral("buida.bmp"), PageBox::Picture, false},
        {QStringLiteral("noextension"), PageBox::Picture, false},
        {QStringLiteral("dot."), PageBox::Picture, false},
        {QStringLiteral("."), PageBox::Picture, false},
        {QStringLiteral(".."), PageBox::Picture, false},
        {QStringLiteral("self.Lumbrix"), PageBox::Picture, false},
        {QStringLiteral("self.Lumbrix#self.Lumbrix"), PageBox::Picture, false},
        {QStringLiteral("carpeta.jpg"), PageBox::Picture, false},
        {QStringLiteral("carpeta.bmp"), PageBox::Picture, false},
        {QStringLiteral("carpeta.bmp\\"), PageBox::Picture, false},
        {QStringLiteral("carpeta.bmp\\file"), PageBox::Picture, false},
        {QStringLiteral("canonada.bmp"), PageBox::Picture, false},
        {QStringLiteral("zero.bmp"), PageBox::Picture, false},
        {QStringLiteral("absent.txt"), PageBox::Text, false},
        {QStringLiteral("carpeta.txt"), PageBox::Text, false},
        {QStringLiteral("canonada.txt"), PageBox::Text, false},
        {QStringLiteral("zero.txt"), PageBox::Text, false},
        {QStringLiteral("gran.txt"), PageBox::Text, false},
        {QStringLiteral("absent.rtf"), PageBox::RichText, false},
        {QStringLiteral("carpeta.rtf"), PageBox::RichText, false},
        {QStringLiteral("canonada.rtf"), PageBox::RichText, false},
        // The picture loaded before its companion failed: it is shown.
        {QStringLiteral("foto.bmp#absent.rtf"), PageBox::Picture, true},
        {QStringLiteral("foto.bmp#canonada.rtf"), PageBox::Picture, true},
        {QStringLiteral("foto.bmp#carpeta.rtf"), PageBox::Picture, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry.toStdString());
        richText.setPlainText(QStringLiteral("abans"));
        const PageView page = show(c.entry, true);
        EXPECT_EQ(page.failure, kPageFailure);
        EXPECT_EQ(page.box, c.box);
        EXPECT_EQ(page.picture.has_value(), c.picture);
        EXPECT_EQ(page.text, std::nullopt);
        EXPECT_EQ(richText.toPlainText(), QStringLiteral("abans"));
        EXPECT_EQ(page.sound, std::nullopt);
        EXPECT_EQ(page.speech.call, SpokenPage::Call::None);
        EXPECT_EQ(page.label, std::nullopt);
    }
}

TEST_F(PagePresenterTest, TheCurrentPageFoldsIntoTheBookPlusOne)
{
    struct Case { int32_t pageCount; int32_t current; int32_t shown; std::optional<QString> label; bool failure; };
    const Case cases[] = {
        {0, 0, 0, {}, false},                       // no book: the empty entry, the label kept
        {5, 7, 1, QStringLiteral("2 - 5"), false},  // after a failed load that lowered the count
        {5, 5, 5, QStringLiteral("6 - 5"), false},  // the entry just past the book
        {MaxPages, MaxPages, MaxPages, {}, true},   // past the list itself
    };
    for (int i = 0; i < MaxPages; ++i)
        book.PageFiles[size_t(i)] = QStringLiteral("foto.bmp");
    book.PageFiles[0].clear();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pageCount << " pages, page " << c.current);
        book.PageCount = c.pageCount;
        book.CurrentPage = c.current;
        const PageView page = presenter.present(book, {true, kBox}, richText);
        EXPECT_EQ(page.currentPage, c.shown);
        EXPECT_EQ(page.label, c.label);
        EXPECT_EQ(page.failure.has_value(), c.failure);
        EXPECT_EQ(page.box, c.failure ? PageBox::None : PageBox::Picture);
        EXPECT_EQ(page.sound, std::nullopt);
    }
}

TEST_F(PagePresenterTest, PicturesStretchOnlyWhenLargerThanTheBox)
{
    EXPECT_FALSE(show(QStringLiteral("exacta.bmp"), false).stretch);
    EXPECT_TRUE(show(QStringLiteral("ampla.bmp"), false).stretch);
    EXPECT_TRUE(show(QStringLiteral("alta.bmp"), false).stretch);
    EXPECT_FALSE(show(QStringLiteral("foto.bmp"), false).stretch);
}

TEST(PageTurn, CommandsSilenceThePageAndTurnWithinTheBookOnly)
{
    struct Case { PageCommand command; int32_t current; int32_t count; std::optional<int32_t> shown; };
    const Case cases[] = {
        {PageCommand::Next, 0, 3, 1},
        {PageCommand::Next, 2, 3, std::nullopt},
        {PageCommand::Previous, 2, 3, 1},
        {PageCommand::Previous, 0, 3, std::nullopt},
        {PageCommand::Next, 0, 1, std::nullopt},
        {PageCommand::Previous, 0, 1, std::nullopt},
        {PageCommand::Next, 0, 0, std::nullopt}, // no book
        {PageCommand::Previous, 0, 0, std::nullopt},
    };
    const PagePresenter presenter;
    for (const Case& c : cases) {
        for (const VoiceState voice : {VoiceState{true, false}, VoiceState{false, true}, VoiceState{false, false}}) {
            SCOPED_TRACE(testing::Message() << int(c.command) << " on " << c.current << " of " << c.count << ", speaking "
                                            << voice.speaking << ", sound " << voice.soundPlaying);
            Book book;
            book.CurrentPage = c.current;
            book.PageCount = c.count;
            const PageTurn turn = presenter.turn(c.command, book, voice);
            EXPECT_EQ(turn.stopReading, voice.speaking);
            EXPECT_EQ(turn.stopSound, voice.soundPlaying);
            EXPECT_EQ(turn.showPage, c.shown);
            EXPECT_EQ(turn.failureMessage, c.command == PageCommand::Next ? QStringLiteral(u"Error en Clic Botó dret")
                                                                          : QStringLiteral(u"Error en Clic Botó Esquerra"));
        }
    }
}

TEST(PageTurn, TheHighlightedButtonIsActivatedAndAStopRefusalIsToldOnce)
{
    EXPECT_EQ(PagePresenter::activate(0), PageCommand::Previous);
    EXPECT_EQ(PagePresenter::activate(1), PageCommand::Next);
    EXPECT_EQ(PagePresenter::activate(2), std::nullopt);
    EXPECT_EQ(PagePresenter::activate(-1), std::nullopt);

    PagePresenter presenter;
    const PageTurn next = presenter.turn(PageCommand::Next, Book{}, {true, false});
    const PageTurn previous = presenter.turn(PageCommand::Previous, Book{}, {true, false});
    EXPECT_EQ(presenter.stopRefused(next), QStringLiteral(u"Error en Clic Botó dret"));
    EXPECT_EQ(presenter.stopRefused(previous), std::nullopt);
    EXPECT_EQ(presenter.stopRefused(next), std::nullopt);
}
