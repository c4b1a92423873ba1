#pragma once
// A wait that keeps handling events: timers, posted events and painting go on
// while it lasts.
#include <QtGlobal>

namespace tirvelo {

// Returns after `ms` milliseconds (at once for 0 or less), having run a local
// event loop meanwhile. The deadline is compared as a signed difference, so the
// wait neither ends early nor hangs when the clock value wraps.
void Delay(int ms);

// How the windows wait and tell the time: the program waits with Delay and
// reads a monotonic clock; tests may record the waits and fix the time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void delay(int ms) = 0;
    // Milliseconds of a monotonic clock: only differences mean anything.
    virtual qint64 now() const;
};

class EventLoopClock final : public Clock {
public:
    void delay(int ms) override { Delay(ms); }
};

} // namespace tirvelo
