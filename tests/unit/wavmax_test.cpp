// The peak level, the hold-off and the open/close life of WavMax, driven by
// hand-made buffers through a fake capture device; and the sound trigger's
// decision built on them.
#include "audio/SoundTrigger.h"
#include "audio/WavMax.h"
#include "support/FakeCaptureDevice.h"
#include "support/TestApplication.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

class WavMaxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApplication();
        wav.SetupWaveInput(WavMax::DefaultBufferLength);
        wav.setDeviceErrorReporter([this](QObject* owner, const QString& text, const QString& caption) {
            reports.append({owner, text, caption});
        });
        ASSERT_EQ(wav.OpenWaveInput(&window), 0);
        device = FakeCaptureDevice::last();
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override
    {
        wav.CloseWaveInput();
        QCoreApplication::removePostedEvents(&window);
    }

    // Feeds one buffer's worth of samples and returns the level ReadPeakLevel gave it.
    int levelOf(const QByteArray& samples)
    {
        const int before = window.levels.size();
        device->feed(samples);
        QCoreApplication::sendPostedEvents(&window, MM_WIM_DATA);
        EXPECT_EQ(window.levels.size(), before + 1);
        return window.levels.isEmpty() ? -1 : window.levels.last();
    }

    struct Report {
        QObject* owner;
        QString text;
        QString caption;
    };
    WavMax wav{fakeCaptureDevices()};
    WaveInRecorder window{&wav};
    FakeCaptureDevice* device = nullptr;
    QVector<Report> reports;
};

} // namespace

TEST_F(WavMaxTest, SetupFillsTheFormatAndResetsTheSharedValues)
{
    wav.TriggerThreshold = 77;
    wav.TriggerHoldOff = 2;
    wav.SetupWaveInput(1024);
    EXPECT_EQ(wav.WaveInHandle, nullptr) << "setup closes a device still open";
    EXPECT_EQ(wav.TriggerThreshold, 30);
    EXPECT_EQ(wav.TriggerHoldOff, 0);
    EXPECT_EQ(wav.BufferLength, 1024);
    EXPECT_EQ(wav.WaveFormat.formatTag, 1);
    EXPECT_EQ(wav.WaveFormat.channels, 1);
    EXPECT_EQ(wav.WaveFormat.samplesPerSec, 11025u);
    EXPECT_EQ(wav.WaveFormat.bitsPerSample, 8);
    EXPECT_EQ(wav.WaveFormat.blockAlign, 1);
    EXPECT_EQ(wav.WaveFormat.avgBytesPerSec, 11025u);
    EXPECT_EQ(wav.WaveFormat.extraSize, 0);
    EXPECT_EQ(wav.CaptureHeader1.data, wav.CaptureBuffer1);
    EXPECT_EQ(wav.CaptureHeader2.data, wav.CaptureBuffer2);
    EXPECT_EQ(wav.CaptureHeader1.bufferLength, 1024);
    EXPECT_EQ(wav.CaptureHeader2.flags, 0u);

    // Lengths the buffers cannot hold are brought into range.
    wav.SetupWaveInput(100000);
    EXPECT_EQ(wav.BufferLength, WavMax::CaptureBufferCapacity);
    wav.SetupWaveInput(-5);
    EXPECT_EQ(wav.BufferLength, 1);
}

TEST_F(WavMaxTest, PeakCountsOnlyExcursionsAboveTheMidline)
{
    EXPECT_EQ(device->openedFormat.samplesPerSec, 11025u);
    EXPECT_EQ(levelOf(QByteArray(1024, char(128))), 0) << "silence";
    EXPECT_EQ(levelOf(QByteArray(1024, char(0))), 0) << "full negative swing";
    QByteArray loudLast(1024, char(128));
    loudLast[1023] = char(255);
    EXPECT_EQ(levelOf(loudLast), 127) << "the last byte of the buffer counts";
    QByteArray loudFirst(1024, char(20));
    loudFirst[0] = char(129);
    EXPECT_EQ(levelOf(loudFirst), 1);
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(31)), 31);
    // Buffers alternate: the level is always that of the buffer just returned.
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(5)), 5);
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(90)), 90);
    EXPECT_EQ(window.headers.size(), 7);
    EXPECT_EQ(window.headers[0], &wav.CaptureHeader1);
    EXPECT_EQ(window.headers[1], &wav.CaptureHeader2);
    EXPECT_EQ(window.headers[2], &wav.CaptureHeader1);
}

