// Importing a 30-page narrated picture book, in processor time (all threads),
// the check of the book written included. Two books: EPUB 3 with JPEG photos
// of 1600 × 1200 (kept as they are) and media overlays cutting two 3-second
// clips a page from one MP3; EPUB 2 with PNG photos of 1024 × 768 (written
// again as JPEG) and one MP3 of about 6 s a page.
#include "authoring/epub/EpubImport.h"
#include "support/EpubWriter.h"
#include "support/ProcessClock.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kPages = 30;

QGuiApplication& application()
{
    static int argc = 1;
    static char name[] = "bench_epub_import";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static auto* app = new QGuiApplication(argc, argv); // never destroyed, as the program's own
    return *app;
}

void importEach(benchmark::State& state, const QList<tirvelo::test::ZipEntry>& entries)
{
    application();
    QTemporaryDir dir;
    const QString epub = tirvelo::test::writeZip(dir.filePath("Conte.epub"), entries);
    int round = 0;
    for (auto _ : state) {
        tirvelo::authoring::ImportOptions options;
        options.epub = epub;
        options.folder = dir.filePath(QStringLiteral("Conte%1").arg(++round));
        const double start = tirvelo::bench::processCpuSeconds();
        const tirvelo::authoring::ImportResult result = tirvelo::authoring::importEpub(options);
        state.SetIterationTime(tirvelo::bench::processCpuSeconds() - start);
        if (result.error != tirvelo::authoring::ImportError::None || result.pages != kPages || result.report.errorCount() > 0)
            state.SkipWithError("the book did not import");
        QDir(options.folder).removeRecursively();
    }
}

void BM_Epub3Overlays30Pages(benchmark::State& state)
{
    application();
    static const auto entries = [] {
        auto all = tirvelo::test::epub3WithOverlays(kPages, {1600, 1200}, 3.0);
        // Without the extra pages after the narrated ones.
        all.erase(std::remove_if(all.begin(), all.end(), [](const auto& e) {
                      return e.name.contains(u"sound") || e.name.contains(u"text.xhtml") || e.name.contains(u"empty");
                  }),
                  all.end());
        for (auto& entry : all)
            if (entry.name.endsWith(u".opf"))
                entry.bytes.replace("<itemref idref=\"sound\"/><itemref idref=\"text\"/><itemref idref=\"empty\"/>", "");
        return all;
    }();
    importEach(state, entries);
}
BENCHMARK(BM_Epub3Overlays30Pages)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Epub2Mp330Pages(benchmark::State& state)
{
    application();
    static const auto entries = tirvelo::test::epub2WithMp3(kPages, {1024, 768}, 6000 - 1500);
    importEach(state, entries);
}
BENCHMARK(BM_Epub2Mp330Pages)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
