// A 24-megapixel photo page on a 1920×1080 screen, three ways:
//   ours:  loadPicture(path, box) and the stretched 1920×1080 image the
//          picture box draws from it (the decoder stretches band by band as it
//          decodes; the parts below time the scaled decode and the stretch apart);
//   qt:    QImageReader's full decode and QImage::scaled(..., Smooth);
//   floor: bare libjpeg decoding at the scale ours chose, nothing else.
// Two photos are written at start into a temporary folder: a smooth one
// (gradients, quality 85) and a noisy one (grain over gradients, quality 90).
// BM_Ratios reports ours/floor and ours/qt per photo from the runs before it.
#include "formats/JpegDecoder.h"
#include "formats/PictureLoader.h"
#include "support/Photos.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>
#include "support/ProcessClock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <map>
#include <string>
#include <vector>


using namespace tirvelo;
using tirvelo::bench::processCpuSeconds;

namespace {

constexpr int PhotoWidth = 6000;
constexpr int PhotoHeight = 4000;
const QSize Screen(1920, 1080);

enum Photo { Smooth, Noisy };
const char* const PhotoNames[] = {"smooth", "noisy"};

struct Fixture {
    bool offscreen = qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char arg0[16] = "bench_jpeg_page";
    char* argv[2] = {arg0, nullptr};
    QGuiApplication app{argc, argv};
    QTemporaryDir dir;
    QString paths[2];

