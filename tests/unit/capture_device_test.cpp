// The capture devices: re-blocking of arbitrary reads into the queued buffers
// (fake device), the simulated device, and the Qt device on the private
// PulseAudio server (a tone played into "nul" is heard on "mic").
#include "audio/QtCaptureDevice.h"
#include "audio/SimulatedCaptureDevice.h"
#include "audio/WavMax.h"
#include "support/AudioTestTools.h"
#include "support/FakeCaptureDevice.h"
#include "support/TestApplication.h"
#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

struct Buffers {
    std::array<quint8, 64> one{};
    std::array<quint8, 64> two{};
    WaveHeader h1{one.data(), 16, 0, 0};
    WaveHeader h2{two.data(), 16, 0, 0};
};

void queueBoth(CaptureDevice& device, Buffers& b)
{
    device.prepareHeader(&b.h1);
    device.prepareHeader(&b.h2);
    ASSERT_TRUE(device.addBuffer(&b.h1));
    ASSERT_TRUE(device.addBuffer(&b.h2));
}

QByteArray ramp(int from, int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char(from + i));
    return bytes;
}

// The format the program captures in.
WaveFormatRecord captureFormat()
{
    WavMax wav;
    wav.SetupWaveInput(WavMax::DefaultBufferLength);
    return wav.WaveFormat;
}

void deliverPosted(QObject* target)
{
    QCoreApplication::sendPostedEvents(target, MM_WIM_DATA);
}

} // namespace

TEST(CaptureQueue, ReadsOfAnySizeFillBuffersInOrderWithOneEventEach)
{
    test::guiApplication();
    WaveInRecorder window;
    window.autoRead = false;
    FakeCaptureDevice device;
    ASSERT_EQ(device.open(captureFormat(), &window), 0);
    Buffers b;
    queueBoth(device, b);
    device.feed(ramp(0, 5)); // before start: dropped
    device.start();

    device.feed(ramp(1, 10));
    deliverPosted(&window);
    EXPECT_EQ(window.events, 0) << "a partly filled buffer is not returned";
    device.feed(ramp(11, 9)); // completes buffer 1 (16) and puts 3 in buffer 2
    deliverPosted(&window);
    ASSERT_EQ(window.events, 1);
    EXPECT_EQ(window.headers[0], &b.h1);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(b.one.data()), 16), ramp(1, 16));
    EXPECT_TRUE(b.h1.flags & WaveHeader::Done);
    EXPECT_FALSE(b.h1.flags & WaveHeader::InQueue);
    EXPECT_EQ(b.one[16], 0) << "nothing written past the buffer length";

    // Both buffers now held by the program: everything arriving is dropped.
    device.feed(ramp(20, 13));
    deliverPosted(&window);
    ASSERT_EQ(window.events, 2);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(b.two.data()), 16), ramp(17, 16));
    device.feed(QByteArray(100, char(255)));
    deliverPosted(&window);
    EXPECT_EQ(window.events, 2);
    EXPECT_EQ(device.queuedCount(), 0);

    // Handed back: filling starts from the first new sample, not the dropped ones.
    ASSERT_TRUE(device.addBuffer(&b.h1));
    EXPECT_FALSE(device.addBuffer(&b.h1)) << "a buffer already queued is refused";
    device.feed(ramp(40, 16));
    deliverPosted(&window);
    ASSERT_EQ(window.events, 3);
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(b.one.data()), 16), ramp(40, 16));

    // Many small reads: exactly one event per filled buffer.
    ASSERT_TRUE(device.addBuffer(&b.h1));
    ASSERT_TRUE(device.addBuffer(&b.h2));
    window.events = 0;
    for (int i = 0; i < 32; ++i) {
        device.feed(ramp(i, 1));
        if (i % 16 == 15) { // the program hands each buffer back as it comes
            deliverPosted(&window);
            device.addBuffer(window.headers.last());
        }
    }
    EXPECT_EQ(window.events, 2);
}

TEST(CaptureQueue, UnpreparedBuffersAreRefusedAndNothingComesAfterClose)
{
    test::guiApplication();
    WaveInRecorder window;
    window.autoRead = false;
    FakeCaptureDevice device;
    ASSERT_EQ(device.open(captureFormat(), &window), 0);
    Buffers b;
    EXPECT_FALSE(device.addBuffer(&b.h1)) << "not prepared";
    EXPECT_FALSE(device.addBuffer(nullptr));
    queueBoth(device, b);
    device.start();
    device.feed(ramp(0, 4));
    device.close();
    deliverPosted(&window);
    EXPECT_EQ(window.events, 2) << "the close returns both held buffers";
    EXPECT_EQ(b.h1.bytesRecorded, 4);
    EXPECT_EQ(b.h2.bytesRecorded, 0);
    device.prepareHeader(&b.h1);
    EXPECT_FALSE(device.addBuffer(&b.h1)) << "a closed device takes no buffer";
    device.feed(ramp(0, 64));
    deliverPosted(&window);
    EXPECT_EQ(window.events, 2);
}

TEST(CaptureQueue, NotifyWindowDestroyedWhileCapturing)
{
    test::guiApplication();
    FakeCaptureDevice device;
    auto* window = new WaveInRecorder;
    ASSERT_EQ(device.open(captureFormat(), window), 0);
    Buffers b;
    queueBoth(device, b);
    device.start();
    delete window;
    device.feed(ramp(0, 40)); // must not post to a dead object
    EXPECT_EQ(device.queuedCount(), 0);
}

namespace {

QVector<int> simulatedLevels(const QString& source, int speed, int count)
{
    WavMax wav([=] { return std::make_unique<SimulatedCaptureDevice>(source, speed); });
    wav.SetupWaveInput(1024);
    WaveInRecorder window(&wav);
    EXPECT_EQ(wav.OpenWaveInput(&window), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.levels.size() >= count; }, 20000));
    wav.CloseWaveInput();
    QCoreApplication::removePostedEvents(&window);
    return window.levels;
}

} // namespace

TEST(SimulatedCapture, LevelsPatternDrivesWavMax)
{
    test::guiApplication();
    // Four times real speed: each timer tick brings less than one buffer, so
    // no sample is dropped and the spans line up with the buffers.
    const QVector<int> levels = simulatedLevels(QStringLiteral("levels:0,90,20"), 4, 15);
    ASSERT_GE(levels.size(), 15);
    for (int i = 0; i + 2 < 15; i += 3) {
        EXPECT_EQ(levels[i], 0) << i;
        EXPECT_EQ(levels[i + 1], 90) << i;
        EXPECT_EQ(levels[i + 2], 20) << i;
    }
}

TEST(SimulatedCapture, FasterThanTheProgramDropsSamplesButKeepsDelivering)
{
    test::guiApplication();
    // At 200 times real speed both buffers are often held when samples come:
    // those are dropped, and each buffer still shows one of the pattern's levels.
    const QVector<int> levels = simulatedLevels(QStringLiteral("levels:0,90,20"), 200, 200);
    ASSERT_GE(levels.size(), 200);
    for (int level : levels)
        EXPECT_TRUE(level == 0 || level == 20 || level == 90) << level;
    EXPECT_TRUE(levels.contains(90));
}

TEST(SimulatedCapture, SourcesThatCannotBeUsedFailToOpen)
{
    test::guiApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_TRUE(SimulatedCaptureDevice::loadPattern(QStringLiteral("levels:1,200")).isEmpty());
    EXPECT_TRUE(SimulatedCaptureDevice::loadPattern(QStringLiteral("levels:")).isEmpty());
    EXPECT_TRUE(SimulatedCaptureDevice::loadPattern(dir.filePath(QStringLiteral("none.raw"))).isEmpty());
    const QString stereo = dir.filePath(QStringLiteral("sixteen.wav"));
    ASSERT_TRUE(writeToneWave(stereo, 0.1, 440, 0.5, 11025, 16));
    EXPECT_TRUE(SimulatedCaptureDevice::loadPattern(stereo).isEmpty()) << "16-bit samples are not 8-bit ones";
    EXPECT_TRUE(SimulatedCaptureDevice::loadPattern(testDataPath(QStringLiteral("audio/truncated-data.wav"))).isEmpty());
    const QByteArray tone = SimulatedCaptureDevice::loadPattern(testDataPath(QStringLiteral("audio/tone-u8-11025.wav")));
    ASSERT_EQ(tone.size(), 2205);
    EXPECT_EQ(quint8(*std::max_element(tone.begin(), tone.end(), [](char a, char b) { return quint8(a) < quint8(b); })),
              230);

    SimulatedCaptureDevice device(QStringLiteral("levels:x"), 1);
    WaveInRecorder window;
    EXPECT_EQ(device.open(captureFormat(), &window), CaptureError);
}

TEST(QtCapture, NoInputDeviceFailsToOpen)
{
    if (pulseAvailable())
        GTEST_SKIP() << "an input device exists here";
    test::guiApplication();
    QtCaptureDevice device;
    WaveInRecorder window;
    EXPECT_NE(device.open(captureFormat(), &window), 0);
}

TEST(QtCapture, HearsAToneOnTheDefaultInputAndSilenceBelowTheThreshold)
{
    if (!pulseAvailable())
        GTEST_SKIP() << "needs the private PulseAudio server (TIRVELO_PULSE)";
    test::guiApplication();
    QTemporaryDir dir;
    const QString tone = dir.filePath(QStringLiteral("tone.wav"));
    ASSERT_TRUE(writeToneWave(tone, 1.5, 440, 0.8));
    SinkKeeper keeper; // steady rendering of the null sink

    WavMax wav;
    wav.SetupWaveInput(1024);
    WaveInRecorder window(&wav);
    ASSERT_EQ(wav.OpenWaveInput(&window), 0) << "the default input \"mic\" opens";
    ASSERT_NE(dynamic_cast<QtCaptureDevice*>(wav.WaveInHandle), nullptr);

    // Silence first: buffers come at the capture rate with low levels.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.levels.size() >= 8; }, 10000));
    const int quietFrom = window.levels.size() - 5;
    for (int i = quietFrom; i < window.levels.size(); ++i)
        EXPECT_LE(window.levels[i], wav.TriggerThreshold) << "buffer " << i;

    const int before = window.levels.size();
    QProcess player;
    player.start(QStringLiteral("paplay"), {QStringLiteral("-d"), QStringLiteral("nul"), tone});
    ASSERT_TRUE(player.waitForStarted(3000));
    const bool heard = QTest::qWaitFor(
        [&] { return std::any_of(window.levels.begin() + before, window.levels.end(), [](int l) { return l > 30; }); },
        10000);
    EXPECT_TRUE(heard) << "the tone reaches the capture above the threshold of 30";
    const int peak = *std::max_element(window.levels.begin() + before, window.levels.end());
    EXPECT_GT(peak, 80);
    EXPECT_LE(peak, 127);
    EXPECT_TRUE(QTest::qWaitFor([&] { return player.state() == QProcess::NotRunning; }, 10000));

    wav.CloseWaveInput();
    EXPECT_EQ(wav.WaveInHandle, nullptr);
    const int atClose = window.events;
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(&window, MM_WIM_DATA);
    EXPECT_LE(window.events, atClose + 2) << "only the buffers held at the reset come back";
    const int afterReset = window.events;
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(&window, MM_WIM_DATA);
    EXPECT_EQ(window.events, afterReset) << "no block is delivered after close";
}
