// The shared main loop and window-message handlers over a recording
// platform, the speed keys, and the aspect and clock arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/dialog.h"
#include "app/main_loop.h"
#include "app/menu.h"
#include "app/platform.h"
#include "app/window.h"
#include "net/connection.h"
#include "net/socket.h"
#include "render/gl_setup.h"
#include "render/frame.h"
#include "render/perspective.h"
#include "render/random.h"
#include "terminal/screen.h"
#include "terminal/telnet.h"

using Strings = std::vector<std::string>;

namespace {
Strings Calls;
std::vector<std::function<void()>> Passes;   // what each pass's messages do; then the quit
size_t PassIndex = 0;
TimeStamp ClockNow = {0, 0};
void record(const std::string& call) { Calls.push_back(call); }
std::string args(int a, int b) { return " " + std::to_string(a) + " " + std::to_string(b); }
}  // namespace

#define RECORDED(name) void name() { record(#name); }
RECORDED(swapBuffers) RECORDED(reshapeWindow) RECORDED(pumpDialogs) RECORDED(pollSocketEvents)
RECORDED(drawMenu) RECORDED(sendQueued) RECORDED(buildFont) RECORDED(clearScreen)
RECORDED(deleteFontLists)
RECORDED(deleteGlyphTextures) RECORDED(deletePanelTextures)
void renderFrame(int) { record("renderFrame"); }
void advanceScroll(float) { record("advanceScroll"); }
void (*ConnectionEndHook)(const char*, const char*) = nullptr;
void seedStarfield() { record("seedStarfield " + std::to_string(RandomState)); }
void initGL(int width, int height) { record("initGL" + args(width, height)); }
void resizeGL(int width, int height) { record("resizeGL" + args(width, height)); }
int pickMenuItem(int x, int y, int w, int h) { record("pickMenuItem" + args(x, y) + args(w, h)); return ITEM_CONNECT; }
int readClock(TimeStamp* out) { record("readClock"); *out = ClockNow; return 0; }
bool pumpMessages() { record("pumpMessages"); return PassIndex < Passes.size() && (Passes[PassIndex++](), true); }
void queueTypedChar(unsigned char) {}
void sendReply(const unsigned char*, int) {}
void playBell() {}
void showMessageBox(const char* text, const char*, int) { record(std::string("box ") + text); }
void requestQuit(int) { record("requestQuit"); }
int32_t PickedItem = ITEM_NONE;
bool scrollActive = false;
float scrollRowsPerSecond = SCROLL_ROWS_PER_SECOND_START, FrameRate = 0.0f, ElapsedSeconds = 0.0f;
int32_t TallScreen = 0;
void (*ReplyHook)(const unsigned char*, int) = nullptr;
void (*BellHook)() = nullptr;

