// Voice mode through the real main window: the sound trigger's handling of
// each captured buffer, the two menu commands, and the whole road on the
// private PulseAudio server, where what is played into the sink "nul" is heard
// on the microphone "mic" and must turn exactly one page per sound.
#include "app/ProgramServices.h"
#include "app/Startup.h"
#include "audio/CaptureDevice.h"
#include "audio/LevelCalibration.h"
#include "audio/QtSoundPlayer.h"
#include "audio/SimulatedCaptureDevice.h"
#include "audio/SoundPlayer.h"
#include "audio/WavMax.h"
#include "desktop/AccessOptions.h"
#include "support/AudioTestTools.h"
#include "support/FakeCaptureDevice.h"
#include "support/MainWindowFixture.h"
#include "support/MessageBoxRecorder.h"
#include "support/ProgramEnvironment.h"
#include "support/RecordingSoundPlayer.h"
#include "support/XServer.h"
#include "ui/FormNivellEntradaDAudio.h"
#include "ui/NavigationButton.h"
#include "ui/ScanIntervalSpinBox.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <iostream>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

const QString kDeviceError = QStringLiteral(
    u"No és possible obrir el dispositiu d'entrada de so. O no hi ha tarja de so o hi ha una altre aplicació que la "
    u"fa servir. Si és així pareu aquesta aplicació i torneu-ho a provar.");
const QString kDeviceErrorCaption = QStringLiteral(u"Control del valor màxim detectat en el micròfon");

// Counts the capture events that reach a window, without touching them.
class BufferCounter : public QObject {
public:
    int buffers = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == MM_WIM_DATA)
            ++buffers;
        return false;
    }
};

class VoiceModeWindow : public MainWindowFixture {
protected:
    // The level dialog as start-up makes it, which sets up capture.
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        m_dialog = std::make_unique<TFormNivellEntradaDAudio>(services->bundle());
        dialog = m_dialog.get();
        FakeCaptureDevice::resetCounters();
    }
    void TearDown() override
    {
        if (window)
            window->setLevelDialog(nullptr);
        // Its end closes capture and waits for the buffers still out; the test
        // has no use for the wait.
        if (services)
            services->clock.instant = true;
        m_dialog.reset();
        MainWindowFixture::TearDown();
    }

    // The main window as start-up makes it: with the level dialog wired in.
    void createWindowWithDialog()
    {
        createWindow();
        window->setLevelDialog(dialog);
        // A long scan period: no tick moves the highlight behind a test's back.
        window->SpinEditTempsTimer->setValue(64);
    }
    // A book of text pages "1" .. "n", loaded; a missing page number leaves its file out.
    void loadTextBook(int pages, int missingPage = 0)
    {
        QList<QByteArray> lines;
        for (int i = 1; i <= pages; ++i) {
            const QByteArray name = "p" + QByteArray::number(i) + ".txt";
            if (i != missingPage)
                writeFile(path(QString::fromLatin1(name)), "page " + QByteArray::number(i));
            lines << name;
        }
        window->LoadBook(writeBook(QStringLiteral("voice.Lumbrix"), pages, "", lines));
        ASSERT_EQ(window->book.PageCount, pages);
    }
    void voiceModeOn()
    {
        window->PopupMenu1->PopupMenuFuncionaAmbVeu->trigger();
        ASSERT_TRUE(window->modes().voiceMode());
    }
    // One captured buffer whose peak above the midline is `level`, handled by
    // the main window as its event loop would.
    void sound(int level)
    {
        FakeCaptureDevice* device = FakeCaptureDevice::last();
        ASSERT_NE(device, nullptr);
        ASSERT_EQ(static_cast<CaptureDevice*>(device), services->capture.WaveInHandle);
        device->feed(FakeCaptureDevice::block(level));
        QCoreApplication::sendPostedEvents(window.get(), MM_WIM_DATA);
    }
    int bar() const { return dialog->ProgressBarVolum->value(); }
    // 0 previous, 1 next, -1 none.
    int highlighted() const
    {
        if (window->SpeedButtonEsquerra->isHighlighted())
            return window->SpeedButtonDreta->isHighlighted() ? 2 : 0;
        return window->SpeedButtonDreta->isHighlighted() ? 1 : -1;
    }

    std::unique_ptr<TFormNivellEntradaDAudio> m_dialog;
    TFormNivellEntradaDAudio* dialog = nullptr;
};

class VoiceModeWindowWithEngine : public VoiceModeWindow {
protected:
    std::unique_ptr<SpeechEngine> makeEngine() const override { return std::make_unique<RecordingSpeechEngine>(); }
};

} // namespace

// ---------------------------------------------------------------- the sound trigger

TEST_F(VoiceModeWindow, TheBarShowsEachBufferOnlyWhileTheDialogIsVisible)
{
    FakeDeviceFactoryGuard devices(*services);
    createWindowWithDialog();
    loadTextBook(3);
    voiceModeOn();

    sound(20);
    EXPECT_EQ(bar(), 0) << "hidden dialog: the bar is not fed";

    window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
    ASSERT_TRUE(dialog->isVisible());
    sound(20);
    EXPECT_EQ(bar(), 20);
    sound(0);
    EXPECT_EQ(bar(), 0);
    sound(127);
    EXPECT_EQ(bar(), 127) << "the loud buffer itself shows its real level";
    EXPECT_EQ(window->book.CurrentPage, 0) << "\"&Actiu\" is not ticked";

    // "&Tancar" empties the bar; buffers arriving while hidden leave it empty.
    dialog->BitBtn1->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(bar(), 0);
    sound(0);
    sound(0);
    sound(60);
    EXPECT_EQ(bar(), 0);
    window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
    EXPECT_EQ(bar(), 0) << "shown again: still empty until the next buffer";
    sound(0);
    sound(0);
    sound(44);
    EXPECT_EQ(bar(), 44);
}

