// The shared main loop over stand-ins for everything it drives, and the
// Linux front end's keys, typed text and window title.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/charset.h"
#include "app/keys_sdl.h"
#include "app/main_loop.h"
#include "app/menu.h"
#include "render/frame.h"
#include "render/random.h"
#include "terminal/screen.h"

using Strings = std::vector<std::string>;

namespace {
Strings Calls;
std::vector<std::function<void()>> Passes;   // what each pass's messages do; then the quit
size_t PassIndex = 0;
TimeStamp ClockNow = {0, 0};
void record(const std::string& call) { Calls.push_back(call); }
}  // namespace

#define RECORDED(name) void name() { record(#name); }
RECORDED(swapBuffers) RECORDED(reshapeWindow) RECORDED(pumpDialogs) RECORDED(pollSocketEvents)
RECORDED(drawMenu) RECORDED(sendQueued) RECORDED(buildFont) RECORDED(clearScreen) RECORDED(seedStarfield)
RECORDED(deleteFontLists) RECORDED(deleteGlyphTextures) RECORDED(deletePanelTextures)
void renderFrame(int) { record("renderFrame"); }
void advanceScroll(float) { record("advanceScroll"); }
void initGL(int, int) {}
void resizeGL(int, int) { record("resizeGL"); }
int pickMenuItem(int x, int y, int, int) { record("pick " + std::to_string(x) + " " + std::to_string(y)); return ITEM_QUIT; }
int readClock(TimeStamp* out) { record("readClock"); *out = ClockNow; return 0; }
bool pumpMessages() { record("pumpMessages"); return PassIndex < Passes.size() && (Passes[PassIndex++](), true); }
void queueTypedChar(unsigned char) {}
void sendReply(const unsigned char*, int) {}
void playBell() {}
void showMessageBox(const char*, const char*, int) {}
void requestQuit(int) {}
void (*ConnectionEndHook)(const char*, const char*) = nullptr;
void (*ReplyHook)(const unsigned char*, int) = nullptr;
void (*BellHook)() = nullptr;
int32_t PickedItem = ITEM_NONE, TallScreen = 0;
bool scrollActive = false;
float scrollRowsPerSecond = SCROLL_ROWS_PER_SECOND_START, FrameRate = 0.0f, ElapsedSeconds = 0.0f;

