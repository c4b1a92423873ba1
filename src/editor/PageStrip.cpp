#include "editor/PageStrip.h"

#include "editor/BookEditorModel.h"
#include "editor/ThumbnailCache.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>

namespace tirvelo::editor {
namespace {

constexpr int kMargin = 4;

} // namespace

PageThumbnailDelegate::PageThumbnailDelegate(ThumbnailCache& thumbnails, QObject* parent)
    : QStyledItemDelegate(parent), m_thumbnails(thumbnails)
{
}

QSize PageThumbnailDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return m_thumbnails.size() + QSize(2 * kMargin + 32, 2 * kMargin);
}

void PageThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = {};
    option.widget->style()->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);

    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect number(option.rect.left(), option.rect.top(), 32, option.rect.height());
    painter->drawText(number, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
    const QRect frame(option.rect.left() + 32 + kMargin, option.rect.top() + kMargin, m_thumbnails.size().width(),
                      m_thumbnails.size().height());
    painter->fillRect(frame, Qt::black);
    const EditorPage page = index.data(BookEditorModel::PageRole).value<EditorPage>();
    if (page.kind == EditorPageKind::Picture) {
        const QString picture = index.data(BookEditorModel::PicturePathRole).toString();
        const QImage thumbnail = m_thumbnails.thumbnail(picture);
        if (!thumbnail.isNull()) {
            const QRect target(QPoint(), thumbnail.size());
            painter->drawImage(target.translated(frame.center() - target.center()), thumbnail);
        } else if (m_thumbnails.failed(picture)) {
            painter->setPen(Qt::red);
            painter->drawLine(frame.topLeft(), frame.bottomRight());
            painter->drawLine(frame.topRight(), frame.bottomLeft());
        }
    } else {
        painter->setPen(Qt::white);
        const QString text = page.kind == EditorPageKind::Text ? page.text : QStringLiteral("RTF");
        painter->drawText(frame.adjusted(kMargin, kMargin, -kMargin, -kMargin), Qt::TextWordWrap, text.left(200));
    }
    if (page.narration != Narration::None) {
        painter->setPen(Qt::yellow);
        painter->drawText(frame.adjusted(kMargin, kMargin, -kMargin, -kMargin), Qt::AlignRight | Qt::AlignBottom,
                          page.narration == Narration::Sound ? QStringLiteral("♪") : QStringLiteral("T"));
    }
    painter->restore();
}

PageStrip::PageStrip(BookEditorModel& model, ThumbnailCache& thumbnails, QWidget* parent)
    : QListView(parent), m_model(model)
{
    setModel(&model);
    setItemDelegate(new PageThumbnailDelegate(thumbnails, this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true); // a thousand pages are laid out without asking each
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    connect(&thumbnails, &ThumbnailCache::thumbnailReady, viewport(), qOverload<>(&QWidget::update));
}

int PageStrip::currentRow() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void PageStrip::selectRow(int row)
{
    if (row < 0 || row >= m_model.rowCount())
        return;
    setCurrentIndex(m_model.index(row));
    scrollTo(m_model.index(row));
}

int PageStrip::dropRow(const QPoint& position) const
{
    const QModelIndex at = indexAt(position);
    if (!at.isValid())
        return m_model.rowCount();
    const QRect rect = visualRect(at);
    return position.y() > rect.center().y() ? at.row() + 1 : at.row();
}

void PageStrip::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->source() == this || event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void PageStrip::dragMoveEvent(QDragMoveEvent* event)
{
    QListView::dragMoveEvent(event);
    if (event->source() == this || event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void PageStrip::dropEvent(QDropEvent* event)
{
    const int row = dropRow(event->position().toPoint());
    if (event->source() == this) {
        const int from = currentRow();
        const int to = row > from ? row - 1 : row;
        if (from >= 0 && m_model.movePage(from, std::min(to, m_model.rowCount() - 1)))
            selectRow(std::min(to, m_model.rowCount() - 1));
        // The move is done: the view must not remove the dragged row itself.
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        return;
    }
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    if (!files.isEmpty()) {
        event->acceptProposedAction();
        emit filesDropped(files, row);
    }
}

} // namespace tirvelo::editor