TEST_F(WavMaxTest, OnlyBufferLengthBytesAreMeasured)
{
    wav.CloseWaveInput();
    wav.SetupWaveInput(16);
    ASSERT_EQ(wav.OpenWaveInput(&window), 0);
    device = FakeCaptureDevice::last();
    // A loud byte just past the used part of the buffer must not count.
    wav.CaptureBuffer1[16] = char(250);
    EXPECT_EQ(levelOf(QByteArray(16, char(140))), 12);
}

TEST_F(WavMaxTest, HoldOffCountsQuietBuffersAndReportsZero)
{
    wav.TriggerHoldOff = 2;
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(100)), 0) << "loud buffers read 0 during the hold-off";
    EXPECT_EQ(wav.TriggerHoldOff, 2) << "and do not count";
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(31)), 0);
    EXPECT_EQ(wav.TriggerHoldOff, 2) << "one above the threshold is loud";
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(30)), 0);
    EXPECT_EQ(wav.TriggerHoldOff, 1) << "equal to the threshold is quiet";
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(0)), 0);
    EXPECT_EQ(wav.TriggerHoldOff, 0);
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(100)), 100) << "the hold-off is over";
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(0)), 0);
    EXPECT_EQ(wav.TriggerHoldOff, 0) << "never below 0";

    // Threshold 0: only a buffer with nothing above the midline is quiet.
    wav.TriggerThreshold = 0;
    wav.TriggerHoldOff = 1;
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(1)), 0);
    EXPECT_EQ(wav.TriggerHoldOff, 1);
    EXPECT_EQ(levelOf(QByteArray(1024, char(128))), 0);
    EXPECT_EQ(wav.TriggerHoldOff, 0);
}

TEST_F(WavMaxTest, HoldOffSurvivesCloseAndReopen)
{
    wav.TriggerHoldOff = 2;
    wav.CloseWaveInput();
    ASSERT_EQ(wav.OpenWaveInput(&window), 0);
    device = FakeCaptureDevice::last();
    EXPECT_EQ(wav.TriggerHoldOff, 2);
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(3)), 0);
    EXPECT_EQ(wav.TriggerHoldOff, 1);
}

TEST_F(WavMaxTest, BuffersReturnedAfterCloseAreIgnoredAndNotRequeued)
{
    device->feed(QByteArray(500, char(255))); // half a buffer: the reset returns it partly filled
    window.autoRead = false;
    const int lastQueued = wav.LastQueued;
    wav.CloseWaveInput();
    EXPECT_TRUE(wav.Closing);
    EXPECT_EQ(wav.WaveInHandle, nullptr);
    EXPECT_EQ(FakeCaptureDevice::last(), nullptr) << "the device is released";
    QCoreApplication::sendPostedEvents(&window, MM_WIM_DATA);
    EXPECT_EQ(window.events, 2) << "the reset returns both buffers";
    EXPECT_TRUE(wav.CaptureHeader1.flags & WaveHeader::Done);
    EXPECT_EQ(wav.CaptureHeader1.bytesRecorded, 500);

    wav.TriggerHoldOff = 1;
    EXPECT_EQ(wav.ReadPeakLevel(), 0) << "a loud buffer reads 0 while closing";
    EXPECT_EQ(wav.ReadPeakLevel(), 0);
    EXPECT_EQ(wav.LastQueued, lastQueued) << "nothing was handed back";
    EXPECT_EQ(wav.TriggerHoldOff, 1) << "ignored buffers do not count down the hold-off";
    EXPECT_FALSE(wav.CaptureHeader1.flags & WaveHeader::InQueue);
    EXPECT_FALSE(wav.CaptureHeader2.flags & WaveHeader::InQueue);
    wav.CloseWaveInput(); // closing again is harmless
    EXPECT_EQ(window.events, 2);
}