TEST_F(VoiceModeWindow, ALoudBufferWithActiuUntickedStartsTheHoldOffButTurnsNothing)
{
    FakeDeviceFactoryGuard devices(*services);
    createWindowWithDialog();
    loadTextBook(3);
    voiceModeOn();
    window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
    window->ScanStep(); // highlights "&Següent" on the first page

    sound(90);
    EXPECT_EQ(bar(), 90);
    EXPECT_EQ(services->capture.TriggerHoldOff, 2) << "the hold-off starts whether or not scanning is ticked";
    EXPECT_EQ(window->book.CurrentPage, 0);
    EXPECT_EQ(highlighted(), 1) << "nothing was activated, so the highlight stays";

    // Loud buffers read 0 and do not count; two quiet ones end the hold-off.
    sound(90);
    EXPECT_EQ(bar(), 0);
    sound(30);
    EXPECT_EQ(bar(), 0);
    EXPECT_EQ(services->capture.TriggerHoldOff, 1) << "a level equal to the threshold is quiet";
    sound(31);
    EXPECT_EQ(services->capture.TriggerHoldOff, 1) << "one above it is not";
    sound(5);
    EXPECT_EQ(services->capture.TriggerHoldOff, 0);

    // Ticked now: the next loud buffer turns the page.
    window->modes().toggleScanning();
    sound(31);
    EXPECT_EQ(window->book.CurrentPage, 1);
}

TEST_F(VoiceModeWindow, OneLoudBufferActivatesTheHighlightedButtonOnce)
{
    FakeDeviceFactoryGuard devices(*services);
    createWindowWithDialog();
    loadTextBook(5);
    window->modes().toggleScanning();
    ASSERT_TRUE(window->Timer1->isActive());
    voiceModeOn();
    window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
    window->ScanStep();
    ASSERT_EQ(highlighted(), 1);

    sound(30);
    EXPECT_EQ(window->book.CurrentPage, 0) << "the comparison is strictly greater";
    EXPECT_EQ(services->capture.TriggerHoldOff, 0);

    // The pointer rests elsewhere: the activation does not move it, nor touch the timer.
    const QPoint away = window->mapToGlobal(QPoint(400, 300));
    QCursor::setPos(away);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QCursor::pos() == away; }, 2000));
    const int intervalBefore = window->Timer1->interval();
    sound(31);
    EXPECT_EQ(window->book.CurrentPage, 1);
    EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("2 - 5"));
    EXPECT_EQ(bar(), 31);
    EXPECT_EQ(highlighted(), -1) << "the highlight is cleared";
    EXPECT_EQ(services->capture.TriggerHoldOff, 2);
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_EQ(window->Timer1->interval(), intervalBefore);
    EXPECT_EQ(window->scan.ScanPosition, 1) << "an activation does not move the scan";
    EXPECT_EQ(QCursor::pos(), away);

    // A sound that stays loud turns one page only; the next two quiet buffers read 0.
    for (int i = 0; i < 20; ++i)
        sound(100);
    EXPECT_EQ(window->book.CurrentPage, 1);
    sound(0);
    EXPECT_EQ(bar(), 0);
    sound(12);
    EXPECT_EQ(bar(), 0);
    sound(100);
    EXPECT_EQ(window->book.CurrentPage, 2) << "after two quiet buffers the next sound counts";
}

TEST_F(VoiceModeWindow, WithTheOptionASoundTurnsThePageWhileThePagesOwnSoundPlays)
{
    // A page sound that is still playing, as on a page with a long narration.
    struct StillPlaying : RecordingSoundPlayer {
        bool guardActive() const override { return true; }
    };
    services->sound.use(std::make_unique<StillPlaying>());
    FakeDeviceFactoryGuard devices(*services);
    createWindowWithDialog();
    loadTextBook(5);
    window->modes().toggleScanning();
    voiceModeOn();
    window->ScanStep(); // the first page: the next button
    ASSERT_EQ(highlighted(), 1);
    sound(100);
    EXPECT_EQ(window->book.CurrentPage, 0) << "deaf to its own page's sound by default";

    AccessOptions options;
    options.soundSwitchDuringPageSound = true; // headphones
    window->applyAccessOptions(options);
    for (int i = 0; i < 3; ++i)
        sound(0);
    sound(100);
    EXPECT_EQ(window->book.CurrentPage, 1);
}

TEST_F(VoiceModeWindow, TheButtonActivatedIsTheOneScanPositionNames)
{
    FakeDeviceFactoryGuard devices(*services);
    createWindowWithDialog();
    boxes->clear(); // the missing-engine notice of the creation
    loadTextBook(5);
    window->modes().toggleScanning();
    voiceModeOn();
    auto quiet = [this] {
        sound(0);
        sound(0);
    };

    // First page: every step highlights the next button.
    window->ScanStep();
    sound(70);
    ASSERT_EQ(window->book.CurrentPage, 1);
    quiet();

    // Middle page: the steps alternate; previous, then next.
    window->ScanStep();
    ASSERT_EQ(window->scan.ScanPosition, 0);
    ASSERT_EQ(highlighted(), 0);
    sound(70);
    EXPECT_EQ(window->book.CurrentPage, 0) << "\"&Anterior\" was highlighted";
    quiet();
    window->ScanStep(); // first page again: next
    sound(70);
    quiet();
    window->ScanStep(); // page 2 of 5, after next: previous
    window->ScanStep(); // then next
    ASSERT_EQ(highlighted(), 1);
    sound(70);
    EXPECT_EQ(window->book.CurrentPage, 2);
    quiet();

    // Last page: always the previous button.
    window->book.CurrentPage = 4;
    window->ShowPage();
    window->ScanStep();
    ASSERT_EQ(highlighted(), 0);
    sound(70);
    EXPECT_EQ(window->book.CurrentPage, 3);
    EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
}

