// The shared main loop and window-message handlers over a scripted
// platform: what each pass does and in which order, what each message
// means, the speed keys and the aspect arithmetic.
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
#include "render/perspective.h"
#include "render/random.h"
#include "terminal/screen.h"
#include "terminal/telnet.h"

// ---- What the loop calls, recorded ------------------------------------------

namespace {
std::vector<std::string> Calls;
// Per pass of the message step: what the "messages" do; false ends the loop.
std::vector<std::function<bool()>> PumpScript;
size_t PumpIndex = 0;
TimeStamp ClockNow = {0, 0};
int PickResult = ITEM_NONE;
std::vector<unsigned char> Queued;
void record(const std::string& call) { Calls.push_back(call); }
}  // namespace

int readClock(TimeStamp* out)
{
    record("readClock");
    *out = ClockNow;
    return 0;
}
bool pumpMessages()
{
    record("pumpMessages");
    if (PumpIndex >= PumpScript.size()) return false;
    return PumpScript[PumpIndex++]();
}
void swapBuffers() { record("swapBuffers"); }
void reshapeWindow() { record("reshapeWindow"); }
void pumpDialogs() { record("pumpDialogs"); }
void pollSocketEvents() { record("pollSocketEvents"); }
int32_t PickedItem = ITEM_NONE;
void drawMenu() { record("drawMenu"); }
int pickMenuItem(int x, int y, int width, int height)
{
    record("pickMenuItem " + std::to_string(x) + " " + std::to_string(y) + " " +
           std::to_string(width) + " " + std::to_string(height));
    return PickResult;
}
void queueTypedChar(unsigned char c) { Queued.push_back(c); }
void sendQueued() { record("sendQueued"); }
void sendReply(const unsigned char*, int) {}
void initGL(int width, int height)
{
    record("initGL " + std::to_string(width) + " " + std::to_string(height));
}
void resizeGL(int width, int height)
{
    record("resizeGL " + std::to_string(width) + " " + std::to_string(height));
}
void buildFont() { record("buildFont"); }
void deleteFontLists() { record("deleteFontLists"); }
void deleteGlyphTextures() { record("deleteGlyphTextures"); }
void deletePanelTextures() { record("deletePanelTextures"); }
void renderFrame() { record("renderFrame"); }
void seedStarfield() { record("seedStarfield"); }
void clearScreen() { record("clearScreen"); }
void advanceScroll() { record("advanceScroll"); }
bool scrollActive = false;
float scrollRowsPerSecond = SCROLL_ROWS_PER_SECOND_START;
float FrameRate = 0.0f;
void (*ReplyHook)(const unsigned char*, int) = nullptr;
void (*BellHook)() = nullptr;
void playBell() {}

namespace {

class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Calls.clear();
        PumpScript.clear();
        PumpIndex = 0;
        Queued.clear();
        ClockNow = {0, 0};
        PickResult = ITEM_NONE;
        PickedItem = ITEM_NONE;
        ViewMode = VIEW_MENU;
        SessionRunning = 0;
        ResizePending = 0;
        WindowAspect = 2.35f;
        StartTime = {0, 0};
        ElapsedSeconds = 0.0f;
        scrollActive = false;
        scrollRowsPerSecond = SCROLL_ROWS_PER_SECOND_START;
        FrameRate = 0.0f;
        for (uint8_t& key : KeyState) key = 0;
    }

    // Runs the loop over `passes` message steps that return true, each
    // doing what its function does first; the next step meets the quit.
    int runPasses(std::vector<std::function<void()>> passes)
    {
        for (auto& pass : passes)
            PumpScript.push_back([pass] { pass(); return true; });
        return runMainLoop();
    }

    // The calls between the n-th message step (0-based) and the next.
    std::vector<std::string> pass(int n)
    {
        std::vector<std::string> out;
        int seen = -1;
        for (const std::string& call : Calls) {
            if (call == "pumpMessages") {
                ++seen;
                continue;
            }
            if (seen == n && call != "pollSocketEvents" && call != "pumpDialogs") out.push_back(call);
            if (seen > n) break;
        }
        return out;
    }
};

using Calls_ = std::vector<std::string>;

TEST_F(MainLoopTest, QuitBeforeTheFirstFrameDrawsNothingAndGivesOne)
{
    EXPECT_EQ(runMainLoop(), 1);
    EXPECT_EQ(Calls, (Calls_{"pollSocketEvents", "pumpDialogs", "pumpMessages"}));
}

TEST_F(MainLoopTest, MenuPassesDrawTheMenuThenSwapAndReshapeOnlyOnceSized)
{
    auto nothing = [] {};
    auto sized = [] { onWindowSize(1280, 512); };
    EXPECT_EQ(runPasses({nothing, sized, nothing}), 1);
    EXPECT_EQ(pass(0), (Calls_{"drawMenu", "swapBuffers"}));
    EXPECT_EQ(pass(1), (Calls_{"resizeGL 1280 512", "reshapeWindow", "drawMenu", "swapBuffers"}));
    // Nothing clears the flag: every later pass re-applies the aspect.
    EXPECT_EQ(pass(2), (Calls_{"reshapeWindow", "drawMenu", "swapBuffers"}));
    EXPECT_EQ(pass(3), Calls_{});
    EXPECT_EQ(ElapsedSeconds, 0.0f) << "the menu never reads the clock";
}

