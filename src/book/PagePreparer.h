#pragma once
// The next page made ready while the reader reads this one. Once a page
// shows, the page after it in the direction of travel is presented in a
// worker thread at low priority, its picture decoded and stretched to the box
// (a metafile drawn at the size shown), a text or rich-text page read and
// converted; a turn to it then takes the result at once. What a page is stays the page
// presenter's business: the result is the presenter's own value, with the
// pixels the picture box draws.
//
// At most one page is held. It is let go when the book changes, when the
// turn goes the other way or to another page, when the reading state or the
// box changed, or when one of its files changed since it was read (device,
// inode, size and modification time compared at the turn). A page whose file
// failed keeps its failure for the turn, which tells it then. No file stays
// open: the presenter reads each whole. A rich-text page, or a picture's
// rich-text companion, is read into a document of its own, which the turn
// hands to the rich-text box. A layer above may add work of its own to each page (its
// companion sound decoded): that runs in the worker after the page, and the
// files it read are checked at the turn with the page's.
#include "base/FileStamp.h"
#include "book/Book.h"
#include "book/PagePresenter.h"

#include <QImage>
#include <QObject>
#include <QStringList>
#include <QTextDocument>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tirvelo {

// What a layer above prepares beside a page, which the page rules need not know.
class PageExtra {
public:
    virtual ~PageExtra() = default;
};

// Runs in the worker once the page is presented; names the files it read in
// filesRead (as they are opened). Nothing: nothing to add.
using ExtraPreparation = std::function<std::shared_ptr<PageExtra>(const PageView& page, QStringList& filesRead)>;

struct PreparedPage {
    PageView view; // as PagePresenter::present gives it
    QImage shown;  // the picture as the box draws it (device pixels), when the page has one
    // The rich text read (view.richTextLoaded), in the window's thread, for
    // the rich-text box to take as its document.
    std::unique_ptr<QTextDocument> richText;
    std::shared_ptr<PageExtra> extra; // from the extra preparation, if any
};

class PagePreparer : public QObject {
    Q_OBJECT
public:
    explicit PagePreparer(QObject* parent = nullptr);
    // Waits for the page being prepared, if any.
    ~PagePreparer() override;

    // Off: nothing is prepared, every turn loads its page.
    void setEnabled(bool enabled);
    // A turn to the very page being prepared waits for it (true) instead of
    // loading the page itself (false, as measured best: the worker runs at
    // low priority, and on a busy machine it may be far from done).
    void setWaitForPreparation(bool wait) { m_waitForPreparation = wait; }
    // Set before the first page is prepared.
    void setExtraPreparation(ExtraPreparation extra) { m_extra = std::move(extra); }

    // The page book.CurrentPage shows: prepares its neighbour in direction,
    // once the events waiting now (the page's paint) have been handled.
    void prepareAfter(const Book& book, PageCommand direction, const ReadingState& reading);
    // The prepared page for a turn in direction that made book.CurrentPage the
    // page to show, when it is still good; nothing otherwise. Whatever was
    // prepared is let go either way.
    std::optional<PreparedPage> take(const Book& book, PageCommand direction, const ReadingState& reading);
    // Lets go of the page prepared and of the one being prepared.
    void drop();

    // For tests and measurements: whether a prepared page is held now, how
    // many turns took one, and waiting for the worker to finish its page.
    bool holdsPage() const;
    int pagesTaken() const { return m_pagesTaken; }
    void waitUntilIdle();

private:
    struct Job {
        uint64_t serial = 0;
        Book book; // CurrentPage is the page to prepare
        PageCommand direction = PageCommand::Next;
        ReadingState reading;
    };
    struct Result {
        Job job;
        PreparedPage page;
        std::vector<std::pair<QString, FileStamp>> files;
        qint64 startedNs = 0;
    };

    void start(uint64_t serial);
    void work();
    static Result prepare(Job job, const ExtraPreparation& extra);
    static bool matches(const Job& job, const Book& book, PageCommand direction, const ReadingState& reading);
    static bool unchanged(const Result& result);

    bool m_enabled = true;
    bool m_waitForPreparation = false;
    int m_pagesTaken = 0;
    ExtraPreparation m_extra;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    uint64_t m_serial = 0;             // the latest page asked for; older work is thrown away
    std::optional<Job> m_next;          // asked for, to be started soon
    std::optional<Job> m_queued;        // handed to the worker
    std::optional<Job> m_working;       // the page the worker is preparing
    std::unique_ptr<Result> m_result;   // the page prepared
    bool m_stopping = false;
    std::thread m_worker;
};

} // namespace tirvelo
