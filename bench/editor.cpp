// The book editor: opening the largest book of 12-megapixel photos until its
// strip is on the screen (processor time of every thread, thumbnails decoded
// in the background included), and saving a book of 40 phone photos beside
// copying the same photos by hand.
#include "editor/BookEditorModel.h"
#include "editor/PageStrip.h"
#include "editor/ThumbnailCache.h"
#include "support/Photos.h"
#include "support/ProcessClock.h"
#include "support/WidgetApplication.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <unistd.h>

using namespace tirvelo;
using namespace tirvelo::editor;

namespace {

constexpr QSize kTwelveMegapixels(4000, 3000);
constexpr QSize kPhonePhoto(4032, 3024);

QTemporaryDir& work()
{
    static QTemporaryDir dir;
    return dir;
}

// 1001 pages, each its own file name (hard links to one photo: the disk holds
// one, the editor sees a thousand).
const QString& largestPhotoBook()
{
    static const QString book = [] {
        const QString folder = work().filePath("gran");
        QDir().mkpath(folder);
        const QString photo = folder + "/foto-0.jpg";
        bench::writePhoto(photo, kTwelveMegapixels, bench::PhotoKind::Smooth);
        QByteArray bytes = "{Quirna 2000 - Tirvelo}\r\n{N\xFAmero de planes}\r\n1001\r\n{Directori}\r\n\r\n{Planes}\r\n";
        for (int i = 0; i < 1001; ++i) {
            const QString name = QStringLiteral("foto-%1.jpg").arg(i);
            if (i > 0 && ::link(QFile::encodeName(photo).constData(), QFile::encodeName(folder + u'/' + name).constData()) != 0)
                QFile::copy(photo, folder + u'/' + name);
            bytes += name.toLatin1() + "\r\n";
        }
        QFile file(folder + "/Gran.Lumbrix");
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    }();
    return book;
}

const QStringList& phonePhotos()
{
    static const QStringList photos = [] {
        const QString folder = work().filePath("telefon");
        QDir().mkpath(folder);
        QStringList files;
        bench::writePhoto(folder + "/IMG_0000.jpg", kPhonePhoto, bench::PhotoKind::Noisy);
        files << folder + "/IMG_0000.jpg";
        for (int i = 1; i < 40; ++i) {
            files << folder + QStringLiteral("/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
            QFile::copy(files.constFirst(), files.constLast());
        }
        return files;
    }();
    return photos;
}

void OpenLargestPhotoBookToStrip(benchmark::State& state)
{
    bench::widgetApplication("bench_editor", "offscreen");
    const QString book = largestPhotoBook();
    for (auto _ : state) {
        const double start = bench::processCpuSeconds();
        {
            BookEditorModel model;
            ThumbnailCache thumbnails(QSize(96, 72));
            if (!model.openBook(book).isEmpty() || model.rowCount() != 1001)
                state.SkipWithError("the book did not open");
            PageStrip strip(model, thumbnails);
            strip.resize(200, 800);
            strip.show();
            strip.selectRow(0);
            benchmark::DoNotOptimize(strip.grab()); // laid out and painted, thumbnails asked for
        }
        state.SetIterationTime(bench::processCpuSeconds() - start);
    }
}
BENCHMARK(OpenLargestPhotoBookToStrip)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void CopyFortyPhonePhotos(benchmark::State& state)
{
    const QStringList& photos = phonePhotos();
    int round = 0;
    for (auto _ : state) {
        const QString folder = work().filePath(QStringLiteral("copia-%1").arg(++round));
        QDir().mkpath(folder);
        for (const QString& photo : photos)
            QFile::copy(photo, folder + u'/' + QFileInfo(photo).fileName());
        state.PauseTiming();
        QDir(folder).removeRecursively();
        state.ResumeTiming();
    }
}
BENCHMARK(CopyFortyPhonePhotos)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The pictures were made fit as they were added (in the background); saving
// copies them, writes the book and checks it as the reader would show it.
void SaveFortyPhonePhotos(benchmark::State& state)
{
    bench::widgetApplication("bench_editor", "offscreen");
    BookEditorModel model;
    model.addPictures(phonePhotos(), 0);
    model.preparedPictures().waitForAll();
    int round = 0;
    for (auto _ : state) {
        const QString folder = work().filePath(QStringLiteral("llibre-%1").arg(++round));
        if (model.save({folder + "/Fotos.Lumbrix"}).status != SaveStatus::Saved)
            state.SkipWithError("the book was not saved");
        state.PauseTiming();
        QDir(folder).removeRecursively();
        state.ResumeTiming();
    }
}
BENCHMARK(SaveFortyPhonePhotos)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace
