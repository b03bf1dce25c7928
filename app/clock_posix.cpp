// The wall clock on POSIX: calendar time in whole seconds and the
// milliseconds within that second.
#include <time.h>

#include "app/clock.h"

int readClock(TimeStamp* out)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    out->seconds = static_cast<int32_t>(now.tv_sec);
    out->microseconds = static_cast<int32_t>(now.tv_nsec / 1000000) * 1000;
    return 0;
}
