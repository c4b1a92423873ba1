#pragma once
// Calibrating the sound switch: listen to the room for a few seconds, then put
// the threshold just above the loudest level heard, so that the room's own
// noise never triggers and the user's sound still does.
#include <QtGlobal>

namespace tirvelo {

class LevelCalibration {
public:
    static constexpr int ListenMs = 3000;
    // Room noise heard over an hour peaks about a third higher than over the
    // three seconds heard (for steady noise, the loudest of 4e7 samples against
    // that of 3e4): the threshold goes half as high again above the loudest
    // level, and at least this far above it, for the 8-bit steps of a quiet room.
    static constexpr int MinMargin = 6;
    // Levels reach 127 at most and a sound triggers above the threshold: the
    // threshold stays low enough for a loud sound to cross it.
    static constexpr int MaxThreshold = 120;
    // The threshold that a room whose loudest level is `loudest` asks for.
    static int thresholdAbove(int loudest) { return loudest + qMax(MinMargin, loudest / 2); }

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
    // Above the loudest level by the margin, never above MaxThreshold.
    int threshold() const { return qMin(thresholdAbove(m_loudest), MaxThreshold); }
    // The room was too loud for a threshold above it that a sound can still cross.
    bool roomTooLoud() const { return thresholdAbove(m_loudest) > MaxThreshold; }

private:
    qint64 m_started = 0;
    int m_loudest = 0;
    bool m_listening = false;
};

} // namespace tirvelo
