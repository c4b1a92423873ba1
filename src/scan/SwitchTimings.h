#pragma once
// Switch timings that filter tremor and bouncing switches. The acceptance time
// makes a press count only once it has been held that long; the
// post-acceptance delay ignores every activation for that long after one
// counted. Times are milliseconds of a monotonic clock the caller reads; no
// timers here, so the rules are the same for clicks, keys and the sound switch.
#include <QtGlobal>

#include <optional>

namespace tirvelo {

class SwitchTimings {
public:
    void setAcceptanceMs(int ms) { m_acceptanceMs = qMax(0, ms); }
    void setPostAcceptanceMs(int ms) { m_postAcceptanceMs = qMax(0, ms); }
    int acceptanceMs() const { return m_acceptanceMs; }
    int postAcceptanceMs() const { return m_postAcceptanceMs; }
    // With no acceptance time a press acts as it arrives, as it always has.
    bool holdsPresses() const { return m_acceptanceMs > 0; }

    // A switch went down. Returns when it will have been held long enough.
    qint64 pressBegan(qint64 now);
    // The switch came up; a press released before its time never counts.
    void pressEnded() { m_heldSince.reset(); }
    // True once, at or after the acceptance time of a press that is still
    // down; the press is then used up, so holding on does not repeat it.
    bool takeHeldPress(qint64 now);

    // Every activation passes here once it has counted as a press: false while
    // the delay after the previous admitted activation runs. An admitted
    // activation starts the delay.
    bool admit(qint64 now);
    // True while the delay after the last admitted activation runs; starts nothing.
    bool delayRunning(qint64 now) const;

private:
    int m_acceptanceMs = 0;
    int m_postAcceptanceMs = 0;
    std::optional<qint64> m_heldSince;
    std::optional<qint64> m_lastAdmitted;
};

} // namespace tirvelo
