#pragma once
// Calibrating the sound switch: listen to the room for a few seconds, then put
// the threshold just above the loudest level heard, so that the room's own
// noise never triggers and the user's sound still does.
#include <QtGlobal>

namespace tirvelo {

class LevelCalibration {
public:
    static constexpr int ListenMs = 3000;
    static constexpr int Margin = 4;
    static constexpr int MaxThreshold = 128;

    // Starts listening at `now` (milliseconds, monotonic); forgets any earlier run.
    void start(qint64 now);
    bool listening() const { return m_listening; }
    // Stops listening without a result; the threshold is then left as it was.
    void cancel() { m_listening = false; }
    // One buffer's level, heard at `now`. Returns true when this buffer ends
    // the listening time; levels after that are ignored.
    bool hear(int level, qint64 now);
    // Whole seconds still to listen, rounded up, for the countdown: 0 when not
    // listening, and at least 1 while waiting for the buffer that ends the run.
    int secondsLeft(qint64 now) const;
    int loudest() const { return m_loudest; }
    // The loudest level plus the margin, never above the slider's top.
    int threshold() const { return qMin(m_loudest + Margin, MaxThreshold); }

private:
    qint64 m_started = 0;
    int m_loudest = 0;
    bool m_listening = false;
};

} // namespace tirvelo
