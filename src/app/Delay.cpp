#include "app/Delay.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace tirvelo {

void Delay(int milliseconds)
{
    if (milliseconds <= 0)
        return;
    QDeadlineTimer deadline(milliseconds);
    // A local loop that sleeps between events instead of spinning; the timer
    // wakes it at the deadline.
    while (!deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(std::max<qint64>(deadline.remainingTime(), 0), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

} // namespace tirvelo
