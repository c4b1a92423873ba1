// Page presentation through the real main window: every kind of page entry,
// what it shows, what it reads through an in-process recording speech engine and
// what it plays, its failures, and the picture box's drawing read back from the
// window.
#include "audio/QtSoundPlayer.h"
#include "audio/SoundPlayer.h"
#include "support/AudioTestTools.h"
#include "support/ColourChecks.h"
#include "support/EventCount.h"
#include "support/MainWindowFixture.h"
#include "support/RecordingLog.h"
#include "support/RecordingSoundPlayer.h"
#include "support/TestPaths.h"
#include "ui/MessageBoxes.h"
#include "ui/PictureBox.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QMessageBox>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <sys/stat.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

const QString kPageFailure = QStringLiteral(u"Nom de fitxer de plana incorrecte o no existeix.");
const QString kSpeechFailure =
    QStringLiteral(u"No trobo la upctv.dll. No puc llegir. Instal.leu correctament el upctv.dll");
// tests/data/pages/conte.txt as the text box shows it.
const QString kConte = QStringLiteral(u"L'àvia diu: «Bon dia!»\nCafè, plaça i 5 €");
// The plain text of tests/data/pages/poema.rtf as the engine receives it.
const QByteArray kPoemaRead = "Read La pluja cau a la pla\xE7" "a,\\r\\nl'\xE0via diu: \xAB" "ad\xE9u\xBB";

constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kGreen = qRgb(0, 255, 0);
constexpr QRgb kBlue = qRgb(0, 0, 255);
constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kBlack = qRgb(0, 0, 0);

class PagePresentation : public MainWindowFixture {
protected:
    // The recording engine with every entry point, unless a suite names the ones it lacks.
    explicit PagePresentation(QStringList missingCalls = {}) : m_missingCalls(std::move(missingCalls)) {}
    std::unique_ptr<SpeechEngine> makeEngine() const override
    {
        return std::make_unique<RecordingSpeechEngine>(m_missingCalls);
    }

    // The window at its working size, with nothing recorded yet.
    void start()
    {
        createWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return (window->geometry()) == (window->screen()->availableGeometry()); }, 5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return (window->Image1->size()) == (window->size()); }, 5000));
        boxes->clear();
        if (auto* recording = dynamic_cast<RecordingSpeechEngine*>(&engine()))
            recording->clear();
    }

    // The calls the engine received since it was last cleared.
    QList<QByteArray> spoken() { return recordingEngine().lines(); }
    void clearSpoken() { recordingEngine().clear(); }

    QtSoundPlayer& useRealSoundPlayer()
    {
        services->sound.use(nullptr);
        auto* player = dynamic_cast<QtSoundPlayer*>(&services->sound.current());
        EXPECT_NE(player, nullptr);
        return *player;
    }

    QString copyData(const QString& data, const QString& relative)
    {
        return writeFile(path(relative), readAll(testDataPath(data)));
    }

    void showPage(int index)
    {
        window->book.CurrentPage = index;
        window->ShowPage();
    }

    // Which of the three page boxes are visible.
    QString visibleBoxes() const
    {
        QStringList visible;
        if (window->Image1->isVisible())
            visible << QStringLiteral("Image1");
        if (window->Memo1->isVisible())
            visible << QStringLiteral("Memo1");
        if (window->RichEdit1->isVisible())
            visible << QStringLiteral("RichEdit1");
        return visible.join(u',');
    }

    QString label() const { return window->LabelPagina->text(); }
    QImage shot() const { return window->grab().toImage(); }
    QSize boxPixels() const { return window->Image1->size() * window->Image1->devicePixelRatioF(); }
    void expectOnePlainBox(const QString& text)
    {
        ASSERT_EQ(boxes->seen().size(), 1) << boxes->texts().join(u'|').toStdString();
        EXPECT_EQ(boxes->seen()[0].text, text);
        EXPECT_EQ(boxes->seen()[0].caption, applicationTitle());
        EXPECT_EQ(boxes->seen()[0].icon, QMessageBox::NoIcon);
    }

    QStringList m_missingCalls;
};

// The same on engines that lack one entry point.
struct PagesWithoutReadFile : PagePresentation {
    PagesWithoutReadFile() : PagePresentation({QStringLiteral("ReadFile")}) {}
};
struct PagesWithoutRead : PagePresentation {
    PagesWithoutRead() : PagePresentation({QStringLiteral("Read")}) {}
};
struct PagesWithoutStop : PagePresentation {
    PagesWithoutStop() : PagePresentation({QStringLiteral("Stop")}) {}
};

// Loaded libraries: what the real engine and the stand-in library answer
// reaches the window only through their binding.
struct PagesWithTheRealEngine : PagePresentation {
    std::unique_ptr<SpeechEngine> makeEngine() const override { return nullptr; }
    QString enginePath() const override { return buildPath(QStringLiteral("libupctv.so")); }
};
struct PagesOnTheStandInLibrary : PagePresentation {
    std::unique_ptr<SpeechEngine> makeEngine() const override { return nullptr; }
    QString enginePath() const override { return recordingEnginePath(); }
    void start()
    {
        PagePresentation::start();
        log.clear();
    }

    RecordingLog log;
};

} // namespace

