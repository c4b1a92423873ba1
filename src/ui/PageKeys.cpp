#include "ui/PageKeys.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace tirvelo {

PageKeys::PageKeys(QPlainTextEdit* text, QTextEdit* richText, std::function<void()> previous,
                   std::function<void()> next, std::function<void()> pageClicked, QObject* parent)
    : QObject(parent), m_text(text), m_richText(richText), m_previous(std::move(previous)), m_next(std::move(next)),
      m_pageClicked(std::move(pageClicked))
{
    for (QAbstractScrollArea* box : {static_cast<QAbstractScrollArea*>(text), static_cast<QAbstractScrollArea*>(richText)}) {
        box->installEventFilter(this);
        box->viewport()->installEventFilter(this);
    }
}

bool PageKeys::eventFilter(QObject* watched, QEvent* event)
{
    const bool inMemo = watched == m_text || watched == m_text->viewport();
    const bool inRich = watched == m_richText || watched == m_richText->viewport();
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
        if (inRich && watched == m_richText->viewport() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_pageClicked();
        break;
    case QEvent::MouseButtonRelease:
        if (inMemo && watched == m_text->viewport() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_pageClicked();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tirvelo
