// Page sounds through the real player into the private PulseAudio null sink
// "nul", checked on its monitor with parec.
#include "audio/QtSoundPlayer.h"
#include "support/AudioTestTools.h"
#include "support/TestApplication.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

class SoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!pulseAvailable())
            GTEST_SKIP() << "needs the private PulseAudio server (TIRVELO_PULSE)";
        test::guiApplication();
        ASSERT_TRUE(dir.isValid());
        keeper = std::make_unique<SinkKeeper>();
        monitor = std::make_unique<MonitorRecorder>();
        ASSERT_TRUE(monitor->running());
        // The monitor delivers nothing for a moment after it starts.
        ASSERT_TRUE(QTest::qWaitFor([&] { return monitor->samples().size() > 2 * MonitorRecorder::kTenth; }, 5000));
    }

    QString tone(const QString& name, double seconds, double amplitude = 0.8)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(writeToneWave(path, seconds, 440, amplitude));
        return path;
    }

    QTemporaryDir dir;
    std::unique_ptr<SinkKeeper> keeper;
    std::unique_ptr<MonitorRecorder> monitor;
};

} // namespace

TEST_F(SoundPlayerTest, PlaysAWaveIntoTheSinkAndStopSilencesIt)
{
    QtSoundPlayer player;
    EXPECT_FALSE(player.guardActive());
    player.play(tone(QStringLiteral("long.wav"), 6.0));
    EXPECT_EQ(player.currentKind(), QtSoundPlayer::Kind::Companion);
    ASSERT_TRUE(monitor->heardAbove(60)) << "the tone reaches the sink";
    EXPECT_TRUE(player.guardActive());

    player.stop();
    EXPECT_EQ(player.currentKind(), QtSoundPlayer::Kind::None);
    EXPECT_TRUE(player.guardActive()) << "the guard outlasts the sound by 300 ms";
    // The tone had five more seconds to go: silence must come long before.
    EXPECT_TRUE(monitor->silentWithin(2500)) << "stop() silences the sound";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !player.guardActive(); }, 2000));
    player.stop(); // nothing playing: harmless, no new guard
    EXPECT_FALSE(player.guardActive());
}

TEST_F(SoundPlayerTest, ANewSoundReplacesTheOldOne)
{
    QtSoundPlayer player;
    QSignalSpy finished(&player, &QtSoundPlayer::finished);
    player.play(tone(QStringLiteral("loud.wav"), 6.0, 0.8));
    ASSERT_TRUE(monitor->heardAbove(80));
    const QString soft = tone(QStringLiteral("soft.wav"), 1.0, 0.25);
    player.play(soft);
    EXPECT_EQ(player.currentSource(), soft);
    // Only the soft tone is left: peaks of about 32, no longer about 102.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const int p = monitor->recentPeak(2);
            return p > 15 && p < 50;
        },
        3000))
        << "the loud sound goes on under the new one";
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(finished.size(), 1) << "the replaced sound sends no end of its own";
    EXPECT_EQ(player.currentKind(), QtSoundPlayer::Kind::None);
    EXPECT_TRUE(monitor->silentWithin(2500)) << "the loud sound is gone for good";
}

TEST_F(SoundPlayerTest, SameSoundAgainStartsFromTheBeginning)
{
    QtSoundPlayer player;
    QSignalSpy finished(&player, &QtSoundPlayer::finished);
    const QString sound = tone(QStringLiteral("again.wav"), 1.2);
    const qsizetype first = monitor->samples().size();
    player.play(sound);
    // Well into the sound (half a second of 1.2 s heard), play it again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor->loudTenths(first) >= 5; }, 5000));
    const qsizetype replay = monitor->samples().size();
    finished.clear();
    player.play(sound);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_TRUE(monitor->silentWithin(2500));
    // Restarted: 1.2 s more of tone; merely continued: 0.7 s.
    EXPECT_GE(monitor->loudTenths(replay), 10);
    EXPECT_EQ(finished.size(), 1);
}

TEST_F(SoundPlayerTest, SoundsThatCannotBePlayedGiveTheAlert)
{
    const QString alert = QtSoundPlayer::defaultAlertSound();
    const auto alertKind = alert.isEmpty() ? QtSoundPlayer::Kind::Beep : QtSoundPlayer::Kind::Alert;
    QtSoundPlayer player;
    QSignalSpy started(&player, &QtSoundPlayer::started);

    player.play(dir.filePath(QStringLiteral("missing.wav")));
    EXPECT_EQ(player.currentKind(), alertKind);
    EXPECT_TRUE(monitor->heardAbove(10)) << "the alert is audible";

    // Not a wave file at all: found, fails to decode, then the alert.
    const QString corrupt = dir.filePath(QStringLiteral("corrupt.wav"));
    {
        QFile file(corrupt);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4000, '\x5a'));
    }
    started.clear();
    player.play(corrupt);
    EXPECT_EQ(player.currentKind(), QtSoundPlayer::Kind::Companion);
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() >= 2; }, 5000));
    EXPECT_EQ(started.at(1).at(0).value<QtSoundPlayer::Kind>(), alertKind);
    EXPECT_TRUE(monitor->heardAbove(10));
    EXPECT_TRUE(player.guardActive());
}

