// Application-wide state shared by the main loop, the start menu and the
// views. Each item lives for the whole run.
#pragma once
#include <cstdint>

#include "app/clock.h"
#include "app/keys.h"
#include "render/frame.h"

// ViewMode: one of the views of render/frame.h, or the start menu after them.
enum { VIEW_MENU = VIEW_COUNT };

// The two window shapes, as outer width / outer height.
constexpr float WIDE_ASPECT = 2.35f;
constexpr float STANDARD_ASPECT = 1.6f;

extern int32_t ViewMode;          // VIEW_MENU until the user connects
extern uint8_t SessionRunning;    // set when the user connects
extern uint8_t ResizePending;     // re-apply WindowAspect on every pass
extern float WindowAspect;        // outer width / outer height: WIDE_ or STANDARD_ASPECT
extern uint8_t KeyState[KEY_COUNT];  // 1 while that key of keys.h is held
extern TimeStamp StartTime;
extern TimeStamp FrameTime;