TEST_F(VoiceModeWindow, AfterThePopupMenuWasOpenedAndClosedASoundTurnsToTheNextPage)
{
    FakeDeviceFactoryGuard devices(*services);
    createWindowWithDialog();
    loadTextBook(5);
    window->SpeedButtonDretaClick();
    window->SpeedButtonDretaClick(); // the middle page
    window->modes().toggleScanning();
    voiceModeOn();
    window->ScanStep();
    window->ScanStep();
    ASSERT_EQ(highlighted(), 0) << "the previous button is highlighted before the menu opens";

    QTimer::singleShot(50, window->PopupMenu1, &QMenu::close);
    window->PopupMenu1->exec(window->mapToGlobal(QPoint(300, 300)));
    ASSERT_TRUE(window->modes().scanning());
    ASSERT_FALSE(window->Timer1->isActive()) << "paused";
    EXPECT_EQ(highlighted(), -1);

    sound(64);
    EXPECT_EQ(window->book.CurrentPage, 3);
    EXPECT_FALSE(window->Timer1->isActive()) << "the activation does not resume the scan";
}

TEST_F(VoiceModeWindow, TheHoldOffIsSetBeforeThePageTurnsSoABufferHandledDuringItsMessageBoxCannotTriggerAgain)
{
    FakeDeviceFactoryGuard devices(*services);
    services->showRealMessageBoxes(); // this test answers the box itself, from its own event loop
    {
        MessageBoxRecorder startMessages; // the window's own at its creation (no engine)
        createWindowWithDialog();
    }
    loadTextBook(5, /*missingPage=*/2);
    window->modes().toggleScanning();
    voiceModeOn();
    window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
    window->ScanStep();

    // The page command shows its failure box; meanwhile the device goes on
    // returning loud buffers, which the box's own event loop handles.
    QStringList texts;
    int pageInsideBox = -1;
    int barInsideBox = -1;
    int holdOffInsideBox = -1;
    QTimer::singleShot(0, [&] {
        if (!QTest::qWaitFor([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }, 5000))
            return;
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        texts << box->text();
        FakeCaptureDevice::last()->feed(FakeCaptureDevice::block(110));
        FakeCaptureDevice::last()->feed(FakeCaptureDevice::block(110));
        QTest::qWait(50); // the box's loop handles both
        pageInsideBox = window->book.CurrentPage;
        barInsideBox = bar();
        holdOffInsideBox = services->capture.TriggerHoldOff;
        box->accept();
    });
    sound(110);

    EXPECT_EQ(texts, QStringList{QStringLiteral(u"Nom de fitxer de plana incorrecte o no existeix.")});
    EXPECT_EQ(pageInsideBox, 1);
    EXPECT_EQ(barInsideBox, 0) << "the buffers behind the box read 0";
    EXPECT_EQ(holdOffInsideBox, 2) << "loud buffers do not count the hold-off down";
    EXPECT_EQ(window->book.CurrentPage, 1) << "one sound, one page";
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_TRUE(std::none_of(windows.begin(), windows.end(), [](QWidget* w) {
        return qobject_cast<QMessageBox*>(w) && w->isVisible();
    }));
}

TEST_F(VoiceModeWindow, ThresholdsFromTheTrackBar)
{
    FakeDeviceFactoryGuard devices(*services);
    createWindowWithDialog();
    loadTextBook(10);
    window->modes().toggleScanning();
    voiceModeOn();
    window->PopupMenu1Popup(); // ScanPosition at the next button, scan paused

    // 127 and 128: no buffer can trigger.
    for (int threshold : {127, 128}) {
        dialog->TrackBar1->setValue(threshold);
        sound(127);
        EXPECT_EQ(window->book.CurrentPage, 0) << threshold;
        EXPECT_EQ(services->capture.TriggerHoldOff, 0);
    }
    // 0: any sample above the midline triggers, and only buffers with none
    // above it end the hold-off.
    dialog->TrackBar1->setValue(0);
    sound(1);
    EXPECT_EQ(window->book.CurrentPage, 1);
    sound(0);
    sound(1);
    EXPECT_EQ(services->capture.TriggerHoldOff, 1);
    sound(0);
    sound(1);
    EXPECT_EQ(window->book.CurrentPage, 2);
    // A new threshold holds from the next buffer.
    sound(0);
    sound(0);
    dialog->TrackBar1->setValue(45);
    sound(45);
    EXPECT_EQ(window->book.CurrentPage, 2);
    sound(46);
    EXPECT_EQ(window->book.CurrentPage, 3);
}