namespace {

TEST(MainLoop, EachPassTakesMessagesThenReshapesOnceSizedThenDrawsOneFrame)
{
    StartTime = {1796591356, 999000};
    ClockNow = {1796591357, 1000};
    FrameRate = 1.0f;   // each frame stands for a second of holding End
    KeyState[KEY_END] = 1;
    // A click picks in the start menu only.
    Passes = {[] { onLeftButtonDown(900, 330, 1280, 544); }, [] { onWindowSize(1280, 512); },
              [] { ViewMode = VIEW_RAIN; onLeftButtonDown(9, 9, 1280, 544); },
              [] { SessionRunning = 1; scrollActive = true; }, [] { scrollActive = false; }};
    EXPECT_EQ(runMainLoop(), 1);
    Strings expected;
    for (const Strings& calls : {Strings{"pick 900 330", "drawMenu", "swapBuffers"},
                                 Strings{"resizeGL", "reshapeWindow", "drawMenu", "swapBuffers"},
                                 Strings{"reshapeWindow"},   // a view but no session yet: no frame
                                 Strings{"reshapeWindow", "readClock", "renderFrame", "swapBuffers", "advanceScroll", "sendQueued"},
                                 Strings{"reshapeWindow", "readClock", "renderFrame", "swapBuffers", "sendQueued"},
                                 Strings{}}) {   // the quit
        expected.insert(expected.end(), {"pollSocketEvents", "pumpDialogs", "pumpMessages"});
        expected.insert(expected.end(), calls.begin(), calls.end());
    }
    EXPECT_EQ(Calls, expected);
    EXPECT_EQ(PickedItem, ITEM_QUIT);
    EXPECT_NEAR(ElapsedSeconds, 0.002f, 1e-8) << "no precision lost to the large seconds";
    EXPECT_FLOAT_EQ(scrollRowsPerSecond, 12.0f) << "End is read in the two terminal frames only";
}

TEST(SpeedKeys, PaceChangesPerSecondOfHoldingWhateverTheFrameRate)
{
    struct Case { bool end, home; float frameRate; int frames; float expected; } cases[] = {
        {true, false, 25, 25, 6},      {true, false, 1000, 2000, 12},   // End: twice as fast per second
        {false, true, 118, 118, 1.5f}, {true, true, 60, 60, 3},         // Home: half as fast
        {true, false, 60, 600, 40},    {false, true, 60, 600, 1},       // the limits
        {true, false, NAN, 10, 3},                                      // no frame rate measured yet
    };
    for (const Case& c : cases) {
        KeyState[KEY_END] = c.end;
        KeyState[KEY_HOME] = c.home;
        FrameRate = c.frameRate;
        scrollRowsPerSecond = 3.0f;
        for (int i = 0; i < c.frames; ++i) applySpeedKeys();
        EXPECT_NEAR(scrollRowsPerSecond, c.expected, c.expected * 1e-3) << c.end << c.home << " at " << c.frameRate;
    }
}

TEST(Keys, SpeedKeysAreHeldUntilReleasedOrTheFocusGoes)
{
    // As the SDL front end hands them on; other keys are not followed.
    for (SDL_Scancode key : {SDL_SCANCODE_END, SDL_SCANCODE_HOME, SDL_SCANCODE_A, SDL_SCANCODE_KP_1})
        onKeyDown(keyFor(key));
    onKeyUp(keyFor(SDL_SCANCODE_HOME));
    EXPECT_TRUE(KeyState[KEY_END] && !KeyState[KEY_HOME] && !KeyState[KEY_NONE]);
    onKeyDown(-1);   // the sanitizer build sees any write outside the table
    onKeyUp(KEY_COUNT);
    onFocusLost();   // no key-up comes for a key held while another window has the focus
    EXPECT_FALSE(KeyState[KEY_END]);
}

TEST(TypedInput, KeysAndTextGoOutAsOneWindows1252ByteEach)
{
    // A key press when text is null, else a text-input event.
    struct Case { SDL_Keycode key; const char* text; Uint16 modifiers; std::string expected; } cases[] = {
        {SDLK_KP_ENTER, nullptr, KMOD_NONE, "\r"},  {SDLK_BACKSPACE, nullptr, KMOD_NONE, "\b"},
        {SDLK_TAB, nullptr, KMOD_LSHIFT, "\t"},     {SDLK_ESCAPE, nullptr, KMOD_NONE, "\x1B"},
        {SDLK_c, nullptr, KMOD_RCTRL, "\x03"},      {SDLK_RIGHTBRACKET, nullptr, KMOD_LCTRL, "\x1D"},
        {SDLK_RETURN, nullptr, KMOD_LCTRL, "\n"},   {SDLK_BACKSPACE, nullptr, KMOD_LCTRL, "\x7F"},
        {SDLK_a, nullptr, KMOD_NONE, ""},           // its character comes as text
        {0, "@", KMOD_RALT, "@"},                   // AltGr
        {0, "ab\xC3\x9F\xE2\x82\xAC\xE2\x84\xA2", KMOD_NONE, "ab\xDF\x80\x99"},   // ß € ™
        {0, "\xE3\x81\x82\xC2\x85\x7F", KMOD_NONE, "?"},   // not in the code page; controls come from keys
        {0, "x", KMOD_LALT, ""},                    {0, "1", KMOD_LCTRL, ""},
        {0, "\x80x\xC3(\xED\xA0\x80", KMOD_NONE, "?x?(???"},   // stray, truncated, a surrogate
    };
    for (const auto& c : cases) {
        unsigned char out[16];
        std::string got;
        if (c.text)
            got.assign(reinterpret_cast<char*>(out), typedCharsForText(c.text, c.modifiers, out, sizeof out));
        else if (typedCharForKey(c.key, c.modifiers) >= 0)
            got = std::string(1, static_cast<char>(typedCharForKey(c.key, c.modifiers)));
        EXPECT_EQ(got, c.expected) << (c.text ? c.text : SDL_GetKeyName(c.key)) << " mod " << c.modifiers;
    }
    unsigned char room[4] = {0, 0, 0, 'X'};
    EXPECT_EQ(typedCharsForText("abcdef", KMOD_NONE, room, 3), 3);
    EXPECT_EQ(room[3], 'X');
}

TEST(TitleText, Windows1252ToUtf8NeverOverrunsNorSplitsACharacter)
{
    struct Case { const char* text; int size; const char* expected; } cases[] = {
        {"\xDF\x80\x99\x81", 64, "\xC3\x9F\xE2\x82\xAC\xE2\x84\xA2\xEF\xBF\xBD"},   // ß € ™, unassigned 0x81
        {"abcde\xDF\xDF", 8, "abcde\xC3\x9F"},   // the second ß does not fit
        {"\x80", 3, ""},                         // 3 bytes need 4 with the NUL
    };
    for (const auto& c : cases) {
        char out[65];
        std::memset(out, 'X', sizeof out);
        EXPECT_EQ(cp1252ToUtf8(c.text, out, c.size), static_cast<int>(std::strlen(c.expected))) << c.text;
        EXPECT_STREQ(out, c.expected);
        EXPECT_EQ(out[c.size], 'X') << c.text;
    }
}

}  // namespace
