// The whole page turn in the real main window on an X server: from a click on
// "Següent" (a mouse press and release synthesised on the button) to the new
// page painted, flushed, and taken in by the X server (a round trip on the
// window's own connection after the flush), for each page kind, beside the
// floor of that page, what no way of showing it can skip:
//   photos of 24 and 12 megapixels (written at start): libjpeg-turbo's bare
//     decode at the scale the program chose for the box (bench_jpeg_page's floor);
//   a picture with a companion sound: the 12-megapixel photo's floor;
//   a metafile: loading it and drawing it into an image of the size it is shown;
//   a text page (a short one, and one longer than the box) and a rich-text
//   page: reading the file into its box's text.
// Every turn starts from a small text page, which is being read aloud when the
// speech engine is there, so the turn also stops that reading, as in use. The
// wall-clock time ends with the frame; the processor time covers the click's
// handlers to their end (a reading or sound started after the frame
// included), and is also told up to the frame (cpu_to_frame_ms).
//
// Each kind is timed twice: a cold turn, which loads the page (the page before
// was reached by a turn backwards, so nothing was prepared), and a turn to the
// page prepared while the text page was read (the book loaded again, its
// first page shown, the reader's pause, then the turn forwards).
// BM_QuickTurns turns photo pages 100 ms apart, too quick for the worker,
// with the preparer off, waiting for a page it is preparing, or loading it
// cold; BM_HundredPages takes a reader's 100 turns through every kind and
// gives the process's processor time over the run, preparer off and on.
//
// Memory, as counters per page kind, from /proc/self/status (megabytes): the
// resident set on the text page before, its peak during the turn, while the
// page shows, and after turning back to the text page.
//
// Needs an X display (DISPLAY) and, for sound and speech, the private
// PulseAudio server of scripts/test-env.sh. The box is the screen's available
// area: the figures in docs/performance.md come from a 1920 × 1080 screen.
#include "base/FreedMemory.h"
#include "book/PagePreparer.h"
#include "formats/JpegDecoder.h"
#include "formats/MetafilePicture.h"
#include "formats/RtfReader.h"
#include "formats/TextBoxText.h"
#include "app/ProgramServices.h"
#include "support/Photos.h"
#include "support/ProcessClock.h"
#include "support/WidgetApplication.h"
#include "ui/FormPrincipal.h"
#include "ui/NavigationButton.h"
#include "ui/PictureBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

using namespace tirvelo;
using tirvelo::bench::processCpuSeconds;