TEST_F(PagePresentation, TextPageShowsItsWindows1252TextAndReadsTheFileOnlyWhenReadingIsTicked)
{
    start();
    copyData(QStringLiteral("pages/conte.txt"), QStringLiteral("conte.txt"));
    window->LoadBook(writeBook("t.Lumbrix", 2, "", {"conte.txt", "conte.txt"}));
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Memo1"));
    EXPECT_EQ(window->Memo1->toPlainText(), kConte);
    EXPECT_EQ(spoken(), QList<QByteArray>({"ReadFile conte.txt"}));
    EXPECT_TRUE(window->modes().speaking());
    EXPECT_FALSE(window->SoundPlaying);
    EXPECT_EQ(label(), QStringLiteral("1 - 2"));
    EXPECT_TRUE(boxes->seen().isEmpty());

    // Reading switched off through the menu: the reading in progress is stopped,
    // and the next showing reads nothing.
    window->PopupMenu1->PopupLlegeixelsfitxerstext->trigger();
    ASSERT_FALSE(window->modes().reading());
    EXPECT_EQ(spoken(), QList<QByteArray>({"ReadFile conte.txt", "Stop"}));
    clearSpoken();
    window->Memo1->setPlainText(QStringLiteral("abans"));
    showPage(1);
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Memo1"));
    EXPECT_EQ(window->Memo1->toPlainText(), kConte);
    EXPECT_TRUE(spoken().isEmpty());
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_EQ(label(), QStringLiteral("2 - 2"));

    // Switched on again: the page is shown anew and read.
    window->PopupMenu1->PopupLlegeixelsfitxerstext->trigger();
    EXPECT_EQ(spoken(), QList<QByteArray>({"ReadFile conte.txt"}));
    EXPECT_TRUE(window->modes().speaking());
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(PagePresentation, RichTextPageIsShownAndItsPlainTextReadWithCrLf)
{
    start();
    copyData(QStringLiteral("pages/poema.rtf"), QStringLiteral("poema.rtf"));
    // Not rich text: loaded again as plain text.
    writeFile(path("pla.rtf"), "hola\nad\xE9u");
    window->LoadBook(writeBook("r.Lumbrix", 3, "", {"poema.rtf", "pla.rtf", "absent.rtf"}));
    EXPECT_EQ(visibleBoxes(), QStringLiteral("RichEdit1"));
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral(u"La pluja cau a la plaça,\nl'àvia diu: «adéu»"));
    EXPECT_EQ(spoken(), QList<QByteArray>({kPoemaRead}));
    EXPECT_TRUE(window->modes().speaking());
    EXPECT_EQ(label(), QStringLiteral("1 - 3"));

    clearSpoken();
    window->SpeedButtonDretaClick();
    EXPECT_EQ(visibleBoxes(), QStringLiteral("RichEdit1"));
    EXPECT_EQ(spoken(), QList<QByteArray>({"Stop", "Read hola\\r\\nad\xE9u"}));
    EXPECT_EQ(label(), QStringLiteral("2 - 3"));
    EXPECT_TRUE(boxes->seen().isEmpty());

    // A missing file: the box stays visible with what it held, the label too.
    clearSpoken();
    window->SpeedButtonDretaClick();
    expectOnePlainBox(kPageFailure);
    EXPECT_EQ(visibleBoxes(), QStringLiteral("RichEdit1"));
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral(u"hola\nadéu"));
    EXPECT_EQ(spoken(), QList<QByteArray>({"Stop"}));
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_EQ(label(), QStringLiteral("2 - 3"));
}

TEST_F(PagePresentation, EveryPictureKindIsDrawnAtItsOwnSizeInTheMiddle)
{
    start();
    struct Case { QString data; QString name; QSize size; };
    const QList<Case> cases = {
        {QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("a.bmp"), {64, 64}},
        {QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("b.BMP"), {64, 64}},
        {QStringLiteral("pictures/quadrants.jpg"), QStringLiteral("c.jpg"), {64, 64}},
        {QStringLiteral("pictures/quadrants.jpg"), QStringLiteral("d.JPG"), {64, 64}},
        {QStringLiteral("pictures/quadrants.jpg"), QStringLiteral("e.jpeg"), {64, 64}},
        {QStringLiteral("pictures/quadrants.jpg"), QStringLiteral("f.JPEG"), {64, 64}},
        {QStringLiteral("pictures/several-sizes.ico"), QStringLiteral("g.ico"), {48, 48}},
        {QStringLiteral("pictures/several-sizes.ico"), QStringLiteral("h.Ico"), {48, 48}},
    };
    QList<QByteArray> pages;
    for (const Case& c : cases) {
        copyData(c.data, QStringLiteral("fotos/") + c.name);
        pages << c.name.toLatin1();
    }
    window->LoadBook(writeBook("p.Lumbrix", int(cases.size()), "fotos\\", pages));
    for (int i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name.toStdString());
        if (i > 0)
            window->SpeedButtonDretaClick();
        EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
        EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
        EXPECT_EQ(label(), QStringLiteral("%1 - %2").arg(i + 1).arg(cases.size()));
        const QSize size = cases[i].size;
        ASSERT_EQ(window->Image1->picture().naturalSize, size);
        EXPECT_FALSE(window->Image1->stretch());
        const QRect where(QPoint((window->width() - size.width()) / 2, (window->height() - size.height()) / 2), size);
        EXPECT_EQ(window->Image1->pictureRect(), where);
        const QImage image = shot();
        const int q = size.width() / 4;
        if (size.width() == 64) { // red, green / blue, white
            EXPECT_TRUE(near(image.pixel(where.left() + q, where.top() + q), kRed));
            EXPECT_TRUE(near(image.pixel(where.right() - q, where.top() + q), kGreen));
            EXPECT_TRUE(near(image.pixel(where.left() + q, where.bottom() - q), kBlue));
            EXPECT_TRUE(near(image.pixel(where.right() - q, where.bottom() - q), kWhite));
        } else { // the icon's largest image, blue
            EXPECT_TRUE(near(image.pixel(where.center()), kBlue, 0));
            EXPECT_TRUE(near(image.pixel(where.topLeft() + QPoint(2, 2)), kBlue, 0));
            EXPECT_TRUE(near(image.pixel(where.bottomRight() - QPoint(2, 2)), kBlue, 0));
        }
        // Black all round it.
        EXPECT_TRUE(near(image.pixel(where.left() - 1, where.center().y()), kBlack, 0));
        EXPECT_TRUE(near(image.pixel(where.right() + 1, where.center().y()), kBlack, 0));
        EXPECT_TRUE(near(image.pixel(where.center().x(), where.top() - 1), kBlack, 0));
        EXPECT_TRUE(near(image.pixel(where.center().x(), where.bottom() + 1), kBlack, 0));
        EXPECT_TRUE(near(image.pixel(image.width() - 2, image.height() - 2), kBlack, 0));
    }
}

