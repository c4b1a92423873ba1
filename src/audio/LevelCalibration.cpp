#include "audio/LevelCalibration.h"

namespace tirvelo {

void LevelCalibration::start(qint64 now)
{
    m_started = now;
    m_loudest = 0;
    m_listening = true;
}

bool LevelCalibration::hear(int level, qint64 now)
{
    if (!m_listening)
        return false;
    m_loudest = qMax(m_loudest, level);
    if (now - m_started < ListenMs)
        return false;
    m_listening = false;
    return true;
}

int LevelCalibration::secondsLeft(qint64 now) const
{
    if (!m_listening)
        return 0;
    const qint64 left = ListenMs - (now - m_started);
    return left <= 0 ? 1 : int((left + 999) / 1000);
}

} // namespace tirvelo
