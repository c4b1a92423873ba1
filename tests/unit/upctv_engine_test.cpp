// The real speech engine (build/libupctv.so), loaded as the program loads it
// and heard on the private PulseAudio null sink "nul" through its monitor.
#include "base/Cp1252.h"
#include "formats/RtfReader.h"
#include "formats/TextBoxText.h"
#include "speech/UpctvApi.h"
#include "support/AudioTestTools.h"
#include "support/ProcessTable.h"
#include "support/TestApplication.h"
#include "support/TestPaths.h"

#include "Cp1252ToUtf8.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <dlfcn.h>
#include <memory>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace tirvelo;

namespace {

constexpr int kRate = test::SpeechMonitor::kRate;
constexpr int kSoundPeak = test::SpeechMonitor::kSoundPeak;
constexpr int kSilencePeak = test::SpeechMonitor::kSilencePeak;

int samplesFor(int ms) { return kRate * ms / 1000; }

// Several sentences without long pauses, well over ten seconds of speech.
const char kLongCatalan[] =
    "Aquesta \xE9s una lectura prou llarga per a la prova del motor de veu "
    "que continua parlant sense aturar-se durant molta estona mentre el programa "
    "comprova que el so arriba al altaveu i que es pot aturar en qualsevol moment "
    "sense esperar que acabi la frase ni el par\xE0graf sencer que encara queda per llegir";

// The engine library, loaded afresh for each test.
class Engine {
public:
    Engine()
    {
        m_handle = dlopen(QFile::encodeName(test::buildPath(QStringLiteral("libupctv.so"))).constData(),
                          RTLD_NOW | RTLD_LOCAL);
        if (!m_handle)
            return;
        setSpeed = bind<UpcTVSetSpeedFn>("upcTVSetSpeed");
        about = bind<UpcTVAboutFn>("upcTVAbout");
        read = bind<UpcTVReadFn>("upcTVRead");
        readFile = bind<UpcTVReadFileFn>("upcTVReadFile");
        stop = bind<UpcTVStopFn>("upcTVStop");
        setLanguage = bind<UpcTVSetLanguageFn>("upcTVSetLanguage");
        setSpeaker = bind<UpcTVSetSpeakerFn>("upcTVSetSpeaker");
        currentVoice = bind<const char* (*)()>("upcTVCurrentVoice");
    }
    ~Engine() { unload(); }
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    bool complete() const
    {
        return m_handle && setSpeed && about && read && readFile && stop && setLanguage && setSpeaker
            && currentVoice;
    }
    void unload()
    {
        if (m_handle)
            dlclose(m_handle);
        m_handle = nullptr;
    }
    // "roa/ca+m3" as {"roa/ca", "m3"}.
    std::pair<QString, QString> voice() const
    {
        const QString id = QString::fromUtf8(currentVoice());
        const qsizetype plus = id.indexOf(u'+');
        return {id.left(plus), plus < 0 ? QString() : id.mid(plus + 1)};
    }

    UpcTVSetSpeedFn setSpeed = nullptr;
    UpcTVAboutFn about = nullptr;
    UpcTVReadFn read = nullptr;
    UpcTVReadFileFn readFile = nullptr;
    UpcTVStopFn stop = nullptr;
    UpcTVSetLanguageFn setLanguage = nullptr;
    UpcTVSetSpeakerFn setSpeaker = nullptr;
    const char* (*currentVoice)() = nullptr;

private:
    template <typename Fn>
    Fn bind(const char* name)
    {
        return reinterpret_cast<Fn>(dlsym(m_handle, name));
    }
    void* m_handle = nullptr;
};

qint64 nullSinkLatencyUsec()
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sinks")});
    if (!pactl.waitForFinished(5000))
        return -1;
    const QString text = QString::fromUtf8(pactl.readAllStandardOutput());
    const qsizetype at = text.indexOf(QStringLiteral("Name: nul\n"));
    if (at < 0)
        return -1;
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral(R"(\n\s*Latency: (\d+) usec)")).match(text, at);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

class UpctvEngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (qEnvironmentVariableIsEmpty("TIRVELO_PULSE"))
            return;
        test::guiApplication();
        // An idle null sink renders about two seconds ahead; a stream of zeros at
        // low latency keeps it close to real time, as a sound card would be.
        s_keeper = std::make_unique<test::SinkKeeper>();
        (void)QTest::qWaitFor([] { const qint64 l = nullSinkLatencyUsec(); return l >= 0 && l < 100000; }, 10000);
    }
    static void TearDownTestSuite() { s_keeper.reset(); }

    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("TIRVELO_PULSE"))
            GTEST_SKIP() << "needs the private PulseAudio server (TIRVELO_PULSE)";
        ASSERT_TRUE(m_engine.complete()) << dlerror();
        ASSERT_TRUE(m_recorder.start()) << "parec gave no samples";
        // Nothing from an earlier test may still be sounding.
        m_recorder.waitForQuiet(0, 300);
    }

    // Reads `text` at `speed` to the end; the length of the sound in ms.
    int spokenMs(const char* text, int32_t speed)
    {
        EXPECT_EQ(m_engine.setSpeed(speed), 0);
        const qsizetype from = m_recorder.size();
        EXPECT_EQ(m_engine.read(text), 0);
        const qsizetype first = m_recorder.waitForSound(from);
        if (first < 0)
            return -1;
        const qsizetype last = m_recorder.waitForQuiet(first, 800);
        return int((last - first) * 1000 / kRate);
    }

    static inline std::unique_ptr<test::SinkKeeper> s_keeper;
    Engine m_engine;
    test::SpeechMonitor m_recorder;
};

TEST_F(UpctvEngineTest, ReadingSoundsAfterTheCallReturnedAndStopSilencesIt)
{
    EXPECT_EQ(m_engine.stop(), 0); // nothing set up yet: harmless

    const qsizetype beforeRead = m_recorder.size();
    ASSERT_EQ(m_engine.read(kLongCatalan), 0);
    const qsizetype returned = m_recorder.size();
    // The call came back before any of the text could be heard.
    EXPECT_LT(m_recorder.peak(beforeRead, returned), kSoundPeak);

    const qsizetype first = m_recorder.waitForSound(returned);
    ASSERT_GE(first, 0) << "no speech on nul.monitor";
    ASSERT_TRUE(m_recorder.waitForSamples(first + samplesFor(2000)));
    // Still speaking two seconds into the text.
    EXPECT_GE(m_recorder.peak(first + samplesFor(1500), first + samplesFor(2000)), kSoundPeak);
    EXPECT_GT(m_recorder.rms(first, first + samplesFor(2000)), 300.0);

    const qsizetype stopAt = m_recorder.size();
    EXPECT_GE(m_recorder.peak(stopAt - samplesFor(500), stopAt), kSoundPeak);
    ASSERT_EQ(m_engine.stop(), 0);
    ASSERT_TRUE(m_recorder.waitForSamples(stopAt + samplesFor(1200)));
    const qsizetype lastLoud = m_recorder.waitForQuiet(stopAt, 200, 3000);
    std::cout << "[ measured ] sound went on for " << (lastLoud - stopAt) * 1000 / kRate
              << " ms of recording after upcTVStop was called\n";
    EXPECT_LT(m_recorder.peak(stopAt + samplesFor(250), stopAt + samplesFor(1200)), kSilencePeak);
    EXPECT_LT(m_recorder.rms(stopAt + samplesFor(250), stopAt + samplesFor(1200)), 30.0);

    // A second stop, with nothing left to stop, is harmless.
    EXPECT_EQ(m_engine.stop(), 0);
}

namespace {

// Stands in for the C library's waitpid in this process, the engine library
// included (the test exports it, so the engine binds this one): while
// g_helpersLinger is set, a helper asked after without waiting has not ended
// yet, as a killed process that the kernel has not torn down (caught in a hung
// file system, say); every call that would wait is counted.
std::atomic<bool> g_helpersLinger{false};
std::atomic<int> g_waitingCalls{0};

} // namespace

extern "C" pid_t waitpid(pid_t pid, int* status, int options)
{
    using Waitpid = pid_t (*)(pid_t, int*, int);
    static const auto real = reinterpret_cast<Waitpid>(dlsym(RTLD_NEXT, "waitpid"));
    if (g_helpersLinger && (options & WNOHANG))
        return 0;
    if (g_helpersLinger)
        ++g_waitingCalls;
    return real(pid, status, options);
}

namespace {

// espeak-ng children of this process: all of them, or only those that have
// ended and that nobody has collected.
int helperChildren(bool endedOnly)
{
    const QList<test::ProcessEntry> processes = test::processTable();
    const pid_t self = pid_t(QCoreApplication::applicationPid());
    return int(std::count_if(processes.begin(), processes.end(), [&](const test::ProcessEntry& p) {
        return p.name == "espeak-ng" && (p.state == 'Z' || !endedOnly) && p.parent == self;
    }));
}

int uncollectedHelpers()
{
    return helperChildren(true);
}

} // namespace

TEST_F(UpctvEngineTest, ANewReadingReplacesTheOneInProgress)
{
    ASSERT_EQ(m_engine.read(kLongCatalan), 0);
    const qsizetype first = m_recorder.waitForSound(m_recorder.size());
    ASSERT_GE(first, 0);
    // A short text cuts the long one: the sound ends long before the long text would.
    const qsizetype from = m_recorder.size();
    ASSERT_EQ(m_engine.read("Fi."), 0);
    const qsizetype last = m_recorder.waitForQuiet(from, 800, 8000);
    EXPECT_LT((last - from) * 1000 / kRate, 2500);

    // Stopped helpers are not waited for, but they are collected: the next
    // call leaves none of them behind as zombies.
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(m_engine.read(kLongCatalan), 0);
        ASSERT_EQ(m_engine.stop(), 0);
    }
    QTest::qWait(300);
    EXPECT_GT(uncollectedHelpers(), 0);
    EXPECT_EQ(m_engine.stop(), 0);
    EXPECT_EQ(uncollectedHelpers(), 0);
}

// A page turn stops the reading: it must never wait for a stopped helper to
// end, however many have not ended yet.
TEST_F(UpctvEngineTest, StoppingNeverWaitsForHelpersThatHaveNotEnded)
{
    g_waitingCalls = 0;
    g_helpersLinger = true;
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(m_engine.read("Hola."), 0);
        ASSERT_EQ(m_engine.stop(), 0);
    }
    g_helpersLinger = false;
    EXPECT_EQ(g_waitingCalls, 0);
    // As they end, the next stops collect every one.
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_engine.stop() == 0 && helperChildren(false) == 0; }, 20000));
}

