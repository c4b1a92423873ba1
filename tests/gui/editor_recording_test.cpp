// Recording a page's narration through the program's own capture, fed by the
// simulated input the voice tests use: the live level and timer, the silence
// trimmed at both ends, the page's sound set and saved as a wave the reader
// plays; and the device's message when there is no input.
#include "audio/DecodedSound.h"
#include "audio/WavMax.h"
#include "editor/BookEditorWindow.h"
#include "editor/NarrationRecorder.h"
#include "support/BookWriter.h"
#include "support/RecordingSoundPlayer.h"
#include "support/RecordingSpeechEngine.h"
#include "support/ScopedEnvironmentVariable.h"
#include "support/TestServices.h"
#include "authoring/BookCheck.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace tirvelo;
using namespace tirvelo::editor;
using namespace tirvelo::test;

namespace {

// Three quiet spans, two loud ones (level 90), three quiet ones, looped.
const QByteArray kSpeech = "levels:0,0,0,90,90,0,0,0";

} // namespace

TEST(EditorRecording, SilenceAtBothEndsIsTrimmed)
{
    const ScopedEnvironmentVariable source("TIRVELO_SIMULATED_CAPTURE", kSpeech);
    const ScopedEnvironmentVariable speed("TIRVELO_SIMULATED_CAPTURE_SPEED", QByteArray("4"));
    NarrationRecorder recorder;
    QSignalSpy levels(&recorder, &NarrationRecorder::levelChanged);
    ASSERT_FALSE(recorder.start());
    // One and a half loops: quiet, loud, quiet, quiet, loud, and quiet again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.recordedMilliseconds() >= 1200; }, 30000));
    recorder.stop();
    EXPECT_FALSE(recorder.recording());
    const auto heard = std::any_of(levels.begin(), levels.end(), [](const QList<QVariant>& args) { return args[0].toInt() >= 89; });
    EXPECT_TRUE(heard) << "the level bar follows the input";

    QTemporaryDir dir;
    const QString file = writeFile(dir.filePath("veu.wav"), recorder.waveFile());
    const std::optional<DecodedSound> sound = decodeSoundFile(file);
    ASSERT_TRUE(sound && sound->wave);
    EXPECT_EQ(sound->sampleRate, 11025);
    const qsizetype recorded = qsizetype(recorder.recordedMilliseconds()) * 11025 / 1000;
    EXPECT_LT(sound->frames(), recorded) << "quiet ends cut";
    const auto loud = [](float sample) { return std::abs(sample) > 0.5f; };
    const auto first = std::find_if(sound->samples.begin(), sound->samples.end(), loud) - sound->samples.begin();
    const auto last = sound->samples.rend() - std::find_if(sound->samples.rbegin(), sound->samples.rend(), loud);
    const qsizetype margin = 11025 * 150 / 1000;
    EXPECT_LE(first, margin + 1) << "a little of the quiet stays before the first word";
    EXPECT_LE(qsizetype(sound->samples.size()) - last, margin + 1);
}

TEST(EditorRecording, TheWindowRecordsAPagesNarration)
{
    const ScopedEnvironmentVariable source("TIRVELO_SIMULATED_CAPTURE", kSpeech);
    const ScopedEnvironmentVariable speed("TIRVELO_SIMULATED_CAPTURE_SPEED", QByteArray("4"));
    TestServices services(std::make_unique<RecordingSpeechEngine>());
    auto player = std::make_unique<RecordingSoundPlayer>();
    RecordingSoundPlayer* sounds = player.get();
    services.sound.use(std::move(player));
    Services bundle = services.bundle();
    QTemporaryDir dir;
    BookEditorWindow window(bundle, InterfaceLanguage::Catalan);
    window.setFileChooser([&](BookEditorWindow::FileRequest request) {
        return request == BookEditorWindow::FileRequest::SaveBook ? QStringList{dir.filePath("Llibre.Lumbrix")}
                                                                  : QStringList{writeBmp(dir.filePath("fotos/gat.bmp"), 20, 20)};
    });
    window.show();
    auto button = [&](const QString& name) {
        for (QAbstractButton* candidate : window.findChildren<QAbstractButton*>())
            if (candidate->accessibleName() == name)
                return candidate;
        ADD_FAILURE() << name.toStdString();
        return static_cast<QAbstractButton*>(nullptr);
    };
    window.addPictureFiles({writeBmp(dir.filePath("fotos/gat.bmp"), 20, 20)}, 0);
    button(QStringLiteral("So gravat"))->click();
    EXPECT_FALSE(button(QStringLiteral("Atura"))->isEnabled());
    button(QStringLiteral("Grava"))->click();
    ASSERT_TRUE(button(QStringLiteral("Atura"))->isEnabled()) << services.messages.texts().join(u' ').toStdString();
    QLabel* timer = nullptr;
    for (QLabel* label : window.findChildren<QLabel*>())
        if (label->accessibleName() == QStringLiteral("Temps gravat"))
            timer = label;
    ASSERT_TRUE(timer);
    ASSERT_TRUE(QTest::qWaitFor([&] { return timer->text() != QStringLiteral("0:00"); }, 30000)) << "the timer runs";
    button(QStringLiteral("Atura"))->click();
    ASSERT_EQ(window.model().page(0).narration, Narration::Sound);
    EXPECT_TRUE(button(QStringLiteral("Torna a gravar"))->isEnabled());
    button(QStringLiteral("Escolta"))->click();
    ASSERT_EQ(sounds->played.size(), 1);
    EXPECT_TRUE(waveFileDecodes(sounds->played[0]));

    // Another page without a sound does not inherit the choice.
    window.addPictureFiles({writeBmp(dir.filePath("fotos/gos.bmp"), 20, 20)}, 1);
    EXPECT_TRUE(button(QStringLiteral("Sense so"))->isChecked());
    EXPECT_FALSE(button(QStringLiteral("Grava"))->isEnabled());

    QSignalSpy saved(&window, &BookEditorWindow::bookSaved);
    ASSERT_TRUE(window.save());
    ASSERT_TRUE(saved.wait(60000));
    EXPECT_EQ(authoring::exitCodeFor({authoring::checkBook(dir.filePath("Llibre.Lumbrix"))}), 0);
}

TEST(EditorRecording, NoInputGivesTheDevicesMessage)
{
    const ScopedEnvironmentVariable source("TIRVELO_SIMULATED_CAPTURE", QByteArray("/no/such/sound.wav"));
    NarrationRecorder recorder;
    EXPECT_EQ(recorder.start(), WavMax::DeviceErrorText());
    EXPECT_FALSE(recorder.recording());
}
