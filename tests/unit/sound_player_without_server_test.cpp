// The page-sound player when no sound server can be reached: the window must
// still see each sound start, fall back, end once and release the guard.
// A process of its own, since Qt connects to the sound server once per process.
#include "audio/QtSoundPlayer.h"
#include "support/AudioTestTools.h"
#include "support/TestApplication.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace tirvelo;
using namespace tirvelo::test;

TEST(SoundPlayerWithoutServer, EachSoundFallsBackToTheBeepAndEndsOnce)
{
    qputenv("PULSE_SERVER", "unix:/nonexistent/tirvelo-no-server");
    test::guiApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString sound = dir.filePath(QStringLiteral("so.wav"));
    ASSERT_TRUE(writeToneWave(sound, 0.5));

    QtSoundPlayer player(QString{});
    QSignalSpy started(&player, &QtSoundPlayer::started);
    QSignalSpy finished(&player, &QtSoundPlayer::finished);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        started.clear();
        finished.clear();
        player.play(sound);
        EXPECT_TRUE(player.guardActive()) << "counts as playing from the call on";
        ASSERT_TRUE(finished.wait(5000));
        ASSERT_EQ(started.size(), 2);
        EXPECT_EQ(started.at(0).at(0).value<QtSoundPlayer::Kind>(), QtSoundPlayer::Kind::Companion);
        EXPECT_EQ(started.at(1).at(0).value<QtSoundPlayer::Kind>(), QtSoundPlayer::Kind::Beep);
        EXPECT_EQ(player.currentKind(), QtSoundPlayer::Kind::None);
        EXPECT_TRUE(player.guardActive());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !player.guardActive(); }, 2000));
        EXPECT_EQ(finished.size(), 1);
    }
}
