// The input level dialog on the test display: layout and placement, the
// threshold track bar, "&Tancar", the captions, the button pictures, the
// recording-level button, the open-failure message and the destruction.
#include "audio/SimulatedCaptureDevice.h"
#include "audio/WavMax.h"
#include "support/BookWriter.h"
#include "support/FakeCaptureDevice.h"
#include "support/ScopedEnvironmentVariable.h"
#include "support/TestServices.h"
#include "ui/FormNivellEntradaDAudio.h"
#include "ui/RecordingLevelControl.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

QSet<QRgb> colours(const QImage& image, bool* anyTransparent = nullptr)
{
    QSet<QRgb> found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) == 0) {
                if (anyTransparent)
                    *anyTransparent = true;
            } else {
                found.insert(p | 0xff000000u);
            }
        }
    return found;
}

// Puts an executable shell script named `name` into `dir`.
void writeScript(const QTemporaryDir& dir, const QString& name, const QByteArray& body)
{
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Each dialog on services of its own; its end does not wait for buffers that
// no device will return.
struct LevelDialogServices : TestServices {
    LevelDialogServices() { clock.instant = true; }
};

} // namespace

TEST(LevelDialog, LayoutOfTheDialogAndItsControls)
{
    LevelDialogServices services;
    services.capture.TriggerThreshold = 99;
    TFormNivellEntradaDAudio dialog(services.bundle());
    EXPECT_FALSE(dialog.isVisible()) << "created hidden";
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Nivell d'entrada d'audio"));
    EXPECT_EQ(dialog.size(), QSize(238, 103));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << "not resizable";
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint));

    EXPECT_EQ(dialog.ProgressBarVolum->geometry(), QRect(13, 8, 212, 17));
    EXPECT_EQ(dialog.ProgressBarVolum->minimum(), 0);
    EXPECT_EQ(dialog.ProgressBarVolum->maximum(), 128);
    EXPECT_EQ(dialog.ProgressBarVolum->value(), 0);
    EXPECT_EQ(dialog.TrackBar1->geometry(), QRect(1, 32, 236, 33));
    EXPECT_EQ(dialog.TrackBar1->orientation(), Qt::Horizontal);
    EXPECT_EQ(dialog.TrackBar1->maximum(), 128);
    EXPECT_EQ(dialog.TrackBar1->tickPosition(), QSlider::TicksAbove);
    EXPECT_EQ(dialog.TrackBar1->tickInterval(), 10);
    EXPECT_EQ(dialog.TrackBar1->value(), 30) << "the creation sets up capture with threshold 30";
    EXPECT_EQ(services.capture.TriggerThreshold, 30);
    EXPECT_EQ(services.capture.BufferLength, 1024);
    EXPECT_EQ(dialog.BitBtn1->geometry(), QRect(9, 72, 97, 25));
    EXPECT_EQ(dialog.BitBtn1->text(), QStringLiteral("&Tancar"));
    EXPECT_TRUE(dialog.BitBtn1->isDefault());
    EXPECT_EQ(dialog.BitBtn2->geometry(), QRect(128, 72, 97, 25));
    EXPECT_EQ(dialog.BitBtn2->text(), QStringLiteral(u"Nivell &Micròfon"));
    EXPECT_FALSE(dialog.BitBtn1->icon().isNull());
    EXPECT_FALSE(dialog.BitBtn2->icon().isNull());
    // The calibrate button fits the gap between the two without touching either.
    const QRect calibra = dialog.BitBtnCalibra->geometry();
    EXPECT_GT(calibra.left(), dialog.BitBtn1->geometry().right());
    EXPECT_LT(calibra.right(), dialog.BitBtn2->geometry().left());
    EXPECT_EQ(calibra.top(), 72);
    EXPECT_FALSE(dialog.BitBtnCalibra->icon().isNull());
}

TEST(LevelDialog, PlacedOnceInTheBottomRightCorner)
{
    LevelDialogServices services;
    TFormNivellEntradaDAudio dialog(services.bundle());
    const QRect area = dialog.screen()->availableGeometry();
    EXPECT_EQ(dialog.frameGeometry().bottomRight(), area.bottomRight());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.frameGeometry().bottomRight(), area.bottomRight());
    EXPECT_EQ(dialog.size(), QSize(238, 103));

    // Not placed again when shown.
    dialog.move(area.topLeft() + QPoint(40, 40));
    dialog.hide();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.pos(), area.topLeft() + QPoint(40, 40));
}