TEST_F(VoiceModeWindow, CalibraHearsTheRoomForThreeSecondsWithoutTurningPagesThenSetsTheThreshold)
{
    FakeDeviceFactoryGuard devices(*services);
    createWindowWithDialog();
    loadTextBook(10);
    window->modes().toggleScanning();
    window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
    QPushButton* calibra = dialog->BitBtnCalibra;
    EXPECT_FALSE(calibra->isEnabled()) << "voice mode off: there is nothing to hear";
    voiceModeOn();
    ASSERT_TRUE(calibra->isEnabled());
    window->PopupMenu1Popup(); // the next button is the one a sound presses

    // A sound just before: its hold-off still runs when the listening starts.
    sound(90);
    ASSERT_EQ(window->book.CurrentPage, 1);
    services->clock.fixedNow = 50'000;
    QTest::mouseClick(calibra, Qt::LeftButton);
    EXPECT_EQ(calibra->text(), QStringLiteral("3"));
    EXPECT_EQ(dialog->ProgressBarVolum->text(), QStringLiteral("3"));
    sound(40); // above the threshold of 30: heard, and no page turns
    EXPECT_EQ(bar(), 40);
    services->clock.fixedNow = 51'200;
    sound(52);
    EXPECT_EQ(calibra->text(), QStringLiteral("2"));

    // Pressed again: the run starts over and forgets what it heard.
    QTest::mouseClick(calibra, Qt::LeftButton);
    EXPECT_EQ(calibra->text(), QStringLiteral("3"));
    services->clock.fixedNow = 53'000;
    sound(35);
    services->clock.fixedNow = 54'199;
    sound(20);
    EXPECT_EQ(calibra->text(), QStringLiteral("1"));
    EXPECT_EQ(dialog->ProgressBarVolum->text(), QStringLiteral("1"));
    EXPECT_EQ(services->capture.TriggerThreshold, 30) << "set only when the listening ends";
    services->clock.fixedNow = 54'200;
    sound(25);
    EXPECT_FALSE(dialog->calibrating());
    EXPECT_EQ(dialog->TrackBar1->value(), 52) << "half as high again above the loudest, 35";
    EXPECT_EQ(services->capture.TriggerThreshold, 52);
    EXPECT_EQ(dialog->TrackBar1->toolTip().toStdString(), TFormNivellEntradaDAudio::thresholdToolTip(52).toStdString());
    EXPECT_TRUE(calibra->text().isEmpty());
    EXPECT_FALSE(calibra->icon().isNull());
    EXPECT_FALSE(dialog->ProgressBarVolum->isTextVisible());
    EXPECT_EQ(window->book.CurrentPage, 1) << "the room's noise turned a page";

    sound(52);
    EXPECT_EQ(window->book.CurrentPage, 1);
    sound(53);
    EXPECT_EQ(window->book.CurrentPage, 2) << "a sound above the room's still turns";

    // Voice mode switched off, or the dialog closed, in the middle of a run:
    // the run is abandoned and the threshold stays.
    QTest::mouseClick(calibra, Qt::LeftButton);
    window->PopupMenu1->PopupMenuFuncionaAmbVeu->trigger();
    EXPECT_FALSE(calibra->isEnabled());
    EXPECT_FALSE(dialog->calibrating());
    EXPECT_TRUE(calibra->text().isEmpty());
    voiceModeOn();
    QTest::mouseClick(calibra, Qt::LeftButton);
    dialog->BitBtn1->click();
    EXPECT_FALSE(dialog->calibrating());
    services->clock.fixedNow = 60'000;
    sound(0);
    sound(0); // the last page turn's hold-off
    sound(100);
    EXPECT_EQ(services->capture.TriggerThreshold, 52);
    EXPECT_EQ(window->book.CurrentPage, 3);
}

// ---------------------------------------------------------------- the menu commands

