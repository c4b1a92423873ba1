// The editor's window, driven as a user would through the names a screen
// reader hears: a book made from scratch and saved where the check passes it,
// keyboard moves in the strip, findings that select their page, "Prova".
#include "editor/BookEditorWindow.h"
#include "editor/PageFields.h"
#include "support/BookWriter.h"
#include "support/EpubWriter.h"
#include "support/QtPrinters.h"
#include "support/RecordingSoundPlayer.h"
#include "support/RecordingSpeechEngine.h"
#include "support/TestPaths.h"
#include "support/TestServices.h"
#include "authoring/BookCheck.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::editor;
using namespace tirvelo::test;

namespace {

class EditorWindow : public ::testing::Test {
protected:
    EditorWindow() : services(std::make_unique<RecordingSpeechEngine>()), bundle(services.bundle())
    {
        auto player = std::make_unique<RecordingSoundPlayer>();
        sounds = player.get();
        services.sound.use(std::move(player));
        window = std::make_unique<BookEditorWindow>(bundle, InterfaceLanguage::Catalan);
        window->setFileChooser([this](BookEditorWindow::FileRequest request) { return chosen.value(request); });
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // Typed as a keyboard would, one character at a time, whatever the letter.
    static void type(QWidget* widget, const QString& text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
        }
    }

    // The control a screen reader calls name.
    template <typename T>
    T* named(const QString& name)
    {
        for (T* widget : window->findChildren<T*>())
            if (widget->accessibleName() == name)
                return widget;
        ADD_FAILURE() << "no control named " << name.toStdString();
        return nullptr;
    }
    QAction* action(const QString& name)
    {
        for (QAction* candidate : window->findChildren<QAction*>())
            if (QString(candidate->text()).remove(u'&') == name)
                return candidate;
        ADD_FAILURE() << "no action named " << name.toStdString();
        return nullptr;
    }
    // The import runs off the window's thread; the window answers meanwhile.
    void importChosen()
    {
        action(QStringLiteral("Importa EPUB..."))->trigger();
        EXPECT_TRUE(window->busy());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->busy(); }, 60000));
    }
    QListView* strip() { return named<QListView>(QStringLiteral(u"Pàgines")); }
    QString stripPosition() { return strip()->currentIndex().data(Qt::AccessibleTextRole).toString(); }

    QTemporaryDir dir;
    TestServices services;
    Services bundle;
    RecordingSoundPlayer* sounds = nullptr;
    QHash<BookEditorWindow::FileRequest, QStringList> chosen;
    std::unique_ptr<BookEditorWindow> window;
};

} // namespace

