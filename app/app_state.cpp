#include "app/app_state.h"

int32_t ViewMode = VIEW_MENU;
uint8_t SessionRunning = 0;
uint8_t ResizePending = 0;
float WindowAspect = WIDE_ASPECT;
uint8_t KeyState[KEY_COUNT];
TimeStamp StartTime;
TimeStamp FrameTime;

float elapsedBetween(const TimeStamp& start, const TimeStamp& now)
{
    // Both differences are 32-bit integer subtractions; the sum is formed in
    // double precision with the float nearest to 1e-6 as the factor.
    int32_t seconds = now.seconds - start.seconds;
    int32_t micro = now.microseconds - start.microseconds;
    return static_cast<float>(static_cast<double>(seconds) +
                              static_cast<double>(micro) * static_cast<double>(0.000001f));
}
