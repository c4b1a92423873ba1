// The peak level, the hold-off and the open/close life of WavMax, driven by
// hand-made buffers through a fake capture device; and the sound trigger's
// decision built on them.
#include "audio/SoundTrigger.h"
#include "audio/WavMax.h"
#include "support/FakeCaptureDevice.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "wavmax_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication instance(argc, argv);
    return instance;
}

class WavMaxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app();
        WavMax::SetupWaveInput(WavMax::DefaultBufferLength);
        WavMax::setDeviceErrorReporter([this](QObject* owner, const QString& text, const QString& caption) {
            reports.append({owner, text, caption});
        });
        ASSERT_EQ(WavMax::OpenWaveInput(&window), 0);
        device = FakeCaptureDevice::last();
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override
    {
        WavMax::CloseWaveInput();
        QCoreApplication::removePostedEvents(&window);
        WavMax::setDeviceErrorReporter({});
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
    FakeDeviceFactoryGuard factory;
    WaveInRecorder window;
    FakeCaptureDevice* device = nullptr;
    QVector<Report> reports;
};

} // namespace

TEST_F(WavMaxTest, SetupFillsTheFormatAndResetsTheSharedValues)
{
    WavMax::TriggerThreshold = 77;
    WavMax::TriggerHoldOff = 2;
    WavMax::SetupWaveInput(1024);
    EXPECT_EQ(WavMax::WaveInHandle, nullptr) << "setup closes a device still open";
    EXPECT_EQ(WavMax::TriggerThreshold, 30);
    EXPECT_EQ(WavMax::TriggerHoldOff, 0);
    EXPECT_EQ(WavMax::BufferLength, 1024);
    EXPECT_EQ(WavMax::WaveFormat.formatTag, 1);
    EXPECT_EQ(WavMax::WaveFormat.channels, 1);
    EXPECT_EQ(WavMax::WaveFormat.samplesPerSec, 11025u);
    EXPECT_EQ(WavMax::WaveFormat.bitsPerSample, 8);
    EXPECT_EQ(WavMax::WaveFormat.blockAlign, 1);
    EXPECT_EQ(WavMax::WaveFormat.avgBytesPerSec, 11025u);
    EXPECT_EQ(WavMax::WaveFormat.extraSize, 0);
    EXPECT_EQ(WavMax::CaptureHeader1.data, WavMax::CaptureBuffer1);
    EXPECT_EQ(WavMax::CaptureHeader2.data, WavMax::CaptureBuffer2);
    EXPECT_EQ(WavMax::CaptureHeader1.bufferLength, 1024);
    EXPECT_EQ(WavMax::CaptureHeader2.flags, 0u);

    // Lengths the buffers cannot hold are brought into range.
    WavMax::SetupWaveInput(100000);
    EXPECT_EQ(WavMax::BufferLength, WavMax::CaptureBufferCapacity);
    WavMax::SetupWaveInput(-5);
    EXPECT_EQ(WavMax::BufferLength, 1);
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
    EXPECT_EQ(window.headers[0], &WavMax::CaptureHeader1);
    EXPECT_EQ(window.headers[1], &WavMax::CaptureHeader2);
    EXPECT_EQ(window.headers[2], &WavMax::CaptureHeader1);
}

TEST_F(WavMaxTest, OnlyBufferLengthBytesAreMeasured)
{
    WavMax::CloseWaveInput();
    WavMax::SetupWaveInput(16);
    ASSERT_EQ(WavMax::OpenWaveInput(&window), 0);
    device = FakeCaptureDevice::last();
    // A loud byte just past the used part of the buffer must not count.
    WavMax::CaptureBuffer1[16] = char(250);
    EXPECT_EQ(levelOf(QByteArray(16, char(140))), 12);
}

TEST_F(WavMaxTest, HoldOffCountsQuietBuffersAndReportsZero)
{
    WavMax::TriggerHoldOff = 2;
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(100)), 0) << "loud buffers read 0 during the hold-off";
    EXPECT_EQ(WavMax::TriggerHoldOff, 2) << "and do not count";
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(31)), 0);
    EXPECT_EQ(WavMax::TriggerHoldOff, 2) << "one above the threshold is loud";
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(30)), 0);
    EXPECT_EQ(WavMax::TriggerHoldOff, 1) << "equal to the threshold is quiet";
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(0)), 0);
    EXPECT_EQ(WavMax::TriggerHoldOff, 0);
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(100)), 100) << "the hold-off is over";
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(0)), 0);
    EXPECT_EQ(WavMax::TriggerHoldOff, 0) << "never below 0";

    // Threshold 0: only a buffer with nothing above the midline is quiet.
    WavMax::TriggerThreshold = 0;
    WavMax::TriggerHoldOff = 1;
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(1)), 0);
    EXPECT_EQ(WavMax::TriggerHoldOff, 1);
    EXPECT_EQ(levelOf(QByteArray(1024, char(128))), 0);
    EXPECT_EQ(WavMax::TriggerHoldOff, 0);
}

