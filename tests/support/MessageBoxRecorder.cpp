#include "support/MessageBoxRecorder.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>

namespace tirvelo::test {

MessageBoxRecorder::MessageBoxRecorder(QMessageBox::StandardButton answer) : m_defaultAnswer(answer)
{
    QCoreApplication::instance()->installEventFilter(this);
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

QStringList messageTexts(const QList<SeenMessage>& messages)
{
    QStringList list;
    for (const SeenMessage& message : messages)
        list << message.text;
    return list;
}

bool MessageBoxRecorder::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show)
        answer(qobject_cast<QMessageBox*>(watched));
    return QObject::eventFilter(watched, event);
}

void MessageBoxRecorder::answer(QMessageBox* box)
{
    if (!box || box->property("tirveloAnswered").toBool())
        return;
    box->setProperty("tirveloAnswered", true);
    m_seen.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
    const QMessageBox::StandardButton answer = m_answers.isEmpty() ? m_defaultAnswer : m_answers.takeFirst();
    QAbstractButton* button = box->button(answer);
    if (!button)
        button = box->buttons().value(0);
    // Answered from the box's own event loop, as a user would.
    QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
}

} // namespace tirvelo::test