TEST_F(PagePresentation, EntriesTakenForPicturesFailAndKeepThePreviousPicture)
{
    start();
    RecordingSoundPlayer& sounds = useSoundDouble();
    copyData(QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("foto.bmp"));
    copyData(QStringLiteral("pages/conte.txt"), QStringLiteral("notes.TXT"));
    copyData(QStringLiteral("pages/conte.txt"), QStringLiteral("text.txt"));
    writeWav(path("so.wav"));
    writeFile(path("trencada.jpg"), "not a JPEG at all");
    // Every entry form that fails is in the presenter's test; here the window keeps what it showed.
    const QList<QByteArray> failing = {"notes.TXT", "text.txt#so.wav", "trencada.jpg", "#so.wav"};
    window->LoadBook(writeBook("f.Lumbrix", int(failing.size()) + 1, "", QList<QByteArray>({"foto.bmp"}) + failing));
    ASSERT_EQ(window->Image1->picture().naturalSize, QSize(64, 64));
    const QString memoBefore = window->Memo1->toPlainText();
    for (const QByteArray& entry : failing) {
        SCOPED_TRACE(entry.toStdString());
        boxes->clear();
        clearSpoken();
        window->SpeedButtonDretaClick();
        expectOnePlainBox(kPageFailure);
        EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
        EXPECT_EQ(window->Image1->picture().naturalSize, QSize(64, 64));
        EXPECT_TRUE(near(shot().pixel(window->Image1->pictureRect().topLeft() + QPoint(8, 8)), kRed));
        EXPECT_EQ(label(), QStringLiteral("1 - 5"));
        EXPECT_FALSE(window->SoundPlaying);
        EXPECT_FALSE(window->modes().speaking());
        EXPECT_TRUE(spoken().isEmpty());
    }
    EXPECT_TRUE(sounds.played.isEmpty()) << sounds.played.join(u'|').toStdString();
    EXPECT_EQ(window->Memo1->toPlainText(), memoBefore);
    EXPECT_EQ(window->book.CurrentPage, 4);
}

TEST_F(PagePresentation, CompanionSoundWithADirectoryPrefixIsLookedUpInTheCurrentDirectory)
{
    start();
    RecordingSoundPlayer& sounds = useSoundDouble();
    copyData(QStringLiteral("pictures/quadrants.jpg"), QStringLiteral("fotos/foto.jpg"));
    writeWav(path("so.wav"));
    writeWav(path("fotos/nomes-aqui.wav"));
    window->LoadBook(writeBook("s.Lumbrix", 4, "fotos\\",
                               {"foto.jpg#so.wav", "foto.jpg#nomes-aqui.wav", "foto.jpg#so.wav.txt", "foto.jpg#res.doc"}));
    EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(64, 64));
    ASSERT_EQ(sounds.played, QStringList({QStringLiteral("so.wav")}));
    EXPECT_TRUE(QFileInfo(sounds.played[0]).isFile());
    EXPECT_TRUE(window->SoundPlaying);
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_EQ(label(), QStringLiteral("1 - 4"));

    // Beside the picture only: handed over as written, where it is not found.
    window->SpeedButtonDretaClick();
    EXPECT_EQ(sounds.stops, 1);
    ASSERT_EQ(sounds.played.size(), 2);
    EXPECT_EQ(sounds.played[1], QStringLiteral("nomes-aqui.wav"));
    EXPECT_FALSE(QFileInfo(sounds.played[1]).exists());
    EXPECT_TRUE(window->SoundPlaying);

    // so.wav.txt contains ".wav": played, not read.
    window->SpeedButtonDretaClick();
    ASSERT_EQ(sounds.played.size(), 3);
    EXPECT_EQ(sounds.played[2], QStringLiteral("so.wav.txt"));
    EXPECT_TRUE(window->SoundPlaying);
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_TRUE(spoken().isEmpty());

    // Neither sound nor text: the picture alone.
    window->SpeedButtonDretaClick();
    EXPECT_EQ(sounds.played.size(), 3);
    EXPECT_FALSE(window->SoundPlaying);
    EXPECT_TRUE(spoken().isEmpty());
    EXPECT_EQ(label(), QStringLiteral("4 - 4"));
    EXPECT_TRUE(boxes->seen().isEmpty());

    // The real player: the sound found in the current directory plays, the one
    // beside the picture is not found and the alert plays instead.
    QtSoundPlayer& player = useRealSoundPlayer();
    showPage(0);
    EXPECT_EQ(player.currentKind(), QtSoundPlayer::Kind::Companion);
    EXPECT_EQ(QFileInfo(player.currentSource()).absoluteFilePath(), path("so.wav"));
    showPage(1);
    EXPECT_TRUE(player.currentKind() == QtSoundPlayer::Kind::Alert || player.currentKind() == QtSoundPlayer::Kind::Beep);
    player.stop();
}

TEST_F(PagePresentation, CompanionTextsAreReadOrLoadedHiddenButNeverShown)
{
    start();
    RecordingSoundPlayer& sounds = useSoundDouble();
    copyData(QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("foto.bmp"));
    writeBmp(path("altra.bmp"), 20, 10, Qt::green);
    copyData(QStringLiteral("pages/conte.txt"), QStringLiteral("notes.txt"));
    copyData(QStringLiteral("pages/poema.rtf"), QStringLiteral("text.rtf"));
    window->LoadBook(writeBook("c.Lumbrix", 4, "", {"foto.bmp#notes.txt", "foto.bmp#text.rtf", "altra.bmp#absent.rtf", "foto.bmp"}));
    const QString memoBefore = window->Memo1->toPlainText();
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_EQ(spoken(), QList<QByteArray>({"ReadFile notes.txt"}));
    EXPECT_TRUE(window->modes().speaking());
    EXPECT_FALSE(window->SoundPlaying);
    EXPECT_EQ(window->Memo1->toPlainText(), memoBefore); // the text is not shown
    EXPECT_EQ(label(), QStringLiteral("1 - 4"));

    clearSpoken();
    window->SpeedButtonDretaClick();
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_EQ(spoken(), QList<QByteArray>({"Stop", kPoemaRead}));
    EXPECT_TRUE(window->modes().speaking());

    // Reading unticked: the rich text still goes into the hidden box, nothing is read.
    window->PopupMenu1->PopupLlegeixelsfitxerstext->trigger();
    ASSERT_FALSE(window->modes().reading());
    window->RichEdit1->setPlainText(QStringLiteral("abans"));
    clearSpoken();
    showPage(1);
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral(u"La pluja cau a la plaça,\nl'àvia diu: «adéu»"));
    EXPECT_TRUE(spoken().isEmpty());
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_EQ(label(), QStringLiteral("2 - 4"));
    showPage(0);
    EXPECT_TRUE(spoken().isEmpty());
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_EQ(label(), QStringLiteral("1 - 4"));
    EXPECT_TRUE(boxes->seen().isEmpty());

    // A companion rich text that cannot be loaded: page failure after the new
    // picture was shown; the label keeps the earlier page.
    showPage(2);
    expectOnePlainBox(kPageFailure);
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(20, 10));
    EXPECT_TRUE(near(shot().pixel(window->rect().center()), kGreen, 0));
    EXPECT_EQ(label(), QStringLiteral("1 - 4"));
    EXPECT_TRUE(sounds.played.isEmpty());
}

