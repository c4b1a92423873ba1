// The reading controls of the main window ("Llegeix els fitxers text", the
// voices, the speed edit and the engine reload behind them) driven through the
// window's own menu items, with an in-process engine recording every call it
// receives.
#include "desktop/SettingsFile.h"
#include "ui/NavigationButton.h"
#include "support/MainWindowFixture.h"
#include "support/QtPrinters.h"
#include "support/RecordingLog.h"
#include "ui/MessageBoxes.h"
#include "ui/PictureBox.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

using Log = QList<QByteArray>;

const QString kNoEngineText = QStringLiteral(
    u"No trobo la upctv.dll. No podré llegir els textos. Si voleu que siguin llegits, instal.leu correctament la upctv.dll");
const QString kNoEngineCaption = QStringLiteral(u"Quirna 2000 - Tirvelo - Sense Veu");
const QString kSpeechFailureText = QStringLiteral(u"No trobo la upctv.dll. No puc llegir. Instal.leu correctament el upctv.dll");

// The window with an engine that records its calls.
class ReadingControls : public MainWindowFixture {
protected:
    std::unique_ptr<SpeechEngine> makeEngine() const override
    {
        auto engine = std::make_unique<RecordingSpeechEngine>(missingCalls());
        engine->installed = installedAtStart();
        return engine;
    }
    // The entry points the engine lacks ("ReadFile", "SetSpeed", ...).
    virtual QStringList missingCalls() const { return {}; }
    virtual bool installedAtStart() const { return true; }

    // The calls made since the last look, and a fresh record after them.
    Log calls()
    {
        const Log lines = recordingEngine().lines();
        recordingEngine().clear();
        return lines;
    }

    // A book whose first page is a text page (read with upcTVReadFile) and
    // whose second is a picture without companion (nothing read).
    void loadTextBook()
    {
        writeFile(path("a.txt"), "Bon dia a tothom.");
        writeBmp(path("b.bmp"), 8, 8);
        window->LoadBook(writeBook("llibre.Lumbrix", 2, "", {"a.txt", "b.bmp"}));
    }

    // A menu command as the user gives it: the menu opens (which stops the
    // scan timer) and the item is chosen.
    void choose(QAction* item)
    {
        window->PopupMenu1Popup();
        ASSERT_FALSE(window->Timer1->isActive());
        item->trigger();
    }

    // "Veu de" and "Llenguatge" reachable exactly while reading is ticked,
    // voice mode exactly while it is not.
    void expectMenuFollowsReading(bool reading)
    {
        EXPECT_EQ(window->modes().reading(), reading);
        EXPECT_EQ(window->modes().menu().voiceMenu.enabled, reading);
        EXPECT_EQ(window->modes().menu().languageMenu.enabled, reading);
        EXPECT_EQ(window->modes().menu().voiceMode.enabled, !reading);
    }
};

// The window on the stand-in library, whose calls answer with an error on
// request: what the loaded library answers is only seen through its binding.
class ReadingOnTheStandInLibrary : public MainWindowFixture {
protected:
    QString enginePath() const override { return recordingEnginePath(); }

    RecordingLog log;
};

} // namespace

TEST_F(ReadingControls, CreationSetsTheSpeedAndKeepsVoiceModeOff)
{
    createWindow();
    EXPECT_EQ(calls(), Log({"SetSpeed 140"}));
    EXPECT_TRUE(boxes->seen().isEmpty());
    expectMenuFollowsReading(true);
    EXPECT_TRUE(window->modes().menu().reading.enabled);
    EXPECT_TRUE((window->modes().voice() == Voice::Male));
    EXPECT_FALSE((window->modes().voice() == Voice::Female));
    EXPECT_TRUE((window->modes().language() == InterfaceLanguage::Catalan));
    EXPECT_EQ(window->EditVelocitat->text(), QStringLiteral("100"));
}

