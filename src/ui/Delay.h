#pragma once
// A wait that keeps handling events: timers, posted events and painting go on
// while it lasts.

namespace tirvelo {

// Returns after `ms` milliseconds (at once for 0 or less), having run a local
// event loop meanwhile. The deadline is compared as a signed difference, so the
// wait neither ends early nor hangs when the clock value wraps.
void Delay(int ms);

// How the windows wait: the program waits with Delay; tests may record the
// waits instead.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void delay(int ms) = 0;
};

class EventLoopClock final : public Clock {
public:
    void delay(int ms) override { Delay(ms); }
};

} // namespace tirvelo
