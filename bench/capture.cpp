// Cost of sound capture: the peak of one buffer, the re-blocking of driver
// reads into buffers with their events, and the processor share of a running
// capture over several seconds (simulated input, and the real default input
// when the private PulseAudio server runs: TIRVELO_PULSE).
#include "audio/QtCaptureDevice.h"
#include "audio/SimulatedCaptureDevice.h"
#include "audio/WavMax.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "support/ProcessClock.h"

#include <benchmark/benchmark.h>

#include <ctime>

using namespace tirvelo;
using tirvelo::bench::processCpuSeconds;

namespace {

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "bench_capture";
    static char* argv[] = {name, nullptr};
    static QCoreApplication instance(argc, argv);
    return instance;
}

// Answers every returned buffer with ReadPeakLevel, as the main window does.
class Handler : public QObject {
public:
    explicit Handler(WavMax& capture) : m_capture(capture) {}
    long long buffers = 0;
    long long level = 0;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == MM_WIM_DATA) {
            ++buffers;
            level += m_capture.ReadPeakLevel();
        }
    }

private:
    WavMax& m_capture;
};

// A device fed from the benchmark loop, like a driver delivering reads.
class Feeder : public CaptureDevice {
public:
    int open(const WaveFormatRecord&, QObject* notify) override
    {
        setNotify(notify);
        return 0;
    }
    void feed(const quint8* data, qsizetype n) { deliverSamples(data, n); }
};

void BM_PeakOfOneBuffer(benchmark::State& state)
{
    app();
    WavMax wav;
    wav.SetupWaveInput(1024);
    wav.Closing = false;
    for (int i = 0; i < 1024; ++i)
        wav.CaptureBuffer1[i] = wav.CaptureBuffer2[i] = quint8(128 + (i * 37) % 90);
    for (auto _ : state)
        benchmark::DoNotOptimize(wav.ReadPeakLevel());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PeakOfOneBuffer);

// One second of sound (11025 samples) in reads of 551 samples, with the event
// of each filled buffer handled.
void BM_OneSecondOfReads(benchmark::State& state)
{
    app();
    WavMax wav([] { return std::make_unique<Feeder>(); });
    wav.SetupWaveInput(1024);
    Handler handler(wav);
    wav.OpenWaveInput(&handler);
    auto* feeder = static_cast<Feeder*>(wav.WaveInHandle);
    std::array<quint8, 551> read{};
    for (size_t i = 0; i < read.size(); ++i)
        read[i] = quint8(128 + (i * 13) % 60);
    for (auto _ : state) {
        for (int r = 0; r < 20; ++r) {
            feeder->feed(read.data(), qsizetype(read.size()));
            QCoreApplication::sendPostedEvents(&handler, MM_WIM_DATA);
        }
    }
    wav.CloseWaveInput();
    QCoreApplication::removePostedEvents(&handler);
    state.counters["buffers_per_iteration"] = benchmark::Counter(double(handler.buffers) / double(state.iterations()));
}
BENCHMARK(BM_OneSecondOfReads);

// Processor share of a capture left running for `seconds`.
void runCapture(benchmark::State& state, bool real)
{
    app();
    if (real && qEnvironmentVariableIsEmpty("TIRVELO_PULSE")) {
        state.SkipWithError("needs the private PulseAudio server (TIRVELO_PULSE)");
        return;
    }
    const int seconds = int(state.range(0));
    for (auto _ : state) {
        WavMax::CaptureDeviceFactory simulated = [] {
            return std::make_unique<SimulatedCaptureDevice>(QStringLiteral("levels:3,60,0,12"), 1);
        };
        WavMax wav(real ? WavMax::CaptureDeviceFactory() : simulated);
        wav.SetupWaveInput(1024);
        Handler handler(wav);
        if (wav.OpenWaveInput(&handler) != 0) {
            state.SkipWithError("the input could not be opened");
            break;
        }
        const double cpu0 = processCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = processCpuSeconds() - cpu0;
        const double elapsed = wall.elapsed() / 1000.0;
        wav.CloseWaveInput();
        QCoreApplication::removePostedEvents(&handler);
        state.counters["cpu_percent"] = 100.0 * cpu / elapsed;
        state.counters["buffers_per_second"] = double(handler.buffers) / elapsed;
    }
}

void BM_SimulatedCaptureRunning(benchmark::State& state) { runCapture(state, false); }
void BM_DefaultInputCaptureRunning(benchmark::State& state) { runCapture(state, true); }
BENCHMARK(BM_SimulatedCaptureRunning)->Arg(10)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DefaultInputCaptureRunning)->Arg(10)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
