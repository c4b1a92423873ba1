#include "modes/Delay.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace tirvelo {

qint64 Clock::now() const
{
    return QDeadlineTimer::current().deadline();
}

void Delay(int ms)
{
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    const QDeadlineTimer deadline(ms);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // A nested event loop may be left early (by an exit of an outer loop, say):
    // go round until the signed remaining time is used up.
    for (qint64 remaining = deadline.remainingTime(); remaining > 0; remaining = deadline.remainingTime()) {
        timer.start(static_cast<int>(remaining));
        loop.exec();
    }
}

} // namespace tirvelo