TEST_F(MainLoopTest, SocketsAndDialogsGetTheirTurnBeforeTheWindowMessages)
{
    runPasses({[] {}});
    ASSERT_GE(Calls.size(), 3u);
    EXPECT_EQ(Calls[0], "pollSocketEvents");
    EXPECT_EQ(Calls[1], "pumpDialogs");
    EXPECT_EQ(Calls[2], "pumpMessages");
}

TEST_F(MainLoopTest, TerminalFrameRunsClockRenderSwapScrollSendInOrder)
{
    StartTime = {10, 999000};
    ClockNow = {11, 0};
    ViewMode = VIEW_RAIN;
    SessionRunning = 1;
    ResizePending = 1;
    runPasses({[] { scrollActive = true; }, [] { scrollActive = false; }});
    EXPECT_EQ(pass(0), (Calls_{"reshapeWindow", "readClock", "renderFrame", "swapBuffers",
                               "advanceScroll", "sendQueued"}));
    EXPECT_EQ(pass(1), (Calls_{"reshapeWindow", "readClock", "renderFrame", "swapBuffers",
                               "sendQueued"}));
    EXPECT_NEAR(ElapsedSeconds, 0.001f, 1e-8);
}

TEST_F(MainLoopTest, NoFrameWhileTheViewIsSetButTheSessionIsNotRunning)
{
    ViewMode = VIEW_PERSPECTIVE;
    runPasses({[] {}});
    EXPECT_EQ(pass(0), Calls_{});
}

TEST_F(MainLoopTest, ConnectingSwitchesFromMenuFramesToTerminalFramesOnTheNextPass)
{
    // What the menu's connect action does, seen from the loop.
    auto connect = [] {
        ViewMode = VIEW_PERSPECTIVE;
        SessionRunning = 1;
        WindowAspect = 1.6f;
        ResizePending = 1;
    };
    runPasses({[] {}, connect});
    EXPECT_EQ(pass(0), (Calls_{"drawMenu", "swapBuffers"}));
    EXPECT_EQ(pass(1), (Calls_{"reshapeWindow", "readClock", "renderFrame", "swapBuffers",
                               "sendQueued"}));
}

TEST_F(MainLoopTest, CreationRunsTheSharedStepsInOrderAndSeedsFromTheStartTime)
{
    ClockNow = {1796591356, 250000};
    onWindowCreated(1262, 473);
    EXPECT_EQ(Calls, (Calls_{"initGL 1262 473", "buildFont", "clearScreen", "readClock",
                             "seedStarfield"}));
    EXPECT_EQ(StartTime.seconds, 1796591356);
    EXPECT_EQ(StartTime.microseconds, 250000);
    EXPECT_EQ(RandomState, 1796591356u);
    EXPECT_EQ(ReplyHook, &sendReply);
    EXPECT_EQ(BellHook, &playBell);
}

TEST_F(MainLoopTest, TeardownDeletesFontListsThenGlyphThenPanelTextures)
{
    releaseWindowResources();
    EXPECT_EQ(Calls, (Calls_{"deleteFontLists", "deleteGlyphTextures", "deletePanelTextures"}));
}

TEST_F(MainLoopTest, KeyStateFollowsKeyDownAndUpAndIgnoresCodesOutOfRange)
{
    onKeyDown(VK_KEY_END);
    onKeyDown(255);
    onKeyDown(0);
    EXPECT_EQ(KeyState[VK_KEY_END], 1);
    EXPECT_EQ(KeyState[255], 1);
    EXPECT_EQ(KeyState[0], 1);
    onKeyUp(VK_KEY_END);
    EXPECT_EQ(KeyState[VK_KEY_END], 0);
    EXPECT_EQ(KeyState[255], 1);
    // No write outside the 256 entries (the sanitizer build would see it).
    onKeyDown(-1);
    onKeyDown(256);
    onKeyUp(100000);
}

TEST_F(MainLoopTest, TypedCharactersAreQueuedWhateverIsShown)
{
    onTypedChar('a');
    ViewMode = VIEW_PERSPECTIVE;
    onTypedChar(0xDF);
    onTypedChar(13);
    EXPECT_EQ(Queued, (std::vector<unsigned char>{'a', 0xDF, 13}));
}

TEST_F(MainLoopTest, ClicksPickInTheMenuOnlyAndAMissIsStoredToo)
{
    PickResult = ITEM_CONNECT;
    onLeftButtonDown(900, 330, 1280, 544);
    EXPECT_EQ(PickedItem, ITEM_CONNECT);
    EXPECT_EQ(Calls, (Calls_{"pickMenuItem 900 330 1280 544"}));

    PickResult = ITEM_NONE;
    onLeftButtonDown(5, 5, 1280, 544);
    EXPECT_EQ(PickedItem, ITEM_NONE);

    Calls.clear();
    PickedItem = ITEM_QUIT;
    ViewMode = VIEW_RAIN;
    onLeftButtonDown(900, 330, 1280, 544);
    EXPECT_EQ(PickedItem, ITEM_QUIT);
    EXPECT_TRUE(Calls.empty());
}

