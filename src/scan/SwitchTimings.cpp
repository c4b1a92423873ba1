#include "scan/SwitchTimings.h"

namespace tirvelo {

qint64 SwitchTimings::pressBegan(qint64 now)
{
    m_heldSince = now;
    return now + m_acceptanceMs;
}

bool SwitchTimings::takeHeldPress(qint64 now)
{
    if (!m_heldSince || now - *m_heldSince < m_acceptanceMs)
        return false;
    m_heldSince.reset();
    return true;
}

bool SwitchTimings::delayRunning(qint64 now) const
{
    return m_postAcceptanceMs > 0 && m_lastAdmitted && now - *m_lastAdmitted < m_postAcceptanceMs;
}

bool SwitchTimings::admit(qint64 now)
{
    if (delayRunning(now))
        return false;
    m_lastAdmitted = now;
    return true;
}

} // namespace tirvelo