TEST_F(PagePresentation, FoldEmptyEntriesAndTheLabel)
{
    start();
    // No book at all: the empty entry, the picture box and an empty label.
    window->ShowPage();
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_TRUE(window->Image1->picture().isNull());
    EXPECT_EQ(label(), QString());
    EXPECT_TRUE(boxes->seen().isEmpty());

    QList<QByteArray> pages;
    for (int i = 0; i < 12; ++i) {
        pages << (i == 3 ? QByteArray() : QByteArray::number(i) + ".bmp");
        writeBmp(path(QString::number(i) + ".bmp"), 10 + i, 10);
    }
    window->LoadBook(writeBook("dotze.Lumbrix", 12, "", pages));
    window->SpeedButtonDretaClick();
    window->SpeedButtonDretaClick();
    EXPECT_EQ(label(), QStringLiteral("3 - 12"));
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(12, 10));
    // The empty line: the picture box keeps its picture and the label its text.
    window->SpeedButtonDretaClick();
    EXPECT_EQ(window->book.CurrentPage, 3);
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(12, 10));
    EXPECT_EQ(label(), QStringLiteral("3 - 12"));
    EXPECT_TRUE(boxes->seen().isEmpty());

    // A failed load that lowered the page count folds a later page back.
    window->book.CurrentPage = 7;
    window->LoadBook(writeFile(path("cinc.Lumbrix"), bookBytes(5, "", {"0.bmp"}).replace("{Directori}", "x")));
    ASSERT_EQ(window->book.PageCount, 5);
    boxes->clear();
    window->ShowPage();
    EXPECT_EQ(window->book.CurrentPage, 1);
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(11, 10));
    EXPECT_EQ(label(), QStringLiteral("2 - 5"));
    showPage(5);
    EXPECT_EQ(window->book.CurrentPage, 5);
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(15, 10));
    EXPECT_EQ(label(), QStringLiteral("6 - 5"));
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(PagesWithoutReadFile, TextIsShownAndTheEngineMessageSaidWhenReadFileIsMissing)
{
    start();
    copyData(QStringLiteral("pages/conte.txt"), QStringLiteral("conte.txt"));
    copyData(QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("foto.bmp"));
    copyData(QStringLiteral("pages/poema.rtf"), QStringLiteral("poema.rtf"));
    window->LoadBook(writeBook("t.Lumbrix", 3, "", {"conte.txt", "foto.bmp#conte.txt", "poema.rtf"}));
    expectOnePlainBox(kSpeechFailure);
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Memo1"));
    EXPECT_EQ(window->Memo1->toPlainText(), kConte);
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_EQ(label(), QStringLiteral("1 - 3"));

    boxes->clear();
    window->SpeedButtonDretaClick();
    expectOnePlainBox(kSpeechFailure);
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(64, 64));
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_EQ(label(), QStringLiteral("2 - 3"));

    // The rich-text reading is still there.
    boxes->clear();
    clearSpoken();
    window->SpeedButtonDretaClick();
    EXPECT_TRUE(boxes->seen().isEmpty());
    EXPECT_EQ(spoken(), QList<QByteArray>({kPoemaRead}));
    EXPECT_TRUE(window->modes().speaking());
}

TEST_F(PagesWithoutRead, RichTextIsShownAndTheEngineMessageSaidWhenReadIsMissing)
{
    start();
    copyData(QStringLiteral("pages/poema.rtf"), QStringLiteral("poema.rtf"));
    copyData(QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("foto.bmp"));
    window->LoadBook(writeBook("r.Lumbrix", 2, "", {"poema.rtf", "foto.bmp#poema.rtf"}));
    expectOnePlainBox(kSpeechFailure);
    EXPECT_EQ(visibleBoxes(), QStringLiteral("RichEdit1"));
    EXPECT_TRUE(window->RichEdit1->toPlainText().startsWith(QStringLiteral("La pluja")));
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_EQ(label(), QStringLiteral("1 - 2"));

    boxes->clear();
    window->SpeedButtonDretaClick();
    expectOnePlainBox(kSpeechFailure);
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_EQ(label(), QStringLiteral("2 - 2"));
}

// What the engine answers is not looked at: a call that returns has started
// the reading, so nothing is told and the page counts as being read.
TEST_F(PagesOnTheStandInLibrary, WhatTheEngineAnswersIsNotTakenForAFailure)
{
    start();
    copyData(QStringLiteral("pages/conte.txt"), QStringLiteral("conte.txt"));
    copyData(QStringLiteral("pages/poema.rtf"), QStringLiteral("poema.rtf"));
    copyData(QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("foto.bmp"));
    log.setFailingCalls("Read,ReadFile,Stop");
    window->LoadBook(writeBook("f.Lumbrix", 4, "", {"conte.txt", "poema.rtf", "foto.bmp#conte.txt", "foto.bmp#poema.rtf"}));
    const QList<QPair<QString, QByteArray>> expected = {
        {QStringLiteral("Memo1"), "ReadFile conte.txt"},
        {QStringLiteral("RichEdit1"), kPoemaRead},
        {QStringLiteral("Image1"), "ReadFile conte.txt"},
        {QStringLiteral("Image1"), kPoemaRead},
    };
    for (int i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        if (i > 0) {
            log.clear();
            window->SpeedButtonDretaClick();
        }
        EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
        EXPECT_EQ(visibleBoxes(), expected[i].first);
        EXPECT_EQ(log.lines(), i == 0 ? QList<QByteArray>({expected[i].second})
                                      : QList<QByteArray>({"Stop", expected[i].second}));
        EXPECT_TRUE(window->modes().speaking());
        EXPECT_EQ(label(), QStringLiteral("%1 - 4").arg(i + 1));
    }
}

