// The main loop: every pass handles all waiting messages, re-applies the
// window aspect once the window has been sized, then draws one frame, the
// start menu or the terminal. No sleep, no timer: the buffer swap is the
// only pacing.
#include "app/main_loop.h"

#include <cmath>
#include <cstring>

#include "app/app_state.h"
#include "app/dialog.h"
#include "app/keys.h"
#include "app/menu.h"
#include "app/platform.h"
#include "app/session.h"
#include "app/window.h"
#include "net/connection.h"
#include "net/socket.h"
#include "render/gl_setup.h"
#include "render/frame.h"
#include "render/perspective.h"
#include "render/random.h"
#include "terminal/screen.h"
#include "terminal/telnet.h"

namespace {

// Holding End doubles the scroll pace every second, holding Home halves
// it, within these limits in rows per second.
constexpr double SPEED_FACTOR_PER_SECOND = 2.0;
constexpr double SCROLL_ROWS_PER_SECOND_MIN = 1.0;
constexpr double SCROLL_ROWS_PER_SECOND_MAX = 40.0;

// Window systems take sizes up to 32767 pixels.
constexpr int MAX_WINDOW_HEIGHT = 32767;

uint32_t BellsSounded = 0;   // BellCount when the bell last sounded
TimeStamp LastFrameTime;     // FrameTime of the last terminal frame
bool HadTerminalFrame = false;

// One sound for all the BEL bytes that came since the last frame.
void soundBell()
{
    if (BellCount == BellsSounded) return;
    BellsSounded = BellCount;
    playBell();
}

// One terminal frame's polling of the speed keys, `seconds` after the last
// one: End raises the smooth scroll's pace, Home lowers it, by a factor per
// second of holding, within the pace limits.
void applySpeedKeys(double seconds)
{
    // A clock set back gives no time, and no step.
    if (!(seconds > 0.0)) return;
    const double factor = std::pow(SPEED_FACTOR_PER_SECOND, seconds);
    double pace = ScrollRowsPerSecond;
    if (KeyState[KEY_END]) pace = std::fmin(pace * factor, SCROLL_ROWS_PER_SECOND_MAX);
    if (KeyState[KEY_HOME]) pace = std::fmax(pace / factor, SCROLL_ROWS_PER_SECOND_MIN);
    ScrollRowsPerSecond = static_cast<float>(pace);
}

void drawTerminalFrame()
{
    readClock(&FrameTime);
    ElapsedSeconds = elapsedBetween(StartTime, FrameTime);
    // The speed keys step by the time since the last terminal frame; the
    // first one has none behind it (the start menu does not count).
    const double sinceLastFrame = HadTerminalFrame ? elapsedBetween(LastFrameTime, FrameTime) : 0.0;
    LastFrameTime = FrameTime;
    HadTerminalFrame = true;
    renderFrame(ViewMode);
    swapBuffers();
    soundBell();
    applySpeedKeys(sinceLastFrame);
    finishTerminalFrame(FrameRate);
}

}  // namespace

void onWindowCreated(int clientWidth, int clientHeight)
{
    ReplyHook = sendReply;
    ConnectionEndHook = failAndQuit;
    setUpGraphics(clientWidth, clientHeight);
    clearScreen();
    readClock(&StartTime);
    // Random numbers drawn before this (the first glitch character) come
    // from the unseeded generator.
    seedRandom(static_cast<uint32_t>(StartTime.seconds));
    seedStarfield();
}

void onWindowSize(int clientWidth, int clientHeight)
{
    resizeGL(clientWidth, clientHeight);
    ResizePending = 1;
}

void onKeyDown(int key)
{
    if (key > KEY_NONE && key < KEY_COUNT) KeyState[key] = 1;
}

void onKeyUp(int key)
{
    if (key > KEY_NONE && key < KEY_COUNT) KeyState[key] = 0;
}

void onFocusLost()
{
    memset(KeyState, 0, sizeof KeyState);
}

void onTypedChar(unsigned char c)
{
    // Queued whatever is shown; only terminal frames send the queue.
    queueTypedChar(c);
}

void onLeftButtonDown(int x, int y, int clientWidth, int clientHeight)
{
    if (ViewMode == VIEW_MENU) clickMenu(x, y, clientWidth, clientHeight);
}

void startSession(int32_t displayMode, int32_t windowMode)
{
    connectToHost();
    TallScreen = windowMode;
    ViewMode = displayMode == 0 ? VIEW_PERSPECTIVE : VIEW_RAIN;
    WindowAspect = windowMode == 0 ? WIDE_ASPECT : STANDARD_ASPECT;
    ResizePending = 1;
    SessionRunning = 1;
}

void releaseWindowResources()
{
    releaseGraphics();
}

int aspectHeight(int width, float aspect)
{
    // In double: with 1.6f, 1280 gives 799.99998..., which a float quotient
    // would round up to 800 before the truncation.
    double height = static_cast<double>(width) / static_cast<double>(aspect);
    if (!(height >= 1.0)) return 1;
    if (height > MAX_WINDOW_HEIGHT) return MAX_WINDOW_HEIGHT;
    return static_cast<int>(height);
}

int runMainLoop()
{
    for (;;) {
        // Socket readiness (where it is polled rather than posted) and the
        // connect dialog get their turn with the window messages. Reads are
        // bounded per pass, so that the pass always reaches its frame.
        takeSocketEvents();
        pumpDialogs();
        if (!pumpMessages()) return 1;

        if (ResizePending) reshapeWindow();

        if (ViewMode == VIEW_MENU) {
            // The click's action comes after the frame is shown: starting
            // the session blocks while it connects.
            drawMenu();
            swapBuffers();
            handleMenuAction();
        } else if (SessionRunning) {
            drawTerminalFrame();
        }
    }
}