TEST_F(MainLoopTest, SizeMessagesResizeAndArmTheReshape)
{
    onWindowSize(0, 0);
    EXPECT_EQ(Calls, (Calls_{"resizeGL 0 0"}));
    EXPECT_EQ(ResizePending, 1);
}

// ---- Speed keys ------------------------------------------------------------

// Holds the given keys for `seconds` of frames at `frameRate`.
float holdKeys(bool end, bool home, float frameRate, float seconds, float startPace)
{
    for (uint8_t& key : KeyState) key = 0;
    KeyState[VK_KEY_END] = end;
    KeyState[VK_KEY_HOME] = home;
    FrameRate = frameRate;
    scrollRowsPerSecond = startPace;
    int frames = static_cast<int>(std::lround(frameRate * seconds));
    for (int i = 0; i < frames; ++i) applySpeedKeys();
    return scrollRowsPerSecond;
}

TEST_F(MainLoopTest, SpeedKeysChangeThePaceAtTheSameRateWhateverTheFrameRate)
{
    struct Case {
        bool end, home;
        float seconds, start, expected;
    } cases[] = {
        {true, false, 1.0f, 3.0f, 6.0f},      // End: twice as fast per second
        {true, false, 2.0f, 3.0f, 12.0f},
        {false, true, 1.0f, 3.0f, 1.5f},      // Home: half as fast per second
        {true, false, 10.0f, 3.0f, 40.0f},    // capped
        {false, true, 10.0f, 3.0f, 1.0f},     // floored
        {true, true, 1.0f, 3.0f, 3.0f},       // both: no change
        {false, false, 5.0f, 7.0f, 7.0f},
    };
    const float rates[] = {25.0f, 60.0f, 118.0f, 1000.0f};
    for (const Case& c : cases)
        for (float rate : rates)
            EXPECT_NEAR(holdKeys(c.end, c.home, rate, c.seconds, c.start), c.expected,
                        c.expected * 1e-3)
                << "end " << c.end << " home " << c.home << " for " << c.seconds << " s at "
                << rate << " fps";
}

TEST_F(MainLoopTest, SpeedKeysWaitForAMeasuredFrameRate)
{
    const float unusable[] = {0.0f, -5.0f, NAN, INFINITY};
    for (float rate : unusable) {
        KeyState[VK_KEY_END] = 1;
        FrameRate = rate;
        scrollRowsPerSecond = 3.0f;
        applySpeedKeys();
        EXPECT_EQ(scrollRowsPerSecond, 3.0f) << "frame rate " << rate;
    }
}

TEST_F(MainLoopTest, SpeedKeysAreReadInTerminalFramesAfterTheSwap)
{
    ViewMode = VIEW_PERSPECTIVE;
    SessionRunning = 1;
    FrameRate = 1.0f;   // one frame holds for a whole second
    KeyState[VK_KEY_END] = 1;
    runPasses({[] {}});
    EXPECT_FLOAT_EQ(scrollRowsPerSecond, 6.0f);

    // Not in menu frames.
    SetUp();
    FrameRate = 1.0f;
    KeyState[VK_KEY_END] = 1;
    runPasses({[] {}});
    EXPECT_FLOAT_EQ(scrollRowsPerSecond, 3.0f);
}

// ---- Arithmetic ------------------------------------------------------------

TEST(AspectHeight, QuotientInDoubleTruncatedTowardZero)
{
    struct Case {
        int width;
        float aspect;
        int expected;
    } cases[] = {
        {1280, 2.35f, 544},   // 544.68
        {1280, 1.6f, 799},    // 799.99998: a float quotient would round to 800
        {800, 1.6f, 499},     // 499.99999
        {1920, 2.35f, 817},
        {1600, 1.6f, 999},
        {2, 2.35f, 1},        // never below one pixel
        {0, 2.35f, 1},
        {-10, 1.6f, 1},
        {1280, 0.0f, 32767},  // no aspect: no overflow either
        {100000, 1.0f, 32767},
        {1280, NAN, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(aspectHeight(c.width, c.aspect), c.expected) << c.width << " / " << c.aspect;
}

TEST(ElapsedSeconds, DifferenceOfTwoTimeStamps)
{
    struct Case {
        TimeStamp start, now;
        float expected;
    } cases[] = {
        {{10, 999000}, {11, 0}, 0.001f},
        {{10, 0}, {10, 0}, 0.0f},
        {{100, 500000}, {160, 250000}, 59.75f},
        {{1796591356, 999000}, {1796591357, 1000}, 0.002f},
    };
    // The factor is the float nearest to 1e-6, so a millisecond comes out
    // a few parts in a million long.
    for (const auto& c : cases)
        EXPECT_NEAR(elapsedBetween(c.start, c.now), c.expected, 1e-8 + c.expected * 1e-7)
            << c.start.seconds << "." << c.start.microseconds << " to " << c.now.seconds << "."
            << c.now.microseconds;
}

}  // namespace
