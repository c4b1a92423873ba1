#pragma once
// A clock for tests of what waits: it records each wait and tells a time the
// test may fix.
#include "modes/Delay.h"

#include <QList>
#include <optional>

namespace tirvelo::test {

// Records each wait; waits as the program does unless told to return at once
// (then it still handles the events already posted). The time is the real one
// unless a test fixes it.
class RecordingClock : public Clock {
public:
    void delay(int ms) override
    {
        waits << ms;
        Delay(instant ? 0 : ms);
    }
    qint64 now() const override { return fixedNow ? *fixedNow : Clock::now(); }

    QList<int> waits;
    bool instant = false;
    std::optional<qint64> fixedNow;
};

} // namespace tirvelo::test
