// Page sounds through the real player into the private PulseAudio null sink
// "nul", checked on its monitor with parec.
#include "audio/QtSoundPlayer.h"
#include "audio/WaveFile.h"
#include "support/AudioTestTools.h"
#include "support/TestApplication.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdlib>

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

    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
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
    QSignalSpy finished(&player, &QtSoundPlayer::finished);
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
    EXPECT_EQ(finished.size(), 0) << "a stopped sound does not end by itself";
}

TEST_F(SoundPlayerTest, EndsOnlyOnceTheSoundHasBeenHeard)
{
    // The microphone's guard counts from the end: an end announced while the
    // sound server still holds part of the sound would let it turn the page.
    QtSoundPlayer player;
    QSignalSpy finished(&player, &QtSoundPlayer::finished);
    const qsizetype from = monitor->samples().size();
    player.play(tone(QStringLiteral("end.wav"), 2.0));
    ASSERT_TRUE(finished.wait(8000));
    const qsizetype atEnd = monitor->samples().size();
    ASSERT_TRUE(monitor->silentWithin(3000));
    EXPECT_GE(monitor->loudTenths(from), 15) << "the whole sound was played";
    // Only what the recorder had not yet handed over may follow the end.
    EXPECT_LE(monitor->loudTenths(atEnd), 8) << "the end came while the sound was still playing";
}

TEST_F(SoundPlayerTest, PlaysEveryWaveEncodingWithoutAMediaPipeline)
{
    struct Case {
        const char* name;
        int format;
        int channels;
        int rate;
    };
    const Case cases[] = {
        {"8-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 11025},
        {"16-bit stereo", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100},
        {"24-bit", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 48000},
        {"float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 22050},
        {"mu-law", SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, 8000},
        {"A-law", SF_FORMAT_WAV | SF_FORMAT_ALAW, 1, 8000},
        {"IMA ADPCM", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1, 22050},
        {"Microsoft ADPCM", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 2, 22050},
        {"GSM 6.10", SF_FORMAT_WAV | SF_FORMAT_GSM610, 1, 8000},
    };
    QtSoundPlayer player(QString{});
    QSignalSpy started(&player, &QtSoundPlayer::started);
    QSignalSpy finished(&player, &QtSoundPlayer::finished);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".wav"));
        ASSERT_TRUE(writeEncodedTone(path, c.format, 0.5, c.channels, c.rate));
        started.clear();
        finished.clear();
        player.play(path);
        EXPECT_TRUE(monitor->heardAbove(60));
        ASSERT_TRUE(finished.wait(5000));
        EXPECT_EQ(started.size(), 1) << "played as it is, no beep instead";
        EXPECT_TRUE(monitor->silentWithin(2500));
    }
    EXPECT_FALSE(gstreamerLoaded()) << "page sounds go to the sound server without a media pipeline";
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

    // Found, fails to decode, then the alert.
    const QByteArray wave = monoWaveFile(QByteArray(8000, '\x40'), 8000, 8);
    QByteArray unknownEncoding = wave;
    unknownEncoding[20] = '\x7a'; // the format tag: no codec has this number
    unknownEncoding[21] = '\x7a';
    const std::pair<const char*, QByteArray> undecodable[] = {
        {"not a sound", QByteArray(4000, '\x5a')},
        {"an encoding nobody decodes", unknownEncoding},
        {"cut inside the header", wave.left(30)},
        {"no samples", wave.left(44)},
    };
    for (const auto& [what, bytes] : undecodable) {
        SCOPED_TRACE(what);
        started.clear();
        player.play(file(QStringLiteral("undecodable.wav"), bytes));
        EXPECT_EQ(player.currentKind(), QtSoundPlayer::Kind::Companion);
        ASSERT_TRUE(QTest::qWaitFor([&] { return started.size() >= 2; }, 5000));
        EXPECT_EQ(started.at(1).at(0).value<QtSoundPlayer::Kind>(), alertKind);
        EXPECT_TRUE(monitor->heardAbove(10));
        EXPECT_TRUE(player.guardActive());
    }
}

TEST_F(SoundPlayerTest, AWaveCutShortPlaysWhatItHolds)
{
    QtSoundPlayer player(QString{});
    QSignalSpy started(&player, &QtSoundPlayer::started);
    QSignalSpy finished(&player, &QtSoundPlayer::finished);
    const QString whole = tone(QStringLiteral("whole.wav"), 2.0);
    QFile cut(whole);
    ASSERT_TRUE(cut.resize(44 + 22050)); // the header still promises 2 s; half a second is left
    const qsizetype from = monitor->samples().size();
    player.play(whole);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(started.size(), 1) << "played, not replaced by the beep";
    EXPECT_TRUE(monitor->silentWithin(2500));
    const int heard = monitor->loudTenths(from);
    EXPECT_GE(heard, 3);
    EXPECT_LE(heard, 7);
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

// The program's services go, the player with them, while a sound plays; then
// the application and the process end as the program's do.
[[noreturn]] void endTheProgramWhilePlaying(const QString& sound)
{
    static int argc = 1;
    static char name[] = "tirvelo";
    static char* argv[] = {name, nullptr};
    auto* application = new QGuiApplication(argc, argv);
    auto* player = new QtSoundPlayer;
    player->play(sound);
    QTest::qWait(300);
    delete player;
    delete application;
    std::exit(0);
}

TEST(SoundPlayerAtExit, ASoundStillPlayingWhenTheProgramEndsDoesNotCrashIt)
{
    if (!pulseAvailable())
        GTEST_SKIP() << "needs the private PulseAudio server (TIRVELO_PULSE)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString sound = dir.filePath(QStringLiteral("long.wav"));
    ASSERT_TRUE(writeToneWave(sound, 5.0));
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(endTheProgramWhilePlaying(sound), ::testing::ExitedWithCode(0), "");
}
