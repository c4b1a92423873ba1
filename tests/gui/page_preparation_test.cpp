// The next page made ready while this one shows, through the real main
// window: a turn to a prepared page draws what a turn that loads it draws,
// and a prepared page that fails tells its message at the turn, not before.
#include "support/MainWindowFixture.h"
#include "support/RecordingMessageSink.h"
#include "support/TestPaths.h"
#include "ui/PictureBox.h"

#include <QImage>
#include <QPlainTextEdit>
#include <QScreen>
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
    const QString book =
        writeBook("p.Lumbrix", 5, "", {"conte.txt", "foto.jpg", "dibuix.emf", "petita.bmp", "conte.txt"});

    QList<QImage> prepared, loaded;
    load(book);
    for (int page = 1; page < 5; ++page) {
        ASSERT_TRUE(window->preparer().holdsPage()) << page;
        prepared.append(turnForwards());
    }
    EXPECT_EQ(window->preparer().pagesTaken(), 4);
    window->preparer().setEnabled(false);
    load(book);
    for (int page = 1; page < 5; ++page) {
        EXPECT_FALSE(window->preparer().holdsPage());
        loaded.append(turnForwards());
    }
    for (int page = 0; page < 4; ++page)
        EXPECT_TRUE(prepared[page] == loaded[page]) << "page " << page + 2;
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
