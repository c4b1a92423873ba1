// Many page turns through every page kind with everything running at once:
// scanning at its fastest interval, voice mode fed by the simulated capture
// device at ten times real speed, page sounds on the real player, reading by
// the recording stand-in engine. The program must say nothing unexpected, and
// its memory after the last turn must be within 5 % of its memory after the
// first hundred.
//
// TIRVELO_SOAK_TURNS sets the number of turns (default 5000, a CI-sized run;
// the release check runs 10000). Run alone with: ctest -R gui_soak_test -V
#include "audio/CaptureDevice.h"
#include "audio/SimulatedCaptureDevice.h"
#include "audio/WavMax.h"
#include "support/MainWindowFixture.h"
#include "support/ScopedEnvironmentVariable.h"
#include "support/TestPaths.h"
#include "ui/FormNivellEntradaDAudio.h"
#include "ui/NavigationButton.h"
#include "ui/ScanIntervalSpinBox.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

using namespace tirvelo;
using namespace tirvelo::test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// Resident memory of this process, after handing freed heap back to the system.
qint64 residentBytes()
{
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

int turnsFromEnvironment()
{
    bool ok = false;
    const int turns = qEnvironmentVariableIntValue("TIRVELO_SOAK_TURNS", &ok);
    return ok && turns > 100 ? turns : 5000;
}

class CaptureEventWatch : public QObject {
public:
    CaptureEventWatch(TFormPrincipal& window, int& pageTurns) : m_window(window), m_pageTurns(pageTurns) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != &m_window || event->type() != MM_WIM_DATA)
            return false;
        const int before = m_window.book.CurrentPage;
        m_window.HandleWaveInData();
        if (m_window.book.CurrentPage != before)
            ++m_pageTurns;
        return true;
    }

private:
    TFormPrincipal& m_window;
    int& m_pageTurns;
};

class Soak : public MainWindowFixture {
protected:
    std::unique_ptr<SpeechEngine> makeEngine() const override { return std::make_unique<RecordingSpeechEngine>(); }

    void SetUp() override
    {
        MainWindowFixture::SetUp();
        services->devices = [] {
            // One loud span in six: a trigger, its hold-off, then quiet.
            return std::make_unique<SimulatedCaptureDevice>(QStringLiteral("levels:90,0,0,0,0,0"), 10);
        };
    }
    void TearDown() override
    {
        window.reset();
        m_levelDialog.reset(); // closes capture and frees the buffers, as at exit
        MainWindowFixture::TearDown();
    }

    // One page of every kind, in a book that is swept back and forth.
    QString writeEveryKindBook()
    {
        QDir().mkpath(path("pages"));
        QFile::copy(testDataPath("pictures/quadrants.bmp"), path("pages/picture.bmp"));
        QFile::copy(testDataPath("pictures/quadrants.jpg"), path("pages/picture.jpg"));
        QFile::copy(testDataPath("pictures/cmyk-adobe.jpg"), path("pages/cmyk.jpg"));
        QFile::copy(testDataPath("pictures/several-sizes.ico"), path("pages/icon.ico"));
        QFile::copy(testDataPath("pictures/quadrants-rle8.bmp"), path("pages/rle.bmp"));
        QFile::copy(testDataPath("rtf/wordpad.rtf"), path("pages/wordpad.rtf"));
        QFile::copy(testDataPath("rtf/libreoffice-table.rtf"), path("pages/table.rtf"));
        QByteArray text;
        for (int line = 0; line < 200; ++line)
            text += "L\xEDnia " + QByteArray::number(line) + " d'un text llarg per llegir en veu alta.\r\n";
        writeFile(path("pages/text.txt"), text);
        writeFile(path("pages/notes.txt"), "Unes notes que es llegeixen.");
        writeWav(path("pages/so.wav"), 120);
        const QByteArray pages = path("pages/").toLocal8Bit();
        return writeBook("soak.Lumbrix", 12, "pages\\", {
            "text.txt", "wordpad.rtf", "picture.bmp", "picture.jpg", "icon.ico",
            "picture.bmp#" + pages + "so.wav", "picture.jpg#" + pages + "notes.txt", "icon.ico#" + pages + "wordpad.rtf",
            "table.rtf", "cmyk.jpg", "rle.bmp#" + pages + "so.wav", "picture.bmp#" + pages + "table.rtf",
        });
    }

    // Voice mode and reading aloud exclude each other: switch between them
    // through their menu commands, as the user would.
    void switchToVoiceMode()
    {
        if (window->modes().reading())
            window->PopupMenu1->PopupLlegeixelsfitxerstext->trigger();
        ASSERT_TRUE(window->modes().menu().voiceMode.enabled);
        window->PopupMenu1->PopupMenuFuncionaAmbVeu->trigger();
        ASSERT_TRUE(window->modes().voiceMode());
    }
    void switchToReading()
    {
        if (window->modes().voiceMode())
            window->PopupMenu1->PopupMenuFuncionaAmbVeu->trigger();
        ASSERT_TRUE(window->modes().menu().reading.enabled);
        window->PopupMenu1->PopupLlegeixelsfitxerstext->trigger();
        ASSERT_TRUE(window->modes().reading());
    }