    Fixture()
    {
        for (const Photo kind : {Smooth, Noisy}) {
            paths[kind] = dir.filePath(QString::fromLatin1(PhotoNames[kind]) + QStringLiteral(".jpg"));
            writePhoto(paths[kind], {PhotoWidth, PhotoHeight}, kind == Smooth ? bench::PhotoKind::Smooth : bench::PhotoKind::Noisy);
            std::printf("%s photo: %lld bytes\n", PhotoNames[kind], QFileInfo(paths[kind]).size());
        }
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

// Seconds per iteration of each (way, photo), for BM_Ratios: the process's
// CPU time (all threads, so Qt's worker threads for smooth scaling count),
// which other programs on a shared machine do not inflate as they do the
// wall-clock time; and the wall-clock time for reference.
std::map<std::string, double> g_cpu, g_bestCpu, g_wall;

template <typename Body>
void timed(benchmark::State& state, const std::string& key, Body body)
{
    double cpu = 0, bestCpu = 1e9, wall = 0;
    for (auto _ : state) {
        const double cpuStart = processCpuSeconds();
        const auto wallStart = std::chrono::steady_clock::now();
        body();
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        const double used = processCpuSeconds() - cpuStart;
        cpu += used;
        bestCpu = std::min(bestCpu, used);
    }
    const double n = double(state.iterations());
    g_cpu[key] = cpu / n;
    g_bestCpu[key] = bestCpu;
    g_wall[key] = wall / n;
    state.counters["process_cpu_ms"] = 1e3 * cpu / n;
}

void BM_Ours(benchmark::State& state)
{
    const Photo kind = Photo(state.range(0));
    const QString path = fixture().paths[kind];
    timed(state, std::string("ours_") + PhotoNames[kind], [&] {
        const auto picture = loadPicture(path, Screen);
        if (!picture)
            std::abort();
        const QImage shown = picture->toImage(Screen);
        benchmark::DoNotOptimize(shown.constBits());
    });
    state.counters["scale_eighths"] = jpegScaleEighths({PhotoWidth, PhotoHeight}, Screen);
    state.SetLabel(PhotoNames[kind]);
}

// The decode alone, and the stretch alone, to see where ours spends its time.
void BM_OursDecodeOnly(benchmark::State& state)
{
    const Photo kind = Photo(state.range(0));
    const QString path = fixture().paths[kind];
    timed(state, std::string("ours_decode_") + PhotoNames[kind], [&] {
        const auto picture = decodeJpegFile(path, Screen);
        if (!picture)
            std::abort();
        benchmark::DoNotOptimize(picture->raster.constBits());
    });
    state.SetLabel(PhotoNames[kind]);
}

void BM_OursStretchOnly(benchmark::State& state)
{
    const Photo kind = Photo(state.range(0));
    const auto picture = decodeJpegFile(fixture().paths[kind], Screen);
    if (!picture)
        std::abort();
    timed(state, std::string("ours_stretch_") + PhotoNames[kind], [&] {
        const QImage shown = picture->toImage(Screen);
        benchmark::DoNotOptimize(shown.constBits());
    });
    state.SetLabel(PhotoNames[kind]);
}

// The same decode with Qt's area-averaging scale instead of the painter's
// bilinear one, for comparison.
void BM_OursAreaScaled(benchmark::State& state)
{
    const Photo kind = Photo(state.range(0));
    const QString path = fixture().paths[kind];
    timed(state, std::string("ours_area_") + PhotoNames[kind], [&] {
        const auto picture = decodeJpegFile(path, Screen);
        if (!picture)
            std::abort();
        const QImage shown = picture->raster.scaled(Screen, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(shown.constBits());
    });
    state.SetLabel(PhotoNames[kind]);
}

void BM_Qt(benchmark::State& state)
{
    const Photo kind = Photo(state.range(0));
    const QString path = fixture().paths[kind];
    timed(state, std::string("qt_") + PhotoNames[kind], [&] {
        QImageReader reader(path);
        const QImage full = reader.read();
        if (full.isNull())
            std::abort();
        const QImage shown = full.scaled(Screen, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(shown.constBits());
    });
    state.SetLabel(PhotoNames[kind]);
}

void BM_Floor(benchmark::State& state)
{
    const Photo kind = Photo(state.range(0));
    const QString path = fixture().paths[kind];
    const int eighths = jpegScaleEighths({PhotoWidth, PhotoHeight}, Screen);
    std::vector<unsigned char> pixels;
    timed(state, std::string("floor_") + PhotoNames[kind], [&] {
        bench::decodeBare(path, eighths, pixels);
        benchmark::DoNotOptimize(pixels.data());
    });
    state.counters["scale_eighths"] = eighths;
    state.SetLabel(PhotoNames[kind]);
}

void BM_Ratios(benchmark::State& state)
{
    for (auto _ : state) {
    }
    for (const char* photo : {"smooth", "noisy"}) {
        const std::string p(photo);
        const std::string ours = "ours_" + p, floor = "floor_" + p, qt = "qt_" + p;
        if (!g_cpu.count(ours) || !g_cpu.count(floor) || !g_cpu.count(qt))
            continue;
        const double oursFloor = g_cpu[ours] / g_cpu[floor];
        const double oursQt = g_cpu[ours] / g_cpu[qt];
        state.counters["ours_over_floor_" + p] = oursFloor;
        state.counters["ours_over_qt_" + p] = oursQt;
        std::printf("%s, CPU ms per page (mean / best): ours %.1f / %.1f, ours with area-averaging scale %.1f, "
                    "floor %.1f / %.1f, qt %.1f / %.1f\n",
                    photo, 1e3 * g_cpu[ours], 1e3 * g_bestCpu[ours], 1e3 * g_cpu["ours_area_" + p], 1e3 * g_cpu[floor],
                    1e3 * g_bestCpu[floor], 1e3 * g_cpu[qt], 1e3 * g_bestCpu[qt]);
        std::printf("%s, wall ms per page: ours %.1f, floor %.1f, qt %.1f\n", photo, 1e3 * g_wall[ours],
                    1e3 * g_wall[floor], 1e3 * g_wall[qt]);
        std::printf("%s: ours/floor %.2f (best %.2f; target <= 1.2), ours/qt %.2f (best %.2f; target <= 0.5)\n", photo,
                    oursFloor, g_bestCpu[ours] / g_bestCpu[floor], oursQt, g_bestCpu[ours] / g_bestCpu[qt]);
    }
}

} // namespace

BENCHMARK(BM_Floor)->Arg(Smooth)->Arg(Noisy)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Ours)->Arg(Smooth)->Arg(Noisy)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OursDecodeOnly)->Arg(Smooth)->Arg(Noisy)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OursStretchOnly)->Arg(Smooth)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OursAreaScaled)->Arg(Smooth)->Arg(Noisy)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Qt)->Arg(Smooth)->Arg(Noisy)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Ratios)->Iterations(1);
