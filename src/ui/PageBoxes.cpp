#include "ui/PageBoxes.h"
#include "ui/TextPageBox.h"

#include "ui/Accessibility.h"
#include "ui/PictureBox.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

namespace tirvelo {
namespace {

// The rich text read ahead becomes the box's document, set up as the box set
// up its own; the document it replaces goes after the frame.
void adoptRichText(QTextEdit* box, std::unique_ptr<QTextDocument> document)
{
    QTextDocument* before = box->document();
    document->setDefaultFont(before->defaultFont());
    document->setDefaultStyleSheet(before->defaultStyleSheet());
    document->setDocumentMargin(before->documentMargin());
    document->setIndentWidth(before->indentWidth());
    document->setUseDesignMetrics(before->useDesignMetrics());
    document->setUndoRedoEnabled(before->isUndoRedoEnabled());
    document->setParent(box);
    // The box deletes a document it made itself; one it was given stays ours.
    const bool given = before->parent() == box;
    box->setDocument(document.release());
    if (given)
        before->deleteLater();
}

} // namespace

QSize PageBoxes::pictureSize() const
{
    return m_picture->size() * m_picture->devicePixelRatioF();
}

PageView PageBoxes::present(PagePresenter& presenter, Book& book, const ReadingState& state,
                            std::optional<PreparedPage> prepared)
{
    // Hiding the box that has the keyboard focus hands the focus on to the next
    // control; when that box is shown again, the focus goes back to it.
    const QPointer<QWidget> focused = QApplication::focusWidget();
    m_richText->hide();
    m_picture->hide(); // the picture box lets go of its picture before the next one is loaded
    PageView page = prepared ? std::move(prepared->view) : presenter.present(book, state, *m_richText->document());
    const std::shared_ptr<PageExtra> extra = prepared ? prepared->extra : nullptr;
    if (prepared && prepared->richText)
        adoptRichText(m_richText, std::move(prepared->richText));
    book.CurrentPage = page.currentPage;
    // The text box stays up from one text page to the next: hidden and shown
    // again, it would be repainted whole, frame and scroll bars, and the form
    // under it, where only the text changes.
    if (page.box != PageBox::Text)
        m_text->hide();
    if (QWidget* shown = box(page.box)) {
        shown->show();
        if (focused && focused->isVisible() && !focused->hasFocus())
            focused->setFocus(Qt::OtherFocusReason);
    }
    if (page.text)
        m_text->showPage(*page.text, dynamic_cast<const PreparedTextPage*>(extra.get()));
    if (page.picture) {
        m_picture->setStretch(page.stretch);
        if (prepared)
            m_picture->setPicture(*page.picture, prepared->shown);
        else
            m_picture->setPicture(*page.picture);
        m_picture->setAccessibleDescription(page.pictureDescription);
        page.picture.reset(); // the box holds what it draws; nothing else keeps the page
        prepared.reset();
    }
    return page;
}

QWidget* PageBoxes::box(PageBox box) const
{
    switch (box) {
    case PageBox::Text:
        return m_text;
    case PageBox::RichText:
        return m_richText;
    case PageBox::Picture:
        return m_picture;
    case PageBox::None:
        break;
    }
    return nullptr;
}

void PageBoxes::showLabel(const Book& book)
{
    // Written once per page: a screen reader announces each change of the text.
    const QString label = PagePresenter::pageLabel(book);
    if (m_label->text() == label)
        return;
    m_label->setText(label);
    // After the turn has moved the keyboard focus, so that this is what a screen reader says last.
    QTimer::singleShot(0, m_label, [shown = m_label] { announceChange(shown); });
}

void PageBoxes::paintNow(QWidget* window, QWidget* box)
{
    if (!box || !window->isVisible())
        return;
    // A box just shown asks for the paint of its parts through posted
    // requests: taken first, so that the frame is painted once and whole.
    // Nothing but paints happens here; other events wait for the event loop.
    QCoreApplication::sendPostedEvents(box, QEvent::UpdateLater);
    for (QWidget* part : box->findChildren<QWidget*>())
        QCoreApplication::sendPostedEvents(part, QEvent::UpdateLater);
    QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
}

} // namespace tirvelo
