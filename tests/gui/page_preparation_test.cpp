// The next page made ready while this one shows, through the real main
// window: a turn to a prepared page draws what a turn that loads it draws,
// rich text read ahead looks as the rich-text box's own,
// a text page laid out ahead looks as the text box draws it, a prepared page
// that fails tells its message at the turn, not before, and a companion
// sound decoded with its page is what the turn plays.
#include "support/MainWindowFixture.h"
#include "support/RecordingSoundPlayer.h"
#include "support/RecordingMessageSink.h"
#include "support/TestPaths.h"
#include "ui/PictureBox.h"
#include "ui/TextPageBox.h"

#include <QImage>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

class PagePreparation : public MainWindowFixture {
protected:
    void start()
    {
        createWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->geometry() == window->screen()->availableGeometry(); }, 5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->Image1->size() == window->size(); }, 5000));
        boxes->clear();
    }

    // Loads the book and lets the page after the first be prepared.
    void load(const QString& book)
    {
        window->LoadBook(book);
        QCoreApplication::processEvents();
        window->preparer().waitUntilIdle();
    }

    // Turns forwards and returns the window as drawn then.
    QImage turnForwards()
    {
        window->SpeedButtonDretaClick();
        QCoreApplication::processEvents();
        window->preparer().waitUntilIdle();
        return window->grab().toImage();
    }
};

} // namespace

