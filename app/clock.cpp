#include "app/clock.h"

float elapsedBetween(const TimeStamp& start, const TimeStamp& now)
{
    // Both differences are 32-bit integer subtractions; the sum is formed in
    // double precision with the float nearest to 1e-6 as the factor.
    int32_t seconds = now.seconds - start.seconds;
    int32_t micro = now.microseconds - start.microseconds;
    return static_cast<float>(static_cast<double>(seconds) +
                              static_cast<double>(micro) * static_cast<double>(0.000001f));
}