TEST_F(WavMaxTest, OpenWhileOpenReturnsZeroAndQueuesNothing)
{
    EXPECT_EQ(device->queuedCount(), 2);
    EXPECT_EQ(wav.LastQueued, 2);
    const int attempts = FakeCaptureDevice::openAttempts();
    EXPECT_EQ(wav.OpenWaveInput(&window), 0);
    EXPECT_EQ(FakeCaptureDevice::openAttempts(), attempts);
    EXPECT_EQ(FakeCaptureDevice::last(), device);
    EXPECT_EQ(device->queuedCount(), 2);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(WavMaxTest, ReopeningDiscardsEventsOfThePreviousCapture)
{
    window.autoRead = false;
    wav.CloseWaveInput(); // posts two events for the reset buffers
    ASSERT_EQ(wav.OpenWaveInput(&window), 0);
    device = FakeCaptureDevice::last();
    QCoreApplication::sendPostedEvents(&window, MM_WIM_DATA);
    EXPECT_EQ(window.events, 0) << "stale events would make ReadPeakLevel re-queue a buffer the device holds";
    window.autoRead = true;
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(44)), 44);
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(45)), 45);
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(46)), 46);
}

TEST(WavMaxOpenFailure, ReportsOncePerAttemptWithTheDeviceCode)
{
    guiApplication();
    WavMax wav(fakeCaptureDevices(CaptureAllocated));
    wav.SetupWaveInput(1024);
    QObject owner;
    int calls = 0;
    wav.setDeviceErrorReporter([&](QObject* o, const QString& text, const QString& caption) {
        ++calls;
        EXPECT_EQ(o, &owner);
        EXPECT_EQ(text, QStringLiteral(u"No és possible obrir el dispositiu d'entrada de so. O no hi ha tarja de so "
                                       u"o hi ha una altre aplicació que la fa servir. Si és així pareu aquesta "
                                       u"aplicació i torneu-ho a provar."));
        EXPECT_EQ(caption, QStringLiteral(u"Control del valor màxim detectat en el micròfon"));
    });
    wav.Closing = true;
    EXPECT_EQ(wav.OpenWaveInput(&owner), CaptureAllocated);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(wav.WaveInHandle, nullptr);
    EXPECT_TRUE(wav.Closing) << "nothing else changes";
    EXPECT_FALSE(wav.CaptureHeader1.flags & WaveHeader::InQueue);
    EXPECT_EQ(wav.OpenWaveInput(&owner), CaptureAllocated);
    EXPECT_EQ(calls, 2);
}

TEST(WavMaxOpenFailure, AnOpenStartedWhileOpeningFindsTheDeviceBusy)
{
    guiApplication();
    // A device whose open runs events, during which a second open comes in.
    struct Reentrant : FakeCaptureDevice {
        WavMax* capture;
        int* nested;
        Reentrant(WavMax* c, int* n) : capture(c), nested(n) {}
        int open(const WaveFormatRecord& format, QObject* notify) override
        {
            *nested = capture->OpenWaveInput(notify);
            return FakeCaptureDevice::open(format, notify);
        }
    };
    int nested = -1;
    int reports = 0;
    WavMax* capture = nullptr;
    WavMax wav([&] { return std::make_unique<Reentrant>(capture, &nested); });
    capture = &wav;
    wav.SetupWaveInput(1024);
    wav.setDeviceErrorReporter([&](QObject*, const QString&, const QString&) { ++reports; });
    QObject owner;
    EXPECT_EQ(wav.OpenWaveInput(&owner), 0);
    EXPECT_EQ(nested, CaptureAllocated);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(wav.WaveInHandle->queuedCount(), 2) << "one device, both buffers queued once";
    wav.CloseWaveInput();
    QCoreApplication::removePostedEvents(&owner);
}

