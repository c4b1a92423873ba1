// The speech engine binding against real shared libraries: the recording
// stand-in engine and its variants that each lack one entry point.
#include "speech/SpeechLibrary.h"
#include "support/RecordingLog.h"
#include "support/ScopedEnvironmentVariable.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tirvelo;
using tirvelo::test::recordingEnginePath;
using tirvelo::test::RecordingLog;
using tirvelo::test::ScopedEnvironmentVariable;

namespace {

class SpeechLibraryTest : public ::testing::Test {
protected:
    void useEngine(const QString& path) { m_engineVariable.set(QFile::encodeName(path)); }

    // Every wrapper once, with the arguments the program sends; returns which succeeded.
    static std::vector<bool> callAll(SpeechLibrary& library)
    {
        return {library.setSpeed(140),
                library.read(QByteArray("L\xEDnia u\r\nL\xEDnia dos \\ fi")),
                library.readFile(QByteArray("/llibres/p\xE0gina 1.txt")),
                library.stop(),
                library.setLanguage(101),
                library.setSpeaker(2)};
    }

    static const QList<QByteArray>& allLines()
    {
        static const QList<QByteArray> lines = {
            "SetSpeed 140",
            "Read L\xEDnia u\\r\\nL\xEDnia dos \\\\ fi",
            "ReadFile /llibres/p\xE0gina 1.txt",
            "Stop",
            "SetLanguage 101",
            "SetSpeaker 2",
        };
        return lines;
    }

    ScopedEnvironmentVariable m_engineVariable{"TIRVELO_SPEECH_LIBRARY"};
    RecordingLog m_log;
};

TEST_F(SpeechLibraryTest, BindsEveryEntryPointAndPassesTheArgumentsThrough)
{
    const QString engine = recordingEnginePath();
    ASSERT_TRUE(QFile::exists(engine)) << engine.toStdString();
    useEngine(engine);
    EXPECT_EQ(SpeechLibrary::candidatePaths(), QStringList{engine});

    SpeechLibrary library;
    ASSERT_TRUE(library.load());
    EXPECT_TRUE(library.isAvailable());
    EXPECT_EQ(library.loadedPath(), engine);

    // Loaded but not bound yet: nothing reaches the engine.
    EXPECT_EQ(callAll(library), std::vector<bool>(6, false));
    EXPECT_TRUE(m_log.lines().isEmpty());

    library.bindEntryPoints();
    EXPECT_TRUE(library.hasSetSpeed());
    EXPECT_EQ(callAll(library), std::vector<bool>(6, true));
    EXPECT_EQ(m_log.lines(), allLines());
}

struct MissingEntryPoint {
    const char* variant;
    int missingCall; // index into callAll()
};

class SpeechLibraryMissingEntryPoint : public SpeechLibraryTest,
                                       public ::testing::WithParamInterface<MissingEntryPoint> {};

TEST_P(SpeechLibraryMissingEntryPoint, OnlyThatWrapperFailsAndNothingOfItIsLogged)
{
    const MissingEntryPoint param = GetParam();
    const QString engine = recordingEnginePath(QString::fromLatin1(param.variant));
    ASSERT_TRUE(QFile::exists(engine)) << engine.toStdString();
    useEngine(engine);

    SpeechLibrary library;
    ASSERT_TRUE(library.load());
    library.bindEntryPoints();
    EXPECT_EQ(library.hasSetSpeed(), param.missingCall != 0);

    std::vector<bool> expected(6, true);
    expected[param.missingCall] = false;
    EXPECT_EQ(callAll(library), expected);

    QList<QByteArray> expectedLines = allLines();
    expectedLines.removeAt(param.missingCall);
    EXPECT_EQ(m_log.lines(), expectedLines);
}

INSTANTIATE_TEST_SUITE_P(Variants, SpeechLibraryMissingEntryPoint,
                         ::testing::Values(MissingEntryPoint{"no_setspeed", 0}, MissingEntryPoint{"no_read", 1},
                                           MissingEntryPoint{"no_readfile", 2}, MissingEntryPoint{"no_stop", 3},
                                           MissingEntryPoint{"no_setlanguage", 4},
                                           MissingEntryPoint{"no_setspeaker", 5}),
                         [](const auto& variant) { return std::string(variant.param.variant); });

// The engine's result is not a verdict on the call: a call that returns was
// accepted, whatever it answered (a missing companion text, a refused size).
TEST_F(SpeechLibraryTest, ACallThatReturnsIsAcceptedWhateverTheEngineAnswers)
{
    useEngine(recordingEnginePath());
    SpeechLibrary library;
    ASSERT_TRUE(library.load());
    library.bindEntryPoints();

    m_log.setFailingCalls("SetSpeed,Read,ReadFile,Stop,SetLanguage,SetSpeaker");
    EXPECT_EQ(callAll(library), std::vector<bool>(6, true));
    EXPECT_EQ(m_log.lines(), allLines());
}

TEST_F(SpeechLibraryTest, ReleaseClearsTheEntryPointsAndAReloadBindsAfresh)
{
    const QString engine = recordingEnginePath();
    useEngine(engine);
    SpeechLibrary library;
    ASSERT_TRUE(library.load());
    library.bindEntryPoints();
    ASSERT_TRUE(library.stop());

    library.release();
    EXPECT_FALSE(library.isAvailable());
    EXPECT_TRUE(library.loadedPath().isEmpty());
    EXPECT_FALSE(library.hasSetSpeed());
    EXPECT_EQ(callAll(library), std::vector<bool>(6, false));
    library.release(); // a second release is harmless

    // A reload followed by the binding works as the first load did.
    ASSERT_TRUE(library.load());
    EXPECT_EQ(library.loadedPath(), engine);
    EXPECT_FALSE(library.setSpeed(140));
    library.bindEntryPoints();
    EXPECT_TRUE(library.setSpeed(140));

    // load() on a loaded library releases it first: no entry point survives.
    ASSERT_TRUE(library.load());
    EXPECT_FALSE(library.stop());

    EXPECT_EQ(m_log.lines(), (QList<QByteArray>{"Stop", "SetSpeed 140"}));
}

TEST_F(SpeechLibraryTest, MissingOrBrokenLibraryLeavesSpeechUnavailable)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SpeechLibrary library;

    // A working engine first, so that a failed load must also drop it.
    useEngine(recordingEnginePath());
    ASSERT_TRUE(library.load());
    library.bindEntryPoints();

    useEngine(dir.filePath(QStringLiteral("libupctv.so")));
    EXPECT_FALSE(library.load());
    EXPECT_FALSE(library.isAvailable());
    library.bindEntryPoints();
    EXPECT_EQ(callAll(library), std::vector<bool>(6, false));

    // A file of that name that is not a library.
    QFile fake(dir.filePath(QStringLiteral("libupctv.so")));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("not an ELF file\n");
    fake.close();
    EXPECT_FALSE(library.load());
    EXPECT_FALSE(library.isAvailable());

    EXPECT_TRUE(m_log.lines().isEmpty());
}

TEST_F(SpeechLibraryTest, WithoutAnOverrideTheEngineIsLookedForByName)
{
    m_engineVariable.set(std::nullopt);
    const QStringList paths = SpeechLibrary::candidatePaths();
    ASSERT_FALSE(paths.isEmpty());
    EXPECT_EQ(paths.last(), QStringLiteral("libupctv.so"));
}

} // namespace