TEST_F(EditorWindow, MakesABookFromScratchWithTheKeyboard)
{
    chosen[BookEditorWindow::FileRequest::Pictures] = {writeBmp(dir.filePath("fotos/1.bmp"), 40, 30, Qt::blue),
                                                      writeBmp(dir.filePath("fotos/2.bmp"), 40, 30, Qt::green)};
    action(QStringLiteral("Afegeix imatges..."))->trigger();
    ASSERT_EQ(window->model().rowCount(), 2);
    EXPECT_EQ(stripPosition(), QStringLiteral(u"pàgina 1 de 2, imatge"));

    // Ctrl+Down on the strip moves the page; Ctrl+D duplicates; Delete deletes; Ctrl+Z undoes.
    strip()->setFocus();
    window->selectRow(0);
    QTest::keyClick(strip(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(window->currentRow(), 1);
    EXPECT_EQ(QFileInfo(window->model().page(1).file.source).fileName(), QStringLiteral("1.bmp"));
    QTest::keyClick(strip(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(window->model().rowCount(), 3);
    QTest::keyClick(strip(), Qt::Key_Delete);
    EXPECT_EQ(window->model().rowCount(), 2);
    QTest::keyClick(strip(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->model().rowCount(), 3);
    QTest::keyClick(strip(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(strip(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(QFileInfo(window->model().page(0).file.source).fileName(), QStringLiteral("1.bmp"));

    // A typed page: a character a book cannot hold is marked at once, with why.
    window->selectRow(1);
    action(QStringLiteral(u"Afegeix una pàgina de text"))->trigger();
    EXPECT_EQ(stripPosition(), QStringLiteral(u"pàgina 3 de 3, text"));
    QPlainTextEdit* text = named<QPlainTextEdit>(QStringLiteral(u"Text de la pàgina"));
    ASSERT_TRUE(text && text->isEnabled());
    text->setFocus();
    type(text, QStringLiteral(u"Adéu, ŵ"));
    auto* problems = window->findChild<PageFields*>()->problems();
    EXPECT_TRUE(problems->isVisible());
    EXPECT_TRUE(problems->text().contains(QStringLiteral(u"«ŵ» (U+0175)")));
    QTest::keyClick(text, Qt::Key_Backspace);
    type(text, QStringLiteral("w"));
    EXPECT_FALSE(problems->isVisible());
    EXPECT_EQ(window->model().page(2).text, QStringLiteral(u"Adéu, w"));

    // A picture narrated by a text.
    window->selectRow(0);
    named<QAbstractButton>(QStringLiteral(u"Text llegit"))->click();
    text->setFocus();
    type(text, QStringLiteral("Un cel blau"));
    EXPECT_EQ(window->model().page(0).narration, Narration::Text);

    // The save runs off the window's thread: until it ends the window shows
    // its progress and takes no edits.
    chosen[BookEditorWindow::FileRequest::SaveBook] = {dir.filePath("Conte/Conte")};
    QSignalSpy saved(window.get(), &BookEditorWindow::bookSaved);
    action(QStringLiteral("Desa"))->trigger();
    EXPECT_TRUE(window->saving());
    EXPECT_FALSE(text->isEnabled());
    EXPECT_FALSE(action(QStringLiteral("Desa"))->isEnabled());
    EXPECT_TRUE(window->findChild<QProgressBar*>()->isVisible());
    ASSERT_TRUE(saved.wait(60000)) << services.messages.texts().join(u'\n').toStdString();
    EXPECT_FALSE(window->saving());
    EXPECT_TRUE(text->isEnabled());
    EXPECT_TRUE(action(QStringLiteral("Desa"))->isEnabled());
    EXPECT_EQ(saved[0][0].toString(), dir.filePath("Conte/Conte.Lumbrix"));
    EXPECT_EQ(saved[0][1].toInt(), 0) << "the page being edited";
    EXPECT_EQ(authoring::exitCodeFor({authoring::checkBook(dir.filePath("Conte/Conte.Lumbrix"))}), 0);
    EXPECT_FALSE(window->windowTitle().endsWith(u'*'));
}

TEST_F(EditorWindow, AFindingSelectsItsPage)
{
    writeBmp(dir.filePath("a.bmp"), 4, 4);
    const QString book = writeFile(dir.filePath("Llibre.Lumbrix"), bookBytes(3, "", {"a.bmp", "a.bmp", "perduda.bmp"}));
    ASSERT_TRUE(window->openBook(book));
    window->selectRow(0);
    QSignalSpy ended(window.get(), &BookEditorWindow::saveEnded);
    action(QStringLiteral("Desa"))->trigger();
    ASSERT_TRUE(ended.wait(60000));
    EXPECT_FALSE(ended[0][0].toBool());
    EXPECT_EQ(services.messages.texts().value(0),
              QStringLiteral(u"No s'ha desat: el lector s'entrebancaria amb el llibre. Mireu la llista de problemes."));
    QListWidget* findings = named<QListWidget>(QStringLiteral("Problemes"));
    ASSERT_GE(findings->count(), 1);
    EXPECT_TRUE(findings->item(0)->text().startsWith(QStringLiteral(u"pàgina 3 de 3: ")));
    const QRect item = findings->visualItemRect(findings->item(0));
    QTest::mouseClick(findings->viewport(), Qt::LeftButton, {}, item.center());
    EXPECT_EQ(window->currentRow(), 2);
}

TEST_F(EditorWindow, TryPlaysThePageAsTheReaderWould)
{
    chosen[BookEditorWindow::FileRequest::Pictures] = {writeBmp(dir.filePath("gat.bmp"), 40, 30)};
    chosen[BookEditorWindow::FileRequest::Sound] = {testDataPath("audio/tone-u8-11025.wav")};
    action(QStringLiteral("Afegeix imatges..."))->trigger();
    named<QAbstractButton>(QStringLiteral("So gravat"))->click();
    named<QAbstractButton>(QStringLiteral("Importa so..."))->click();
    ASSERT_EQ(window->model().page(0).narration, Narration::Sound);
    named<QAbstractButton>(QStringLiteral("Prova"))->click();
    ASSERT_EQ(sounds->played.size(), 1);
    EXPECT_TRUE(sounds->played[0].endsWith(QStringLiteral(".wav")));
    EXPECT_TRUE(QFile::exists(sounds->played[0]));
}

TEST_F(EditorWindow, ImportsAnEpubAsABookToEdit)
{
    chosen[BookEditorWindow::FileRequest::Epub] = {writeZip(dir.filePath("Conte.epub"), epub2WithMp3(3))};
    importChosen();
    ASSERT_EQ(window->model().rowCount(), 3) << services.messages.texts().join(u'\n').toStdString();
    EXPECT_EQ(window->model().bookPath(), dir.filePath("Conte/Conte.Lumbrix"));
    EXPECT_EQ(window->model().page(0).narration, Narration::Sound);

    chosen[BookEditorWindow::FileRequest::Epub] = {writeFile(dir.filePath("trencat.epub"), "not a zip")};
    importChosen();
    EXPECT_EQ(services.messages.texts().size(), 1) << "the import's own message";
    EXPECT_EQ(window->model().rowCount(), 3) << "the book being edited stays";

    // A title with characters a book cannot hold: each change is listed.
    chosen[BookEditorWindow::FileRequest::Epub] = {writeZip(dir.filePath("Titol.epub"), epub3WithOverlays(1))};
    importChosen();
    EXPECT_EQ(window->model().bookPath(), dir.filePath("Titol/Titol.Lumbrix"));
    QListWidget* findings = named<QListWidget>(QStringLiteral("Problemes"));
    ASSERT_GE(findings->count(), 1);
    EXPECT_TRUE(findings->item(0)->text().contains(QStringLiteral("Windows-1252"))) << findings->item(0)->text().toStdString();
}

TEST_F(EditorWindow, ClosingWithChangesAsksToSaveThem)
{
    chosen[BookEditorWindow::FileRequest::Pictures] = {writeBmp(dir.filePath("gat.bmp"), 4, 4)};
    action(QStringLiteral("Afegeix imatges..."))->trigger();
    chosen[BookEditorWindow::FileRequest::SaveBook] = {};
    services.messages.queueAnswer(QMessageBox::Yes);
    EXPECT_FALSE(window->close()) << "a save cancelled keeps the window and its pages";
    EXPECT_EQ(window->model().rowCount(), 1);
    // Another book opened over them asks too.
    chosen[BookEditorWindow::FileRequest::OpenBook] = {writeFile(dir.filePath("Altre.Lumbrix"), bookBytes(1, "", {"gat.bmp"}))};
    services.messages.queueAnswer(QMessageBox::Yes);
    action(QStringLiteral("Obre..."))->trigger();
    EXPECT_TRUE(window->model().bookPath().isEmpty()) << "the pages being edited stay";
    chosen[BookEditorWindow::FileRequest::SaveBook] = {dir.filePath("Gat.Lumbrix")};
    services.messages.queueAnswer(QMessageBox::Yes);
    window->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 60000)) << "closed once saved";
    EXPECT_EQ(authoring::exitCodeFor({authoring::checkBook(dir.filePath("Gat.Lumbrix"))}), 0);
}
