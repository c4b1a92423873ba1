// A book made from scratch in the editor (photos, a recorded page, a typed
// page) opens in the reader from any folder: every page shows without a message, the
// recording plays and the typed text is read; and the book tool's check
// passes it. The main window's menu opens the editor on the book shown.
#include "app/EditorLauncher.h"
#include "authoring/BookCheck.h"
#include "editor/BookEditorWindow.h"
#include "editor/NarrationRecorder.h"
#include "support/MainWindowFixture.h"
#include "support/RecordingSoundPlayer.h"
#include "support/ScopedCurrentDirectory.h"
#include "support/ScopedEnvironmentVariable.h"
#include "support/TestPaths.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace tirvelo;
using namespace tirvelo::editor;
using namespace tirvelo::test;

namespace {

class EditorToReader : public MainWindowFixture {
protected:
    std::unique_ptr<SpeechEngine> makeEngine() const override { return std::make_unique<RecordingSpeechEngine>(); }
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        sounds = &useSoundDouble();
        createWindow();
    }
    RecordingSoundPlayer* sounds = nullptr;
    qsizetype soundsPlayed() const { return sounds->played.size() + sounds->playedDecoded.size(); }
};

} // namespace

TEST_F(EditorToReader, ABookMadeFromScratchOpensInTheReader)
{
    const ScopedEnvironmentVariable source("TIRVELO_SIMULATED_CAPTURE", QByteArray("levels:0,0,90,90,0,0"));
    const ScopedEnvironmentVariable speed("TIRVELO_SIMULATED_CAPTURE_SPEED", QByteArray("4"));
    QDir().mkpath(path("fotos"));
    QFile::copy(testDataPath("pictures/quadrants.jpg"), path("fotos/IMG_0001.jpg"));
    QFile::copy(testDataPath("pictures/quadrants.png"), path("fotos/dibuix.png"));
    Services bundle = services->bundle();
    {
        BookEditorWindow editor(bundle, InterfaceLanguage::Catalan);
        editor.setFileChooser([&](BookEditorWindow::FileRequest) { return QStringList{path("Conte/Conte.Lumbrix")}; });
        editor.addPictureFiles({path("fotos/IMG_0001.jpg"), path("fotos/dibuix.png")}, 0);
        NarrationRecorder recorder;
        ASSERT_FALSE(recorder.start());
        ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.recordedMilliseconds() >= 800; }, 30000));
        recorder.stop();
        const QString recording = writeFile(path("gravacio.wav"), recorder.waveFile());
        editor.model().setSound(1, recording);
        editor.model().addTextPage(2);
        editor.model().setPageText(2, QStringLiteral(u"I van viure feliços."));
        QSignalSpy saved(&editor, &BookEditorWindow::bookSaved);
        ASSERT_TRUE(editor.save());
        ASSERT_TRUE(saved.wait(60000)) << services->messages.texts().join(u'\n').toStdString();
    }
    const QString book = path("Conte/Conte.Lumbrix");
    EXPECT_EQ(authoring::exitCodeFor({authoring::checkBook(book)}), 0);

    // From another folder, as from the command line or a double click.
    const ScopedCurrentDirectory elsewhere(path("fotos"));
    window->LoadBook(book);
    for (int page = 1; page <= 3; ++page) {
        if (page > 1)
            window->SpeedButtonDretaClick();
        EXPECT_TRUE(boxes->seen().isEmpty()) << "page " << page << ": " << boxes->texts().join(u'|').toStdString();
        EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("%1 - 3").arg(page));
    }
    ASSERT_EQ(sounds->played.size(), 1);
    EXPECT_TRUE(sounds->played[0].endsWith(QStringLiteral(".wav")));
    const QList<QByteArray> calls = recordingEngine().lines();
    const auto read = std::count_if(calls.begin(), calls.end(), [](const QByteArray& line) { return line.startsWith("ReadFile "); });
    EXPECT_EQ(read, 1) << "the typed page is read aloud";
}

TEST_F(EditorToReader, TheMenuEditsTheBookShownWhileTheModesPause)
{
    writeBmp(path("a.bmp"), 8, 8);
    QFile::copy(testDataPath("audio/tone-u8-11025.wav"), path("to.wav"));
    window->LoadBook(writeBook("Llibre.Lumbrix", 3, "", {"a.bmp", "a.bmp#to.wav", "a.bmp"}));
    window->SpeedButtonDretaClick();
    ASSERT_EQ(soundsPlayed(), 1);
    setScanning(true);
    EditorLauncher launcher(services->bundle(), *window);
    const QList<QAction*> items = window->PopupMenu1->actions();
    const qsizetype load = items.indexOf(window->PopupMenu1->MenuCarregarLlibre);
    ASSERT_EQ(items.value(load + 1), window->PopupMenu1->MenuEditaLlibre);
    EXPECT_TRUE(window->PopupMenu1->MenuEditaLlibre->isVisible());
    EXPECT_EQ(window->PopupMenu1->MenuEditaLlibre->text(), QStringLiteral("Edita el llibre..."));

    window->PopupMenu1->MenuEditaLlibre->trigger();
    BookEditorWindow* editor = launcher.editorWindow();
    ASSERT_TRUE(editor && editor->isVisible());
    EXPECT_EQ(editor->model().rowCount(), 3);
    EXPECT_EQ(editor->currentRow(), 1) << "the page shown";
    EXPECT_TRUE(window->modes().paused());
    EXPECT_FALSE(window->Timer1->isActive());

    // A page added before it: the saved book comes back on the page being edited, silent meanwhile.
    editor->model().duplicatePage(0);
    editor->selectRow(2);
    QSignalSpy saved(editor, &BookEditorWindow::bookSaved);
    ASSERT_TRUE(editor->save());
    ASSERT_TRUE(saved.wait(60000)) << boxes->texts().join(u'\n').toStdString();
    EXPECT_EQ(window->book.PageCount, 4);
    EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("3 - 4"));
    EXPECT_EQ(soundsPlayed(), 1);
    EXPECT_FALSE(window->Timer1->isActive());

    editor->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !launcher.editorWindow(); }));
    EXPECT_FALSE(window->modes().paused());
    EXPECT_TRUE(window->Timer1->isActive()) << "scanning resumes";
    EXPECT_EQ(soundsPlayed(), 2) << "the page plays once the editor is closed";
    EXPECT_EQ(window->bookFile(), path("Llibre.Lumbrix"));

    // With no book shown, a new one.
    window->modes().toggleScanning();
    TFormPrincipal empty(services->bundle());
    EditorLauncher second(services->bundle(), empty);
    empty.PopupMenu1->MenuEditaLlibre->trigger();
    ASSERT_TRUE(second.editorWindow());
    EXPECT_EQ(second.editorWindow()->model().rowCount(), 0);
    EXPECT_TRUE(second.editorWindow()->model().bookPath().isEmpty());
}
