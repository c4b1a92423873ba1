// The modes' rules without a window: which exclude which, what stopping a
// reading means, when the scan timer runs, what goes to the engine, the
// settings and the menu.
#include "modes/Captions.h"
#include "modes/MessageSink.h"
#include "modes/ModeController.h"
#include "modes/Settings.h"
#include "speech/SpeechMessages.h"
#include "support/FakeCaptureDevice.h"
#include "support/QtPrinters.h"
#include "support/RecordingClock.h"
#include "support/RecordingSoundPlayer.h"
#include "support/RecordingSpeechEngine.h"
#include "support/TestApplication.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace tirvelo::test {
namespace {

// The texts told, in order, whatever the kind of box.
class TextSink : public MessageSink {
public:
    void plain(QWidget*, const QString& text) override { texts << text; }
    void errorReport(QWidget*, const QString& text) override { texts << text; }
    void information(QWidget*, const QString& text, const QString&) override { texts << text; }
    void warning(QWidget*, const QString& text, const QString&) override { texts << text; }
    bool askYesNo(QWidget*, const QString& text, const QString&) override
    {
        texts << text;
        return false;
    }
    QStringList texts;
};

class ModeControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApplication();
        ASSERT_TRUE(m_dir.isValid());
        settings = std::make_unique<Settings>(&messages, settingsPath());
        clock.instant = true;
    }
    void TearDown() override { capture->CloseWaveInput(); }

    QString settingsPath() const { return m_dir.filePath(QStringLiteral("Quirna2001.ini")); }
    void writeSettings(const QByteArray& text)
    {
        QFile file(settingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QByteArray settingsText() const
    {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The program's start: the engine as found, the window's creation.
    void start(QStringList missing = {}, bool installed = true)
    {
        timer.clear();
        resets.clear();
        pagesShown = 0;
        messages.texts.clear();
        engine = std::make_unique<RecordingSpeechEngine>(std::move(missing));
        engine->installed = installed;
        capture->SetupWaveInput(WavMax::DefaultBufferLength); // as the level dialog does at start
        if (engine->load())
            engine->bindEntryPoints();
        modes = std::make_unique<ModeController>(
            Services{*engine, sound, *capture, messages, clock, *settings}, &listener);
        QObject::connect(modes.get(), &ModeController::scanTimerSet, [this](bool running) { timer << running; });
        QObject::connect(modes.get(), &ModeController::pageShowRequested, [this] {
            ++pagesShown;
            // The page presentation: a page shown while reading is read.
            modes->setSpeaking(modes->readsPages());
        });
        QObject::connect(modes.get(), &ModeController::speedTextReset, [this](const QString& text) { resets << text; });
        modes->create();
        modes->setInterfaceReady(true);
        engine->clear();
    }
    void speak() { modes->setSpeaking(true); }

    QTemporaryDir m_dir;
    std::unique_ptr<RecordingSpeechEngine> engine;
    RecordingSoundPlayer sound;
    std::unique_ptr<WavMax> capture = std::make_unique<WavMax>(fakeCaptureDevices());
    TextSink messages;
    RecordingClock clock;
    std::unique_ptr<Settings> settings;
    QObject listener;
    std::unique_ptr<ModeController> modes;
    QList<bool> timer;
    int pagesShown = 0;
    QStringList resets;
};

using Lines = QList<QByteArray>;

TEST_F(ModeControllerTest, ReadingAndVoiceModeExcludeEachOther)
{
    start();
    ModeMenu menu = modes->menu();
    EXPECT_TRUE(menu.reading.checked && menu.reading.enabled);
    EXPECT_FALSE(menu.voiceMode.enabled);
    EXPECT_TRUE(menu.languageMenu.enabled && menu.voiceMenu.enabled);

    modes->toggleReading();
    menu = modes->menu();
    EXPECT_FALSE(menu.reading.checked);
    EXPECT_TRUE(menu.voiceMode.enabled);
    EXPECT_FALSE(menu.languageMenu.enabled || menu.voiceMenu.enabled);
    EXPECT_EQ(pagesShown, 0); // switched off: the page is not shown again

    modes->toggleVoiceMode();
    ASSERT_TRUE(modes->voiceMode());
    EXPECT_FALSE(modes->menu().reading.enabled);
    modes->toggleVoiceMode();
    EXPECT_FALSE(modes->voiceMode());
    EXPECT_TRUE(modes->menu().reading.enabled);

    modes->toggleReading();
    menu = modes->menu();
    EXPECT_TRUE(menu.reading.checked);
    EXPECT_FALSE(menu.voiceMode.enabled);
    EXPECT_EQ(pagesShown, 1); // switched on: read from the start
}

TEST_F(ModeControllerTest, WithoutAnEngineOnlyVoiceModeIsOffered)
{
    start({}, false);
    EXPECT_EQ(messages.texts, QStringList{noEngineMessage()});
    ModeMenu menu = modes->menu();
    EXPECT_FALSE(menu.reading.checked || menu.reading.enabled);
    EXPECT_FALSE(menu.languageMenu.enabled || menu.voiceMenu.enabled);
    EXPECT_TRUE(menu.voiceMode.enabled);
    // Voice mode switched off again cannot offer reading without an engine.
    modes->toggleVoiceMode();
    modes->toggleVoiceMode();
    EXPECT_FALSE(modes->menu().reading.enabled);
    EXPECT_FALSE(modes->readsPages());
}

TEST_F(ModeControllerTest, VoiceModeThatCannotOpenChangesNothing)
{
    capture = std::make_unique<WavMax>(fakeCaptureDevices(-1));
    start();
    modes->toggleReading();
    const ModeMenu before = modes->menu();
    timer.clear();
    modes->toggleVoiceMode();
    EXPECT_EQ(modes->menu(), before);
    EXPECT_EQ(timer, QList<bool>{false}); // the timer still follows "&Actiu"
}

TEST_F(ModeControllerTest, CommandsStopAReadingGoingOn)
{
    struct Case {
        const char* name;
        std::function<void(ModeController&)> command;
        Lines expected; // the engine's calls
    };
    const QList<Case> cases = {
        {"reading off", [](ModeController& m) { m.toggleReading(); }, {"Stop"}},
        {"voice", [](ModeController& m) { m.chooseVoice(Voice::Female); },
         {"Stop", "SetSpeed 140", "SetLanguage 99", "SetSpeaker 2"}},
        {"language", [](ModeController& m) { m.chooseLanguage(InterfaceLanguage::Spanish); },
         {"Stop", "SetSpeed 140", "SetLanguage 101", "SetSpeaker 1"}},
        {"speed", [](ModeController& m) { m.editSpeed(QStringLiteral("150")); }, {"Stop", "SetSpeed 150"}},
        {"stop", [](ModeController& m) { m.stopReading(); }, {"Stop"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        speak();
        c.command(*modes);
        EXPECT_EQ(engine->lines(), c.expected);
        EXPECT_EQ(modes->speaking(), modes->readsPages() && pagesShown > 0);
        // Nothing going on: nothing to stop.
        modes->setSpeaking(false);
        engine->clear();
        modes->stopReading();
        EXPECT_TRUE(engine->lines().isEmpty());
    }
}

TEST_F(ModeControllerTest, LanguageAndVoiceGoToTheEngineAsATable)
{
    struct Case {
        InterfaceLanguage language;
        Voice voice;
        int engineLanguage;
        int speaker;
    };
    const Case cases[] = {
        {InterfaceLanguage::Catalan, Voice::Male, 99, 0},   {InterfaceLanguage::Catalan, Voice::Female, 99, 2},
        {InterfaceLanguage::Spanish, Voice::Male, 101, 1},  {InterfaceLanguage::Spanish, Voice::Female, 101, 0},
        {InterfaceLanguage::Portuguese, Voice::Male, 101, 1}, {InterfaceLanguage::Portuguese, Voice::Female, 101, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.language) << " " << int(c.voice));
        start();
        modes->chooseLanguage(c.language);
        modes->setSpeaking(false);
        engine->clear();
        modes->chooseVoice(c.voice);
        EXPECT_EQ(engine->lines(), (Lines{"SetSpeed 140", "SetLanguage " + QByteArray::number(c.engineLanguage),
                                          "SetSpeaker " + QByteArray::number(c.speaker)}));
        // Exactly one language and one voice ticked.
        const ModeMenu menu = modes->menu();
        int ticked = 0;
        for (const MenuItemState& item : menu.languages)
            ticked += item.checked;
        EXPECT_EQ(ticked, 1);
        EXPECT_TRUE(menu.languages[size_t(c.language)].checked);
        EXPECT_NE(menu.female.checked, menu.male.checked);
        EXPECT_EQ(menu.female.checked, c.voice == Voice::Female);
    }
    // Reading off: the engine is reloaded but hears neither.
    start();
    modes->toggleReading();
    engine->clear();
    modes->chooseVoice(Voice::Female);
    EXPECT_EQ(engine->lines(), Lines{"SetSpeed 140"});
    EXPECT_EQ(pagesShown, 1); // a voice shows the page again in every case
}

TEST_F(ModeControllerTest, TheScanTimerRunsExactlyWhenScanningIsOn)
{
    writeSettings("[Tirvelo]\nEscaneig=s\xED\n");
    start();
    EXPECT_TRUE(modes->scanning());
    EXPECT_TRUE(timer.isEmpty()); // created: stays stopped until a book loads

    modes->menuOpening();
    modes->chooseVoice(Voice::Female);
    modes->toggleReading();
    modes->toggleScanning();
    modes->toggleVoiceMode();
    EXPECT_EQ(timer, (QList<bool>{false, true, true, false, false}));

    // The stored language at start-up sets no timer and writes nothing.
    timer.clear();
    writeSettings("[Tirvelo]\nIdioma=Castellano\n");
    modes->setInterfaceReady(false);
    modes->applyStoredLanguage();
    EXPECT_EQ(modes->language(), InterfaceLanguage::Spanish);
    EXPECT_TRUE(timer.isEmpty());
    EXPECT_EQ(settingsText(), "[Tirvelo]\nIdioma=Castellano\n");
}

TEST_F(ModeControllerTest, AFailedReloadLeavesSpeechOffForTheRun)
{
    start();
    engine->installed = false;
    speak();
    modes->chooseVoice(Voice::Female);
    EXPECT_EQ(messages.texts, QStringList{noEngineMessage()});
    EXPECT_EQ(engine->lines(), Lines{"Stop"}); // no language or voice to an engine that is gone
    EXPECT_FALSE(modes->menu().reading.enabled);
    EXPECT_TRUE(modes->menu().voiceMode.enabled);
    EXPECT_EQ(pagesShown, 1);
    EXPECT_FALSE(modes->speaking());
    const int loads = engine->loads();
    engine->installed = true;
    modes->chooseLanguage(InterfaceLanguage::Catalan);
    EXPECT_EQ(engine->loads(), loads); // never tried again
}

TEST_F(ModeControllerTest, TheFirstSpeedRefusedDisablesTwoLanguages)
{
    start({QStringLiteral("SetSpeed")});
    EXPECT_EQ(messages.texts, QStringList{speechFailureMessage()});
    const ModeMenu menu = modes->menu();
    EXPECT_FALSE(menu.languages[size_t(InterfaceLanguage::Catalan)].enabled);
    EXPECT_FALSE(menu.languages[size_t(InterfaceLanguage::Spanish)].enabled);
    EXPECT_TRUE(menu.languages[size_t(InterfaceLanguage::Portuguese)].enabled);
}

TEST_F(ModeControllerTest, SpeedsOutsideTheRangePutBackAHundred)
{
    const struct {
        const char* text;
        QByteArray sent;
        bool reset;
    } cases[] = {{"0", "100", true},   {"256", "100", true}, {"-5", "100", true}, {"", "100", true},
                 {"1", "1", false},    {"255", "255", false}, {"120a", "120", false}, {" 80", "80", false},
                 {"$10", "16", false}};
    start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        engine->clear();
        resets.clear();
        modes->editSpeed(QString::fromLatin1(c.text));
        EXPECT_EQ(engine->lines(), Lines{"SetSpeed " + c.sent});
        EXPECT_EQ(resets, c.reset ? QStringList{QStringLiteral("100")} : QStringList());
    }
}

TEST_F(ModeControllerTest, SettingsAreReadAndWrittenAtTheirMoments)
{
    // Only the exact accented word turns scanning on.
    for (const QByteArray& value : {QByteArray("si"), QByteArray("S\xCD"), QByteArray("yes")}) {
        writeSettings("[Tirvelo]\nEscaneig=" + value + "\n");
        start();
        EXPECT_FALSE(modes->scanning()) << value.toStdString();
    }
    start();
    modes->toggleScanning();
    speak();
    modes->close();
    EXPECT_EQ(engine->lines(), Lines{"Stop"});
    EXPECT_EQ(clock.waits, QList<int>{100});
    EXPECT_TRUE(settingsText().contains("Escaneig=s\xED"));
    modes->chooseLanguage(InterfaceLanguage::Portuguese);
    EXPECT_TRUE(settingsText().contains("Idioma=Portugues"));
    EXPECT_TRUE(messages.texts.isEmpty());

    // A write that fails is told, and the program goes on.
    ASSERT_TRUE(QFile::remove(settingsPath()));
    ASSERT_TRUE(QDir().mkdir(settingsPath()));
    modes->close();
    EXPECT_EQ(messages.texts, QStringList{Settings::writeFailureMessage(settingsPath())});
}

TEST_F(ModeControllerTest, PauseHoldsEveryModeAndResumeBringsThemBack)
{
    start();
    modes->toggleReading();
    modes->toggleScanning();
    modes->toggleVoiceMode();
    ASSERT_TRUE(modes->voiceMode());
    ASSERT_NE(capture->WaveInHandle, nullptr);
    const ModeMenu before = modes->menu();
    timer.clear();

    modes->pause();
    modes->pause(); // nested: counted once
    EXPECT_EQ(capture->WaveInHandle, nullptr);
    EXPECT_EQ(timer, QList<bool>{false});
    modes->followScanning(); // a command while paused keeps the timer stopped
    EXPECT_EQ(timer.last(), false);
    EXPECT_EQ(modes->menu(), before);

    modes->resume();
    EXPECT_NE(capture->WaveInHandle, nullptr);
    EXPECT_EQ(timer.last(), true);
    EXPECT_EQ(modes->menu(), before);

    // Reading: a reading going on stops, and pages shown meanwhile are not read.
    modes->toggleVoiceMode();
    modes->toggleReading();
    speak();
    engine->clear();
    modes->pause();
    EXPECT_EQ(engine->lines(), Lines{"Stop"});
    EXPECT_FALSE(modes->readsPages());
    modes->resume();
    EXPECT_TRUE(modes->readsPages());
}

} // namespace
} // namespace tirvelo::test