TEST(WavMaxOpenFailure, FreedBuffersRefuseToOpenUntilSetUpAgain)
{
    guiApplication();
    WavMax wav(fakeCaptureDevices());
    wav.SetupWaveInput(1024);
    wav.CloseWaveInput();
    wav.FreeWaveBuffers();
    EXPECT_EQ(wav.CaptureBuffer1, nullptr);
    EXPECT_EQ(wav.CaptureBuffer2, nullptr);
    int calls = 0;
    wav.setDeviceErrorReporter([&](QObject*, const QString&, const QString&) { ++calls; });
    QObject owner;
    EXPECT_EQ(wav.OpenWaveInput(&owner), CaptureNoMemory);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(wav.ReadPeakLevel(), 0);
    wav.SetupWaveInput(1024);
    EXPECT_NE(wav.CaptureBuffer1, nullptr);
    EXPECT_EQ(wav.OpenWaveInput(&owner), 0);
    wav.CloseWaveInput();
    QCoreApplication::removePostedEvents(&owner);
}

// The trigger decision on top of the capture unit.
class SoundTriggerTest : public WavMaxTest {
protected:
    WaveInOutcome handle(int level, bool scanning = true, bool guard = false)
    {
        window.autoRead = false;
        device->feed(FakeCaptureDevice::block(level));
        QCoreApplication::sendPostedEvents(&window, MM_WIM_DATA);
        return HandleWaveInDataCore(wav, scanning, guard);
    }
};

TEST_F(SoundTriggerTest, OneActivationPerSoundAboveTheThreshold)
{
    WaveInOutcome o = handle(30);
    EXPECT_EQ(o.level, 30);
    EXPECT_FALSE(o.activate) << "the comparison is strictly greater";
    EXPECT_EQ(wav.TriggerHoldOff, 0);

    o = handle(31);
    EXPECT_EQ(o.level, 31) << "the triggering buffer shows its real level";
    EXPECT_TRUE(o.activate);
    EXPECT_EQ(wav.TriggerHoldOff, 2);

    // A continuous loud noise: nothing more until two quiet buffers have passed.
    for (int i = 0; i < 5; ++i) {
        o = handle(120);
        EXPECT_EQ(o.level, 0);
        EXPECT_FALSE(o.activate);
    }
    EXPECT_FALSE(handle(10).activate);
    EXPECT_EQ(wav.TriggerHoldOff, 1);
    EXPECT_FALSE(handle(10).activate);
    EXPECT_EQ(wav.TriggerHoldOff, 0);
    EXPECT_TRUE(handle(120).activate);
}

TEST_F(SoundTriggerTest, ScanningOffStillStartsTheHoldOff)
{
    const WaveInOutcome o = handle(80, false);
    EXPECT_EQ(o.level, 80);
    EXPECT_FALSE(o.activate);
    EXPECT_EQ(wav.TriggerHoldOff, 2);
    EXPECT_EQ(handle(80, true).level, 0);
    EXPECT_FALSE(handle(80, true).activate);
}

TEST_F(SoundTriggerTest, NothingTriggersAtThreshold127)
{
    wav.TriggerThreshold = 127;
    EXPECT_EQ(handle(127).level, 127);
    EXPECT_FALSE(handle(127).activate);
    EXPECT_EQ(wav.TriggerHoldOff, 0);
}

TEST_F(SoundTriggerTest, CompanionSoundShowsItsLevelButDoesNotTrigger)
{
    WaveInOutcome o = handle(100, true, true);
    EXPECT_EQ(o.level, 100);
    EXPECT_FALSE(o.activate);
    EXPECT_EQ(wav.TriggerHoldOff, 0) << "the page's own sound starts no hold-off";
    // The user's sound right after the guard ends triggers at once.
    o = handle(100, true, false);
    EXPECT_TRUE(o.activate);
    EXPECT_EQ(wav.TriggerHoldOff, 2);
    // A hold-off already running goes on counting under the guard.
    EXPECT_EQ(handle(5, true, true).level, 0);
    EXPECT_EQ(wav.TriggerHoldOff, 1);
}
