#pragma once
// The strip of pages in book order: a thumbnail and the page's number for
// each, moved by dragging or with Ctrl+Up and Ctrl+Down; files dropped on it
// become pages where they fall. A screen reader hears "pàgina 3 de 12" and
// the page's kind for each item.
#include <QListView>
#include <QStyledItemDelegate>

namespace tirvelo::editor {

class BookEditorModel;
class ThumbnailCache;

class PageThumbnailDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    PageThumbnailDelegate(ThumbnailCache& thumbnails, QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    ThumbnailCache& m_thumbnails;
};

class PageStrip : public QListView {
    Q_OBJECT
public:
    PageStrip(BookEditorModel& model, ThumbnailCache& thumbnails, QWidget* parent = nullptr);

    int currentRow() const;
    void selectRow(int row);

signals:
    void filesDropped(const QStringList& files, int row);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    int dropRow(const QPoint& position) const;

    BookEditorModel& m_model;
};

} // namespace tirvelo::editor