namespace {

TEST(MainLoop, EachPassTakesMessagesThenReshapesOnceSizedThenDrawsOneFrame)
{
    StartTime = {10, 999000};
    ClockNow = {11, 0};
    FrameRate = 1.0f;   // each frame stands for a second of holding End
    KeyState[KEY_END] = 1;
    Passes = {[] {}, [] { onWindowSize(1280, 512); }, [] { ViewMode = VIEW_RAIN; },
              [] { SessionRunning = 1; scrollActive = true; }, [] { scrollActive = false; }};
    EXPECT_EQ(runMainLoop(), 1);
    Strings expected;
    auto pass = [&](const Strings& calls) {
        expected.insert(expected.end(), {"pollSocketEvents", "pumpDialogs", "pumpMessages"});
        expected.insert(expected.end(), calls.begin(), calls.end());
    };
    pass({"drawMenu", "swapBuffers"});
    pass({"resizeGL 1280 512", "reshapeWindow", "drawMenu", "swapBuffers"});
    pass({"reshapeWindow"});   // a view but no session yet: no frame
    pass({"reshapeWindow", "readClock", "renderFrame", "swapBuffers", "advanceScroll", "sendQueued"});
    pass({"reshapeWindow", "readClock", "renderFrame", "swapBuffers", "sendQueued"});
    pass({});   // the quit
    EXPECT_EQ(Calls, expected);
    EXPECT_NEAR(ElapsedSeconds, 0.001f, 1e-8);
    EXPECT_FLOAT_EQ(scrollRowsPerSecond, 12.0f) << "End is read in the two terminal frames only";
    KeyState[KEY_END] = 0;
}

TEST(MainLoop, CreationSeedsFromTheStartTimeAndTeardownDeletesInOrder)
{
    Calls.clear();
    ClockNow = {1796591356, 250000};
    onWindowCreated(1262, 473);
    releaseWindowResources();
    EXPECT_EQ(Calls, (Strings{"initGL 1262 473", "buildFont", "clearScreen", "readClock", "seedStarfield 1796591356",
                              "deleteFontLists", "deleteGlyphTextures", "deletePanelTextures"}));
    EXPECT_EQ(ReplyHook, &sendReply);
    EXPECT_EQ(BellHook, &playBell);
}

TEST(MainLoop, KeyStateStaysInItsTableAndClicksPickInTheMenuOnly)
{
    onKeyDown(KEY_HOME);
    onKeyDown(KEY_END);
    onKeyUp(KEY_HOME);
    onKeyDown(-1);   // the sanitizer build sees any write outside the table
    onKeyUp(KEY_COUNT);
    EXPECT_EQ(KeyState[KEY_HOME], 0);
    EXPECT_EQ(KeyState[KEY_END], 1);

    Calls.clear();
    for (int view : {int(VIEW_MENU), int(VIEW_RAIN)}) {
        ViewMode = view;
        onLeftButtonDown(900, 330, 1280, 544);
    }
    EXPECT_EQ(Calls, Strings{"pickMenuItem 900 330 1280 544"});
    EXPECT_EQ(PickedItem, ITEM_CONNECT);
}

TEST(SpeedKeys, PaceChangesPerSecondOfHoldingWhateverTheFrameRate)
{
    struct Case { bool end, home; float frameRate; int frames; float expected; } cases[] = {
        {true, false, 25, 25, 6},       {true, false, 1000, 2000, 12},   // End: twice as fast per second
        {false, true, 118, 118, 1.5f},  {true, true, 60, 60, 3},         // Home: half as fast
        {true, false, 60, 600, 40},     {false, true, 60, 600, 1},       // the limits
        {true, false, 0, 10, 3},        {true, false, NAN, 10, 3},       // no frame rate measured yet
    };
    for (const Case& c : cases) {
        KeyState[KEY_END] = c.end;
        KeyState[KEY_HOME] = c.home;
        FrameRate = c.frameRate;
        scrollRowsPerSecond = 3.0f;
        for (int i = 0; i < c.frames; ++i) applySpeedKeys();
        EXPECT_NEAR(scrollRowsPerSecond, c.expected, c.expected * 1e-3)
            << "end " << c.end << " home " << c.home << " at " << c.frameRate << " fps";
    }
}

TEST(AspectHeight, QuotientInDoubleTruncatedWithinTheWindowSizes)
{
    struct Case { int width; float aspect; int expected; } cases[] = {
        {1280, 2.35f, 544}, {1280, 1.6f, 799},   // 799.99998: a float quotient would give 800
        {0, 2.35f, 1},      {1280, 0.0f, 32767}, {1280, NAN, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(aspectHeight(c.width, c.aspect), c.expected) << c.width << " / " << c.aspect;
}

TEST(ElapsedSeconds, DifferenceOfTwoTimeStamps)
{
    struct Case { TimeStamp start, now; float expected; } cases[] = {
        {{10, 999000}, {11, 0}, 0.001f}, {{100, 500000}, {160, 250000}, 59.75f},
        {{1796591356, 999000}, {1796591357, 1000}, 0.002f},   // no precision lost to the large seconds
    };
    for (const auto& c : cases)
        EXPECT_NEAR(elapsedBetween(c.start, c.now), c.expected, 1e-8 + c.expected * 1e-7)
            << c.start.seconds << "." << c.start.microseconds << " to " << c.now.seconds << "." << c.now.microseconds;
}

}  // namespace
