// A picture's companion sound decoded in the page preparer's worker beside
// its page: what a turn takes, and when the page is let go because of its
// sound (the file changed, the book reloaded, the other direction). A sound
// that does not decode is left to the turn, which plays its file as before.
// Real files in a temporary folder; the offscreen platform.
#include "book/PagePreparer.h"
#include "ui/PreparedSound.h"

#include "support/BookWriter.h"
#include "support/FileChanges.h"
#include "support/TestApplication.h"
#include "support/TestPaths.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

class PreparedSoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApplication();
        ASSERT_TRUE(m_dir.isValid());
        m_preparer.setExtraPreparation(prepareCompanionSound);
        m_sound = m_dir.filePath("so.wav");
        ASSERT_TRUE(QFile::copy(testDataPath("audio/tone-u8-11025.wav"), m_sound));
        const QString text = writeFile(m_dir.filePath("a.txt"), "Hola\r\n");
        writeBmp(m_dir.filePath("b.bmp"), 64, 40, Qt::blue);
        m_book.PageCount = 3;
        m_book.PageFiles[0] = text;
        m_book.PageFiles[1] = m_dir.filePath("b.bmp") + "#" + m_sound;
        m_book.PageFiles[2] = text;
    }

    void prepareAfter(PageCommand direction, int32_t current)
    {
        m_book.CurrentPage = current;
        m_preparer.prepareAfter(m_book, direction, m_reading);
        QCoreApplication::processEvents();
        m_preparer.waitUntilIdle();
    }

    std::optional<PreparedPage> turnTo(int32_t page, PageCommand direction)
    {
        m_book.CurrentPage = page;
        return m_preparer.take(m_book, direction, m_reading);
    }

    // The frames prepared with the page turned to, if any.
    std::optional<qsizetype> preparedFrames(std::optional<PreparedPage>& page)
    {
        if (!page || !page->view.sound)
            return std::nullopt;
        const std::optional<DecodedSound> sound = takePreparedSound(page->extra.get(), *page->view.sound);
        return sound ? std::optional(sound->frames()) : std::nullopt;
    }

    QTemporaryDir m_dir;
    QString m_sound;
    Book m_book;
    ReadingState m_reading {false, QSize(320, 200)};
    PagePreparer m_preparer;
};

} // namespace

TEST_F(PreparedSoundTest, APictureTurnTakesItsSoundDecoded)
{
    prepareAfter(PageCommand::Next, 0);
    auto page = turnTo(1, PageCommand::Next);
    const std::optional<DecodedSound> cold = decodeSoundFile(m_sound);
    ASSERT_TRUE(cold);
    EXPECT_EQ(preparedFrames(page), cold->frames());
    EXPECT_FALSE(takePreparedSound(page->extra.get(), *page->view.sound)) << "taken once";

    prepareAfter(PageCommand::Previous, 2);
    page = turnTo(1, PageCommand::Previous);
    EXPECT_EQ(preparedFrames(page), cold->frames()) << "backwards too";
}

TEST_F(PreparedSoundTest, APageIsLetGoWhenItsSoundChangedOrTheTurnIsAnother)
{
    for (const FileChange change : kFileChanges) {
        prepareAfter(PageCommand::Next, 0);
        ASSERT_TRUE(changeFile(m_sound, change));
        EXPECT_FALSE(turnTo(1, PageCommand::Next)) << describe(change);
    }

    // The book loaded again; the turn the other way.
    prepareAfter(PageCommand::Next, 0);
    m_preparer.drop();
    EXPECT_FALSE(turnTo(1, PageCommand::Next));
    prepareAfter(PageCommand::Previous, 2);
    EXPECT_FALSE(turnTo(1, PageCommand::Next));

    // Untouched since, it is taken with its sound.
    prepareAfter(PageCommand::Next, 0);
    auto page = turnTo(1, PageCommand::Next);
    EXPECT_TRUE(preparedFrames(page));
}

TEST_F(PreparedSoundTest, ASoundThatDoesNotDecodeIsLeftToTheTurn)
{
    // Not a wave file, missing, and too large to hold beside the page: the
    // page is prepared, its sound is not (the turn plays the file, and an
    // alert then when it fails).
    for (const QByteArray& sound : {QByteArray("no.wav"), QByteArray("falta.wav"), QByteArray("gran.wav")}) {
        const QString file = m_dir.filePath(QString::fromLatin1(sound));
        if (sound == "no.wav")
            writeFile(file, "Hola\r\n");
        if (sound == "gran.wav") {
            QFile large(file);
            ASSERT_TRUE(large.open(QIODevice::WriteOnly));
            large.write(readAll(testDataPath("audio/tone-u8-11025.wav")));
            ASSERT_TRUE(large.resize(MaxPreparedSoundFileBytes + 1));
        }
        m_book.PageFiles[1] = m_dir.filePath("b.bmp") + "#" + file;
        prepareAfter(PageCommand::Next, 0);
        auto page = turnTo(1, PageCommand::Next);
        ASSERT_TRUE(page) << sound.constData();
        EXPECT_FALSE(page->view.failure);
        EXPECT_EQ(page->view.sound, file);
        EXPECT_FALSE(preparedFrames(page)) << sound.constData();
    }
}
