// The wall clock: calendar time in whole seconds and the milliseconds
// within the second. One implementation per platform: clock_win32.cpp and
// clock_posix.cpp.
#pragma once
#include <cstdint>

struct TimeStamp {
    int32_t seconds;       // calendar time in whole seconds
    int32_t microseconds;  // milliseconds within that second, times 1000
};

// Fills `out` with the time now; returns 0.
int readClock(TimeStamp* out);
// The seconds from one time stamp to another, as a terminal frame computes
// ElapsedSeconds: both differences as 32-bit integers, their sum in double
// precision with the float nearest to 1e-6 as the factor, kept as a float.
float elapsedBetween(const TimeStamp& start, const TimeStamp& now);
