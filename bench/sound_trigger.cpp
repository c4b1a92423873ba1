// The sound trigger in the real main window: how long after a loud buffer is
// returned (the moment its MM_WIM_DATA event is posted) the page-turn command
// is entered, and the processor share of listening with scanning on, over a
// minute, with the input silent-ish (no trigger) so that the figure is the cost
// of capture itself.
//
// Calibration: the processor time of one room buffer handled by the main
// window with the level dialog open, while "Calibra" listens (the level heard,
// the countdown on the button and in the bar, the threshold set at the end of
// each run) and while it does not; and LevelCalibration::hear alone.
//
// TIRVELO_BENCH_SECONDS sets the length of the listening runs (default 60).
// The default-input run needs the private PulseAudio server (TIRVELO_PULSE).
#include "audio/CaptureDevice.h"
#include "audio/LevelCalibration.h"
#include "audio/QtSoundPlayer.h"
#include "audio/SimulatedCaptureDevice.h"
#include "audio/SoundPlayer.h"
#include "audio/WavMax.h"
#include "speech/SpeechLibrary.h"
#include "modes/Delay.h"
#include "modes/Settings.h"
#include "ui/FormNivellEntradaDAudio.h"
#include "ui/FormPrincipal.h"
#include "ui/MessageBoxes.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "support/ProcessClock.h"
#include "support/WidgetApplication.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <memory>
#include <vector>

using namespace tirvelo;
using tirvelo::bench::processCpuSeconds;

namespace {

QApplication& app()
{
    return bench::widgetApplication("bench_sound_trigger", "offscreen");
}

// A folder of its own for settings and book, no speech engine, and the
// program's notices answered as they come up.
class Workspace {
public:
    Workspace()
    {
        app();
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath("config")));
        qputenv("TIRVELO_SPEECH_LIBRARY", QFile::encodeName(m_dir.filePath("no-engine.so")));
        qunsetenv(SimulatedCaptureDevice::EnvironmentVariable);
        QObject::connect(&m_answer, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->accept();
        });
        m_answer.start(5);
    }
    ~Workspace() { QDir::setCurrent(m_previous); }

    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }
    QString book(const QList<QByteArray>& pages)
    {
        QByteArray bytes = "{Quirna 2000 - Tirvelo}\r\n{N\xFAmero de planes}\r\n" + QByteArray::number(pages.size())
            + "\r\n{Directori}\r\n\r\n{Planes}\r\n";
        for (const QByteArray& page : pages)
            bytes += page + "\r\n";
        return write(QStringLiteral("bench.Lumbrix"), bytes);
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
    QTimer m_answer;
};

// Waits as the program does; tells the time the bench sets, so that buffers
// can be 93 ms apart, as capture brings them, however fast they are fed.
class BufferClock : public Clock {
public:
    void delay(int ms) override { Delay(ms); }
    qint64 now() const override { return time; }
    qint64 time = 0;
};

// The program's services, with the page sound and the capture devices the
// bench chooses.
struct BenchServices {
    explicit BenchServices(SoundPlayer* pageSound) : sound(pageSound ? pageSound : &programSound) {}
    Services bundle() { return {speech, *sound, capture, messages, clock, settings}; }

    SpeechLibrary speech;
    QtSoundPlayer programSound;
    SoundPlayer* sound;
    // Empty: the default input.
    WavMax::CaptureDeviceFactory devices;
    WavMax capture{[this] { return devices ? devices() : WavMax::createDefaultCaptureDevice(); }};
    MessageBoxSink messages;
    BufferClock clock;
    Settings settings{&messages};
};

// The start-up's pair: the main window and the level dialog wired to it.
struct Program {
    explicit Program(SoundPlayer* pageSound = nullptr)
        : services(pageSound), window(services.bundle()), dialog(services.bundle())
    {
        window.setLevelDialog(&dialog);
        window.show();
    }
    ~Program() { services.capture.CloseWaveInput(); }
    BenchServices services;
    TFormPrincipal window;
    TFormNivellEntradaDAudio dialog;
};

// A device fed by the benchmark, as a driver's reads would fill it.
class Feeder : public CaptureDevice {
public:
    int open(const WaveFormatRecord&, QObject* notify) override
    {
        setNotify(notify);
        return 0;
    }
    void feed(const quint8* data, qsizetype n) { deliverSamples(data, n); }
};

// The page sound of the bench's pages. A page command begins by silencing the
// page's sound, so the first stop() after arming is the moment the command is
// entered.
class EntryClock : public SoundPlayer {
public:
    void play(const QString&) override {}
    void stop() override
    {
        if (armed) {
            enteredAt = clock.nsecsElapsed();
            armed = false;
        }
    }
    bool guardActive() const override { return false; }

    QElapsedTimer clock;
    bool armed = false;
    qint64 enteredAt = -1;
};