TEST_F(UpctvEngineTest, ReadsAWindows1252FileWithAccentsByItsCodePageName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // On disk the name is UTF-8; the program passes it in Windows-1252.
    const QString path = dir.filePath(QStringLiteral(u"pàgina u.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Aix\xF2 \xE9s una p\xE0gina amb accents: c\xE0rrega, pl\xE0tan, ca\xE7" "a i l\xB7l.\r\n"
               "Segona l\xEDnia del text que es llegeix en veu alta sense pressa.\r\n");
    file.close();

    const QByteArray cp1252Name = toCp1252(QDir::toNativeSeparators(path));
    ASSERT_EQ(m_engine.readFile(cp1252Name.constData()), 0);
    const qsizetype first = m_recorder.waitForSound(m_recorder.size());
    ASSERT_GE(first, 0) << "the file was not read aloud";
    EXPECT_EQ(m_engine.stop(), 0);
}

TEST_F(UpctvEngineTest, RefusesFilesItCannotReadWithoutHanging)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const qsizetype from = m_recorder.size();

    EXPECT_LT(m_engine.readFile(QFile::encodeName(dir.filePath(QStringLiteral("cap.txt"))).constData()), 0);
    EXPECT_LT(m_engine.readFile(""), 0);
    EXPECT_LT(m_engine.readFile(nullptr), 0);
    EXPECT_LT(m_engine.readFile(QFile::encodeName(dir.path()).constData()), 0);

    // A FIFO would block an open() until a writer came.
    const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("tub.txt")));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    EXPECT_LT(m_engine.readFile(fifo.constData()), 0);

    // Far too big for a page: refused before it is read.
    QFile big(dir.filePath(QStringLiteral("gran.txt")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(64ll << 20));
    big.close();
    EXPECT_LT(m_engine.readFile(QFile::encodeName(big.fileName()).constData()), 0);

    // A file name longer than any path.
    const QByteArray longName(70000, 'a');
    EXPECT_LT(m_engine.readFile(longName.constData()), 0);

    EXPECT_LT(m_engine.read(nullptr), 0);
    EXPECT_EQ(m_engine.read(""), 0);
    EXPECT_EQ(m_engine.read(" \r\n "), 0);

    ASSERT_TRUE(m_recorder.waitForSamples(from + samplesFor(600)));
    EXPECT_LT(m_recorder.peak(from, m_recorder.size()), kSilencePeak);
}

