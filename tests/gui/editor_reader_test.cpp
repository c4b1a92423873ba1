// A book made from scratch in the editor (photos, a recorded page, a typed
// page) opens in the reader from any folder: every page shows without a message, the
// recording plays and the typed text is read; and the book tool's check
// passes it.
#include "authoring/BookCheck.h"
#include "editor/BookEditorWindow.h"
#include "editor/NarrationRecorder.h"
#include "support/MainWindowFixture.h"
#include "support/RecordingSoundPlayer.h"
#include "support/ScopedCurrentDirectory.h"
#include "support/ScopedEnvironmentVariable.h"
#include "support/TestPaths.h"

#include <QFile>
#include <QLabel>
#include <QTest>

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
        auto player = std::make_unique<RecordingSoundPlayer>();
        sounds = player.get();
        services->sound.use(std::move(player));
        createWindow();
    }
    RecordingSoundPlayer* sounds = nullptr;
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
        ASSERT_TRUE(editor.save()) << services->messages.texts().join(u'\n').toStdString();
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