TEST_F(PagePreparation, APreparedTurnDrawsWhatALoadingTurnDraws)
{
    start();
    const QSize screen = window->Image1->size() * window->Image1->devicePixelRatioF();
    QImage photo(screen.width() + 300, screen.height() + 200, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    for (int y = 0; y < photo.height() / 2; ++y)
        for (int x = 0; x < photo.width() / 3; ++x)
            photo.setPixel(x, y, qRgb(200, 30, 30));
    ASSERT_TRUE(photo.save(path("foto.jpg"), "JPG", 90));
    writeFile(path("conte.txt"), readAll(testDataPath("pages/conte.txt")));
    writeFile(path("dibuix.emf"), readAll(testDataPath("metafiles/inkscape_shapes.emf")));
    ASSERT_TRUE(QImage(40, 30, QImage::Format_RGB32).save(path("petita.bmp"), "BMP"));
    // Rich text: a poem, a word processor's page, a page longer than the box,
    // plain text read as rich text, and a picture's companion read into the hidden box.
    writeFile(path("poema.rtf"), readAll(testDataPath("pages/poema.rtf")));
    writeFile(path("word.rtf"), readAll(testDataPath("rtf/word.rtf")));
    writeFile(path("llarg.rtf"), "{\\rtf1\\ansi " + QByteArray("Una l\\'ednia que omple la caixa de text, \\b llarga\\b0 .\\par ").repeated(300) + "}");
    writeFile(path("pla.rtf"), "Sense format\r\n\xC7" "a i l\xE0\r\n");
    const QList<QByteArray> pages {"conte.txt", "foto.jpg",  "dibuix.emf", "petita.bmp", "conte.txt", "poema.rtf",
                                   "word.rtf",  "llarg.rtf", "pla.rtf",    "petita.bmp#poema.rtf", "poema.rtf"};
    const QString book = writeBook("p.Lumbrix", int(pages.size()), "", pages);

    QList<QImage> prepared, loaded;
    QStringList preparedRichText, loadedRichText;
    load(book);
    for (int page = 1; page < pages.size(); ++page) {
        ASSERT_TRUE(window->preparer().holdsPage()) << page;
        prepared.append(turnForwards());
        preparedRichText.append(window->RichEdit1->toPlainText());
    }
    EXPECT_EQ(window->preparer().pagesTaken(), pages.size() - 1);
    window->preparer().setEnabled(false);
    load(book);
    for (int page = 1; page < pages.size(); ++page) {
        EXPECT_FALSE(window->preparer().holdsPage());
        loaded.append(turnForwards());
        loadedRichText.append(window->RichEdit1->toPlainText());
    }
    for (int page = 0; page < pages.size() - 1; ++page) {
        EXPECT_TRUE(prepared[page] == loaded[page]) << "page " << page + 2;
        // The rich-text box keeps the last rich text while other pages show.
        if (pages[page + 1].contains(".rtf")) {
            EXPECT_EQ(preparedRichText[page], loadedRichText[page]) << "page " << page + 2;
        }
    }
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(PagePreparation, APreparedPageThatFailsTellsItsMessageAtTheTurn)
{
    start();
    writeFile(path("conte.txt"), readAll(testDataPath("pages/conte.txt")));
    load(writeBook("f.Lumbrix", 2, "", {"conte.txt", "falta.bmp"}));
    ASSERT_TRUE(window->preparer().holdsPage());
    EXPECT_TRUE(boxes->seen().isEmpty()) << "not before the turn";
    turnForwards();
    EXPECT_EQ(window->preparer().pagesTaken(), 1);
    ASSERT_EQ(boxes->texts(), QStringList {QStringLiteral(u"Nom de fitxer de plana incorrecte o no existeix.")});
    EXPECT_EQ(window->book.CurrentPage, 1);
}

TEST_F(PagePreparation, ATurnPlaysTheSoundDecodedWithItsPage)
{
    start();
    auto recording = std::make_unique<RecordingSoundPlayer>();
    RecordingSoundPlayer& player = *recording;
    services->sound.use(std::move(recording));
    writeFile(path("conte.txt"), readAll(testDataPath("pages/conte.txt")));
    writeFile(path("so.wav"), readAll(testDataPath("audio/tone-u8-11025.wav")));
    writeFile(path("no.wav"), "Hola\r\n");
    ASSERT_TRUE(QImage(40, 30, QImage::Format_RGB32).save(path("petita.bmp"), "BMP"));
    load(writeBook("s.Lumbrix", 4, "", {"conte.txt", "petita.bmp#so.wav", "conte.txt", "petita.bmp#no.wav"}));

    turnForwards();
    ASSERT_EQ(player.playedDecoded.size(), 1);
    EXPECT_TRUE(player.playedDecoded[0].endsWith(QStringLiteral("so.wav")));
    EXPECT_EQ(player.decodedFrames, QList<qsizetype> {decodeSoundFile(path("so.wav"))->frames()});
    EXPECT_TRUE(player.played.isEmpty()) << "not read again at the turn";

    // A sound that does not decode was not prepared: the turn plays its file,
    // whose alert comes then.
    turnForwards();
    EXPECT_TRUE(player.played.isEmpty()) << "nothing before the turn";
    turnForwards();
    EXPECT_EQ(window->preparer().pagesTaken(), 3);
    ASSERT_EQ(player.played.size(), 1);
    EXPECT_TRUE(player.played[0].endsWith(QStringLiteral("no.wav")));
    EXPECT_EQ(player.playedDecoded.size(), 1);
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(PagePreparation, ATextPageDrawnAheadIsTheTextBoxsOwnPixels)
{
    start();
    // A page longer and wider than the box, one with tabs and letters beyond
    // ASCII, a story, an empty page (the last three fill the box's half only
    // with their line breaks), and a page turned to after a scrolled one.
    QByteArray longPage;
    for (int line = 0; line < 300; ++line)
        longPage += QByteArray("Una l\xEDnia de text llarga, ").repeated(1 + line % 7) + "\r\n";
    writeFile(path("llarg.txt"), longPage);
    const QByteArray breaks = QByteArray("\r\n").repeated(40);
    writeFile(path("curt.txt"), "\tPer\xF2 \x80 5\r\n\r\nA\tB\tC\r\n\xC7" "a \x93" "cometes\x94 \x85\n\rfi" + breaks);
    writeFile(path("conte.txt"), readAll(testDataPath("pages/conte.txt")) + breaks);
    writeFile(path("buit.txt"), breaks);
    const QString book = writeBook("t.Lumbrix", 6, "",
                                   {"conte.txt", "llarg.txt", "curt.txt", "conte.txt", "buit.txt", "llarg.txt"});
    const auto textBox = [&] { return window->Memo1->grab().toImage(); };

    QList<QImage> prepared, loaded;
    load(book);
    for (int page = 1; page < 6; ++page) {
        window->SpeedButtonDretaClick();
        EXPECT_TRUE(window->Memo1->drawsPreparedPage()) << "page " << page + 1;
        prepared.append(textBox());
        QCoreApplication::processEvents(); // the next page's preparation starts
        window->preparer().waitUntilIdle();
        if (page == 4)
            window->Memo1->verticalScrollBar()->setValue(5); // scrolled on the page before
    }
    // Scrolled, the box paints itself.
    window->Memo1->verticalScrollBar()->setValue(3);
    EXPECT_FALSE(window->Memo1->drawsPreparedPage());

    window->preparer().setEnabled(false);
    load(book);
    for (int page = 1; page < 6; ++page) {
        window->SpeedButtonDretaClick();
        EXPECT_FALSE(window->Memo1->drawsPreparedPage());
        loaded.append(textBox());
    }
    for (int page = 0; page < 5; ++page)
        EXPECT_TRUE(prepared[page] == loaded[page]) << "page " << page + 2;
}