TEST(LevelDialog, TrackBarSetsTheThresholdAndKeepsTheToolTipCurrent)
{
    LevelDialogServices services;
    TFormNivellEntradaDAudio dialog(services.bundle());
    EXPECT_EQ(dialog.TrackBar1->toolTip(), QStringLiteral("Valor minim del senyal que provoca efecte = 30"));
    dialog.TrackBar1->setValue(45);
    EXPECT_EQ(dialog.TrackBar1->toolTip(), QStringLiteral("Valor minim del senyal que provoca efecte = 45"));
    EXPECT_EQ(services.capture.TriggerThreshold, 45);

    // By the keyboard, as a user would.
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.TrackBar1->setFocus();
    QTest::keyClick(dialog.TrackBar1, Qt::Key_End);
    EXPECT_EQ(services.capture.TriggerThreshold, 128);
    EXPECT_EQ(dialog.TrackBar1->toolTip(), QStringLiteral("Valor minim del senyal que provoca efecte = 128"));
    QTest::keyClick(dialog.TrackBar1, Qt::Key_Home);
    EXPECT_EQ(services.capture.TriggerThreshold, 0);
    EXPECT_EQ(dialog.TrackBar1->toolTip(), QStringLiteral("Valor minim del senyal que provoca efecte = 0"));
}

TEST(LevelDialog, TancarEmptiesTheBarAndHides)
{
    LevelDialogServices services;
    TFormNivellEntradaDAudio dialog(services.bundle());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.TrackBar1->setValue(50);
    dialog.setLevel(77);
    EXPECT_EQ(dialog.ProgressBarVolum->value(), 77);
    QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(dialog.ProgressBarVolum->value(), 0);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(services.capture.TriggerThreshold, 50) << "the threshold is not touched";

    // Shown again: empty bar, same threshold; Enter presses "&Tancar".
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.ProgressBarVolum->value(), 0);
    EXPECT_EQ(dialog.TrackBar1->value(), 50);
    dialog.setLevel(500);
    EXPECT_EQ(dialog.ProgressBarVolum->value(), 128);
    dialog.setLevel(-4);
    EXPECT_EQ(dialog.ProgressBarVolum->value(), 0);
    dialog.setLevel(12);
    dialog.activateWindow();
    dialog.TrackBar1->setFocus();
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.ProgressBarVolum->value(), 0);
}

TEST(LevelDialog, CaptionsFollowTheInterfaceLanguage)
{
    LevelDialogServices services;
    TFormNivellEntradaDAudio dialog(services.bundle());
    dialog.setCaptions(QStringLiteral(u"Nível de entrada de áudio"), QStringLiteral("&Parar"),
                       QStringLiteral("Volume do &Microfone"), QStringLiteral("Calibrar"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral(u"Nível de entrada de áudio"));
    EXPECT_EQ(dialog.BitBtn1->text(), QStringLiteral("&Parar"));
    EXPECT_EQ(dialog.BitBtn2->text(), QStringLiteral("Volume do &Microfone"));
    EXPECT_EQ(dialog.BitBtnCalibra->toolTip(), QStringLiteral("Calibrar"));
    EXPECT_EQ(dialog.BitBtnCalibra->accessibleName(), QStringLiteral("Calibrar"));
    EXPECT_EQ(dialog.TrackBar1->toolTip(), QStringLiteral("Valor minim del senyal que provoca efecte = 30"))
        << "the tooltip is Catalan in every language";
}

TEST(LevelDialog, ButtonPictures)
{
    bool transparent = false;
    const QImage enabled = TFormNivellEntradaDAudio::checkMarkGlyph(true);
    EXPECT_EQ(enabled.size(), QSize(18, 18));
    EXPECT_EQ(colours(enabled, &transparent), (QSet<QRgb>{qRgb(0, 128, 0), qRgb(0, 255, 0), qRgb(0, 0, 128)}));
    EXPECT_TRUE(transparent);
    EXPECT_EQ(qAlpha(enabled.pixel(0, 17)), 0) << "the bottom-left background is transparent";
    // The bright edge lies above the dark body, the navy edge below it.
    for (int x = 0; x < 18; ++x)
        for (int y = 1; y < 18; ++y) {
            if (enabled.pixel(x, y) == qRgb(0, 0, 128)) {
                EXPECT_EQ(enabled.pixel(x, y - 1), qRgb(0, 128, 0));
            }
            if (enabled.pixel(x, y - 1) == qRgb(0, 255, 0)) {
                EXPECT_EQ(enabled.pixel(x, y), qRgb(0, 128, 0));
            }
        }

    const QImage disabled = TFormNivellEntradaDAudio::checkMarkGlyph(false);
    EXPECT_EQ(disabled.size(), QSize(18, 18));
    EXPECT_EQ(colours(disabled), (QSet<QRgb>{qRgb(128, 128, 128), qRgb(255, 255, 255)}));

    transparent = false;
    const QImage volume = TFormNivellEntradaDAudio::volumeGlyph();
    EXPECT_EQ(volume.size(), QSize(12, 16));
    EXPECT_EQ(colours(volume, &transparent),
              (QSet<QRgb>{qRgb(192, 192, 192), qRgb(255, 255, 255), qRgb(128, 128, 128), qRgb(0, 0, 0)}));
    EXPECT_EQ(qAlpha(volume.pixel(0, 15)), 0);
    EXPECT_EQ(qAlpha(volume.pixel(11, 0)), 0) << "the right border is transparent";
    EXPECT_EQ(volume.pixel(5, 4), qRgb(0, 0, 0)) << "the slot";
}

TEST(LevelDialog, MicrophoneLevelButtonStartsOrRaisesTheControlInTheBackground)
{
    QTemporaryDir bin, empty;
    ASSERT_TRUE(bin.isValid() && empty.isValid());
    const QString log = bin.filePath(QStringLiteral("log"));
    const QByteArray logArg = log.toLocal8Bit();
    LevelDialogServices services;
    TFormNivellEntradaDAudio dialog(services.bundle());
    dialog.show();

    {
        // Nothing installed: nothing happens, nothing breaks.
        ScopedEnvironmentVariable path("PATH", empty.path().toLocal8Bit());
        QSignalSpy done(dialog.findChild<RecordingLevelControl*>(), &RecordingLevelControl::finished);
        QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
        ASSERT_TRUE(done.size() == 1 || done.wait(10000));
        EXPECT_FALSE(done.first().first().toBool());
    }

    ScopedEnvironmentVariable path("PATH", bin.path().toLocal8Bit());
    // No window of the control open: it is started on its input tab.
    writeScript(bin, QStringLiteral("xdotool"), "echo \"xdotool $*\" >> '" + logArg + "'\nexit 1\n");
    writeScript(bin, QStringLiteral("pavucontrol"), "echo \"pavucontrol $*\" >> '" + logArg + "'\n");
    QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return readAll(log).contains("pavucontrol --tab=4"); }, 10000))
        << readAll(log).constData();
    EXPECT_TRUE(readAll(log).startsWith("xdotool search --class pavucontrol\n"));

    // A window is open, and the search answers only once released: the click
    // returns at once, and the window comes up when the answer does.
    QFile::remove(log);
    const QByteArray release = bin.filePath(QStringLiteral("release")).toLocal8Bit();
    writeScript(bin, QStringLiteral("xdotool"),
                "echo \"xdotool $*\" >> '" + logArg + "'\n[ \"$1\" = search ] || exit 0\n"
                "while [ ! -e '" + release + "' ]; do /bin/sleep 0.05; done\necho 4194311\n");
    QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
    QFile(QString::fromLocal8Bit(release)).open(QIODevice::WriteOnly);
    EXPECT_TRUE(QTest::qWaitFor([&] { return readAll(log).contains("xdotool windowactivate 4194311"); }, 10000))
        << readAll(log).constData();
    EXPECT_EQ(readAll(log), "xdotool search --class pavucontrol\nxdotool windowmap 4194311\n"
                            "xdotool windowraise 4194311\nxdotool windowactivate 4194311\n");
}

