#include "app/app_state.h"

int32_t ViewMode = VIEW_MENU;
uint8_t SessionRunning = 0;
uint8_t ResizePending = 0;
float WindowAspect = WIDE_ASPECT;
uint8_t KeyState[KEY_COUNT];
TimeStamp StartTime;
TimeStamp FrameTime;
