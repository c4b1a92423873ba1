#include "support/MessageBoxRecorder.h"

#include <QAbstractButton>
#include <QApplication>

namespace tirvelo::test {

MessageBoxRecorder::MessageBoxRecorder(QMessageBox::StandardButton answer) : m_defaultAnswer(answer)
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxRecorder::poll);
    m_timer.start();
}

MessageBoxRecorder::~MessageBoxRecorder() = default;

QStringList MessageBoxRecorder::texts() const
{
    QStringList list;
    for (const SeenMessage& message : m_seen)
        list << message.text;
    return list;
}

void MessageBoxRecorder::poll()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box || !box->isVisible() || box->property("tirveloAnswered").toBool())
            continue;
        box->setProperty("tirveloAnswered", true);
        m_seen.append({box->windowTitle(), box->text(), box->icon()});
        const QMessageBox::StandardButton answer = m_answers.isEmpty() ? m_defaultAnswer : m_answers.takeFirst();
        QAbstractButton* button = box->button(answer);
        if (!button)
            button = box->buttons().value(0);
        // Answered from the box's own event loop, as a user would.
        QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
    }
}

} // namespace tirvelo::test
