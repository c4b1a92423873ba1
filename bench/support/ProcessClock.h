#pragma once
// The process's processor time, all threads together: other programs on a
// shared machine do not inflate it as they do the wall-clock time.
#include <ctime>

namespace tirvelo::bench {

inline double processCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

} // namespace tirvelo::bench