// The real engine refuses a companion text that is not there; the reader is
// not sent to reinstall the engine for it.
TEST_F(PagesWithTheRealEngine, AMissingCompanionTextIsNotTakenForAMissingEngine)
{
    start();
    copyData(QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("foto.bmp"));
    window->LoadBook(writeBook("c.Lumbrix", 2, "", {"foto.bmp#no-hi-es.txt", "foto.bmp"}));
    EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_TRUE(window->modes().speaking());
    window->SpeedButtonDretaClick();
    EXPECT_TRUE(boxes->seen().isEmpty());
    EXPECT_EQ(label(), QStringLiteral("2 - 2"));
}

// An engine that cannot stop a reading must not keep the reader on the page:
// the pages turn both ways, and the failure is told once.
TEST_F(PagesWithoutStop, PagesTurnWhileAReadingCannotBeStopped)
{
    start();
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        writeFile(path(QString::fromLatin1(name)), QByteArray("Plana ") + name);
    window->LoadBook(writeBook("s.Lumbrix", 3, "", {"a.txt", "b.txt", "c.txt"}));
    ASSERT_TRUE(window->modes().speaking());
    window->SpeedButtonDretaClick();
    window->SpeedButtonDretaClick();
    window->SpeedButtonEsquerraClick();
    EXPECT_EQ(boxes->texts(), QStringList({QStringLiteral(u"Error en Clic Botó dret")}));
    EXPECT_EQ(spoken(), QList<QByteArray>({"ReadFile a.txt", "ReadFile b.txt", "ReadFile c.txt", "ReadFile b.txt"}));
    EXPECT_EQ(label(), QStringLiteral("2 - 3"));
    EXPECT_EQ(window->Memo1->toPlainText(), QStringLiteral("Plana b.txt"));
    EXPECT_TRUE(window->modes().speaking());
}

TEST_F(PagePresentation, LongNamesReachTheSoundPlayerAndTheEngineWhole)
{
    start();
    copyData(QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("foto.bmp"));
    const QString sound127 = QString(123, u's') + QStringLiteral(".wav");
    const QString sound128 = QString(124, u's') + QStringLiteral(".wav");
    const QString text130 = QString(126, u't') + QStringLiteral(".txt");
    writeWav(path(sound127));
    writeWav(path(sound128));
    copyData(QStringLiteral("pages/conte.txt"), text130);
    copyData(QStringLiteral("pages/conte.txt"), QString(130, u'p') + QStringLiteral(".txt"));
    // Through a double: each name arrives unchanged and whole.
    RecordingSoundPlayer& sounds = useSoundDouble();
    window->LoadBook(writeBook("l.Lumbrix", 4, "",
                               {"foto.bmp#" + sound127.toLatin1(), "foto.bmp#" + sound128.toLatin1(),
                                "foto.bmp#" + text130.toLatin1(), QByteArray(130, 'p') + ".txt"}));
    showPage(1);
    EXPECT_EQ(sounds.played, QStringList({sound127, sound128}));
    // Too long as written, though finding it on disk would shorten it to 127.
    const QString shortened = QStringLiteral("sons/") + QString(118, u'c') + QStringLiteral(".wav");
    writeWav(path(shortened));
    const QString written = QStringLiteral("SONS\\\\") + QString(118, u'c') + QStringLiteral(".wav");
    ASSERT_EQ(written.size(), 128);
    window->book.PageFiles[1] = QStringLiteral("foto.bmp#") + written;
    sounds.played.clear();
    showPage(1);
    EXPECT_EQ(sounds.played, QStringList({written}));
    window->book.PageFiles[1] = QStringLiteral("foto.bmp#SONS\\") + QString(118, u'c') + QStringLiteral(".wav");
    sounds.played.clear();
    showPage(1);
    ASSERT_EQ(sounds.played.size(), 1);
    EXPECT_EQ(sounds.played[0], shortened); // 127 as written: found and handed over
    window->book.PageFiles[1] = QStringLiteral("foto.bmp#") + sound128;
    EXPECT_TRUE(window->SoundPlaying);
    clearSpoken();
    showPage(2);
    EXPECT_EQ(spoken(), QList<QByteArray>({"ReadFile " + text130.toLatin1()}));
    EXPECT_TRUE(window->modes().speaking());
    clearSpoken();
    showPage(3);
    EXPECT_EQ(spoken(), QList<QByteArray>({"ReadFile " + QByteArray(130, 'p') + ".txt"}));
    EXPECT_EQ(window->Memo1->toPlainText(), kConte);
    EXPECT_TRUE(boxes->seen().isEmpty());

    // The real player plays the 127-character name and refuses the longer one
    // with the alert, though the file exists.
    QtSoundPlayer& player = useRealSoundPlayer();
    showPage(0);
    EXPECT_EQ(player.currentKind(), QtSoundPlayer::Kind::Companion);
    EXPECT_EQ(player.currentSource(), sound127);
    showPage(1);
    EXPECT_TRUE(player.currentKind() == QtSoundPlayer::Kind::Alert || player.currentKind() == QtSoundPlayer::Kind::Beep);
    EXPECT_TRUE(window->SoundPlaying);
    player.stop();
}

