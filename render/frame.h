// The frame entry of the connected views and the frame-rate measure: what
// the front end calls once per terminal frame, and the few values it sets
// for the views beforehand.
#pragma once
#include <cstdint>

// The terminal views, by number; renderFrame draws each through its row of
// the view table in frame.cpp.
enum { VIEW_PERSPECTIVE = 0, VIEW_RAIN = 1, VIEW_COUNT };
enum { FRAME_HISTORY = 50 };

extern float ElapsedSeconds;   // seconds since the start, set before each frame
extern int32_t TallScreen;     // the standard (1.6) window: the rain view's tall layout
extern float FrameRate;        // frames per second over the last 50 frames

extern int32_t FrameCounter;
extern int32_t FrameCountHistory[FRAME_HISTORY];
extern float FrameTimeHistory[FRAME_HISTORY];

// Counts the frame, measures the frame rate, clears and draws `view`.
void renderFrame(int view);