// Whatever the text box or the rich-text box shows is also read.
TEST_F(UpctvEngineTest, ReadsTextsAsLargeAsThePageBoxesHold)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray text = QByteArray(kLongCatalan) + ". ";
    text = text.repeated(int(kMaxRichTextFileBytes / text.size()) + 1).left(qsizetype(kMaxRichTextFileBytes));
    QFile page(dir.filePath(QStringLiteral("gran.txt")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write(text.left(qsizetype(kTextBoxCapacity)));
    page.close();

    for (int call = 0; call < 2; ++call) {
        SCOPED_TRACE(call);
        const qsizetype from = m_recorder.size();
        ASSERT_EQ(call == 0 ? m_engine.readFile(QFile::encodeName(page.fileName()).constData())
                            : m_engine.read(text.constData()),
                  0);
        EXPECT_GE(m_recorder.waitForSound(from, 15000), 0);
        EXPECT_EQ(m_engine.stop(), 0);
        m_recorder.waitForQuiet(m_recorder.size(), 300);
    }
}

TEST_F(UpctvEngineTest, LanguagesAndSpeakersChooseTheVoice)
{
    // After a load: Catalan, male.
    EXPECT_EQ(m_engine.voice(), std::make_pair(QStringLiteral("roa/ca"), QStringLiteral("m3")));

    EXPECT_EQ(m_engine.setSpeaker(2), 0);
    EXPECT_EQ(m_engine.voice().second, QStringLiteral("f3"));

    EXPECT_EQ(m_engine.setLanguage(upctv::kCastilian), 0);
    EXPECT_EQ(m_engine.setSpeaker(1), 0);
    EXPECT_EQ(m_engine.voice(), std::make_pair(QStringLiteral("roa/es"), QStringLiteral("m3")));
    EXPECT_EQ(m_engine.setSpeaker(0), 0);
    EXPECT_EQ(m_engine.voice(), std::make_pair(QStringLiteral("roa/es"), QStringLiteral("f3")));

    // Unknown codes are refused and change nothing.
    EXPECT_LT(m_engine.setLanguage(100), 0);
    EXPECT_LT(m_engine.setLanguage(0), 0);
    EXPECT_LT(m_engine.setSpeaker(4), 0);
    EXPECT_LT(m_engine.setSpeaker(-1), 0);
    EXPECT_EQ(m_engine.voice(), std::make_pair(QStringLiteral("roa/es"), QStringLiteral("f3")));

    EXPECT_EQ(m_engine.setLanguage(upctv::kCatalan), 0);
    EXPECT_EQ(m_engine.setSpeaker(0), 0);
    EXPECT_EQ(m_engine.voice(), std::make_pair(QStringLiteral("roa/ca"), QStringLiteral("m3")));

    // A reading in Castilian is heard.
    EXPECT_EQ(m_engine.setLanguage(upctv::kCastilian), 0);
    EXPECT_EQ(m_engine.setSpeaker(1), 0);
    ASSERT_EQ(m_engine.read("Buenos d\xED" "as, esto es una prueba."), 0);
    EXPECT_GE(m_recorder.waitForSound(0), 0);
    EXPECT_EQ(m_engine.stop(), 0);
}

TEST_F(UpctvEngineTest, AVoiceChangeHoldsFromTheNextReadingOn)
{
    ASSERT_EQ(m_engine.read(kLongCatalan), 0);
    const qsizetype first = m_recorder.waitForSound(0);
    ASSERT_GE(first, 0);
    EXPECT_EQ(m_engine.setSpeaker(2), 0);
    EXPECT_EQ(m_engine.voice().second, QStringLiteral("f3"));
    // The reading in progress goes on.
    const qsizetype changedAt = m_recorder.size();
    ASSERT_TRUE(m_recorder.waitForSamples(changedAt + samplesFor(1000)));
    EXPECT_GE(m_recorder.peak(changedAt + samplesFor(300), changedAt + samplesFor(1000)), kSoundPeak);
    EXPECT_EQ(m_engine.stop(), 0);
}

TEST_F(UpctvEngineTest, CastilianPluralsAreReadWithoutHarmToTheCaller)
{
    // espeak-ng 1.51 reads uninitialised memory on these words; the reading
    // must never take the calling process down.
    ASSERT_EQ(m_engine.setLanguage(upctv::kCastilian), 0);
    ASSERT_EQ(m_engine.setSpeaker(1), 0);
    ASSERT_EQ(m_engine.setSpeed(255), 0);
    for (int round = 0; round < 5; ++round) {
        const qsizetype from = m_recorder.size();
        ASSERT_EQ(m_engine.read("Buenos d\xED" "as. Tenemos dos perros, tres gatos y muchas casas."), 0);
        EXPECT_GE(m_recorder.waitForSound(from), 0) << "round " << round;
    }
    EXPECT_EQ(m_engine.stop(), 0);
}

TEST_F(UpctvEngineTest, SpeedChangesHowLongTheSameTextTakes)
{
    const char text[] = "Bon dia a tothom i benvinguts a la lectura de avui";
    const int slow = spokenMs(text, 1);
    // Refused speeds leave the speed as it was.
    EXPECT_LT(m_engine.setSpeed(0), 0);
    EXPECT_LT(m_engine.setSpeed(256), 0);
    const int slowAgain = spokenMs(text, 1);
    const int normal = spokenMs(text, upctv::kLoadSpeed);
    const int fast = spokenMs(text, 255);
    std::cout << "[ measured ] the same text took " << slow << " ms at speed 1, " << normal
              << " ms at 140 and " << fast << " ms at 255\n";
    ASSERT_GT(fast, 0);
    EXPECT_GT(slow, normal * 3 / 2);
    EXPECT_GT(normal, fast * 3 / 2);
    EXPECT_NEAR(slowAgain, slow, slow / 5);
}

TEST_F(UpctvEngineTest, UnloadingWhileSpeakingEndsTheSoundAndAReloadStartsAfresh)
{
    EXPECT_EQ(m_engine.setLanguage(upctv::kCastilian), 0);
    EXPECT_EQ(m_engine.setSpeaker(0), 0);
    ASSERT_EQ(m_engine.read(kLongCatalan), 0);
    ASSERT_GE(m_recorder.waitForSound(0), 0);

    m_engine.unload();
    const qsizetype unloadedAt = m_recorder.size();
    ASSERT_TRUE(m_recorder.waitForSamples(unloadedAt + samplesFor(1200)));
    EXPECT_LT(m_recorder.peak(unloadedAt + samplesFor(300), unloadedAt + samplesFor(1200)), kSilencePeak);

    Engine again;
    ASSERT_TRUE(again.complete());
    EXPECT_EQ(again.voice(), std::make_pair(QStringLiteral("roa/ca"), QStringLiteral("m3")));
    const qsizetype from = m_recorder.size();
    ASSERT_EQ(again.read("Tornem a comen\xE7\x61r."), 0);
    EXPECT_GE(m_recorder.waitForSound(from), 0);
    EXPECT_EQ(again.stop(), 0);
    EXPECT_EQ(again.about(), 0);
}

namespace {

// The espeak-ng processes alive (not yet ended) whose environment holds marker.
int helpersWith(const QByteArray& marker)
{
    const QList<test::ProcessEntry> processes = test::processTable();
    return int(std::count_if(processes.begin(), processes.end(), [&](const test::ProcessEntry& p) {
        return p.name == "espeak-ng" && p.state != 'Z' && test::processEnvironment(p.pid).contains(marker);
    }));
}

} // namespace

// The program killed outright while it reads a long text page: the reading
// ends with it instead of going on to the end of the text.
TEST_F(UpctvEngineTest, AReadingEndsWhenTheProgramIsKilled)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile page(dir.filePath(QStringLiteral("llarg.txt")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    for (int i = 0; i < 40; ++i)
        page.write(QByteArray(kLongCatalan) + ".\r\n");
    page.close();
    QFile book(dir.filePath(QStringLiteral("llibre.Lumbrix")));
    ASSERT_TRUE(book.open(QIODevice::WriteOnly));
    book.write("{Quirna 2000 - Tirvelo}\r\n{N\xFAmero de planes}\r\n1\r\n{Directori}\r\n\r\n{Planes}\r\nllarg.txt\r\n");
    book.close();

    const QByteArray marker = "TIRVELO_TEST_ORPHAN=" + QByteArray::number(QCoreApplication::applicationPid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TIRVELO_TEST_ORPHAN"), QString::fromLatin1(marker.mid(marker.indexOf('=') + 1)));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    environment.insert(QStringLiteral("TIRVELO_SPEECH_LIBRARY"), test::buildPath(QStringLiteral("libupctv.so")));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(dir.path());
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(test::buildPath(QStringLiteral("tirvelo")), {QStringLiteral("llibre.Lumbrix")});
    ASSERT_TRUE(program.waitForStarted());

    // The splash first, then the page is read.
    const qsizetype first = m_recorder.waitForSound(m_recorder.size(), 30000);
    ASSERT_GE(first, 0) << "the program read nothing aloud";
    ASSERT_EQ(helpersWith(marker), 1);
    ASSERT_TRUE(m_recorder.waitForSamples(first + samplesFor(500)));

    ::kill(pid_t(program.processId()), SIGKILL);
    const qsizetype killedAt = m_recorder.size();
    program.waitForFinished();
    EXPECT_TRUE(QTest::qWaitFor([&] { return helpersWith(marker) == 0; }, 5000)) << "the reading outlived the program";
    // Allowing for what the sound server and the recording still held.
    ASSERT_TRUE(m_recorder.waitForSamples(killedAt + samplesFor(1500)));
    EXPECT_LT(m_recorder.peak(killedAt + samplesFor(500), killedAt + samplesFor(1500)), kSilencePeak);
}

// Needs no sound server: the engine's code-page table against the program's.
TEST(UpctvCodePage, MatchesTheProgramsWindows1252TableAndBlanksUndefinedBytes)
{
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const std::string utf8 = upctvengine::cp1252ToUtf8(std::string_view(&byte, 1));
        const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        const QByteArray expected = undefined ? QByteArray(" ") : fromCp1252(QByteArray(1, byte)).toUtf8();
        EXPECT_EQ(QByteArray::fromStdString(utf8), expected) << "byte " << b;
    }
    EXPECT_EQ(upctvengine::cp1252ToUtf8("Catal\xE0 \x80 l\xB7l"), std::string("Catal\xC3\xA0 \xE2\x82\xAC l\xC2\xB7l"));
    EXPECT_EQ(upctvengine::cp1252ToUtf8({}), std::string());
}

} // namespace