namespace {

QApplication& app()
{
    return bench::widgetApplication("bench_page_turn");
}

double megabytesIn(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

double residentMegabytes() { return megabytesIn("VmRSS:"); }
double peakResidentMegabytes() { return megabytesIn("VmHWM:"); }

// The peak (VmHWM) starts again from the present resident set.
void resetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The program: the main window in a folder of its own, with the real speech
// engine when it was built, the real sound player, and message boxes answered.
class Program {
public:
    Program()
    {
        app();
        QDir::setCurrent(m_dir.path());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
        // TIRVELO_SPEECH_LIBRARY set beforehand names another engine, or a
        // missing file for none (to see what speech costs a turn).
#ifdef TIRVELO_SPEECH_ENGINE
        if (qEnvironmentVariableIsEmpty("TIRVELO_SPEECH_LIBRARY"))
            qputenv("TIRVELO_SPEECH_LIBRARY", TIRVELO_SPEECH_ENGINE);
#endif
        m_services = std::make_unique<ProgramServices>();
        if (m_services->speech.load())
            m_services->speech.bindEntryPoints();
        // A box waits for its answer; none is expected while pages turn.
        QObject::connect(&m_answer, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->accept();
        });
        m_answer.start(100);
        window = std::make_unique<TFormPrincipal>(m_services->bundle());
        window->show();
        QElapsedTimer exposing;
        exposing.start();
        while (!(window->windowHandle() && window->windowHandle()->isExposed()) && exposing.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        for (QWidget* page : {static_cast<QWidget*>(window->Image1), window->Memo1->viewport(), window->RichEdit1->viewport()})
            page->installEventFilter(&m_paints);
        window->installEventFilter(&m_frames);
        write(QStringLiteral("rest.txt"), "Una pausa.\r\n");
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::abort();
        return file.fileName();
    }
    QSize boxPixels() const { return window->Image1->size() * window->Image1->devicePixelRatioF(); }
    bool onX() const { return QGuiApplication::platformName() == QStringLiteral("xcb"); }

    // The text page, then the page measured.
    bool loadBook(const QByteArray& page)
    {
        const QByteArray book = "{Quirna 2000 - Tirvelo}\r\n{N\xFAmero de planes}\r\n2\r\n{Directori}\r\n\r\n{Planes}\r\n"
            + QFile::encodeName(path(QStringLiteral("rest.txt"))) + "\r\n" + page + "\r\n";
        window->LoadBook(write(QStringLiteral("turn.Lumbrix"), book));
        settle();
        return window->book.PageCount == 2;
    }

    // Clicks the button and waits until a page box has been painted and the
    // X server has taken in the frame; when that happened, or nothing after
    // ten seconds without. The click's handlers may go on after the frame (a
    // reading started once the page is on the screen): the call returns when
    // they have ended.
    std::optional<std::chrono::steady_clock::time_point> turnWith(NavigationButton* button)
    {
        m_paints.painted = false;
        m_frames.shown.reset();
        const QPointF at = QRectF(button->rect()).center();
        const QPointF global = button->mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button, &release);
        QElapsedTimer waiting;
        waiting.start();
        while (!m_frames.shown && waiting.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return m_frames.shown;
    }
    auto next() { return turnWith(window->SpeedButtonDreta); }
    // The process's processor seconds when the last turn's frame was taken in.
    double frameCpu() const { return m_frames.shownCpu; }
    // The book loaded again: its first page shows and the next is prepared.
    void reload() { window->LoadBook(path(QStringLiteral("turn.Lumbrix"))); }
    auto previous() { return turnWith(window->SpeedButtonEsquerra); }

    // What a turn leaves behind (players and helpers to delete, late signals)
    // is dealt with before the next turn is timed.
    void settle(int milliseconds = 0)
    {
        QElapsedTimer clock;
        clock.start();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        QTimer wake; // the wait ends on time with nothing else to do
        wake.start(5);
        while (clock.elapsed() < milliseconds) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }

    std::unique_ptr<ProgramServices> m_services; // outlives the window
    std::unique_ptr<TFormPrincipal> window;

private:
    // Every request sent before it has been carried out when the reply comes.
    static void roundTrip()
    {
        auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11)
            return;
        xcb_connection_t* connection = x11->connection();
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }

    class PaintWatch : public QObject {
    public:
        bool painted = false;

    protected:
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                painted = true;
            return false;
        }
    };

    // The window paints and flushes its frame when it handles its update
    // request, during the event loop or at once from a handler: a round trip
    // right after that, when a page box was painted, tells when the X server
    // has the page.
    class FrameWatch : public QObject {
    public:
        explicit FrameWatch(const PaintWatch& paints) : m_paints(paints) {}
        std::optional<std::chrono::steady_clock::time_point> shown;
        double shownCpu = 0; // the process's processor seconds then

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() != QEvent::UpdateRequest || shown)
                return false;
            watched->removeEventFilter(this);
            QCoreApplication::sendEvent(watched, event);
            watched->installEventFilter(this);
            if (m_paints.painted) {
                roundTrip();
                shown = std::chrono::steady_clock::now();
                shownCpu = processCpuSeconds();
            }
            return true;
        }

    private:
        const PaintWatch& m_paints;
    };

    QTemporaryDir m_dir;
    QTimer m_answer;
    PaintWatch m_paints;
    FrameWatch m_frames {m_paints};
};

Program& program()
{
    static Program* instance = new Program; // lives to the end, as the window does
    return *instance;
}

// The photos, written once (deterministic: the same bytes at every run).
const QString& photoPath(int megapixels)
{
    static QTemporaryDir dir;
    static std::map<int, QString> paths;
    QString& path = paths[megapixels];
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("foto%1.jpg").arg(megapixels));
        bench::writePhoto(path, megapixels == 24 ? QSize(6000, 4000) : QSize(4000, 3000), bench::PhotoKind::Smooth);
    }
    return path;
}

