// The wall clock on Windows: calendar time in whole seconds since 1970 and
// the milliseconds within that second.
#include <windows.h>

#include "app/clock.h"

int readClock(TimeStamp* out)
{
    // FILETIME counts 100-nanosecond steps since 1601-01-01 UTC.
    const unsigned long long UNIX_EPOCH_AS_FILETIME = 116444736000000000ULL;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    unsigned long long ticks =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    ticks -= UNIX_EPOCH_AS_FILETIME;
    out->seconds = static_cast<int32_t>(ticks / 10000000ULL);
    out->microseconds = static_cast<int32_t>((ticks % 10000000ULL) / 10000ULL) * 1000;
    return 0;
}