void BM_LoudBufferToPageCommand(benchmark::State& state)
{
    Workspace workspace;
    auto owned = std::make_unique<EntryClock>();
    EntryClock* entry = owned.get();
    entry->clock.start();
    {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        picture.save(workspace.path(QStringLiteral("pic.bmp")), "BMP");
        Program program(entry);
        TFormPrincipal& window = program.window;
        window.LoadBook(workspace.book({"pic.bmp#a.wav", "pic.bmp#b.wav"}));
        window.modes().toggleScanning(); // scanning on
        program.services.devices = [] { return std::make_unique<Feeder>(); };
        window.modes().toggleVoiceMode();
        program.dialog.show(); // the bar is fed too
        auto* device = static_cast<Feeder*>(program.services.capture.WaveInHandle);
        if (!device || !window.modes().voiceMode()) {
            state.SkipWithError("voice mode did not start");
            return;
        }
        std::array<quint8, 1024> loud{};
        for (size_t i = 0; i < loud.size(); ++i)
            loud[i] = quint8(i % 2 ? 40 : 216);

        // The windows' first showing and painting are not part of the figure.
        QEventLoop warmUp;
        QTimer::singleShot(300, &warmUp, &QEventLoop::quit);
        warmUp.exec();

        std::vector<double> delays;
        double handlingSeconds = 0;
        for (auto _ : state) {
            // The first page with its sound playing, the next button highlighted,
            // no hold-off: as after a tick and two quiet buffers.
            window.book.CurrentPage = 0;
            window.SoundPlaying = true;
            window.scan.ScanPosition = 1;
            program.services.capture.TriggerHoldOff = 0;
            QCoreApplication::processEvents(); // what the last turn left to paint
            entry->armed = true;
            entry->enteredAt = -1;

            device->feed(loud.data(), qsizetype(loud.size()) - 1);
            const qint64 posted = entry->clock.nsecsElapsed();
            device->feed(loud.data() + loud.size() - 1, 1); // the last sample: the event is posted
            while (entry->enteredAt < 0 && entry->clock.nsecsElapsed() - posted < 1'000'000'000)
                QCoreApplication::processEvents();
            const qint64 handled = entry->clock.nsecsElapsed();
            if (entry->enteredAt < 0 || window.book.CurrentPage != 1) {
                state.SkipWithError("the loud buffer did not turn the page");
                break;
            }
            const double delay = double(entry->enteredAt - posted) / 1e9;
            delays.push_back(delay);
            handlingSeconds += double(handled - posted) / 1e9;
            state.SetIterationTime(delay);
        }
        if (!delays.empty()) {
            std::sort(delays.begin(), delays.end());
            state.counters["median_us"] = delays[delays.size() / 2] * 1e6;
            state.counters["p99_us"] = delays[std::min(delays.size() - 1, delays.size() * 99 / 100)] * 1e6;
            state.counters["max_us"] = delays.back() * 1e6;
            state.counters["whole_turn_us"] = handlingSeconds / double(delays.size()) * 1e6;
        }
    }
}
BENCHMARK(BM_LoudBufferToPageCommand)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2000);

// One room buffer (peaks of 20, under the threshold) at a time through the
// main window with the level dialog open, with "Calibra" pressed again as each
// run ends, or never pressed.
void roomBuffers(benchmark::State& state, bool calibrating)
{
    constexpr int BufferMs = 93; // 1024 samples at 11025 Hz
    Workspace workspace;
    Program program;
    TFormPrincipal& window = program.window;
    workspace.write(QStringLiteral("p.txt"), "page");
    window.LoadBook(workspace.book({"p.txt", "p.txt"}));
    window.modes().toggleScanning();
    program.services.devices = [] { return std::make_unique<Feeder>(); };
    window.modes().toggleVoiceMode();
    program.dialog.show();
    auto* device = static_cast<Feeder*>(program.services.capture.WaveInHandle);
    if (!device || !program.dialog.BitBtnCalibra->isEnabled()) {
        state.SkipWithError("voice mode did not start");
        return;
    }
    std::array<quint8, 1024> room{};
    for (size_t i = 0; i < room.size(); ++i)
        room[i] = quint8(128 + int(i % 41) - 20);
    QEventLoop warmUp;
    QTimer::singleShot(300, &warmUp, &QEventLoop::quit);
    warmUp.exec();

    long long runs = 0;
    double cpuSeconds = 0;
    BufferClock& clock = program.services.clock;
    for (auto _ : state) {
        if (calibrating && !program.dialog.calibrating()) {
            program.dialog.BitBtnCalibra->click();
            ++runs;
        }
        const double cpu0 = processCpuSeconds();
        device->feed(room.data(), qsizetype(room.size()));
        QCoreApplication::processEvents(); // the buffer, then the bar and the button painted
        const double cpu = processCpuSeconds() - cpu0;
        cpuSeconds += cpu;
        state.SetIterationTime(cpu);
        clock.time += BufferMs;
    }
    const double perBuffer = cpuSeconds / double(state.iterations());
    state.counters["cpu_us_per_buffer"] = perBuffer * 1e6;
    state.counters["cpu_us_per_run"] = perBuffer * 1e6 * (LevelCalibration::ListenMs / double(BufferMs));
    state.counters["cpu_percent_of_one_core"] = 100.0 * perBuffer * 1000.0 / BufferMs;
    state.counters["runs"] = double(runs);
    if (window.book.CurrentPage != 0)
        state.SkipWithError("the room turned a page");
}
void BM_RoomBufferWhileCalibrating(benchmark::State& state) { roomBuffers(state, true); }
void BM_RoomBufferNotCalibrating(benchmark::State& state) { roomBuffers(state, false); }
BENCHMARK(BM_RoomBufferWhileCalibrating)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(3300);
BENCHMARK(BM_RoomBufferNotCalibrating)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(3300);