// Only a missing entry point fails (IncompleteEngine); what the engine answers is not looked at.
TEST_F(ReadingOnTheStandInLibrary, AFirstSpeedCallTheEngineAnswersWithAnErrorIsNotTold)
{
    log.setFailingCalls("SetSpeed");
    createWindow();
    EXPECT_EQ(log.lines(), Log({"SetSpeed 140"}));
    EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
    EXPECT_TRUE(window->modes().menu().languages[0].enabled);
    EXPECT_TRUE(window->modes().menu().languages[1].enabled);
}

TEST_F(ReadingControls, ReadingToggleStopsOnlyWhatIsSpokenAndReadsAgainWhenSwitchedOn)
{
    createWindow();
    loadTextBook();
    EXPECT_EQ(calls(), Log({"SetSpeed 140", "ReadFile a.txt"}));
    ASSERT_TRUE(window->modes().speaking());
    setScanning(true);

    // Off while the text is read: the reading stops, the page stays as it is.
    choose(window->PopupMenu1->PopupLlegeixelsfitxerstext);
    EXPECT_EQ(calls(), Log({"Stop"}));
    EXPECT_FALSE(window->modes().speaking());
    expectMenuFollowsReading(false);
    EXPECT_TRUE(window->Memo1->isVisible());
    EXPECT_EQ(window->Memo1->toPlainText(), QStringLiteral("Bon dia a tothom."));
    EXPECT_TRUE(window->Timer1->isActive());

    // On again: nothing to stop, the page is shown and read from the start.
    setScanning(false);
    choose(window->PopupMenu1->PopupLlegeixelsfitxerstext);
    EXPECT_EQ(calls(), Log({"ReadFile a.txt"}));
    EXPECT_TRUE(window->modes().speaking());
    expectMenuFollowsReading(true);
    EXPECT_FALSE(window->Timer1->isActive());

    // On a picture page nothing is spoken, so switching off stops nothing and
    // switching on reads nothing.
    window->SpeedButtonDretaClick();
    EXPECT_EQ(calls(), Log({"Stop"}));
    ASSERT_FALSE(window->modes().speaking());
    setScanning(true);
    choose(window->PopupMenu1->PopupLlegeixelsfitxerstext);
    choose(window->PopupMenu1->PopupLlegeixelsfitxerstext);
    EXPECT_EQ(calls(), Log());
    expectMenuFollowsReading(true);
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(ReadingControls, EachVoiceInEachLanguageReloadsTheEngineAndReadsThePageAgain)
{
    createWindow();
    loadTextBook();
    struct Case {
        QAction* language;
        QAction* voice;
        QByteArray languageCall;
        QByteArray speakerCall;
    };
    const QList<Case> cases = {
        {window->PopupMenu1->PopupCatala, window->PopupMenu1->PopupHome, "SetLanguage 99", "SetSpeaker 0"},
        {window->PopupMenu1->PopupCatala, window->PopupMenu1->PopupDona, "SetLanguage 99", "SetSpeaker 2"},
        {window->PopupMenu1->PopupCastellano, window->PopupMenu1->PopupHome, "SetLanguage 101", "SetSpeaker 1"},
        {window->PopupMenu1->PopupCastellano, window->PopupMenu1->PopupDona, "SetLanguage 101", "SetSpeaker 0"},
        {window->PopupMenu1->MenuPortugues, window->PopupMenu1->PopupHome, "SetLanguage 101", "SetSpeaker 1"},
        {window->PopupMenu1->MenuPortugues, window->PopupMenu1->PopupDona, "SetLanguage 101", "SetSpeaker 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(c.language->objectName() + u' ' + c.voice->objectName()));
        choose(c.language);
        calls();
        for (bool actiu : {true, false}) {
            setScanning(actiu);
            // Twice: the voice that is ticked already runs the command in full.
            for (int round = 0; round < 2; ++round) {
                ASSERT_TRUE(window->modes().speaking());
                choose(c.voice);
                EXPECT_EQ(calls(), Log({"Stop", "SetSpeed 140", c.languageCall, c.speakerCall, "ReadFile a.txt"}));
                EXPECT_EQ(window->modes().voice(), voiceOf(c.voice));
                EXPECT_NE((window->modes().voice() == Voice::Female), (window->modes().voice() == Voice::Male));
                EXPECT_TRUE(window->modes().speaking());
                expectMenuFollowsReading(true);
                EXPECT_EQ(window->Timer1->isActive(), actiu);
            }
        }
    }
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(ReadingControls, AVoiceChoiceWithNothingSpokenStopsNothingAndShowsThePageAgain)
{
    createWindow();
    calls();
    // No book: nothing is read, so nothing is stopped.
    choose(window->PopupMenu1->PopupDona);
    EXPECT_EQ(calls(), Log({"SetSpeed 140", "SetLanguage 99", "SetSpeaker 2"}));
    EXPECT_FALSE(window->modes().speaking());

    // A picture page: shown again, nothing read.
    loadTextBook();
    window->SpeedButtonDretaClick();
    calls();
    window->Image1->hide();
    choose(window->PopupMenu1->PopupHome);
    EXPECT_EQ(calls(), Log({"SetSpeed 140", "SetLanguage 99", "SetSpeaker 0"}));
    EXPECT_TRUE(window->Image1->isVisible()) << "the page is shown again";
    EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("2 - 2"));
    EXPECT_TRUE(boxes->seen().isEmpty());
}

class ReadingWithoutReadFile : public ReadingControls {
protected:
    QStringList missingCalls() const override { return {QStringLiteral("ReadFile")}; }
};

TEST_F(ReadingWithoutReadFile, TheScanTimerStartsOnlyAfterAFailedReadingHasBeenTold)
{
    createWindow();
    loadTextBook();
    calls();
    QList<bool> timerDuringBox;
    boxes->onMessage = [&](const SeenMessage&) { timerDuringBox << window->Timer1->isActive(); };
    setScanning(true);
    for (QAction* item : {window->PopupMenu1->PopupDona, window->PopupMenu1->PopupLlegeixelsfitxerstext, window->PopupMenu1->PopupLlegeixelsfitxerstext,
                          window->PopupMenu1->PopupCastellano}) {
        SCOPED_TRACE(qPrintable(item->objectName()));
        boxes->clear();
        timerDuringBox.clear();
        choose(item);
        if (!window->modes().reading())
            continue; // switched off: nothing read, nothing told
        ASSERT_EQ(boxes->seen().size(), 1);
        EXPECT_EQ(boxes->seen()[0].text, kSpeechFailureText);
        ASSERT_FALSE(timerDuringBox.isEmpty());
        EXPECT_FALSE(timerDuringBox.contains(true));
        EXPECT_FALSE(window->modes().speaking());
        EXPECT_TRUE(window->Timer1->isActive());
    }
    boxes->onMessage = nullptr;
    // Nothing was spoken, so nothing is stopped.
    EXPECT_EQ(calls(), Log({"SetSpeed 140", "SetLanguage 99", "SetSpeaker 2", // Dona
                            "SetSpeed 140", "SetLanguage 101", "SetSpeaker 0"}));
}

TEST_F(ReadingControls, SpeedTextsReachTheEngineAsTheEditConvertsThem)
{
    createWindow();
    calls();
    struct Case {
        QString text;
        Log expected;
        QString shown;
    };
    // Out of range: the handler puts "100" back, and that is a change of its
    // own, handled at once inside the first; so the engine hears 100 twice,
    // first from the inner change, then from the outer one.
    const Log putBack = {"SetSpeed 100", "SetSpeed 100"};
    const QList<Case> cases = {
        {QStringLiteral("0"), putBack, QStringLiteral("100")},
        {QStringLiteral("256"), putBack, QStringLiteral("100")},
        {QStringLiteral("-5"), putBack, QStringLiteral("100")},
        {QString(), putBack, QStringLiteral("100")},
        {QStringLiteral("1"), {"SetSpeed 1"}, QStringLiteral("1")},
        {QStringLiteral("255"), {"SetSpeed 255"}, QStringLiteral("255")},
        {QStringLiteral("120a"), {"SetSpeed 120"}, QStringLiteral("120a")},
        {QStringLiteral(" 80"), {"SetSpeed 80"}, QStringLiteral(" 80")},
        {QStringLiteral("$FF"), {"SetSpeed 255"}, QStringLiteral("$FF")},
        {QStringLiteral("$100"), putBack, QStringLiteral("100")},
        {QStringLiteral("abc"), putBack, QStringLiteral("100")},
        {QStringLiteral("+200"), {"SetSpeed 200"}, QStringLiteral("+200")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(u'"' + c.text + u'"'));
        window->EditVelocitat->setText(c.text);
        EXPECT_EQ(calls(), c.expected);
        EXPECT_EQ(window->EditVelocitat->text(), c.shown);
    }
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(ReadingControls, TypingPassesEveryStepAndAReadingInProgressIsStoppedOnce)
{
    createWindow();
    loadTextBook();
    calls();
    ASSERT_TRUE(window->modes().speaking());

    // A change while the page is read stops it once and does not read it again.
    window->EditVelocitat->setText(QStringLiteral("0"));
    EXPECT_EQ(calls(), Log({"Stop", "SetSpeed 100", "SetSpeed 100"}));
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_TRUE(window->Memo1->isVisible());

    // Typed over a selected text: 1, 15 and 150 in turn.
    window->activateWindow();
    window->EditVelocitat->setFocus();
    window->EditVelocitat->selectAll();
    QTest::keyClicks(window->EditVelocitat, QStringLiteral("150"));
    EXPECT_EQ(calls(), Log({"SetSpeed 1", "SetSpeed 15", "SetSpeed 150"}));
    // Emptying the field puts "100" back at once.
    window->EditVelocitat->selectAll();
    QTest::keyClick(window->EditVelocitat, Qt::Key_Backspace);
    EXPECT_EQ(calls(), Log({"SetSpeed 100", "SetSpeed 100"}));
    EXPECT_EQ(window->EditVelocitat->text(), QStringLiteral("100"));

    // A voice change sets 140 and leaves the edit alone; the edit's value
    // reaches the engine again only when the edit changes.
    window->EditVelocitat->setText(QStringLiteral("200"));
    calls();
    choose(window->PopupMenu1->PopupDona);
    EXPECT_EQ(calls(), Log({"SetSpeed 140", "SetLanguage 99", "SetSpeaker 2", "ReadFile a.txt"}));
    EXPECT_EQ(window->EditVelocitat->text(), QStringLiteral("200"));
    window->EditVelocitat->setText(QStringLiteral("201"));
    EXPECT_EQ(calls(), Log({"Stop", "SetSpeed 201"}));
    EXPECT_TRUE(boxes->seen().isEmpty());
}

// The window with no engine at all.
class ReadingWithoutEngine : public ReadingControls {
protected:
    bool installedAtStart() const override { return false; }
};

TEST_F(ReadingWithoutEngine, CommandsWorkWithoutSpeechAndNeverLoadTheEngineLater)
{
    createWindow();
    ASSERT_EQ(boxes->seen().size(), 1);
    EXPECT_EQ(boxes->seen()[0].text, kNoEngineText);
    EXPECT_EQ(boxes->seen()[0].caption, kNoEngineCaption);
    EXPECT_EQ(boxes->seen()[0].icon, QMessageBox::Information);
    boxes->clear();
    expectMenuFollowsReading(false);
    EXPECT_FALSE(window->modes().menu().reading.enabled);

    // An engine appears where it was looked for: it is not loaded in this run.
    ASSERT_EQ(recordingEngine().loads(), 1);
    recordingEngine().installed = true;
    loadTextBook();
    EXPECT_TRUE(window->Memo1->isVisible());
    EXPECT_FALSE(window->modes().speaking());

    // The speed edit stays usable and never fails without an engine.
    for (const QString& text : {QStringLiteral("0"), QStringLiteral("150"), QString(), QStringLiteral("$FF")})
        window->EditVelocitat->setText(text);
    EXPECT_EQ(window->EditVelocitat->text(), QStringLiteral("$FF"));

    // Voice and language items are out of reach; called all the same, they
    // only change the ticks and show the page.
    setScanning(true);
    window->PopupMenu1Popup();
    window->modes().chooseVoice(Voice::Female);
    EXPECT_TRUE((window->modes().voice() == Voice::Female));
    EXPECT_FALSE((window->modes().voice() == Voice::Male));
    EXPECT_TRUE(window->Timer1->isActive());
    window->modes().chooseLanguage(InterfaceLanguage::Spanish);
    EXPECT_TRUE((window->modes().language() == InterfaceLanguage::Spanish));
    window->modes().chooseVoice(Voice::Male);
    window->modes().chooseLanguage(InterfaceLanguage::Catalan);

    EXPECT_FALSE(engine().isAvailable());
    EXPECT_EQ(recordingEngine().loads(), 1);
    EXPECT_EQ(calls(), Log());
    EXPECT_TRUE(boxes->seen().isEmpty());
    expectMenuFollowsReading(false);
    EXPECT_FALSE(window->modes().menu().reading.enabled);
    EXPECT_TRUE(window->Memo1->isVisible());
    EXPECT_FALSE(window->modes().speaking());
}

// The engine is uninstalled while the program runs, as when its file is deleted.
using VanishingEngine = ReadingControls;

TEST_F(VanishingEngine, AVoiceChosenAfterTheLibraryWentAwaySwitchesReadingOffForTheRestOfTheRun)
{
    createWindow();
    loadTextBook();
    EXPECT_EQ(calls(), Log({"SetSpeed 140", "ReadFile a.txt"}));
    recordingEngine().installed = false;

    // Whether the scan timer runs while the failure is told.
    QList<bool> timerDuringBox;
    boxes->onMessage = [&](const SeenMessage&) { timerDuringBox << window->Timer1->isActive(); };

    setScanning(true);
    window->Memo1->hide();
    choose(window->PopupMenu1->PopupDona);
    boxes->onMessage = nullptr;
    ASSERT_EQ(boxes->seen().size(), 1);
    EXPECT_EQ(boxes->seen()[0].text, kNoEngineText);
    EXPECT_EQ(boxes->seen()[0].caption, kNoEngineCaption);
    EXPECT_EQ(boxes->seen()[0].icon, QMessageBox::Information);
    ASSERT_FALSE(timerDuringBox.isEmpty());
    EXPECT_FALSE(timerDuringBox.contains(true));
    // Only the stop reached the engine: no language, no voice, no reading.
    EXPECT_EQ(calls(), Log({"Stop"}));
    EXPECT_FALSE(engine().isAvailable());
    expectMenuFollowsReading(false);
    EXPECT_FALSE(window->modes().menu().reading.enabled);
    EXPECT_TRUE((window->modes().voice() == Voice::Female));
    EXPECT_TRUE(window->Memo1->isVisible()) << "the page is shown again";
    EXPECT_FALSE(window->modes().speaking());
    EXPECT_TRUE(window->Timer1->isActive());

    // The file is back, but nothing tries to load it again.
    recordingEngine().installed = true;
    const int loads = recordingEngine().loads();
    boxes->clear();
    window->modes().chooseVoice(Voice::Male);
    window->modes().chooseLanguage(InterfaceLanguage::Spanish);
    window->modes().chooseLanguage(InterfaceLanguage::Portuguese);
    window->modes().chooseLanguage(InterfaceLanguage::Catalan);
    window->EditVelocitat->setText(QStringLiteral("90"));
    window->SpeedButtonEsquerraClick();
    EXPECT_TRUE(boxes->seen().isEmpty());
    EXPECT_EQ(calls(), Log());
    EXPECT_EQ(recordingEngine().loads(), loads);
    EXPECT_FALSE(engine().isAvailable());
    expectMenuFollowsReading(false);
    EXPECT_FALSE(window->modes().menu().reading.enabled);
}

TEST_F(VanishingEngine, ALanguageChosenAfterTheLibraryWentAwayIsShownAndStoredWithoutSpeech)
{
    createWindow();
    loadTextBook();
    calls();
    recordingEngine().installed = false;
    choose(window->PopupMenu1->PopupCastellano);
    ASSERT_EQ(boxes->seen().size(), 1);
    EXPECT_EQ(boxes->seen()[0].text, kNoEngineText);
    EXPECT_EQ(calls(), Log({"Stop"}));
    EXPECT_TRUE((window->modes().language() == InterfaceLanguage::Spanish));
    EXPECT_FALSE((window->modes().language() == InterfaceLanguage::Catalan));
    EXPECT_EQ(window->PopupMenu1->PopupMenuActiu->text(), QStringLiteral("&Activo"));
    EXPECT_EQ(window->SpeedButtonDreta->text(), QStringLiteral("&Siguiente"));
    EXPECT_EQ(SettingsFile().read("Tirvelo", "Idioma", "?"), QByteArray("Castellano"));
    expectMenuFollowsReading(false);
    EXPECT_TRUE(window->Memo1->isVisible());
    EXPECT_FALSE(window->modes().speaking());
}

// Engines that lack one of the calls the reload and the voice command make.
class IncompleteEngine : public ReadingControls, public ::testing::WithParamInterface<const char*> {
protected:
    QStringList missingCalls() const override { return {QString::fromLatin1(GetParam())}; }
};

TEST_P(IncompleteEngine, ReloadsAndVoiceAndLanguageCommandsNeverFail)
{
    const QByteArray missing = GetParam();
    createWindow();
    const bool hasSpeed = missing != "SetSpeed";
    if (hasSpeed) {
        EXPECT_TRUE(boxes->seen().isEmpty());
        EXPECT_EQ(calls(), Log({"SetSpeed 140"}));
        EXPECT_TRUE(window->modes().menu().languages[0].enabled);
        EXPECT_TRUE(window->modes().menu().languages[1].enabled);
    } else {
        // The first speed call fails: told once; two language items are lost.
        ASSERT_EQ(boxes->seen().size(), 1);
        EXPECT_EQ(boxes->seen()[0].text, kSpeechFailureText);
        EXPECT_EQ(boxes->seen()[0].caption, applicationTitle());
        EXPECT_EQ(boxes->seen()[0].icon, QMessageBox::NoIcon);
        EXPECT_EQ(calls(), Log());
        EXPECT_FALSE(window->modes().menu().languages[0].enabled);
        EXPECT_FALSE(window->modes().menu().languages[1].enabled);
        EXPECT_TRUE(window->modes().menu().languages[2].enabled);
        boxes->clear();
    }
    expectMenuFollowsReading(true);
    loadTextBook();
    calls();

    auto withoutMissing = [&](Log expected) {
        expected.removeIf([&](const QByteArray& line) { return line.startsWith(missing); });
        return expected;
    };
    choose(window->PopupMenu1->PopupDona);
    EXPECT_EQ(calls(), withoutMissing({"Stop", "SetSpeed 140", "SetLanguage 99", "SetSpeaker 2", "ReadFile a.txt"}));
    choose(window->PopupMenu1->MenuPortugues);
    EXPECT_EQ(calls(), withoutMissing({"Stop", "SetSpeed 140", "SetLanguage 101", "SetSpeaker 0", "ReadFile a.txt"}));
    choose(window->PopupMenu1->PopupHome);
    EXPECT_EQ(calls(), withoutMissing({"Stop", "SetSpeed 140", "SetLanguage 101", "SetSpeaker 1", "ReadFile a.txt"}));
    window->EditVelocitat->setText(QStringLiteral("77"));
    EXPECT_EQ(calls(), withoutMissing({"Stop", "SetSpeed 77"}));
    EXPECT_TRUE(boxes->seen().isEmpty());
    EXPECT_TRUE(engine().isAvailable());
    expectMenuFollowsReading(true);
    EXPECT_FALSE(window->modes().speaking());
}

INSTANTIATE_TEST_SUITE_P(MissingCall, IncompleteEngine, ::testing::Values("SetSpeed", "SetLanguage", "SetSpeaker"));