TEST_F(WavMaxTest, HoldOffSurvivesCloseAndReopen)
{
    WavMax::TriggerHoldOff = 2;
    WavMax::CloseWaveInput();
    ASSERT_EQ(WavMax::OpenWaveInput(&window), 0);
    device = FakeCaptureDevice::last();
    EXPECT_EQ(WavMax::TriggerHoldOff, 2);
    EXPECT_EQ(levelOf(FakeCaptureDevice::block(3)), 0);
    EXPECT_EQ(WavMax::TriggerHoldOff, 1);
}

TEST_F(WavMaxTest, BuffersReturnedAfterCloseAreIgnoredAndNotRequeued)
{
    device->feed(QByteArray(500, char(255))); // half a buffer: the reset returns it partly filled
    window.autoRead = false;
    const int lastQueued = WavMax::LastQueued;
    WavMax::CloseWaveInput();
    EXPECT_TRUE(WavMax::Closing);
    EXPECT_EQ(WavMax::WaveInHandle, nullptr);
    EXPECT_EQ(FakeCaptureDevice::last(), nullptr) << "the device is released";
    QCoreApplication::sendPostedEvents(&window, MM_WIM_DATA);
    EXPECT_EQ(window.events, 2) << "the reset returns both buffers";
    EXPECT_TRUE(WavMax::CaptureHeader1.flags & WaveHeader::Done);
    EXPECT_EQ(WavMax::CaptureHeader1.bytesRecorded, 500);

    WavMax::TriggerHoldOff = 1;
    EXPECT_EQ(WavMax::ReadPeakLevel(), 0) << "a loud buffer reads 0 while closing";
    EXPECT_EQ(WavMax::ReadPeakLevel(), 0);
    EXPECT_EQ(WavMax::LastQueued, lastQueued) << "nothing was handed back";
    EXPECT_EQ(WavMax::TriggerHoldOff, 1) << "ignored buffers do not count down the hold-off";
    EXPECT_FALSE(WavMax::CaptureHeader1.flags & WaveHeader::InQueue);
    EXPECT_FALSE(WavMax::CaptureHeader2.flags & WaveHeader::InQueue);
    WavMax::CloseWaveInput(); // closing again is harmless
    EXPECT_EQ(window.events, 2);
}

TEST_F(WavMaxTest, OpenWhileOpenReturnsZeroAndQueuesNothing)
{
    EXPECT_EQ(device->queuedCount(), 2);
    EXPECT_EQ(WavMax::LastQueued, 2);
    const int attempts = FakeCaptureDevice::openAttempts();
    EXPECT_EQ(WavMax::OpenWaveInput(&window), 0);
    EXPECT_EQ(FakeCaptureDevice::openAttempts(), attempts);
    EXPECT_EQ(FakeCaptureDevice::last(), device);
    EXPECT_EQ(device->queuedCount(), 2);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(WavMaxTest, ReopeningDiscardsEventsOfThePreviousCapture)
{
    window.autoRead = false;
    WavMax::CloseWaveInput(); // posts two events for the reset buffers
    ASSERT_EQ(WavMax::OpenWaveInput(&window), 0);
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
    app();
    WavMax::SetupWaveInput(1024);
    FakeDeviceFactoryGuard factory(CaptureAllocated);
    QObject owner;
    int calls = 0;
    WavMax::setDeviceErrorReporter([&](QObject* o, const QString& text, const QString& caption) {
        ++calls;
        EXPECT_EQ(o, &owner);
        EXPECT_EQ(text, QStringLiteral(u"No és possible obrir el dispositiu d'entrada de so. O no hi ha tarja de so "
                                       u"o hi ha una altre aplicació que la fa servir. Si és així pareu aquesta "
                                       u"aplicació i torneu-ho a provar."));
        EXPECT_EQ(caption, QStringLiteral(u"Control del valor màxim detectat en el micròfon"));
    });
    WavMax::Closing = true;
    EXPECT_EQ(WavMax::OpenWaveInput(&owner), CaptureAllocated);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(WavMax::WaveInHandle, nullptr);
    EXPECT_TRUE(WavMax::Closing) << "nothing else changes";
    EXPECT_FALSE(WavMax::CaptureHeader1.flags & WaveHeader::InQueue);
    EXPECT_EQ(WavMax::OpenWaveInput(&owner), CaptureAllocated);
    EXPECT_EQ(calls, 2);
    WavMax::setDeviceErrorReporter({});
}

TEST(WavMaxOpenFailure, AnOpenStartedWhileOpeningFindsTheDeviceBusy)
{
    app();
    WavMax::SetupWaveInput(1024);
    // A device whose open runs events, during which a second open comes in.
    struct Reentrant : FakeCaptureDevice {
        int* nested;
        explicit Reentrant(int* n) : nested(n) {}
        int open(const WaveFormatRecord& format, QObject* notify) override
        {
            *nested = WavMax::OpenWaveInput(notify);
            return FakeCaptureDevice::open(format, notify);
        }
    };
    int nested = -1;
    int reports = 0;
    WavMax::setCaptureDeviceFactory([&] { return std::make_unique<Reentrant>(&nested); });
    WavMax::setDeviceErrorReporter([&](QObject*, const QString&, const QString&) { ++reports; });
    QObject owner;
    EXPECT_EQ(WavMax::OpenWaveInput(&owner), 0);
    EXPECT_EQ(nested, CaptureAllocated);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(WavMax::WaveInHandle->queuedCount(), 2) << "one device, both buffers queued once";
    WavMax::CloseWaveInput();
    QCoreApplication::removePostedEvents(&owner);
    WavMax::setCaptureDeviceFactory({});
    WavMax::setDeviceErrorReporter({});
}

TEST(WavMaxOpenFailure, FreedBuffersRefuseToOpenUntilSetUpAgain)
{
    app();
    FakeDeviceFactoryGuard factory;
    WavMax::SetupWaveInput(1024);
    WavMax::CloseWaveInput();
    WavMax::FreeWaveBuffers();
    EXPECT_EQ(WavMax::CaptureBuffer1, nullptr);
    EXPECT_EQ(WavMax::CaptureBuffer2, nullptr);
    int calls = 0;
    WavMax::setDeviceErrorReporter([&](QObject*, const QString&, const QString&) { ++calls; });
    QObject owner;
    EXPECT_EQ(WavMax::OpenWaveInput(&owner), CaptureNoMemory);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(WavMax::ReadPeakLevel(), 0);
    WavMax::SetupWaveInput(1024);
    EXPECT_NE(WavMax::CaptureBuffer1, nullptr);
    EXPECT_EQ(WavMax::OpenWaveInput(&owner), 0);
    WavMax::CloseWaveInput();
    QCoreApplication::removePostedEvents(&owner);
    WavMax::setDeviceErrorReporter({});
}

// The trigger decision on top of the capture unit.
class SoundTriggerTest : public WavMaxTest {
protected:
    WaveInOutcome handle(int level, bool scanning = true, bool guard = false)
    {
        window.autoRead = false;
        device->feed(FakeCaptureDevice::block(level));
        QCoreApplication::sendPostedEvents(&window, MM_WIM_DATA);
        return HandleWaveInDataCore(scanning, guard);
    }
};

TEST_F(SoundTriggerTest, OneActivationPerSoundAboveTheThreshold)
{
    WaveInOutcome o = handle(30);
    EXPECT_EQ(o.level, 30);
    EXPECT_FALSE(o.activate) << "the comparison is strictly greater";
    EXPECT_EQ(WavMax::TriggerHoldOff, 0);

    o = handle(31);
    EXPECT_EQ(o.level, 31) << "the triggering buffer shows its real level";
    EXPECT_TRUE(o.activate);
    EXPECT_EQ(WavMax::TriggerHoldOff, 2);

    // A continuous loud noise: nothing more until two quiet buffers have passed.
    for (int i = 0; i < 5; ++i) {
        o = handle(120);
        EXPECT_EQ(o.level, 0);
        EXPECT_FALSE(o.activate);
    }
    EXPECT_FALSE(handle(10).activate);
    EXPECT_EQ(WavMax::TriggerHoldOff, 1);
    EXPECT_FALSE(handle(10).activate);
    EXPECT_EQ(WavMax::TriggerHoldOff, 0);
    EXPECT_TRUE(handle(120).activate);
}

TEST_F(SoundTriggerTest, ScanningOffStillStartsTheHoldOff)
{
    const WaveInOutcome o = handle(80, false);
    EXPECT_EQ(o.level, 80);
    EXPECT_FALSE(o.activate);
    EXPECT_EQ(WavMax::TriggerHoldOff, 2);
    EXPECT_EQ(handle(80, true).level, 0);
    EXPECT_FALSE(handle(80, true).activate);
}

TEST_F(SoundTriggerTest, NothingTriggersAtThreshold127)
{
    WavMax::TriggerThreshold = 127;
    EXPECT_EQ(handle(127).level, 127);
    EXPECT_FALSE(handle(127).activate);
    EXPECT_EQ(WavMax::TriggerHoldOff, 0);
}

TEST_F(SoundTriggerTest, CompanionSoundShowsItsLevelButDoesNotTrigger)
{
    WaveInOutcome o = handle(100, true, true);
    EXPECT_EQ(o.level, 100);
    EXPECT_FALSE(o.activate);
    EXPECT_EQ(WavMax::TriggerHoldOff, 0) << "the page's own sound starts no hold-off";
    // The user's sound right after the guard ends triggers at once.
    o = handle(100, true, false);
    EXPECT_TRUE(o.activate);
    EXPECT_EQ(WavMax::TriggerHoldOff, 2);
    // A hold-off already running goes on counting under the guard.
    EXPECT_EQ(handle(5, true, true).level, 0);
    EXPECT_EQ(WavMax::TriggerHoldOff, 1);
}
