// The switch-access rules without a window: option storage, switch timings and
// the sound switch's calibration.
#include "audio/LevelCalibration.h"
#include "desktop/AccessOptions.h"
#include "desktop/SettingsFile.h"
#include "scan/SwitchTimings.h"
#include "speech/CueVoice.h"
#include "support/BookWriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tirvelo;

namespace {

QByteArray contents(const QString& path)
{
    return test::readAll(path);
}

void put(const QString& path, const QByteArray& bytes)
{
    test::writeFile(path, bytes);
}

} // namespace

TEST(AccessOptions, StoredBesideOtherKeysByteForByteAndReadBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quirna2001.ini"));
    const QByteArray before = "[Altre]\r\nClau=\xE0\r\n[Tirvelo]\r\nIdioma=Castellano\r\n";
    put(path, before);
    SettingsFile file(path);

    // Defaults write nothing at all.
    EXPECT_TRUE(writeAccessOptions(file, AccessOptions{}));
    EXPECT_EQ(contents(path), before);

    AccessOptions options;
    options.acceptanceMs = 350;
    options.postAcceptanceMs = 3000;
    options.selectKey = SwitchKey::Space;
    options.stepKey = SwitchKey::F12;
    options.spokenHighlight = true;
    ASSERT_TRUE(writeAccessOptions(file, options));
    EXPECT_EQ(contents(path), before + "TempsAcceptacio=350\r\nRetardDespresAcceptacio=3000\r\nTeclaSeleccio=Space\r\n"
                                       "TeclaPas=F12\r\nLlegeixResaltat=s\xED\r\n");
    EXPECT_EQ(readAccessOptions(file), options);

    // Changing one option rewrites that line only.
    options.stepKey = SwitchKey::None;
    ASSERT_TRUE(writeAccessOptions(file, options));
    EXPECT_EQ(contents(path), before + "TempsAcceptacio=350\r\nRetardDespresAcceptacio=3000\r\nTeclaSeleccio=Space\r\n"
                                       "TeclaPas=\r\nLlegeixResaltat=s\xED\r\n");
    EXPECT_EQ(readAccessOptions(file), options);
}

TEST(AccessOptions, HandEditedValuesReadSafely)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quirna2001.ini"));
    put(path, "[Tirvelo]\nTempsAcceptacio=99999\nRetardDespresAcceptacio=-5\nTeclaSeleccio=Enter\n"
              "TeclaPas=Enter\nLlegeixResaltat=S\xCD\nVeuDurantElSo=s\xED\n");
    const AccessOptions options = readAccessOptions(SettingsFile(path));
    EXPECT_EQ(options.acceptanceMs, AccessOptions::MaxAcceptanceMs);
    EXPECT_EQ(options.postAcceptanceMs, 0);
    EXPECT_EQ(options.selectKey, SwitchKey::Enter);
    EXPECT_EQ(options.stepKey, SwitchKey::None) << "one key cannot both select and step";
    EXPECT_FALSE(options.spokenHighlight) << "only the exact \"s\xC3\xAD\" switches a choice on";
    EXPECT_TRUE(options.soundSwitchDuringPageSound);

    put(path, "[Tirvelo]\nTempsAcceptacio=abc\nTeclaSeleccio=Escape\n");
    EXPECT_EQ(readAccessOptions(SettingsFile(path)), AccessOptions{});
    EXPECT_EQ(readAccessOptions(SettingsFile(dir.filePath(QStringLiteral("none.ini")))), AccessOptions{});

    // The step key read as none because it equals the select key: changing
    // only the select key must not bring the old step key back.
    put(path, "[Tirvelo]\nTeclaSeleccio=F2\nTeclaPas=F2\n");
    SettingsFile file(path);
    AccessOptions chosen = readAccessOptions(file);
    chosen.selectKey = SwitchKey::F3;
    ASSERT_TRUE(writeAccessOptions(file, chosen));
    EXPECT_EQ(readAccessOptions(file), chosen);
}