TEST_F(PagePresentation, NamesWithBackslashesAndAnotherLetterCaseAreFound)
{
    start();
    RecordingSoundPlayer& sounds = useSoundDouble();
    copyData(QStringLiteral("pictures/quadrants.jpg"), QStringLiteral("llibre/fotos/portada.jpg"));
    copyData(QStringLiteral("pages/conte.txt"), QStringLiteral("llibre/textos/conte.txt"));
    copyData(QStringLiteral("pages/poema.rtf"), QStringLiteral("llibre/textos/poema.rtf"));
    writeWav(path("sons/campana.wav"));
    copyData(QStringLiteral("pages/conte.txt"), QStringLiteral(u"notes/llegiu-mé.txt"));
    copyData(QStringLiteral("pages/conte.txt"), QStringLiteral(u"llibre/textos/càntic.txt"));
    window->LoadBook(writeBook("n.Lumbrix", 5, "Llibre\\",
                               {"Fotos\\Portada.JPG#Sons\\Campana.wav", "Textos\\Conte.txt", "TEXTOS\\poema.rtf",
                                "fotos\\PORTADA.jpg#NOTES\\Llegiu-M\xC9.txt", "textos\\C\xC0NTIC.txt"}));
    EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(64, 64));
    ASSERT_EQ(sounds.played.size(), 1);
    EXPECT_EQ(QFileInfo(sounds.played[0]).absoluteFilePath(), path("sons/campana.wav"));

    clearSpoken();
    window->SpeedButtonDretaClick();
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Memo1"));
    EXPECT_EQ(window->Memo1->toPlainText(), kConte);
    EXPECT_EQ(spoken(), QList<QByteArray>({"ReadFile llibre/textos/conte.txt"}));

    window->SpeedButtonDretaClick();
    EXPECT_EQ(visibleBoxes(), QStringLiteral("RichEdit1"));
    EXPECT_TRUE(window->RichEdit1->toPlainText().startsWith(QStringLiteral("La pluja")));

    clearSpoken();
    window->SpeedButtonDretaClick();
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_EQ(spoken(), QList<QByteArray>({"Stop", "ReadFile notes/llegiu-m\xE9.txt"}));

    // Accented names: found ignoring case, and handed to the engine in Windows-1252.
    clearSpoken();
    window->SpeedButtonDretaClick();
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Memo1"));
    EXPECT_EQ(window->Memo1->toPlainText(), kConte);
    EXPECT_EQ(spoken(), QList<QByteArray>({"Stop", "ReadFile llibre/textos/c\xE0ntic.txt"}));
    EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
    EXPECT_EQ(label(), QStringLiteral("5 - 5"));
}

// Folders, huge files and the other FIFO pages are in the presenter's test.
TEST_F(PagePresentation, AFifoPageFailsAndAFifoSoundPlaysTheAlertWithoutHanging)
{
    start();
    copyData(QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("foto.bmp"));
    for (const char* name : {"canonada.txt", "canonada.wav"})
        ASSERT_EQ(::mkfifo(QFile::encodeName(path(QString::fromLatin1(name))).constData(), 0600), 0) << name;
    window->LoadBook(writeBook("b.Lumbrix", 3, "", {"foto.bmp", "canonada.txt", "foto.bmp#canonada.wav"}));
    boxes->clear();
    window->SpeedButtonDretaClick();
    expectOnePlainBox(kPageFailure);
    EXPECT_EQ(label(), QStringLiteral("1 - 3"));

    // A sound that is no file: the alert, and the page is shown.
    QtSoundPlayer& player = useRealSoundPlayer();
    boxes->clear();
    window->SpeedButtonDretaClick();
    EXPECT_TRUE(boxes->seen().isEmpty());
    EXPECT_TRUE(player.currentKind() == QtSoundPlayer::Kind::Alert || player.currentKind() == QtSoundPlayer::Kind::Beep);
    EXPECT_TRUE(window->SoundPlaying);
    EXPECT_EQ(label(), QStringLiteral("3 - 3"));
    player.stop();
}

TEST_F(PagePresentation, ShowingAPageLeavesTheKeyboardFocusWhereItWas)
{
    start();
    copyData(QStringLiteral("pages/conte.txt"), QStringLiteral("conte.txt"));
    copyData(QStringLiteral("pages/poema.rtf"), QStringLiteral("poema.rtf"));
    copyData(QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("foto.bmp"));
    window->LoadBook(writeBook("f.Lumbrix", 3, "", {"conte.txt", "poema.rtf", "foto.bmp"}));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, 5000));
    window->Memo1->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(window->Memo1->hasFocus());
    // The reading switch shows the page anew (twice: off, then on again showing it).
    window->PopupMenu1->PopupLlegeixelsfitxerstext->trigger();
    window->PopupMenu1->PopupLlegeixelsfitxerstext->trigger();
    EXPECT_TRUE(window->Memo1->hasFocus());
    // From a text page to a text page the text box stays up: the focus never
    // leaves it, so a screen reader hears no move.
    {
        const EventCount focusOuts(window->Memo1, QEvent::FocusOut);
        window->ShowPage();
        EXPECT_TRUE(window->Memo1->hasFocus());
        EXPECT_EQ(focusOuts.count, 0);
    }

    window->EditVelocitat->setFocus(Qt::OtherFocusReason);
    for (int page : {1, 2, 0}) {
        showPage(page);
        EXPECT_TRUE(window->EditVelocitat->hasFocus()) << page;
    }
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(PagesWithoutReadFile, APageTurnWhileTheSpeechMessageIsOpenEndsWithOnePageShown)
{
    start();
    copyData(QStringLiteral("pages/conte.txt"), QStringLiteral("conte.txt"));
    copyData(QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("foto.bmp"));
    writeBmp(path("altra.bmp"), 20, 10, Qt::green);
    window->LoadBook(writeBook("r.Lumbrix", 3, "", {"foto.bmp", "conte.txt", "altra.bmp"}));
    window->book.CurrentPage = 1;

    // While the speech message is open, the page is turned (as the sound
    // trigger may do), then the message is answered.
    QStringList seen;
    QString labelDuringTurn;
    boxes->onMessage = [&](const SeenMessage& message) {
        seen << message.text;
        window->SpeedButtonDretaClick();
        labelDuringTurn = label();
    };
    window->ShowPage();
    boxes->onMessage = nullptr;
    EXPECT_EQ(seen, QStringList({kSpeechFailure}));
    EXPECT_EQ(labelDuringTurn, QStringLiteral("3 - 3"));
    EXPECT_EQ(window->book.CurrentPage, 2);
    // The later page is what stays: its picture alone, and its number.
    EXPECT_EQ(visibleBoxes(), QStringLiteral("Image1"));
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(20, 10));
    EXPECT_EQ(label(), QStringLiteral("3 - 3"));
    EXPECT_FALSE(window->modes().speaking());
}

