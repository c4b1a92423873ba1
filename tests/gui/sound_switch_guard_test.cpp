// When the sound switch must not hear: while the spoken highlight's cue
// sounds, and during the post-acceptance delay; and the calibration of a room
// too loud for a usable threshold. Captured buffers come from a fake device,
// handled by the real main window and level dialog.
#include "audio/WavMax.h"
#include "desktop/AccessOptions.h"
#include "support/FakeCaptureDevice.h"
#include "support/MainWindowFixture.h"
#include "ui/FormNivellEntradaDAudio.h"
#include "ui/NavigationButton.h"
#include "ui/ScanIntervalSpinBox.h"

#include <QAction>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <memory>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

class SoundSwitchGuard : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        m_dialog = std::make_unique<TFormNivellEntradaDAudio>(services->bundle());
        m_devices.emplace(*services);
        createWindow();
        window->setLevelDialog(m_dialog.get());
        window->SpinEditTempsTimer->setValue(64); // no tick behind the test's back
        QList<QByteArray> lines;
        for (int i = 0; i < 5; ++i) {
            const QByteArray name = "p" + QByteArray::number(i) + ".txt";
            writeFile(path(QString::fromLatin1(name)), "page " + QByteArray::number(i));
            lines << name;
        }
        window->LoadBook(writeBook(QStringLiteral("so.Lumbrix"), 5, "", lines));
        window->modes().toggleScanning();
        window->PopupMenu1->PopupMenuFuncionaAmbVeu->trigger();
        ASSERT_TRUE(window->modes().voiceMode());
    }
    void TearDown() override
    {
        if (window)
            window->setLevelDialog(nullptr);
        services->clock.instant = true;
        m_devices.reset();
        m_dialog.reset();
        MainWindowFixture::TearDown();
    }
    void sound(int level)
    {
        FakeCaptureDevice* device = FakeCaptureDevice::last();
        ASSERT_NE(device, nullptr);
        device->feed(FakeCaptureDevice::block(level));
        QCoreApplication::sendPostedEvents(window.get(), MM_WIM_DATA);
    }
    bool anyHighlight() const
    {
        return window->SpeedButtonEsquerra->isHighlighted() || window->SpeedButtonDreta->isHighlighted();
    }

    std::unique_ptr<TFormNivellEntradaDAudio> m_dialog;
    std::optional<FakeDeviceFactoryGuard> m_devices;
};

} // namespace

// Through loudspeakers the microphone hears the cue say "Següent".
TEST_F(SoundSwitchGuard, TheSpokenHighlightDoesNotTriggerTheSoundSwitch)
{
    const QString cue = path(QStringLiteral("cue.sh"));
    // Sounds until told to stop, as a cue voice that the microphone hears.
    writeFile(cue, "#!/bin/sh\ncat > /dev/null\ntouch \"$0.sounding\"\n"
                   "while [ ! -e \"$0.stop\" ]; do sleep 0.05; done\ntouch \"$0.ended\"\n");
    QFile::setPermissions(cue, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ScopedEnvironmentVariable program("TIRVELO_CUE_PROGRAM", QFile::encodeName(cue));
    AccessOptions options;
    options.spokenHighlight = true;
    window->applyAccessOptions(options);

    window->ScanStep();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(cue + QStringLiteral(".sounding")); }, 10000));
    sound(90);
    EXPECT_EQ(window->book.CurrentPage, 0) << "the cue pressed the button it named";
    EXPECT_EQ(services->capture.TriggerHoldOff, 0) << "the cue is not the user's sound";
    EXPECT_TRUE(anyHighlight());

    // Once the cue has ended (and its echo with it), the user's sound counts.
    writeFile(cue + QStringLiteral(".stop"), "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(cue + QStringLiteral(".ended")); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        sound(90);
        return window->book.CurrentPage == 1;
    }, 5000));

    // With headphones the teacher lets the switch listen through the cue.
    QFile::remove(cue + QStringLiteral(".stop"));
    QFile::remove(cue + QStringLiteral(".sounding"));
    options.soundSwitchDuringPageSound = true;
    window->applyAccessOptions(options);
    window->ScanStep();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(cue + QStringLiteral(".sounding")); }, 10000));
    sound(0);
    sound(0); // the last turn's hold-off
    sound(90);
    EXPECT_NE(window->book.CurrentPage, 1);
    writeFile(cue + QStringLiteral(".stop"), "");
}

// Step scanning: a sound inside the delay after a turn is ignored whole, so
// the highlight the step key put up stays for the next sound.
TEST_F(SoundSwitchGuard, ASoundIgnoredDuringThePostAcceptanceDelayLeavesTheHighlightAndStartsNoHoldOff)
{
    AccessOptions options;
    options.postAcceptanceMs = AccessOptions::MaxPostAcceptanceMs;
    options.stepKey = SwitchKey::F2;
    window->applyAccessOptions(options);
    window->ScanStep();
    sound(90);
    ASSERT_EQ(window->book.CurrentPage, 1);
    sound(0);
    sound(0);
    ASSERT_EQ(services->capture.TriggerHoldOff, 0);

    window->ScanStep();
    ASSERT_TRUE(anyHighlight());
    sound(90); // within the delay
    EXPECT_EQ(window->book.CurrentPage, 1);
    EXPECT_TRUE(anyHighlight()) << "the ignored sound cleared the highlight";
    EXPECT_EQ(services->capture.TriggerHoldOff, 0) << "the ignored sound started the hold-off";
}

// A cough during the listening: the threshold stays where a louder sound can
// cross it, and the dialog says the room was too loud.
TEST_F(SoundSwitchGuard, ACalibrationInATooLoudRoomSaysSoAndKeepsTheSwitchUsable)
{
    window->PopupMenu1->PopupMenuControlDelVolumDelMicrfon->trigger();
    services->clock.fixedNow = 10'000;
    m_dialog->BitBtnCalibra->click();
    sound(20);
    services->clock.fixedNow = 11'000;
    sound(125); // the cough
    services->clock.fixedNow = 13'000;
    sound(20);
    ASSERT_FALSE(m_dialog->calibrating());
    const int threshold = services->capture.TriggerThreshold;
    EXPECT_LT(threshold, 127) << "no sound could reach it";
    EXPECT_EQ(m_dialog->ProgressBarVolum->text(), QStringLiteral(u"Massa soroll"));
    EXPECT_TRUE(m_dialog->ProgressBarVolum->isTextVisible());
    EXPECT_EQ(m_dialog->BitBtnCalibra->accessibleDescription(),
              QStringLiteral(u"Hi ha massa soroll per calibrar: torneu-ho a provar en silenci."));

    // A quiet room afterwards: the word goes.
    m_dialog->BitBtnCalibra->click();
    sound(15);
    services->clock.fixedNow = 16'000;
    sound(15);
    ASSERT_FALSE(m_dialog->calibrating());
    EXPECT_FALSE(m_dialog->ProgressBarVolum->isTextVisible());
    EXPECT_TRUE(m_dialog->BitBtnCalibra->accessibleDescription().isEmpty());
    EXPECT_EQ(m_dialog->TrackBar1->value(), services->capture.TriggerThreshold);
}
