// The next page made ready in the worker: what a turn takes, and when what
// was prepared is let go (a changed file, another book, the other direction)
// rather than shown stale. Real files in a temporary folder; the offscreen
// platform.
#include "book/PagePreparer.h"

#include "support/BookWriter.h"
#include "support/FileChanges.h"
#include "support/ScopedCurrentDirectory.h"
#include "support/TestApplication.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>


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
    for (const FileChange change : kFileChanges) {
        prepareAfter(PageCommand::Next, 0);
        ASSERT_TRUE(changeFile(m_picture, change));
        EXPECT_FALSE(turnTo(1, PageCommand::Next)) << describe(change);
    }

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

// Rich text is read into a document of the page's own, which the turn hands
// to the rich-text box in the window's thread; its file is watched as any.
TEST_F(PagePreparerTest, RichTextIsTakenInADocumentOfItsOwn)
{
    const QString rich = writeFile(m_dir.filePath("c.rtf"), "{\\rtf1\\ansi Bon \\b dia\\b0 .\\par Adeu}");
    m_book.PageFiles[1] = rich;
    m_book.PageFiles[2] = m_picture + "#" + rich;
    m_reading.readingAloud = true;
    for (const int32_t page : {1, 2}) {
        prepareAfter(PageCommand::Next, page - 1);
        const auto taken = turnTo(page, PageCommand::Next);
        ASSERT_TRUE(taken) << page;
        ASSERT_TRUE(taken->richText) << page;
        EXPECT_EQ(taken->richText->thread(), QThread::currentThread());
        EXPECT_EQ(taken->richText->toPlainText(), QStringLiteral("Bon dia.\nAdeu"));
        EXPECT_EQ(taken->view.speech.cp1252, QByteArray("Bon dia.\r\nAdeu"));
    }

    prepareAfter(PageCommand::Next, 0);
    ASSERT_TRUE(changeFile(rich, FileChange::Resized));
    EXPECT_FALSE(turnTo(1, PageCommand::Next));

    // A text page comes without one.
    m_book.PageFiles[2] = m_text;
    prepareAfter(PageCommand::Next, 1);
    const auto plain = turnTo(2, PageCommand::Next);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->richText);
}
