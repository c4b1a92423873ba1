#include "ui/PageKeys.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace tirvelo {

PageKeys::PageKeys(QPlainTextEdit* text, QTextEdit* richText, std::function<void()> previous,
                   std::function<void()> next, std::function<void()> pageClicked, QObject* parent)
    : QObject(parent), m_text(text), m_textViewport(text->viewport()), m_richText(richText),
      m_richTextViewport(richText->viewport()), m_previous(std::move(previous)), m_next(std::move(next)),
      m_pageClicked(std::move(pageClicked))
{
    for (QAbstractScrollArea* box : {static_cast<QAbstractScrollArea*>(text), static_cast<QAbstractScrollArea*>(richText)}) {
        box->installEventFilter(this);
        box->viewport()->installEventFilter(this);
    }
}

bool PageKeys::eventFilter(QObject* watched, QEvent* event)
{
    // Compared, never followed: the boxes send events while they are destroyed.
    const bool inMemo = watched == m_text || watched == m_textViewport;
    const bool inRich = watched == m_richText || watched == m_richTextViewport;
    if (!inMemo && !inRich)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        // The page keys turn pages and still reach the box.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_PageDown)
            m_next();
        else if (key == Qt::Key_PageUp)
            m_previous();
        break;
    }
    case QEvent::MouseButtonPress:
        if (inRich && watched == m_richTextViewport && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_pageClicked();
        break;
    case QEvent::MouseButtonRelease:
        if (inMemo && watched == m_textViewport && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_pageClicked();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tirvelo