TEST_F(PagePresentation, StretchedExactlyWhenLargerThanTheBox)
{
    start();
    const QSize box = boxPixels();
    // Four quadrants: red, green / blue, white.
    auto quadrants = [&](const QString& name, QSize size) {
        QImage image(size, QImage::Format_RGB32);
        const int halfW = size.width() / 2;
        const int halfH = size.height() / 2;
        image.fill(Qt::white);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                if (x < halfW || y < halfH)
                    image.setPixel(x, y, y < halfH ? (x < halfW ? kRed : kGreen) : kBlue);
        EXPECT_TRUE(image.save(path(name), "BMP"));
    };
    quadrants(QStringLiteral("exact.bmp"), box);
    quadrants(QStringLiteral("wider.bmp"), QSize(box.width() + 1, box.height() / 2));
    quadrants(QStringLiteral("taller.bmp"), QSize(box.width() / 2, box.height() + 1));
    writeBmp(path("small.bmp"), 31, 17, Qt::yellow);
    window->LoadBook(writeBook("s.Lumbrix", 4, "", {"exact.bmp", "wider.bmp", "taller.bmp", "small.bmp"}));

    // Each quadrant fills its quarter of the window, up to the far corner.
    auto expectQuadrantsFill = [&] {
        const QImage image = shot();
        const int w = image.width();
        const int h = image.height();
        EXPECT_TRUE(near(image.pixel(w / 4, h / 4 + 60), kRed));
        EXPECT_TRUE(near(image.pixel(w - 2, 1), kGreen));
        EXPECT_TRUE(near(image.pixel(3 * w / 4, h / 4), kGreen));
        EXPECT_TRUE(near(image.pixel(1, h - 2), kBlue));
        EXPECT_TRUE(near(image.pixel(w / 4, 3 * h / 4), kBlue));
        EXPECT_TRUE(near(image.pixel(w - 1, h - 1), kWhite));
        EXPECT_TRUE(near(image.pixel(3 * w / 4, 3 * h / 4), kWhite));
    };
    EXPECT_FALSE(window->Image1->stretch());
    EXPECT_EQ(window->Image1->pictureRect(), window->Image1->rect());
    expectQuadrantsFill();

    window->SpeedButtonDretaClick(); // one pixel wider, half as tall: distorted to fill
    EXPECT_TRUE(window->Image1->stretch());
    EXPECT_EQ(window->Image1->pictureRect(), window->Image1->rect());
    expectQuadrantsFill();

    window->SpeedButtonDretaClick(); // one pixel taller, half as wide
    EXPECT_TRUE(window->Image1->stretch());
    expectQuadrantsFill();

    // Smaller: at its own size in the middle, on black.
    window->SpeedButtonDretaClick();
    EXPECT_FALSE(window->Image1->stretch());
    const QRect where(QPoint((box.width() - 31) / 2, (box.height() - 17) / 2), QSize(31, 17));
    const QImage image = shot();
    EXPECT_TRUE(near(image.pixel(where.topLeft()), qRgb(255, 255, 0), 0));
    EXPECT_TRUE(near(image.pixel(where.bottomRight()), qRgb(255, 255, 0), 0));
    EXPECT_TRUE(near(image.pixel(where.topLeft() - QPoint(1, 0)), kBlack, 0));
    EXPECT_TRUE(near(image.pixel(where.topLeft() - QPoint(0, 1)), kBlack, 0));
    EXPECT_TRUE(near(image.pixel(where.bottomRight() + QPoint(1, 0)), kBlack, 0));
    EXPECT_TRUE(near(image.pixel(where.bottomRight() + QPoint(0, 1)), kBlack, 0));
    EXPECT_TRUE(near(image.pixel(image.width() - 1, image.height() - 1), kBlack, 0));
    EXPECT_TRUE(near(image.pixel(image.width() / 4, image.height() - 1), kBlack, 0));
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(PagePresentation, OnAScaledScreenPicturesAreMeasuredInScreenPixels)
{
    const QString self = QStringLiteral("PagePresentation.OnAScaledScreenPicturesAreMeasuredInScreenPixels");
    if (qEnvironmentVariable("QT_SCALE_FACTOR") != u"2") {
        // Again in a process whose screen has two device pixels to the pixel.
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + self});
        ASSERT_TRUE(child.waitForFinished(120000));
        const QByteArray output = child.readAll();
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
        return;
    }
    start();
    ASSERT_EQ(window->Image1->devicePixelRatioF(), 2.0);
    const QSize box = boxPixels();
    copyData(QStringLiteral("pictures/quadrants.bmp"), QStringLiteral("petit.bmp"));
    // Wider than the box's layout size but not than its screen pixels: drawn as it is.
    writeBmp(path("mitja.bmp"), window->Image1->width() + 1, 10, Qt::yellow);
    writeBmp(path("ample.bmp"), box.width() + 1, 10, Qt::yellow);
    window->LoadBook(writeBook("d.Lumbrix", 3, "", {"petit.bmp", "mitja.bmp", "ample.bmp"}));
    EXPECT_FALSE(window->Image1->stretch());
    const QRect where(QPoint((box.width() - 64) / 2, (box.height() - 64) / 2), QSize(64, 64));
    const QImage image = shot();
    ASSERT_EQ(image.size(), box);
    EXPECT_TRUE(near(image.pixel(where.topLeft() + QPoint(8, 8)), kRed));
    EXPECT_TRUE(near(image.pixel(where.bottomRight() - QPoint(8, 8)), kWhite));
    EXPECT_TRUE(near(image.pixel(where.left() - 2, where.center().y()), kBlack, 0));
    EXPECT_TRUE(near(image.pixel(where.right() + 2, where.center().y()), kBlack, 0));
    EXPECT_TRUE(near(image.pixel(where.center().x(), where.bottom() + 2), kBlack, 0));
    window->SpeedButtonDretaClick();
    EXPECT_FALSE(window->Image1->stretch());
    window->SpeedButtonDretaClick();
    EXPECT_TRUE(window->Image1->stretch());
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(PagePresentation, TheFirstPageShownWithTheWindowIsMeasuredAgainstTheWholeScreen)
{
    // As at start-up: the book is loaded right after the window is shown,
    // before the window system has necessarily given it its full size.
    writeBmp(path("mitjana.bmp"), 600, 400, Qt::yellow);
    const QString book = writeBook("w.Lumbrix", 1, "", {"mitjana.bmp"});
    window = std::make_unique<TFormPrincipal>(services->bundle());
    const QSize designSize = window->size();
    ASSERT_TRUE(designSize.width() < 600 || designSize.height() < 400);
    window->show();
    window->LoadBook(book);
    ASSERT_TRUE(QTest::qWaitFor([&] { return (window->geometry()) == (window->screen()->availableGeometry()); }, 5000));
    ASSERT_GT(boxPixels().width(), 600);
    ASSERT_GT(boxPixels().height(), 400);
    EXPECT_FALSE(window->Image1->stretch());
    ASSERT_TRUE(QTest::qWaitFor([&] { return (window->Image1->size()) == (window->size()); }, 5000));
    const QImage image = shot();
    EXPECT_TRUE(near(image.pixel(window->rect().center()), qRgb(255, 255, 0), 0));
    EXPECT_TRUE(near(image.pixel(image.width() - 2, image.height() - 2), kBlack, 0));
}