TEST(LevelDialog, AnInputThatCannotBeOpenedShowsTheWarning)
{
    LevelDialogServices services;
    services.showRealMessageBoxes();
    TFormNivellEntradaDAudio dialog(services.bundle());
    FakeDeviceFactoryGuard factory(services, CaptureBadDeviceId);
    QWidget mainWindow;
    mainWindow.show();
    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        const bool shown =
            QTest::qWaitFor([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }, 5000);
        if (auto* box = shown ? qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) : nullptr) {
            text = box->text();
            caption = box->windowTitle();
            icon = box->icon();
            box->accept();
        }
    });
    EXPECT_EQ(services.capture.OpenWaveInput(&mainWindow), CaptureBadDeviceId);
    EXPECT_EQ(text, WavMax::DeviceErrorText());
    EXPECT_EQ(caption, QStringLiteral(u"Control del valor màxim detectat en el micròfon"));
    EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST(LevelDialog, DestructionClosesCaptureAnswersTheLastBuffersAndFreesThem)
{
    TestServices services;
    services.devices = [] { return std::make_unique<SimulatedCaptureDevice>(QStringLiteral("levels:100"), 1); };
    auto dialog = std::make_unique<TFormNivellEntradaDAudio>(services.bundle());
    WaveInRecorder mainWindow(&services.capture);
    ASSERT_EQ(services.capture.OpenWaveInput(&mainWindow), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return mainWindow.levels.size() >= 2; }, 5000));
    EXPECT_EQ(mainWindow.levels.first(), 100);

    const int before = mainWindow.levels.size();
    dialog.reset();
    // The two buffers returned by the reset were handled during the wait,
    // and answered with 0.
    ASSERT_EQ(mainWindow.levels.size(), before + 2);
    EXPECT_EQ(mainWindow.levels[before], 0);
    EXPECT_EQ(mainWindow.levels[before + 1], 0);
    EXPECT_EQ(services.capture.WaveInHandle, nullptr);
    EXPECT_EQ(services.capture.CaptureBuffer1, nullptr);
    EXPECT_EQ(services.capture.CaptureBuffer2, nullptr);
    EXPECT_EQ(services.clock.waits, QList<int>{1000});

    // A dialog made afterwards sets the buffers up again.
    TFormNivellEntradaDAudio again(services.bundle());
    EXPECT_NE(services.capture.CaptureBuffer1, nullptr);
}
