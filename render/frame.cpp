// The frame entry: one call per terminal frame draws the chosen view, after
// the frame has been counted and the frame rate measured over the last 50.
#include "render/frame.h"

#include "render/perspective.h"
#include "render/rain.h"

#include <GL/gl.h>

float ElapsedSeconds = 0.0f;
int32_t TallScreen = 0;
float FrameRate = 0.0f;
int32_t FrameCounter = 0;
int32_t FrameCountHistory[FRAME_HISTORY];
float FrameTimeHistory[FRAME_HISTORY];

static void measureFrameRate();

namespace {

void drawRainFrame()
{
    glPushMatrix();
    drawRainView();
    glPopMatrix();
}

// What each view draws, from the cleared frame and the identity matrix.
void (*const DrawView[VIEW_COUNT])() = {
    drawPerspectiveView,   // VIEW_PERSPECTIVE
    drawRainFrame,         // VIEW_RAIN
};

}  // namespace

void renderFrame(int view)
{
    ++FrameCounter;
    measureFrameRate();
    // Neither view uses the depth buffer (each says why), so only the
    // colour is cleared.
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    if (view >= 0 && view < VIEW_COUNT)
        DrawView[view]();
}

static void measureFrameRate()
{
    // Frames counted since the oldest recorded frame over the time they took.
    // A zero time difference is left to the floating-point rules (infinity).
    float frames = static_cast<float>(FrameCounter - FrameCountHistory[0]);
    float seconds = ElapsedSeconds - FrameTimeHistory[0];
    FrameRate = frames / seconds;

    for (int k = 0; k < FRAME_HISTORY - 1; ++k) {
        FrameCountHistory[k] = FrameCountHistory[k + 1];
        FrameTimeHistory[k] = FrameTimeHistory[k + 1];
    }
    FrameCountHistory[FRAME_HISTORY - 1] = FrameCounter;
    FrameTimeHistory[FRAME_HISTORY - 1] = ElapsedSeconds;
}