TEST_F(VoiceModeWindowWithEngine, VoiceModeAndReadingAloudExcludeEachOther)
{
    FakeDeviceFactoryGuard devices(*services);
    createWindowWithDialog();
    ASSERT_TRUE(boxes->seen().isEmpty()) << "the stand-in engine is found";
    ASSERT_TRUE(window->modes().reading());
    EXPECT_FALSE(window->modes().menu().voiceMode.enabled) << "reading is ticked";

    window->PopupMenu1->PopupLlegeixelsfitxerstext->trigger();
    ASSERT_FALSE(window->modes().reading());
    ASSERT_TRUE(window->modes().menu().voiceMode.enabled);

    window->PopupMenu1->PopupMenuFuncionaAmbVeu->trigger();
    EXPECT_TRUE(window->modes().voiceMode());
    EXPECT_FALSE(window->modes().menu().reading.enabled);
    EXPECT_NE(services->capture.WaveInHandle, nullptr);
    EXPECT_EQ(FakeCaptureDevice::openAttempts(), 1);
    EXPECT_EQ(FakeCaptureDevice::last()->queuedCount(), 2) << "both buffers handed over";
    EXPECT_TRUE(FakeCaptureDevice::last()->started());
    EXPECT_EQ(FakeCaptureDevice::last()->openedFormat.samplesPerSec, 11025u);

    window->PopupMenu1->PopupMenuFuncionaAmbVeu->trigger();
    EXPECT_FALSE(window->modes().voiceMode());
    EXPECT_TRUE(window->modes().menu().reading.enabled) << "the engine is there";
    EXPECT_FALSE(window->modes().reading());
    EXPECT_EQ(services->capture.WaveInHandle, nullptr);

    // On again: a new device, heard at once.
    window->PopupMenu1->PopupMenuFuncionaAmbVeu->trigger();
    EXPECT_EQ(FakeCaptureDevice::openAttempts(), 2);
    window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
    sound(25);
    EXPECT_EQ(bar(), 25);
    sound(3);
    EXPECT_EQ(bar(), 3);
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(VoiceModeWindow, VoiceModeOffWithoutTheEngineLeavesReadingDisabled)
{
    FakeDeviceFactoryGuard devices(*services);
    createWindowWithDialog();
    boxes->clear(); // the missing-engine notice of the creation
    ASSERT_FALSE(window->modes().menu().reading.enabled);
    ASSERT_TRUE(window->modes().menu().voiceMode.enabled);

    window->PopupMenu1->PopupMenuFuncionaAmbVeu->trigger();
    EXPECT_TRUE(window->modes().voiceMode());
    EXPECT_FALSE(window->modes().menu().reading.enabled);
    window->PopupMenu1->PopupMenuFuncionaAmbVeu->trigger();
    EXPECT_FALSE(window->modes().voiceMode());
    EXPECT_FALSE(window->modes().menu().reading.enabled) << "nothing could read";
    EXPECT_TRUE(boxes->seen().isEmpty());
}

TEST_F(VoiceModeWindowWithEngine, AnInputThatCannotBeOpenedIsReportedAndVoiceModeStaysOff)
{
    FakeDeviceFactoryGuard devices(*services, CaptureAllocated);
    createWindowWithDialog();
    window->PopupMenu1->PopupLlegeixelsfitxerstext->trigger(); // reading off, voice mode reachable
    ASSERT_TRUE(window->modes().menu().reading.enabled);

    for (int attempt = 1; attempt <= 2; ++attempt) {
        boxes->clear();
        window->PopupMenu1->PopupMenuFuncionaAmbVeu->trigger();
        ASSERT_EQ(boxes->seen().size(), 1) << "shown once per attempt";
        EXPECT_EQ(boxes->seen()[0].text, kDeviceError);
        EXPECT_EQ(boxes->seen()[0].caption, kDeviceErrorCaption);
        EXPECT_EQ(boxes->seen()[0].icon, QMessageBox::Warning);
        EXPECT_FALSE(window->modes().voiceMode());
        EXPECT_TRUE(window->modes().menu().reading.enabled) << "reading keeps its state";
        EXPECT_EQ(services->capture.WaveInHandle, nullptr);
        EXPECT_EQ(FakeCaptureDevice::openAttempts(), attempt);
    }
}

TEST_F(VoiceModeWindow, EveryVoiceCommandLeavesTheTimerRunningExactlyWhenActiuIsTicked)
{
    createWindowWithDialog();
    loadTextBook(3);
    boxes->clear();
    struct Command {
        const char* name;
        int openResult;
        QAction* MainWindowMenu::*item;
    };
    const Command commands[] = {
        {"voice mode on", 0, &MainWindowMenu::PopupMenuFuncionaAmbVeu},
        {"voice mode off", 0, &MainWindowMenu::PopupMenuFuncionaAmbVeu},
        {"voice mode on, the input fails", CaptureBadDeviceId, &MainWindowMenu::PopupMenuFuncionaAmbVeu},
        {"level dialog", 0, &MainWindowMenu::PopupMenuControlDelVolumDelMicrfon},
    };
    for (bool actiu : {true, false}) {
        if (window->modes().scanning() != actiu)
            window->modes().toggleScanning();
        for (const Command& command : commands) {
            FakeDeviceFactoryGuard devices(*services, command.openResult);
            if (std::string_view(command.name) == "voice mode off" && !window->modes().voiceMode())
                window->modes().toggleVoiceMode();
            // The menu was opened to choose: the scan is paused.
            window->PopupMenu1Popup();
            ASSERT_FALSE(window->Timer1->isActive());
            (window->PopupMenu1->*command.item)->trigger();
            EXPECT_EQ(window->Timer1->isActive(), actiu) << command.name << ", actiu " << actiu;
            if (dialog->isVisible())
                dialog->BitBtn1->click();
        }
    }
    EXPECT_EQ(boxes->seen().size(), 2) << "the two failed opens";
}

TEST_F(VoiceModeWindow, TheLevelDialogOpensBesideTheScanWhichGoesOn)
{
    FakeDeviceFactoryGuard devices(*services);
    createWindowWithDialog();
    loadTextBook(5);
    window->SpeedButtonDretaClick(); // a middle page, where the highlight moves
    window->SpinEditTempsTimer->setValue(1);
    window->modes().toggleScanning();
    voiceModeOn();
    dialog->TrackBar1->setValue(57);
    window->PopupMenu1Popup();

    window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(dialog->TrackBar1->value(), 57) << "opened with its current threshold";
    EXPECT_TRUE(window->Timer1->isActive());
    // The scan keeps stepping while the dialog is open.
    QSignalSpy ticks(window->Timer1, &QTimer::timeout);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.size() >= 3; }, 5000));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_NE(highlighted(), -1);
    // And a sound still activates the highlighted button.
    const int page = window->book.CurrentPage;
    const int expected = window->scan.ScanPosition == 1 ? page + 1 : page - 1;
    sound(90);
    EXPECT_EQ(window->book.CurrentPage, expected);
    EXPECT_EQ(bar(), 90);
}