// The core's share: one buffer's level heard, runs started over as they end.
void BM_LevelCalibrationHear(benchmark::State& state)
{
    LevelCalibration calibration;
    qint64 now = 0;
    int level = 0;
    for (auto _ : state) {
        if (!calibration.listening())
            calibration.start(now);
        benchmark::DoNotOptimize(calibration.hear(level, now));
        level = (level + 7) & 63;
        now += 93;
    }
    benchmark::DoNotOptimize(calibration.threshold());
}
BENCHMARK(BM_LevelCalibrationHear)->Unit(benchmark::kNanosecond);

enum class Listening { Off, Simulated, DefaultInput };

// Counts the buffers that reach the main window.
class BufferCounter : public QObject {
public:
    long long buffers = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == MM_WIM_DATA)
            ++buffers;
        return false;
    }
};

void listen(benchmark::State& state, Listening mode)
{
    Workspace workspace;
    if (mode == Listening::DefaultInput && qEnvironmentVariableIsEmpty("TIRVELO_PULSE")) {
        state.SkipWithError("needs the private PulseAudio server (TIRVELO_PULSE)");
        return;
    }
    bool ok = false;
    int seconds = qEnvironmentVariableIntValue("TIRVELO_BENCH_SECONDS", &ok);
    if (!ok || seconds < 1)
        seconds = 60;

    // The null sink renders steadily only while something plays into it.
    QProcess keeper;
    if (mode == Listening::DefaultInput) {
        keeper.setStandardInputFile(QStringLiteral("/dev/zero"));
        keeper.start(QStringLiteral("pacat"), {QStringLiteral("--playback"), QStringLiteral("-d"), QStringLiteral("nul"),
                                               QStringLiteral("--format=s16le"), QStringLiteral("--rate=11025"),
                                               QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
        keeper.waitForStarted(3000);
    }

    QList<QByteArray> pages;
    for (int i = 0; i < 5; ++i) {
        const QByteArray name = "p" + QByteArray::number(i) + ".txt";
        workspace.write(QString::fromLatin1(name), "page " + QByteArray::number(i));
        pages << name;
    }
    for (auto _ : state) {
        Program program;
        TFormPrincipal& window = program.window;
        window.LoadBook(workspace.book(pages));
        window.SpeedButtonDretaClick(); // a middle page: the highlight moves at every tick
        window.modes().toggleScanning();   // scanning on, a step every 1.6 s
        BufferCounter counter;
        window.installEventFilter(&counter);
        if (mode == Listening::Simulated)
            program.services.devices = [] {
                // Quiet room noise, never above the threshold of 30.
                return std::make_unique<SimulatedCaptureDevice>(QStringLiteral("levels:3,7,2,12,5,0,9"), 1);
            };
        if (mode != Listening::Off) {
            window.modes().toggleVoiceMode();
            if (!window.modes().voiceMode()) {
                state.SkipWithError("the input could not be opened");
                break;
            }
        }
        const int startPage = window.book.CurrentPage;
        // Device start-up is not part of the figure: the sound server's stream
        // takes a second or two to bring the first samples.
        QElapsedTimer startup;
        startup.start();
        while (mode != Listening::Off && counter.buffers == 0 && startup.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.counters["first_buffer_after_s"] = double(startup.elapsed()) / 1000.0;
        QEventLoop settle;
        QTimer::singleShot(1000, &settle, &QEventLoop::quit);
        settle.exec();

        const double cpu0 = processCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        const long long buffers0 = counter.buffers;
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = processCpuSeconds() - cpu0;
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        window.removeEventFilter(&counter);

        state.SetIterationTime(elapsed);
        state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / elapsed;
        state.counters["buffers_per_second"] = double(counter.buffers - buffers0) / elapsed;
        state.counters["page_turns"] = double(window.book.CurrentPage != startPage);
    }
    if (keeper.state() != QProcess::NotRunning) {
        keeper.kill();
        keeper.waitForFinished(3000);
    }
}

// Scanning alone, then scanning with capture; the difference is what capture costs.
void BM_ScanningWithoutVoiceMode(benchmark::State& state) { listen(state, Listening::Off); }
void BM_ScanningWithSimulatedInput(benchmark::State& state) { listen(state, Listening::Simulated); }
void BM_ScanningWithDefaultInput(benchmark::State& state) { listen(state, Listening::DefaultInput); }
BENCHMARK(BM_ScanningWithoutVoiceMode)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_ScanningWithSimulatedInput)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_ScanningWithDefaultInput)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace
