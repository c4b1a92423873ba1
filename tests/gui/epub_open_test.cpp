// An EPUB chosen in the open dialog is imported beside itself and opened: the
// reader shows its pictures, plays its narration and reads its texts.
#include "support/EpubWriter.h"
#include "support/MainWindowFixture.h"
#include "support/RecordingSoundPlayer.h"
#include "ui/NavigationButton.h"
#include "ui/PictureBox.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

class EpubOpen : public MainWindowFixture {
protected:
    std::unique_ptr<SpeechEngine> makeEngine() const override { return std::make_unique<RecordingSpeechEngine>(); }

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        createWindow();
        ASSERT_TRUE(window->modes().reading()); // reading aloud is on with an engine
        sounds = &useSoundDouble();
        boxes->clear();
    }

    RecordingSoundPlayer* sounds = nullptr;
};

} // namespace

TEST_F(EpubOpen, NarratedBookOpensWithPicturesSoundsAndText)
{
    const QString epub = writeZip(path("Gata.epub"), epub3WithOverlays(2));
    loadFromMenu(epub);
    // What the import changed is said once, before the book opens.
    ASSERT_EQ(boxes->seen().size(), 1);
    EXPECT_TRUE(boxes->seen()[0].text.startsWith(u"«‑ (U+2011)» no cap en Windows-1252: s'ha escrit «-»"_qs));
    boxes->clear();
    ASSERT_EQ(window->book.PageCount, 4);
    EXPECT_TRUE(QFileInfo::exists(path("Gata/Gata.Lumbrix")));
    EXPECT_EQ(window->LabelPagina->text(), QString("1 - 4"));
    EXPECT_TRUE(window->Image1->isVisible());
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(200, 150));
    // The narration is played by the name the book gives, from the book's folder.
    ASSERT_EQ(sounds->played, QStringList{"01.wav"});
    EXPECT_TRUE(QFileInfo(QDir::current().filePath(sounds->played.last())).isFile());

    QTest::mouseClick(window->SpeedButtonDreta, Qt::LeftButton);
    QTest::mouseClick(window->SpeedButtonDreta, Qt::LeftButton);
    EXPECT_EQ(sounds->played, (QStringList{"01.wav", "02.wav", "03.wav"}));
    recordingEngine().clear();
    QTest::mouseClick(window->SpeedButtonDreta, Qt::LeftButton);
    EXPECT_EQ(window->LabelPagina->text(), QString("4 - 4"));
    EXPECT_TRUE(window->Memo1->isVisible());
    EXPECT_EQ(window->Memo1->toPlainText(), QStringView(u"Fi\n“Adéu” — va dir-li la gata."));
    EXPECT_TRUE(recordingEngine().lines().contains("ReadFile 04.txt"));
    EXPECT_TRUE(boxes->seen().isEmpty());
    // Opened again, the book made before is taken as it is: nothing to say.
    loadFromMenu(epub);
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(EpubOpen, ChosenAgainTheBookMadeBeforeOpensAsItIs)
{
    const QString epub = writeZip(path("Contes.epub"), epub3TextOnly());
    loadFromMenu(epub);
    ASSERT_EQ(window->book.PageCount, 3);
    // The first page is a text page, read aloud, with the title first.
    EXPECT_EQ(window->Memo1->toPlainText(), QString("Contes\nPrimer\nHi havia una vegada\nuna gata."));
    const QStringList made = QDir(path("Contes")).entryList(QDir::Files);

    window->book.CurrentPage = 2;
    loadFromMenu(epub);
    EXPECT_EQ(window->book.PageCount, 3);
    EXPECT_EQ(window->book.CurrentPage, 0);
    EXPECT_EQ(QDir(path("Contes")).entryList(QDir::Files), made);
    EXPECT_TRUE(boxes->seen().isEmpty());

    // A folder of that name holding something else is left alone: the book goes beside it.
    writeFile(path("Altres/notes.txt"), "mine");
    const QString other = writeZip(path("Altres.epub"), epub3TextOnly());
    loadFromMenu(other);
    EXPECT_EQ(window->book.PageCount, 3);
    EXPECT_TRUE(QFileInfo::exists(path("Altres-2/Altres-2.Lumbrix")));
    EXPECT_EQ(QDir(path("Altres")).entryList(QDir::Files), QStringList{"notes.txt"});
}

TEST_F(EpubOpen, AnEpubThatCannotBeImportedIsSaidAndTheDialogComesBack)
{
    QList<ZipEntry> drm = epub2WithMp3(1);
    drm << ZipEntry{"META-INF/rights.xml", "<rights/>"};
    int asked = 0;
    const QString epub = writeZip(path("Tancat.epub"), drm);
    window->setFileChooser([&](TFormPrincipal&) { return ++asked == 1 ? std::optional<QString>(epub) : std::nullopt; });
    window->PopupMenu1->MenuCarregarLlibre->trigger();
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(boxes->seen().size(), 1);
    EXPECT_TRUE(boxes->seen()[0].text.startsWith(u"l'EPUB està protegit amb DRM"_qs));
    EXPECT_EQ(window->book.PageCount, 0);
    EXPECT_FALSE(QFileInfo::exists(path("Tancat")));
}