TEST_F(VoiceModeWindow, ASoundBringsTheMainWindowBackFromTheDialogButNotFromAnotherProgram)
{
    if (!xdotoolAvailable())
        GTEST_SKIP() << "xdotool is not installed";
    FakeDeviceFactoryGuard devices(*services);
    createWindowWithDialog();
    loadTextBook(5);
    window->modes().toggleScanning();
    voiceModeOn();
    window->scan.ScanPosition = 1;

    // The level dialog is in front: the page turn makes the main window active again.
    window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    sound(90);
    EXPECT_EQ(window->book.CurrentPage, 1);
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));

    // The user works in another program while the scan goes on, putting the
    // pointer on our buttons: the sound turns the page and leaves the focus there.
    OtherProgramWindow other;
    ASSERT_FALSE(other.id().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeWindow() == nullptr; }, 10000));
    window->ScanStep();
    NavigationButton* lit = window->scan.ScanPosition == 1 ? window->SpeedButtonDreta : window->SpeedButtonEsquerra;
    const int expected = window->scan.ScanPosition == 1 ? 2 : 0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return lit->underMouse(); }, 10000));
    sound(0);
    sound(0);
    sound(90);
    EXPECT_EQ(window->book.CurrentPage, expected);
    EXPECT_EQ(focusedWindowOnServer().value_or(QString()).toStdString(), other.id().toStdString());
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), nullptr);
}

// ---------------------------------------------------------------- start-up and exit

// The whole program in this process: start-up creates the level dialog,
// "&Sortir" with the dialog still open ends the run, and the way out closes
// capture and frees the buffers.
TEST(VoiceModeProgram, SortirWithTheLevelDialogOpenEndsTheProgramAndClosesCapture)
{
    // This run makes and destroys its own level dialog.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ProgramEnvironment environment(dir.path());
    writeFile(dir.filePath("config/Quirna2001.ini"), "[Tirvelo]\r\nEscaneig=s\xED\r\n");
    writeFile(dir.filePath("p1.txt"), "u");
    writeFile(dir.filePath("p2.txt"), "dos");
    writeFile(dir.filePath("b.Lumbrix"), bookBytes(2, "", {"p1.txt", "p2.txt"}));
    MessageBoxRecorder boxes;
    ProgramServices services(
        [] { return std::make_unique<SimulatedCaptureDevice>(QStringLiteral("levels:0,0,0,0,0,0,0,0,0,90"), 1); });

    bool stepsDone = false;
    bool hung = false;
    int pageAfterSound = -1;
    QTimer watchdog; // if the visible dialog kept the program alive, ends it
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        hung = true;
        QApplication::quit();
    });
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (stepsDone || QApplication::activeModalWidget())
            return;
        TFormPrincipal* window = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* w = qobject_cast<TFormPrincipal*>(widget); w && w->isVisible())
                window = w;
        if (!window || window->book.PageCount != 2)
            return;
        stepsDone = true;
        window->PopupMenu1->PopupMenuFuncionaAmbVeu->trigger();
        window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
        // The loud span comes once a second: the highlighted next button turns the page.
        (void)QTest::qWaitFor([&] { return window->book.CurrentPage == 1; }, 5000);
        pageAfterSound = window->book.CurrentPage;
        watchdog.start(10000);
        window->PopupMenu1->PopupMenuSortir->trigger();
    });
    poll.start();
    runStartupSequence(*qApp, {dir.filePath("b.Lumbrix")}, services);
    poll.stop();

    EXPECT_TRUE(stepsDone);
    EXPECT_EQ(pageAfterSound, 1);
    EXPECT_FALSE(hung) << "the open level dialog kept the program running after \"&Sortir\"";
    EXPECT_EQ(services.capture.WaveInHandle, nullptr);
    EXPECT_EQ(services.capture.CaptureBuffer1, nullptr) << "freed on the way out";
}

// ---------------------------------------------------------------- the sound card

namespace {

// 16-bit mono wave files of tones with silences between them, or of noise.
// Each sound starts at its crest. The level bar reads 0 while a trigger's
// hold-off runs, so the only level a sound that turns the page shows is that
// of the buffer it starts in; starting at the crest puts its full level in
// that buffer wherever in the buffer the sound begins.
class WaveWriter {
public:
    static constexpr int Rate = 22050;
    void tone(double seconds, double amplitude, double frequency = 440.0)
    {
        const int n = int(seconds * Rate);
        for (int i = 0; i < n; ++i)
            m_samples.append(qint16(std::lround(32767 * amplitude * std::cos(2 * M_PI * frequency * i / Rate))));
    }
    void silence(double seconds) { m_samples.append(QList<qint16>(int(seconds * Rate), 0)); }
    void noise(double seconds, double amplitude)
    {
        tone(0.002, amplitude, 0.0); // a 2 ms crest
        QRandomGenerator random(7);
        const int n = int(seconds * Rate);
        for (int i = 0; i < n; ++i)
            m_samples.append(qint16(std::lround(32767 * amplitude * (random.generateDouble() * 2 - 1))));
    }
    QString write(const QString& path) const
    {
        QByteArray data(m_samples.size() * 2, '\0');
        for (qsizetype i = 0; i < m_samples.size(); ++i)
            qToLittleEndian<qint16>(m_samples[i], data.data() + 2 * i);
        QByteArray wave("RIFF");
        auto put32 = [&wave](quint32 v) { char b[4]; qToLittleEndian(v, b); wave.append(b, 4); };
        auto put16 = [&wave](quint16 v) { char b[2]; qToLittleEndian(v, b); wave.append(b, 2); };
        put32(quint32(36 + data.size()));
        wave.append("WAVEfmt ");
        put32(16);
        put16(1);
        put16(1);
        put32(Rate);
        put32(Rate * 2);
        put16(2);
        put16(16);
        wave.append("data");
        put32(quint32(data.size()));
        wave.append(data);
        return writeFile(path, wave);
    }

private:
    QList<qint16> m_samples;
};

// The real main window on the default input of the private PulseAudio server.
class VoiceModeOnTheSoundCard : public VoiceModeWindow {
protected:
    void SetUp() override
    {
        if (!pulseAvailable())
            GTEST_SKIP() << "no private PulseAudio server (TIRVELO_PULSE)";
        VoiceModeWindow::SetUp();
        m_noSimulation.emplace(SimulatedCaptureDevice::EnvironmentVariable);
        m_keeper = std::make_unique<SinkKeeper>();
    }
    void TearDown() override
    {
        if (window)
            window->removeEventFilter(&m_counter);
        VoiceModeWindow::TearDown();
        m_keeper.reset();
    }

