// The shared main loop over stand-ins for everything it drives, and the
// Linux front end's typed text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "terminal/charset.h"
#include "app/keys_sdl.h"
#include "app/main_loop.h"
#include "app/menu.h"
#include "app/session.h"
#include "render/frame.h"
#include "terminal/screen.h"

static std::string Calls;
static std::vector<std::function<void()>> Passes;   // what each pass's messages do; then the quit
static size_t PassIndex = 0;
static void record(const std::string& call) { Calls += call + " "; }

#define RECORDED(name, ...) void name(__VA_ARGS__) { record(#name); }
RECORDED(swapBuffers) RECORDED(reshapeWindow) RECORDED(pumpDialogs) RECORDED(takeSocketEvents) RECORDED(drawMenu)
RECORDED(handleMenuAction) RECORDED(playBell) RECORDED(connectToHost) RECORDED(sendQueued) RECORDED(renderFrame, int) RECORDED(advanceScroll, float, float) RECORDED(resizeGL, int, int)
RECORDED(setUpGraphics, int, int) RECORDED(clearScreen) RECORDED(seedStarfield) RECORDED(releaseGraphics)
RECORDED(queueTypedChar, unsigned char)
RECORDED(sendReply, const unsigned char*, int)
void clickMenu(int x, int y, int, int) { record("click " + std::to_string(x) + " " + std::to_string(y)); }
// Terminal frames half a second apart, the first 0.002 s after the start.
int readClock(TimeStamp* out) { static int n = 0; record("readClock"); *out = {1796591357 + n / 2, 1000 + 500000 * (n % 2)}; ++n; return 0; }
bool pumpMessages() { record("pumpMessages"); return PassIndex < Passes.size() && (Passes[PassIndex++](), true); }
void (*ConnectionEndHook)(const char*, const char*) = nullptr;
void (*ReplyHook)(const unsigned char*, int) = nullptr;
uint32_t BellCount = 0;
int32_t TallScreen = 0;
bool scrollActive = false;
float FrameRate = 0.0f, ElapsedSeconds = 0.0f;

TEST(MainLoop, EachPassTakesMessagesThenReshapesOnceSizedThenDrawsOneFrame)
{
    StartTime = {1796591356, 999000};
    FrameRate = 0.05f;   // as measured in the first frames after 20 s in the start menu
    onKeyDown(keyFor(SDL_SCANCODE_END));
    // A click goes to the start menu only; bells sound once a frame, however many came.
    Passes = {[] { onLeftButtonDown(900, 330, 1280, 544); }, [] { onWindowSize(1280, 512); },
              [] { startSession(1, 1); onLeftButtonDown(9, 9, 1280, 544); scrollActive = true; BellCount = 3; },
              [] { scrollActive = false; }, [] { onFocusLost(); BellCount = 4; }};
    EXPECT_EQ(runMainLoop(), 1);
#define PASS "takeSocketEvents pumpDialogs pumpMessages "
    EXPECT_EQ(Calls, PASS "click 900 330 drawMenu swapBuffers handleMenuAction "
                     PASS "resizeGL reshapeWindow drawMenu swapBuffers handleMenuAction "
                     PASS "connectToHost reshapeWindow readClock renderFrame swapBuffers playBell advanceScroll sendQueued "
                     PASS "reshapeWindow readClock renderFrame swapBuffers sendQueued "
                     PASS "reshapeWindow readClock renderFrame swapBuffers playBell sendQueued "
                     PASS);   // then the quit
    // The session started in the rain view, in the standard window.
    EXPECT_TRUE(ViewMode == VIEW_RAIN && TallScreen == 1 && WindowAspect == STANDARD_ASPECT && SessionRunning);
    EXPECT_NEAR(ElapsedSeconds, 1.002f, 1e-7) << "no precision lost to the large seconds";
    // End steps by the time between terminal frames (the first has none behind it, the menu's
    // time does not count), and only until the focus goes: no key-up comes then.
    EXPECT_FLOAT_EQ(ScrollRowsPerSecond, 3.0f * std::sqrt(2.0f));
}

TEST(TypedInput, KeysAndTextGoOutAsOneWindows1252ByteEach)
{
    // Keys that type by themselves; a letter's character comes as text.
    const struct { SDL_Keycode key; Uint16 modifiers; int typed; } keys[] = {
        {SDLK_RETURN, KMOD_NONE, 13}, {SDLK_KP_ENTER, KMOD_NONE, 13}, {SDLK_RETURN, KMOD_LCTRL, 10},
        {SDLK_BACKSPACE, KMOD_NONE, 8}, {SDLK_BACKSPACE, KMOD_LCTRL, 127}, {SDLK_TAB, KMOD_LSHIFT, 9},
        {SDLK_ESCAPE, KMOD_NONE, 27}, {SDLK_c, KMOD_RCTRL, 3}, {SDLK_RIGHTBRACKET, KMOD_LCTRL, 29},
        {SDLK_SPACE, KMOD_RCTRL, 32}, {SDLK_a, KMOD_NONE, -1}, {SDLK_F1, KMOD_LCTRL, -1},
    };
    for (const auto& k : keys) EXPECT_EQ(typedCharForKey(k.key, k.modifiers), k.typed) << SDL_GetKeyName(k.key);
    // Text: AltGr types, the left Alt does not; controls come from keys only.
    const struct { const char* text; Uint16 modifiers; std::string bytes; } texts[] = {
        {"@", KMOD_RALT, "@"}, {"x", KMOD_LALT, ""},
        {"\xC3\x9F\xE2\x82\xAC\xE3\x81\x82\xC2\x85", KMOD_NONE, "\xDF\x80?"},   // ß €, one not in the code page, a control
        {"\x80x\xC3(\xED\xA0\x80", KMOD_NONE, "?x?(???"},   // stray, truncated, a surrogate
    };
    for (const auto& t : texts) {
        unsigned char out[16];
        const int count = typedCharsForText(t.text, t.modifiers, out, sizeof out);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(out), count), t.bytes) << t.text;
    }
}

TEST(TitleText, Windows1252ToUtf8NeverOverrunsNorSplitsACharacter)
{
    const struct { const char* text; int size; const char* utf8; } cases[] = {
        {"\xDF\x80\x99\x81", 64, "\xC3\x9F\xE2\x82\xAC\xE2\x84\xA2\xEF\xBF\xBD"},   // ß € ™, unassigned 0x81
        {"abcde\xDF\xDF", 8, "abcde\xC3\x9F"},   // the second ß does not fit
        {"\x80", 3, ""},                         // € takes 3 bytes and the NUL a fourth
    };
    for (const auto& c : cases) {
        char out[65];
        std::memset(out, 'X', sizeof out);
        EXPECT_EQ(cp1252ToUtf8(c.text, out, c.size), static_cast<int>(std::strlen(c.utf8))) << c.text;
        EXPECT_STREQ(out, c.utf8);
        EXPECT_EQ(out[c.size], 'X') << "written past the end: " << c.text;
    }
}