QString dataFile(const char* relative) { return QStringLiteral(TIRVELO_SOURCE_DIR "/tests/data/") + QLatin1String(relative); }

// The floor of one page: what no way of showing it can skip, run once
// beside each turn, so that both meet the machine in the same state (the
// machine is shared: a floor timed apart from its turns could fall on a
// quieter or a busier moment).
using FloorBody = std::function<void()>;

FloorBody photoFloor(const QString& path, QSize natural, QSize box)
{
    const int eighths = jpegScaleEighths(natural, box);
    return [path, eighths, pixels = std::vector<unsigned char>()]() mutable { bench::decodeBare(path, eighths, pixels); };
}

FloorBody metafileFloor(const QString& path, QSize box)
{
    const MetafileFormat format = path.endsWith(QStringLiteral(".wmf")) ? MetafileFormat::Wmf : MetafileFormat::Emf;
    return [path, format, box] {
        const auto picture = loadMetafilePicture(path, format);
        if (!picture)
            std::abort();
        const bool stretched = picture->naturalSize.width() > box.width() || picture->naturalSize.height() > box.height();
        QImage image(stretched ? box : picture->naturalSize, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        picture->paint(painter, QRectF(image.rect()));
    };
}

FloorBody textFloor(const QString& path)
{
    return [path] { benchmark::DoNotOptimize(readTextBoxFile(path)); };
}

FloorBody richTextFloor(const QString& path)
{
    return [path] {
        QTextDocument document;
        if (!loadRichTextFile(path, document))
            std::abort();
    };
}

enum class Turn { Cold, Prepared };

// Times turning from the text page to page, then measures memory on one more
// turn there and back.
void turnTo(benchmark::State& state, const QByteArray& page, const std::function<FloorBody(QSize)>& floor,
            Turn kind)
{
    Program& p = program();
    if (!p.onX()) {
        state.SkipWithError("needs an X display (DISPLAY)");
        return;
    }
    if (!p.loadBook(page)) {
        state.SkipWithError("the book did not load");
        return;
    }
    FloorBody floorBody = floor(p.boxPixels());
    floorBody(); // caches warm, as for the turns
    std::vector<double> walls;
    double cpu = 0;
    double cpuToFrame = 0;
    double floorCpu = 0;
    int prepared = 0;
    double longestWait = 0;
    // Back on the text page: turned back to it (nothing prepared ahead), or
    // the book loaded again (the page after it prepared).
    const auto toTextPage = [&] {
        if (kind == Turn::Prepared) {
            p.reload();
            return p.window->book.CurrentPage == 0;
        }
        return p.window->book.CurrentPage == 0 || bool(p.previous());
    };
    for (auto _ : state) {
        if (!toTextPage()) {
            state.SkipWithError("the text page was not painted");
            return;
        }
        const double floorStart = processCpuSeconds();
        floorBody();
        floorCpu += processCpuSeconds() - floorStart;
        p.settle(300); // a reader's pause: the picture box gives memory back meanwhile
        // On a busy machine the worker, at low priority, may need longer: the
        // reader rests until the page is ready (the longest such wait is told).
        if (kind == Turn::Prepared) {
            const auto waitStart = std::chrono::steady_clock::now();
            p.window->preparer().waitUntilIdle();
            longestWait = std::max(longestWait, seconds(std::chrono::steady_clock::now() - waitStart));
        }
        const int taken = p.window->preparer().pagesTaken();
        const auto wallStart = std::chrono::steady_clock::now();
        const double cpuStart = processCpuSeconds();
        const auto shown = p.next();
        cpu += processCpuSeconds() - cpuStart;
        cpuToFrame += p.frameCpu() - cpuStart;
        prepared += p.window->preparer().pagesTaken() - taken;
        if (!shown || p.window->book.CurrentPage != 1) {
            state.SkipWithError("the page was not painted");
            return;
        }
        const double wall = seconds(*shown - wallStart);
        walls.push_back(wall);
        state.SetIterationTime(wall);
    }
    std::sort(walls.begin(), walls.end());
    const double n = double(walls.size());
    const double wallMedian = walls[walls.size() / 2];
    state.counters["wall_median_ms"] = 1e3 * wallMedian;
    state.counters["wall_best_ms"] = 1e3 * walls.front();
    state.counters["cpu_ms"] = 1e3 * cpu / n;
    state.counters["floor_cpu_ms"] = 1e3 * floorCpu / n;
    state.counters["cpu_over_floor"] = cpu / floorCpu;
    state.counters["cpu_to_frame_ms"] = 1e3 * cpuToFrame / n;
    state.counters["cpu_to_frame_over_floor"] = cpuToFrame / floorCpu;
    state.counters["wall_over_floor"] = wallMedian / (floorCpu / n);
    state.counters["prepared_share"] = prepared / n;
    state.counters["longest_extra_rest_ms"] = 1e3 * longestWait;

    // Memory: on the text page, the peak of the turn, the page shown, and the
    // text page again. The floor's own pixels are not the program's.
    floorBody = {};
    returnFreedMemory();
    toTextPage();
    p.settle(600);
    state.counters["rss_text_before_mb"] = residentMegabytes();
    resetPeakResident();
    p.next();
    p.settle(300);
    state.counters["rss_peak_mb"] = peakResidentMegabytes();
    state.counters["rss_shown_mb"] = residentMegabytes();
    p.previous();
    p.settle(600); // the picture box gives freed memory back 250 ms after
    state.counters["rss_text_after_mb"] = residentMegabytes();
}

QByteArray local(const QString& path) { return QFile::encodeName(path); }

void BM_Photo24(benchmark::State& state)
{
    const QString photo = photoPath(24);
    turnTo(state, local(photo), [&](QSize box) { return photoFloor(photo, {6000, 4000}, box); }, Turn(state.range(0)));
}

void BM_Photo12(benchmark::State& state)
{
    const QString photo = photoPath(12);
    turnTo(state, local(photo), [&](QSize box) { return photoFloor(photo, {4000, 3000}, box); }, Turn(state.range(0)));
}

void BM_PhotoWithSound(benchmark::State& state)
{
    const QString photo = photoPath(12);
    turnTo(state, local(photo) + '#' + local(dataFile("audio/tone-u8-11025.wav")),
           [&](QSize box) { return photoFloor(photo, {4000, 3000}, box); }, Turn(state.range(0)));
}

void BM_Metafile(benchmark::State& state)
{
    const QString metafile = dataFile("metafiles/inkscape_shapes.emf");
    turnTo(state, local(metafile), [&](QSize box) { return metafileFloor(metafile, box); }, Turn(state.range(0)));
}

void BM_Text(benchmark::State& state)
{
    const QString text = dataFile("pages/conte.txt");
    turnTo(state, local(text), [&](QSize) { return textFloor(text); }, Turn(state.range(0)));
}

// A text page that fills the box and more (300 lines of up to 200
// characters): its text is laid out for the lines shown, and both scroll
// bars take a new range.
void BM_LongText(benchmark::State& state)
{
    QByteArray body;
    for (int line = 0; line < 300; ++line)
        body += QByteArray("Una l\xEDnia de text llarga, ").repeated(1 + line % 7) + "\r\n";
    const QString text = program().write(QStringLiteral("llarg.txt"), body);
    turnTo(state, local(text), [&](QSize) { return textFloor(text); }, Turn(state.range(0)));
}

void BM_RichText(benchmark::State& state)
{
    const QString rich = dataFile("pages/poema.rtf");
    turnTo(state, local(rich), [&](QSize) { return richTextFloor(rich); }, Turn(state.range(0)));
}

// Photo and text pages turned forwards 100 ms apart, too quick for the
// worker: the preparer off (range 0), on and a turn waiting for the page
// being prepared (1), on and such a turn loading its page itself (2).
void BM_QuickTurns(benchmark::State& state)
{
    Program& p = program();
    if (!p.onX()) {
        state.SkipWithError("needs an X display (DISPLAY)");
        return;
    }
    const int mode = int(state.range(0));
    PagePreparer& preparer = p.window->preparer();
    preparer.setEnabled(mode != 0);
    preparer.setWaitForPreparation(mode == 1);
    // Photos between text pages: the picture box is hidden before each photo
    // shows, so its paint is the new page's.
    constexpr int Pages = 13;
    QByteArray book = "{Quirna 2000 - Tirvelo}\r\n{N\xFAmero de planes}\r\n" + QByteArray::number(Pages)
        + "\r\n{Directori}\r\n\r\n{Planes}\r\n";
    for (int page = 0; page < Pages; ++page)
        book += (page % 2 ? local(photoPath(page % 4 == 1 ? 12 : 24)) : local(p.path(QStringLiteral("rest.txt")))) + "\r\n";
    std::vector<double> walls;
    double cpu = 0;
    for (auto _ : state) {
        p.window->LoadBook(p.write(QStringLiteral("quick.Lumbrix"), book));
        p.settle(100);
        for (int page = 1; page < Pages; ++page) {
            const auto wallStart = std::chrono::steady_clock::now();
            const double cpuStart = processCpuSeconds();
            const auto shown = p.next();
            cpu += processCpuSeconds() - cpuStart;
            if (!shown) {
                state.SkipWithError("the page was not painted");
                return;
            }
            walls.push_back(seconds(*shown - wallStart));
            p.settle(100);
        }
    }
    preparer.setEnabled(true);
    preparer.setWaitForPreparation(false);
    std::sort(walls.begin(), walls.end());
    state.counters["wall_median_ms"] = 1e3 * walls[walls.size() / 2];
    state.counters["cpu_ms"] = 1e3 * cpu / double(walls.size());
}

// A reader's 100 turns forwards through every kind of page, 300 ms apart:
// the process's processor time over the whole run (turns, pauses, the
// worker), with the preparer off (range 0) and on (1).
void BM_HundredPages(benchmark::State& state)
{
    Program& p = program();
    if (!p.onX()) {
        state.SkipWithError("needs an X display (DISPLAY)");
        return;
    }
    p.window->preparer().setEnabled(state.range(0) != 0);
    const QByteArray kinds[] = {local(dataFile("pages/conte.txt")), local(photoPath(12)),
                                local(dataFile("metafiles/inkscape_shapes.emf")), local(dataFile("pages/poema.rtf")),
                                local(photoPath(24))};
    constexpr int Pages = 101;
    QByteArray book = "{Quirna 2000 - Tirvelo}\r\n{N\xFAmero de planes}\r\n" + QByteArray::number(Pages)
        + "\r\n{Directori}\r\n\r\n{Planes}\r\n";
    for (int page = 0; page < Pages; ++page)
        book += kinds[page % 5] + "\r\n";
    double cpu = 0;
    double peak = 0;
    for (auto _ : state) {
        p.window->LoadBook(p.write(QStringLiteral("cent.Lumbrix"), book));
        p.settle(300);
        resetPeakResident();
        const double cpuStart = processCpuSeconds();
        for (int page = 1; page < Pages; ++page) {
            if (!p.next()) {
                state.SkipWithError("the page was not painted");
                return;
            }
            p.settle(300);
        }
        cpu += processCpuSeconds() - cpuStart;
        peak = std::max(peak, peakResidentMegabytes());
    }
    p.window->preparer().setEnabled(true);
    state.counters["cpu_s_per_100_pages"] = cpu / double(state.iterations());
    state.counters["rss_peak_mb"] = peak;
}

} // namespace

// Range 0: a cold turn; 1: a turn to the page prepared meanwhile.
BENCHMARK(BM_Text)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60)->Arg(0)->Arg(1);
BENCHMARK(BM_LongText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60)->Arg(0)->Arg(1);
BENCHMARK(BM_RichText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60)->Arg(0)->Arg(1);
BENCHMARK(BM_Metafile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40)->Arg(0)->Arg(1);
BENCHMARK(BM_Photo12)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30)->Arg(0)->Arg(1);
BENCHMARK(BM_Photo24)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30)->Arg(0)->Arg(1);
BENCHMARK(BM_PhotoWithSound)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30)->Arg(0)->Arg(1);
BENCHMARK(BM_QuickTurns)->Unit(benchmark::kMillisecond)->Iterations(2)->Arg(0)->Arg(1)->Arg(2)->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(BM_HundredPages)->Unit(benchmark::kMillisecond)->Iterations(1)->Arg(0)->Arg(1)->Arg(0)->Arg(1);