    // Window, book, "&Actiu" ticked, voice mode on, the dialog open; the scan's
    // period is long so that the next button stays the highlighted one.
    void startListening(const QString& bookFile)
    {
        createWindowWithDialog();
        boxes->clear();
        window->SpinEditTempsTimer->setValue(64);
        window->LoadBook(bookFile);
        window->modes().toggleScanning();
        window->installEventFilter(&m_counter);
        voiceModeOn();
        ASSERT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
        window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
        // The counter is the connection's context: it ends with this test.
        QObject::connect(dialog->ProgressBarVolum, &QProgressBar::valueChanged, &m_counter, [this](int value) {
            m_loudest = std::max(m_loudest, value);
        });
        // Capture really runs: buffers come in at about 10.8 a second.
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_counter.buffers >= 5; }, 5000));
    }
    // A book of `count` text pages, written to the test's folder.
    QString textBook(const QString& name, int count)
    {
        QList<QByteArray> pages;
        for (int i = 1; i <= count; ++i) {
            writeFile(path(QStringLiteral("p%1.txt").arg(i)), "page");
            pages << "p" + QByteArray::number(i) + ".txt";
        }
        return writeBook(name, count, "", pages);
    }
    // Resumes the scan with a fresh 6.4 s period and the next button highlighted next.
    void restartScan()
    {
        window->PopupMenu1Popup();
        window->modes().followScanning();
        ASSERT_EQ(window->scan.ScanPosition, 1);
        ASSERT_TRUE(window->Timer1->isActive());
    }
    // Plays a file into the sink the microphone hears and waits until it has
    // been captured and handled, and the trigger is quiet again.
    void play(const QString& file)
    {
        m_loudest = 0;
        QProcess player;
        player.start(QStringLiteral("paplay"), {QStringLiteral("-d"), QStringLiteral("nul"), file});
        ASSERT_TRUE(player.waitForStarted(3000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return player.state() == QProcess::NotRunning; }, 20000));
        ASSERT_EQ(player.exitCode(), 0) << player.readAllStandardError().constData();
        settle();
    }
    // Lets about 0.9 s of buffers come in and be handled.
    void settle()
    {
        const int until = m_counter.buffers + 10;
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_counter.buffers >= until; }, 5000)) << "capture stalled";
        ASSERT_TRUE(QTest::qWaitFor([this] { return services->capture.TriggerHoldOff == 0; }, 3000));
    }

    std::optional<ScopedEnvironmentVariable> m_noSimulation;
    BufferCounter m_counter;
    int m_loudest = 0;
    std::unique_ptr<SinkKeeper> m_keeper;
};

} // namespace

TEST_F(VoiceModeOnTheSoundCard, EachSoundTurnsExactlyOnePage)
{
    startListening(textBook(QStringLiteral("sounds.Lumbrix"), 30));

    // Three short loud sounds with pauses between them.
    WaveWriter three;
    for (int i = 0; i < 3; ++i) {
        three.silence(0.6);
        three.tone(0.25, 0.8);
    }
    three.silence(0.3);
    restartScan();
    play(three.write(path(QStringLiteral("three.wav"))));
    EXPECT_GT(m_loudest, 60) << "the tones were heard";
    EXPECT_EQ(window->book.CurrentPage, 3);
    EXPECT_EQ(window->LabelPagina->text(), QStringLiteral("4 - 30"));

    // A continuous noise of several seconds: one page.
    WaveWriter noise;
    noise.silence(0.3);
    noise.noise(3.5, 0.5);
    restartScan();
    play(noise.write(path(QStringLiteral("noise.wav"))));
    EXPECT_GT(m_loudest, 40);
    EXPECT_EQ(window->book.CurrentPage, 4);
    EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
}

TEST_F(VoiceModeOnTheSoundCard, NoPageTurnsForASoundAtTheThresholdOrWhileActiuIsUnticked)
{
    startListening(textBook(QStringLiteral("quiet.Lumbrix"), 10));

    // A tone that reads well under the threshold of 30 (about 19).
    WaveWriter soft;
    soft.silence(0.2);
    soft.tone(1.5, 0.15);
    restartScan();
    play(soft.write(path(QStringLiteral("soft.wav"))));
    EXPECT_GT(m_loudest, 12) << "the tone was heard";
    EXPECT_LE(m_loudest, 30);
    EXPECT_EQ(window->book.CurrentPage, 0);

    // Loud, but scanning is off.
    WaveWriter loud;
    loud.silence(0.2);
    loud.tone(0.4, 0.8);
    window->modes().toggleScanning();
    ASSERT_FALSE(window->modes().scanning());
    play(loud.write(path(QStringLiteral("loud.wav"))));
    EXPECT_GT(m_loudest, 60);
    EXPECT_EQ(window->book.CurrentPage, 0);

    // Ticked again: the same sound turns the page.
    window->modes().toggleScanning();
    restartScan();
    play(path(QStringLiteral("loud.wav")));
    EXPECT_EQ(window->book.CurrentPage, 1);
}

TEST_F(VoiceModeOnTheSoundCard, ThePagesOwnSoundDoesNotTurnThePage)
{
    // The first page plays a loud companion sound through the program's own
    // player into the sink the microphone hears.
    writeBmp(path(QStringLiteral("pic.bmp")), 40, 30);
    WaveWriter companion;
    companion.tone(2.0, 0.8, 523.0);
    companion.write(path(QStringLiteral("own.wav")));
    QList<QByteArray> pages{"pic.bmp#own.wav"};
    for (int i = 2; i <= 5; ++i) {
        writeFile(path(QStringLiteral("p%1.txt").arg(i)), "page");
        pages << "p" + QByteArray::number(i) + ".txt";
    }
    auto* player = dynamic_cast<QtSoundPlayer*>(&services->sound.current());
    ASSERT_NE(player, nullptr);
    QSignalSpy finished(player, &QtSoundPlayer::finished);

    createWindowWithDialog();
    boxes->clear();
    window->SpinEditTempsTimer->setValue(64);
    window->installEventFilter(&m_counter);
    voiceModeOn();
    window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
    QObject::connect(dialog->ProgressBarVolum, &QProgressBar::valueChanged, &m_counter, [this](int value) {
        m_loudest = std::max(m_loudest, value);
    });
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_counter.buffers >= 5; }, 5000));
    window->modes().toggleScanning();
    window->LoadBook(writeBook(QStringLiteral("own.Lumbrix"), 5, "", pages));
    restartScan();
    ASSERT_EQ(player->currentKind(), QtSoundPlayer::Kind::Companion);

    // A turn would stop the sound, so wait for either.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty() || window->book.CurrentPage != 0; }, 10000));
    EXPECT_GT(m_loudest, 60) << "the microphone heard the page's sound";
    settle();
    EXPECT_EQ(window->book.CurrentPage, 0) << "the page's own sound turned the page";
    EXPECT_EQ(finished.size(), 1) << "played to its end";
    EXPECT_FALSE(player->guardActive());

    // The user's sound afterwards is heard as usual.
    WaveWriter user;
    user.silence(0.2);
    user.tone(0.3, 0.8);
    restartScan();
    play(user.write(path(QStringLiteral("user.wav"))));
    EXPECT_EQ(window->book.CurrentPage, 1);
    EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
}

TEST_F(VoiceModeOnTheSoundCard, CalibraPutsTheThresholdJustAboveTheRoomsNoiseAndALouderSoundStillTurns)
{
    startListening(textBook(QStringLiteral("room.Lumbrix"), 5));
    window->modes().toggleScanning(); // the teacher sets up with scanning off
    ASSERT_FALSE(window->modes().scanning());

    // The room: noise with a short tone every quarter second that is louder
    // than the noise, so that every stretch of it has the same loudest level;
    // it plays for longer than the listening can take, and is stopped after it.
    // A tone, not a step: the sound server resamples a step with a ringing
    // edge whose peak differs at each rate, so the program and the monitor
    // would hear different peaks.
    WaveWriter room;
    for (int i = 0; i < 60; ++i) {
        room.tone(0.03, 0.45);
        room.noise(0.22, 0.2);
    }
    MonitorRecorder monitor;
    ASSERT_TRUE(monitor.running());
    QProcess noise;
    noise.start(QStringLiteral("paplay"),
                {QStringLiteral("-d"), QStringLiteral("nul"), room.write(path(QStringLiteral("room.wav")))});
    ASSERT_TRUE(noise.waitForStarted(3000));
    m_loudest = 0;
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_loudest > 40; }, 10000)) << "the noise was not heard";

    m_loudest = 0;
    // The sink heard apart from the program over the calibration, not from the
    // stream's start, whose first moments the sound server may render louder.
    const qsizetype calibrationFrom = monitor.samples().size();
    QTest::mouseClick(dialog->BitBtnCalibra, Qt::LeftButton);
    ASSERT_TRUE(dialog->calibrating());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !dialog->calibrating(); }, 15000)) << "capture stalled";
    const int heard = m_loudest;
    const int noiseLevel = monitor.peakSince(calibrationFrom);
    std::cout << "[ measured ] room's peak: " << noiseLevel << " over the calibration, " << monitor.peakSince(0)
              << " from the stream's start; the program heard " << heard << "\n";
    noise.kill();
    noise.waitForFinished(3000);
    const int threshold = services->capture.TriggerThreshold;
    EXPECT_EQ(dialog->TrackBar1->value(), threshold);
    EXPECT_GE(threshold, LevelCalibration::thresholdAbove(heard)) << "above every level the bar showed while listening";
    EXPECT_NEAR(threshold, LevelCalibration::thresholdAbove(noiseLevel), 5) << "a margin above the noise's level";

    // A louder sound turns the page.
    settle();
    window->modes().toggleScanning();
    restartScan();
    WaveWriter call;
    call.silence(0.2);
    call.tone(0.4, 0.9);
    play(call.write(path(QStringLiteral("call.wav"))));
    EXPECT_GT(m_loudest, threshold);
    EXPECT_EQ(window->book.CurrentPage, 1);
    EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
}