TEST_F(PagePresentation, NothingIsCachedBetweenShowings)
{
    start();
    RecordingSoundPlayer& sounds = useSoundDouble();
    writeFile(path("t.txt"), "primer");
    writeFile(path("r.rtf"), "{\\rtf1 primer}");
    writeBmp(path("f.bmp"), 10, 10, Qt::red);
    writeFile(path("n.txt"), "x");
    window->LoadBook(writeBook("c.Lumbrix", 3, "", {"t.txt", "r.rtf", "f.bmp#n.txt"}));
    EXPECT_EQ(window->Memo1->toPlainText(), QStringLiteral("primer"));
    writeFile(path("t.txt"), "segon");
    window->ShowPage();
    EXPECT_EQ(window->Memo1->toPlainText(), QStringLiteral("segon"));

    showPage(1);
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("primer"));
    writeFile(path("r.rtf"), "{\\rtf1 segon}");
    clearSpoken();
    window->ShowPage();
    EXPECT_EQ(window->RichEdit1->toPlainText(), QStringLiteral("segon"));
    EXPECT_EQ(spoken(), QList<QByteArray>({"Read segon"}));

    showPage(2);
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(10, 10));
    writeBmp(path("f.bmp"), 20, 30, Qt::blue);
    window->ShowPage();
    EXPECT_EQ(window->Image1->picture().naturalSize, QSize(20, 30));
    EXPECT_TRUE(near(shot().pixel(window->rect().center()), kBlue, 0));
    // A picture that disappears is a failure, not the old picture shown as new.
    QFile::remove(path("f.bmp"));
    clearSpoken();
    window->ShowPage();
    expectOnePlainBox(kPageFailure);
    EXPECT_TRUE(spoken().isEmpty());
    EXPECT_TRUE(sounds.played.isEmpty());
}

// ---------------------------------------------------------------- sound on the null sink

namespace {

class PageSounds : public PagePresentation {
protected:
    void SetUp() override
    {
        if (!pulseAvailable())
            GTEST_SKIP() << "needs the private PulseAudio server (TIRVELO_PULSE)";
        PagePresentation::SetUp();
        keeper = std::make_unique<SinkKeeper>();
        monitor = std::make_unique<MonitorRecorder>();
        ASSERT_TRUE(monitor->running());
        ASSERT_TRUE(QTest::qWaitFor([&] { return monitor->samples().size() > 2 * MonitorRecorder::kTenth; }, 5000));
    }

    void TearDown() override
    {
        monitor.reset();
        keeper.reset();
        PagePresentation::TearDown();
    }

    std::unique_ptr<SinkKeeper> keeper;
    std::unique_ptr<MonitorRecorder> monitor;
};

} // namespace

TEST_F(PageSounds, TheCompanionSoundPlaysAndStopsOnAPageTurn)
{
    start();
    useRealSoundPlayer();
    writeBmp(path("foto.bmp"), 40, 40, Qt::blue);
    ASSERT_TRUE(writeToneWave(path("llarg.wav"), 6.0));
    window->LoadBook(writeBook("so.Lumbrix", 2, "", {"foto.bmp#llarg.wav", "foto.bmp"}));
    EXPECT_TRUE(window->SoundPlaying);
    ASSERT_TRUE(monitor->heardAbove(60)) << "the page's sound reaches the sink";
    window->SpeedButtonDretaClick();
    EXPECT_FALSE(window->SoundPlaying);
    EXPECT_EQ(label(), QStringLiteral("2 - 2"));
    EXPECT_TRUE(monitor->silentWithin(2500)) << "the page turn stops the sound (five seconds were left)";
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(PageSounds, ShowingThePageAgainRestartsItsSound)
{
    start();
    QtSoundPlayer& player = useRealSoundPlayer();
    writeBmp(path("foto.bmp"), 40, 40, Qt::blue);
    ASSERT_TRUE(writeToneWave(path("curt.wav"), 1.2));
    const qsizetype first = monitor->samples().size();
    window->LoadBook(writeBook("so.Lumbrix", 1, "", {"foto.bmp#curt.wav"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor->loudTenths(first) >= 5; }, 5000));
    // A voice command shows the page anew while its sound is still playing.
    const qsizetype replay = monitor->samples().size();
    window->PopupMenu1->PopupDona->trigger();
    ASSERT_TRUE((window->modes().voice() == Voice::Female));
    EXPECT_TRUE(window->SoundPlaying);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.currentKind() == QtSoundPlayer::Kind::None; }, 5000));
    EXPECT_TRUE(monitor->silentWithin(2500));
    // Restarted: 1.2 s more of tone; merely continued: about 0.7 s.
    EXPECT_GE(monitor->loudTenths(replay), 10);
    EXPECT_TRUE(boxes->seen().isEmpty());
}
