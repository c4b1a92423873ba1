// Time to draw each test metafile into a 1920 x 1080 image (the picture box
// on a full-HD screen), loading excluded; and the load itself.
#include "formats/MetafilePicture.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstdlib>

using namespace tirvelo;

namespace {

QGuiApplication& app()
{
    static int argc = 1;
    static char name[] = "bench_metafile_draw";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication* instance = new QGuiApplication(argc, argv);
    return *instance;
}

MetafileFormat formatOf(const QString& path)
{
    return path.endsWith(QStringLiteral(".wmf"), Qt::CaseInsensitive) ? MetafileFormat::Wmf : MetafileFormat::Emf;
}

void drawAtFullHd(benchmark::State& state, const QString& path)
{
    app();
    const auto picture = loadMetafilePicture(path, formatOf(path));
    if (!picture) {
        state.SkipWithError("not a loadable metafile");
        return;
    }
    QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        picture->paint(painter, QRectF(0, 0, 1920, 1080));
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void load(benchmark::State& state, const QString& path)
{
    app();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("cannot read");
        return;
    }
    const QByteArray bytes = file.readAll();
    for (auto _ : state)
        benchmark::DoNotOptimize(loadMetafileBytes(bytes, formatOf(path)));
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

// Every metafile of the project's test data and of the shared real-world set.
int registerAll()
{
    QStringList paths;
    // The shared set sits beside the project; TIRVELO_SHARED_TESTDATA names it elsewhere.
    const QString shared = qEnvironmentVariableIsSet("TIRVELO_SHARED_TESTDATA")
        ? qEnvironmentVariable("TIRVELO_SHARED_TESTDATA")
        : QStringLiteral(TIRVELO_SHARED_TESTDATA);
    for (const QString& folder : {QStringLiteral(TIRVELO_SOURCE_DIR "/tests/data/metafiles"),
                                  shared + QStringLiteral("/metafiles")}) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList({QStringLiteral("*.emf"), QStringLiteral("*.wmf")}, QDir::Files))
            paths.append(dir.filePath(name));
    }
    for (const QString& path : paths) {
        const std::string name = QFileInfo(path).fileName().toStdString();
        benchmark::RegisterBenchmark(("draw_1920x1080/" + name).c_str(), drawAtFullHd, path)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("load/" + name).c_str(), load, path)->Unit(benchmark::kMillisecond);
    }
    return 0;
}

const int registered = registerAll();

} // namespace