TEST_F(SoundPlayerTest, SoundAfterSoundEachEndsOnceAndIsHeardAfterAFailure)
{
    // Many page sounds in a row, as in a long session: played to their end,
    // a failed one in between, then more; each is heard and ends just once.
    QtSoundPlayer player(QString{}); // failures beep
    QSignalSpy finished(&player, &QtSoundPlayer::finished);
    const QString corrupt = dir.filePath(QStringLiteral("corrupt.wav"));
    {
        QFile file(corrupt);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4000, '\x5a'));
    }
    const QString first = tone(QStringLiteral("first.wav"), 0.4);
    const QString second = tone(QStringLiteral("second.wav"), 0.4);
    int ends = 0;
    for (const QString& sound : {first, second, first, corrupt, second, corrupt, corrupt, first}) {
        SCOPED_TRACE(sound.toStdString());
        player.play(sound);
        EXPECT_TRUE(monitor->heardAbove(sound == corrupt ? 10 : 60)) << "heard (a beep for the corrupt one)";
        ASSERT_TRUE(QTest::qWaitFor([&] { return finished.size() > ends; }, 5000));
        ++ends;
        EXPECT_EQ(player.currentKind(), QtSoundPlayer::Kind::None);
        EXPECT_TRUE(monitor->silentWithin(2500));
        EXPECT_EQ(finished.size(), ends) << "one end per sound";
    }
}

TEST_F(SoundPlayerTest, WithoutAPlayableAlertABeepIsGenerated)
{
    // An alert file that is itself unplayable falls through to the beep.
    const QString badAlert = dir.filePath(QStringLiteral("bad-alert.oga"));
    {
        QFile file(badAlert);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a sound");
    }
    QtSoundPlayer player(badAlert);
    QSignalSpy finished(&player, &QtSoundPlayer::finished);
    player.play(dir.filePath(QStringLiteral("missing.wav")));
    EXPECT_EQ(player.currentKind(), QtSoundPlayer::Kind::Alert);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.currentKind() == QtSoundPlayer::Kind::Beep; }, 5000));
    EXPECT_TRUE(monitor->heardAbove(10)) << "the beep is audible";
    ASSERT_TRUE(finished.wait(5000));

    QtSoundPlayer noAlert{QString()};
    noAlert.play(QStringLiteral("missing.wav"));
    EXPECT_EQ(noAlert.currentKind(), QtSoundPlayer::Kind::Beep);
}

TEST_F(SoundPlayerTest, NamesLongerThan127CharactersAreRefused)
{
    // Two real files whose full names are 127 and 128 characters long.
    auto nameOfLength = [&](int length) {
        const QString prefix = dir.path() + QLatin1Char('/');
        const int pad = length - int(prefix.size()) - 4;
        EXPECT_GT(pad, 0);
        return prefix + QString(pad, QLatin1Char('a' + length % 26)) + QStringLiteral(".wav");
    };
    const QString fits = nameOfLength(127);
    const QString tooLong = nameOfLength(128);
    ASSERT_EQ(fits.size(), 127);
    ASSERT_EQ(tooLong.size(), 128);
    ASSERT_TRUE(writeToneWave(fits, 0.5));
    ASSERT_TRUE(writeToneWave(tooLong, 0.5));

    QtSoundPlayer player(QString{});
    player.play(fits);
    EXPECT_EQ(player.currentKind(), QtSoundPlayer::Kind::Companion);
    EXPECT_EQ(player.currentSource(), fits);
    player.play(tooLong);
    EXPECT_EQ(player.currentKind(), QtSoundPlayer::Kind::Beep) << "a cut name could name another file";
}

TEST_F(SoundPlayerTest, GuardCoversThePlayAndTheMomentAfter)
{
    QtSoundPlayer player;
    QSignalSpy finished(&player, &QtSoundPlayer::finished);
    player.play(tone(QStringLiteral("short.wav"), 0.3));
    EXPECT_TRUE(player.guardActive());
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_TRUE(player.guardActive()) << "the room may still ring";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !player.guardActive(); }, 2000));
}