TEST(AccessOptions, KeysMapBothWays)
{
    for (const SwitchKey key : offeredSwitchKeys()) {
        EXPECT_EQ(switchKeyFromName(switchKeyName(key)), key);
        EXPECT_EQ(switchKeyForQtKey(qtKeyOf(key)), key);
    }
    EXPECT_EQ(offeredSwitchKeys().size(), 17u);
    EXPECT_EQ(switchKeyForQtKey(Qt::Key_Enter), SwitchKey::Enter) << "the keypad's Enter is Enter";
    EXPECT_EQ(switchKeyForQtKey(Qt::Key_A), SwitchKey::None);
}

TEST(AccessOptions, OnlyAKeyPressedAloneIsASwitch)
{
    struct Case { int key; Qt::KeyboardModifiers modifiers; SwitchKey expected; };
    const Case cases[] = {
        {Qt::Key_1, Qt::NoModifier, SwitchKey::Digit1},
        {Qt::Key_1, Qt::ControlModifier, SwitchKey::None},
        {Qt::Key_Space, Qt::ShiftModifier, SwitchKey::None},
        {Qt::Key_F5, Qt::AltModifier, SwitchKey::None},
        {Qt::Key_1, Qt::KeypadModifier, SwitchKey::None}, // the keypad still types digits
        {Qt::Key_Enter, Qt::KeypadModifier, SwitchKey::Enter},
        {Qt::Key_Return, Qt::NoModifier, SwitchKey::Enter},
        {Qt::Key_Enter, Qt::KeypadModifier | Qt::ControlModifier, SwitchKey::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(switchKeyForKeyPress(c.key, c.modifiers), c.expected) << c.key << " " << c.modifiers.toInt();
}

TEST(SwitchTimings, AcceptanceTimeCountsOnlyHeldPresses)
{
    SwitchTimings timings;
    EXPECT_FALSE(timings.holdsPresses());
    timings.setAcceptanceMs(300);
    ASSERT_TRUE(timings.holdsPresses());

    EXPECT_EQ(timings.pressBegan(1000), 1300);
    EXPECT_FALSE(timings.takeHeldPress(1299));
    timings.pressEnded(); // a brush: released early
    EXPECT_FALSE(timings.takeHeldPress(1400));

    timings.pressBegan(2000);
    EXPECT_TRUE(timings.takeHeldPress(2300));
    EXPECT_FALSE(timings.takeHeldPress(2900)) << "holding on does not repeat the press";
}

TEST(SwitchTimings, PostAcceptanceDelayIgnoresRepeats)
{
    SwitchTimings timings;
    EXPECT_TRUE(timings.admit(0));
    EXPECT_TRUE(timings.admit(1)) << "without a delay every activation counts";

    timings.setPostAcceptanceMs(500);
    EXPECT_TRUE(timings.admit(1000));
    EXPECT_FALSE(timings.admit(1200)); // the bounce or the double click's second half
    EXPECT_FALSE(timings.admit(1499));
    EXPECT_TRUE(timings.admit(1500)) << "the delay runs from the admitted activation, not the ignored ones";
    EXPECT_TRUE(timings.delayRunning(1999));
    EXPECT_TRUE(timings.delayRunning(1999)) << "asking starts nothing";
    EXPECT_FALSE(timings.delayRunning(2000));
}

TEST(LevelCalibration, ThresholdSitsJustAboveTheRoom)
{
    LevelCalibration calibration;
    calibration.start(10'000);
    EXPECT_EQ(calibration.secondsLeft(10'000), 3);
    EXPECT_EQ(calibration.secondsLeft(11'001), 2);
    EXPECT_FALSE(calibration.hear(17, 10'100));
    EXPECT_FALSE(calibration.hear(41, 11'000));
    EXPECT_FALSE(calibration.hear(9, 12'999));
    EXPECT_EQ(calibration.secondsLeft(13'400), 1) << "time is up, but the countdown waits for the last buffer";
    EXPECT_TRUE(calibration.hear(12, 13'000));
    EXPECT_FALSE(calibration.listening());
    EXPECT_FALSE(calibration.hear(120, 13'100)) << "levels after the listening time are not the room's";
    // Noise peaks over an hour of buffers reach about half as high again as
    // over three seconds.
    EXPECT_EQ(calibration.threshold(), 41 + 41 / 2);

    struct Room { int loudest; bool crossable; };
    for (const Room room : {Room{0, true}, Room{2, true}, Room{80, true}, Room{84, false}, Room{127, false}}) {
        calibration.start(0);
        calibration.hear(room.loudest, 3000);
        if (room.crossable) {
            EXPECT_GT(calibration.threshold(), room.loudest) << room.loudest;
        }
        EXPECT_LT(calibration.threshold(), 127) << "a sound at the top level must still cross it";
        EXPECT_EQ(calibration.threshold() >= room.loudest + qMax(6, room.loudest / 2), room.crossable) << room.loudest;
    }
}

// The cue voice's process needs an event loop; a stand-in program replaces espeak-ng.
class CueVoiceTest : public ::testing::Test {
protected:
    ~CueVoiceTest() override { qunsetenv("TIRVELO_CUE_PROGRAM"); }

    int argc = 1;
    char name[19] = "switch_access_test";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir dir;
};

TEST_F(CueVoiceTest, SaysTheTextThroughItsOwnProcessAndCutsTheCueBefore)
{
    // A stand-in for espeak-ng: records its arguments and its input, then
    // sounds for a while unless it is cut.
    const QString script = dir.filePath(QStringLiteral("cue.sh"));
    put(script, "#!/bin/sh\nn=$(ls \"$0.d\"/*.args 2>/dev/null | wc -l); mkdir -p \"$0.d\"; log=\"$0.d/$n\"\n"
                "echo \"$*\" > \"$log.args\"; cat > \"$log.text\"; sleep 2; echo done > \"$log.end\"\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("TIRVELO_CUE_PROGRAM", script.toLocal8Bit());

    CueVoice cue;
    ASSERT_TRUE(cue.say(QStringLiteral("Següent"), QStringLiteral("ca")));
    const QString first = script + QStringLiteral(".d/0");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(first + QStringLiteral(".text")) && !contents(first + QStringLiteral(".text")).isEmpty(); }, 10000));
    ASSERT_TRUE(cue.say(QStringLiteral("Anterior"), QStringLiteral("es")));
    const QString second = script + QStringLiteral(".d/1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(second + QStringLiteral(".end")); }, 10000));

    EXPECT_EQ(contents(first + QStringLiteral(".text")), QByteArray("Seg\xC3\xBC" "ent\n"));
    EXPECT_EQ(contents(second + QStringLiteral(".text")), QByteArray("Anterior\n"));
    EXPECT_EQ(contents(second + QStringLiteral(".args")).trimmed(), CueVoice::argumentsFor(QStringLiteral("es")).join(u' ').toUtf8());
    EXPECT_FALSE(QFile::exists(first + QStringLiteral(".end"))) << "the first cue was cut when the highlight moved on";
}

TEST_F(CueVoiceTest, TheProgramIsFoundOnceAndAMissingOneSaysNothing)
{
    const QString first = dir.filePath(QStringLiteral("first.sh"));
    const QString second = dir.filePath(QStringLiteral("second.sh"));
    for (const QString& script : {first, second}) {
        put(script, "#!/bin/sh\ncat > \"$0.said\"\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    qputenv("TIRVELO_CUE_PROGRAM", first.toLocal8Bit());
    CueVoice cue;
    qputenv("TIRVELO_CUE_PROGRAM", second.toLocal8Bit()); // not looked for again at each step
    ASSERT_TRUE(cue.say(QStringLiteral("Anterior"), QStringLiteral("ca")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(first + QStringLiteral(".said")); }, 10000));
    EXPECT_FALSE(QFile::exists(second + QStringLiteral(".said")));

    qputenv("TIRVELO_CUE_PROGRAM", dir.filePath(QStringLiteral("missing")).toLocal8Bit());
    CueVoice missing;
    EXPECT_FALSE(missing.say(QStringLiteral("Anterior"), QStringLiteral("ca")));
}