    // Page sounds go to the second null sink, away from the one the microphone hears.
    ScopedEnvironmentVariable m_pageSoundSink{"PULSE_SINK", QByteArray("quiet")};
    std::unique_ptr<TFormNivellEntradaDAudio> m_levelDialog;
};

} // namespace

TEST_F(Soak, TenThousandTurnsKeepMemoryFlatAndSayNothing)
{
    const int turns = turnsFromEnvironment();
    createWindow();
    m_levelDialog = std::make_unique<TFormNivellEntradaDAudio>(services->bundle());
    window->setLevelDialog(m_levelDialog.get());
    m_levelDialog->show(); // its level bar follows every buffer
    boxes->clear();

    window->LoadBook(writeEveryKindBook());
    ASSERT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
    window->SpinEditTempsTimer->setValue(1);
    ASSERT_EQ(window->Timer1->interval(), 100);
    window->PopupMenu1->PopupMenuActiu->trigger();
    ASSERT_TRUE(window->Timer1->isActive());

    int highlightSteps = 0;
    QObject::connect(window->Timer1, &QTimer::timeout, [&] { ++highlightSteps; });

    // Counts the buffers whose handling turned the page. The filter runs the
    // window's own handler for them, exactly as its customEvent would.
    int voiceTurns = 0;
    CaptureEventWatch watch(*window, voiceTurns);
    window->installEventFilter(&watch);

    QElapsedTimer clock;
    clock.start();
    qint64 memoryAfterFirstHundred = -1;
    int pageChanges = 0;
    int direction = +1;
    int readingPhases = 0;
    for (int turn = 0; turn < turns; ++turn) {
        // Every 50 turns the other of the two exclusive modes, voice mode first.
        if (turn % 50 == 0) {
            if ((turn / 50) % 2 == 0) {
                switchToVoiceMode();
            } else {
                switchToReading();
                ++readingPhases;
            }
            if (HasFatalFailure())
                return;
            window->modes().followScanning();
        }
        const int before = window->book.CurrentPage;
        if (before == window->book.PageCount - 1)
            direction = -1;
        else if (before == 0)
            direction = +1;
        // The ways a user turns: the buttons, a click on the page, the page keys.
        switch (turn % 4) {
        case 0:
            QTest::mouseClick(direction > 0 ? window->SpeedButtonDreta : window->SpeedButtonEsquerra, Qt::LeftButton);
            break;
        case 1:
            QTest::keyClick(window->SpinEditTempsTimer, direction > 0 ? Qt::Key_PageDown : Qt::Key_PageUp);
            break;
        default:
            if (direction > 0)
                window->SpeedButtonDretaClick();
            else
                window->SpeedButtonEsquerraClick();
            break;
        }
        if (window->book.CurrentPage != before)
            ++pageChanges;
        // Let the scan timer, the capture buffers and the player run between
        // turns; a loud buffer then activates the highlighted button. Now and
        // then a longer pause outlasts the guard after a page sound, so that
        // voice mode turns pages too.
        QTest::qWait(turn % 100 == 25 ? 600 : turn % 10 == 0 ? 40 : 1);
        if ((turn + 1) % 1000 == 0) {
            std::printf("soak: %d turns, %.1f s, %.1f MiB\n", turn + 1, clock.elapsed() / 1000.0, residentBytes() / 1048576.0);
            std::fflush(stdout);
        }
        if (turn + 1 == 100) {
            QTest::qWait(50);
            memoryAfterFirstHundred = residentBytes();
        }
    }
    QTest::qWait(50);
    const qint64 memoryAtEnd = residentBytes();
    const double seconds = clock.elapsed() / 1000.0;
    const double growth = 100.0 * double(memoryAtEnd - memoryAfterFirstHundred) / double(memoryAfterFirstHundred);
    std::printf("soak: %d turns (%d page changes) in %.1f s, %d more by voice, %d scan steps, %d reading phases\n",
                turns, pageChanges, seconds, voiceTurns, highlightSteps, readingPhases);
    std::printf("soak: resident memory after 100 turns %.1f MiB, after %d turns %.1f MiB (%+.2f %%)%s\n",
                memoryAfterFirstHundred / 1048576.0, turns, memoryAtEnd / 1048576.0, growth,
                kAddressSanitizer ? " [AddressSanitizer: freed memory waits in quarantine, not checked]" : "");
    std::fflush(stdout);

    EXPECT_TRUE(boxes->seen().isEmpty()) << boxes->texts().join(u'|').toStdString();
    EXPECT_GE(pageChanges, turns * 9 / 10); // only the ends of the book refuse a turn
    EXPECT_GT(highlightSteps, 0);
    EXPECT_GT(voiceTurns, 0);
    // Reading phases read text pages and companions through the engine.
    int readFiles = 0, reads = 0;
    for (const QByteArray& line : recordingEngine().lines()) {
        readFiles += line.startsWith("ReadFile ");
        reads += line.startsWith("Read ");
    }
    EXPECT_GT(readFiles, 0);
    EXPECT_GT(reads, 0);
    ASSERT_GT(memoryAfterFirstHundred, 0);
    if (!kAddressSanitizer) {
        EXPECT_LE(memoryAtEnd, memoryAfterFirstHundred * 105 / 100);
    }
}
