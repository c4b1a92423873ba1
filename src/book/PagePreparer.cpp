#include "book/PagePreparer.h"

#include "book/PathResolver.h"

#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

namespace tirvelo {
namespace {

// The worker yields to the window, the sound server and the speech engine:
// a nice value of its own (Linux gives each thread one).
constexpr int WorkerNiceness = 10;

// The page after current in direction, when there is one.
std::optional<int32_t> neighbour(const Book& book, PageCommand direction)
{
    const int32_t page = direction == PageCommand::Next ? book.CurrentPage + 1 : book.CurrentPage - 1;
    if (page < 0 || page >= book.PageCount || page >= MaxPages)
        return std::nullopt;
    return page;
}

bool sameReading(const ReadingState& a, const ReadingState& b)
{
    return a.readingAloud == b.readingAloud && a.pictureBox == b.pictureBox;
}

} // namespace

PagePreparer::PagePreparer(QObject* parent) : QObject(parent), m_worker([this] { work(); }) {}

PagePreparer::~PagePreparer()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        ++m_serial;
        m_queued.reset();
    }
    m_changed.notify_all();
    m_worker.join();
}

void PagePreparer::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled)
        drop();
}

void PagePreparer::drop()
{
    const std::lock_guard lock(m_mutex);
    ++m_serial;
    m_next.reset();
    m_queued.reset();
    m_result.reset();
}

void PagePreparer::prepareAfter(const Book& book, PageCommand direction, const ReadingState& reading)
{
    drop();
    const std::optional<int32_t> page = neighbour(book, direction);
    if (!m_enabled || !page)
        return;
    uint64_t serial = 0;
    {
        const std::lock_guard lock(m_mutex);
        serial = m_serial;
        m_next = Job {serial, book, direction, reading};
        m_next->book.CurrentPage = *page;
    }
    // After the events waiting now: the page just shown is painted first.
    QTimer::singleShot(0, this, [this, serial] { start(serial); });
}

void PagePreparer::start(uint64_t serial)
{
    {
        const std::lock_guard lock(m_mutex);
        if (serial != m_serial || !m_next)
            return; // dropped meanwhile
        m_queued = std::move(m_next);
        m_next.reset();
    }
    m_changed.notify_all();
}

std::optional<PreparedPage> PagePreparer::take(const Book& book, PageCommand direction, const ReadingState& reading)
{
    std::unique_ptr<Result> result;
    {
        std::unique_lock lock(m_mutex);
        const auto wanted = [&](const std::optional<Job>& job) {
            return job && job->serial == m_serial && matches(*job, book, direction, reading);
        };
        if (!m_result && m_waitForPreparation && wanted(m_working))
            m_changed.wait(lock, [&] { return !wanted(m_working); });
        if (m_result && m_result->job.serial == m_serial && matches(m_result->job, book, direction, reading))
            result = std::move(m_result);
        ++m_serial;
        m_next.reset();
        m_queued.reset();
        m_result.reset();
    }
    if (!result || !unchanged(*result))
        return std::nullopt;
    ++m_pagesTaken;
    return std::move(result->page);
}

bool PagePreparer::holdsPage() const
{
    const std::lock_guard lock(m_mutex);
    return m_result != nullptr;
}

void PagePreparer::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return !m_next && !m_queued && !m_working; });
}

bool PagePreparer::matches(const Job& job, const Book& book, PageCommand direction, const ReadingState& reading)
{
    const int32_t page = job.book.CurrentPage;
    return job.direction == direction && page == book.CurrentPage && page >= 0 && page < MaxPages
        && job.book.PageCount == book.PageCount && job.book.BookFolder == book.BookFolder
        && job.book.PageFiles[size_t(page)] == book.PageFiles[size_t(page)]
        && sameReading(job.reading, reading);
}

// Each file as it is now against its stamp when it was read. A file changed
// after the preparation started may have been read half old, half new: that
// counts as changed too.
bool PagePreparer::unchanged(const Result& result)
{
    for (const auto& [name, stamp] : result.files) {
        const FileStamp now = stampFile(resolveBookFile(name, result.job.book.BookFolder));
        if (!now.sameAs(stamp) || (now.exists && now.changedNs >= result.startedNs))
            return false;
    }
    return true;
}

PagePreparer::Result PagePreparer::prepare(Job job, const ExtraPreparation& extra)
{
    Result result;
    result.startedNs = fileClockNowNs();
    // A document of its own, handed to the rich-text box at the turn.
    auto richText = std::make_unique<QTextDocument>();
    result.page.view = PagePresenter().present(job.book, job.reading, *richText);
    PageView& view = result.page.view;
    if (view.richTextLoaded)
        result.page.richText = std::move(richText);
    QStringList extraFiles;
    if (extra && !view.failure)
        result.page.extra = extra(view, extraFiles);
    for (const QStringList& names : {view.filesRead, extraFiles})
        for (const QString& name : names)
            result.files.emplace_back(name, stampFile(resolveBookFile(name, job.book.BookFolder)));
    if (view.picture) {
        result.page.shown = view.picture->toImage(view.stretch ? job.reading.pictureBox : view.picture->naturalSize);
        // The box draws the shown pixels; it loads the file again should it
        // need the picture at another size.
        if (!view.picture->file.isEmpty()) {
            view.picture->raster = QImage();
            view.picture->vector.reset();
        }
    }
    result.job = std::move(job);
    return result;
}

void PagePreparer::work()
{
    setpriority(PRIO_PROCESS, id_t(gettid()), WorkerNiceness);
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stopping || m_queued; });
        if (m_stopping)
            return;
        m_working = std::move(m_queued);
        m_queued.reset();
        Job job = *m_working;
        lock.unlock();
        auto result = std::make_unique<Result>(prepare(std::move(job), m_extra));
        lock.lock();
        if (result->job.serial == m_serial) {
            // The window's thread uses the document from now on (and deletes it).
            if (result->page.richText)
                result->page.richText->moveToThread(thread());
            m_result = std::move(result);
        } else {
            result.reset(); // dropped meanwhile: its pixels go now
        }
        m_working.reset();
        m_changed.notify_all();
    }
}

} // namespace tirvelo
