// The next page made ready in the worker: what a turn takes, and when what
// was prepared is let go (a changed file, another book, the other direction)
// rather than shown stale. Real files in a temporary folder; the offscreen
// platform.
#include "book/PagePreparer.h"

#include "support/BookWriter.h"
#include "support/ScopedCurrentDirectory.h"
#include "support/TestApplication.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/time.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

constexpr QSize kBox(320, 200);

class PagePreparerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApplication();
        ASSERT_TRUE(m_dir.isValid());
        m_text = writeFile(m_dir.filePath("a.txt"), "Hola\r\n");
        m_picture = writeBmp(m_dir.filePath("b.bmp"), 640, 400, Qt::blue);
        m_book.PageCount = 3;
        m_book.PageFiles[0] = m_text;
        m_book.PageFiles[1] = m_picture;
        m_book.PageFiles[2] = m_text;
    }

    // Prepares the page after book.CurrentPage in direction and waits for the worker.
    void prepareAfter(PageCommand direction, int32_t current)
    {
        m_book.CurrentPage = current;
        m_preparer.prepareAfter(m_book, direction, m_reading);
        QCoreApplication::processEvents(); // it starts once the waiting events are handled
        m_preparer.waitUntilIdle();
    }

    std::optional<PreparedPage> turnTo(int32_t page, PageCommand direction)
    {
        m_book.CurrentPage = page;
        return m_preparer.take(m_book, direction, m_reading);
    }

    QTemporaryDir m_dir;
    QString m_text;
    QString m_picture;
    Book m_book;
    ReadingState m_reading {false, kBox};
    PagePreparer m_preparer;
};

} // namespace

TEST_F(PagePreparerTest, ATurnTakesThePagePreparedInItsDirectionWithItsPixels)
{
    prepareAfter(PageCommand::Next, 0);
    ASSERT_TRUE(m_preparer.holdsPage());
    const auto picture = turnTo(1, PageCommand::Next);
    ASSERT_TRUE(picture);
    EXPECT_FALSE(picture->view.failure);
    ASSERT_TRUE(picture->view.picture);
    EXPECT_TRUE(picture->view.stretch);
    EXPECT_EQ(picture->shown.size(), kBox) << "stretched to the box already";
    EXPECT_EQ(picture->shown.pixel(10, 10), qRgb(0, 0, 255));
    EXPECT_EQ(picture->view.label, QStringLiteral("2 - 3"));
    EXPECT_FALSE(m_preparer.holdsPage()) << "taken, not kept";

    prepareAfter(PageCommand::Previous, 2);
    const auto text = turnTo(1, PageCommand::Previous);
    ASSERT_TRUE(text);
    ASSERT_TRUE(text->view.picture);

    // Nothing past either end.
    prepareAfter(PageCommand::Next, 2);
    EXPECT_FALSE(m_preparer.holdsPage());
    prepareAfter(PageCommand::Previous, 0);
    EXPECT_FALSE(m_preparer.holdsPage());
}

TEST_F(PagePreparerTest, AChangedFileIsLoadedAgainAtTheTurn)
{
    // Written anew, of another size.
    prepareAfter(PageCommand::Next, 0);
    writeBmp(m_picture, 64, 40, Qt::red);
    EXPECT_FALSE(turnTo(1, PageCommand::Next));

    // The same size, only its time changed.
    prepareAfter(PageCommand::Next, 0);
    const timeval later[2] = {{2000000000, 0}, {2000000000, 0}};
    ASSERT_EQ(utimes(QFile::encodeName(m_picture).constData(), later), 0);
    EXPECT_FALSE(turnTo(1, PageCommand::Next));

    // Another file put in its place, with the same size and time.
    prepareAfter(PageCommand::Next, 0);
    const QString copy = m_dir.filePath("c.bmp");
    ASSERT_TRUE(QFile::copy(m_picture, copy));
    ASSERT_EQ(utimes(QFile::encodeName(copy).constData(), later), 0);
    ASSERT_TRUE(QFile::remove(m_picture));
    ASSERT_TRUE(QFile::rename(copy, m_picture));
    EXPECT_FALSE(turnTo(1, PageCommand::Next));

    // Gone.
    prepareAfter(PageCommand::Next, 0);
    ASSERT_TRUE(QFile::remove(m_picture));
    EXPECT_FALSE(turnTo(1, PageCommand::Next));

    // Untouched, it is taken.
    writeBmp(m_picture, 64, 40, Qt::red);
    prepareAfter(PageCommand::Next, 0);
    EXPECT_TRUE(turnTo(1, PageCommand::Next));
}

// A relative name that the current folder lacks is the book's folder's file:
// that is the file watched, and a book in another folder is another book.
TEST_F(PagePreparerTest, APageFoundFromTheBooksFolderIsWatchedThere)
{
    ScopedCurrentDirectory elsewhere(QDir::rootPath());
    ASSERT_TRUE(elsewhere.entered());
    m_book.BookFolder = m_dir.path();
    m_book.PageFiles[1] = QStringLiteral("b.bmp");

    prepareAfter(PageCommand::Next, 0);
    writeBmp(m_picture, 64, 40, Qt::red);
    EXPECT_FALSE(turnTo(1, PageCommand::Next)) << "changed since it was prepared";

    prepareAfter(PageCommand::Next, 0);
    const auto taken = turnTo(1, PageCommand::Next);
    ASSERT_TRUE(taken);
    ASSERT_TRUE(taken->view.picture);
    EXPECT_EQ(taken->view.picture->naturalSize, QSize(64, 40));

    prepareAfter(PageCommand::Next, 0);
    m_book.BookFolder = m_dir.filePath("altre");
    EXPECT_FALSE(turnTo(1, PageCommand::Next));
}

TEST_F(PagePreparerTest, AnotherBookAnotherDirectionOrAnotherReadingLetsThePageGo)
{
    prepareAfter(PageCommand::Next, 0);
    m_preparer.drop(); // a book loaded
    EXPECT_FALSE(m_preparer.holdsPage());
    EXPECT_FALSE(turnTo(1, PageCommand::Next));

    prepareAfter(PageCommand::Next, 0);
    m_book.PageFiles[1] = m_text; // the same page number in another book
    EXPECT_FALSE(turnTo(1, PageCommand::Next));
    m_book.PageFiles[1] = m_picture;

    // Prepared forwards from the first page, then a turn the other way: the
    // page is let go, and a later turn forwards loads its page itself.
    prepareAfter(PageCommand::Next, 1);
    EXPECT_FALSE(turnTo(0, PageCommand::Previous));
    EXPECT_FALSE(m_preparer.holdsPage());
    EXPECT_FALSE(turnTo(2, PageCommand::Next));
    prepareAfter(PageCommand::Previous, 2);
    EXPECT_FALSE(turnTo(1, PageCommand::Next));

    prepareAfter(PageCommand::Next, 0);
    m_reading.readingAloud = true; // reading switched on meanwhile
    EXPECT_FALSE(turnTo(1, PageCommand::Next));
    prepareAfter(PageCommand::Next, 0);
    m_reading.pictureBox = kBox / 2; // the window resized
    EXPECT_FALSE(turnTo(1, PageCommand::Next));
}

TEST_F(PagePreparerTest, AFailingPageKeepsItsFailureForTheTurn)
{
    m_book.PageFiles[1] = m_dir.filePath("falta.jpg");
    prepareAfter(PageCommand::Next, 0);
    const auto failing = turnTo(1, PageCommand::Next);
    ASSERT_TRUE(failing);
    EXPECT_EQ(failing->view.failure, QStringLiteral(u"Nom de fitxer de plana incorrecte o no existeix."));
    EXPECT_TRUE(failing->shown.isNull());

    // The missing file has appeared since: the page is loaded at the turn.
    prepareAfter(PageCommand::Next, 0);
    writeBmp(m_dir.filePath("falta.jpg"), 8, 8);
    EXPECT_FALSE(turnTo(1, PageCommand::Next));
}
