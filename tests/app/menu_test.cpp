// The start menu on a headless GL context, over a recording platform and
// stand-ins for the session and the connect dialog.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>

#include "app/menu.h"
#include "net/connection.h"
#include "render/gl_setup.h"
#include "render/offscreen_gl.h"
#include "tests/support/recording_platform.h"

char HostName[HOST_NAME_SIZE];
uint32_t PortNumber = DEFAULT_PORT;
static int DialogOpens = 0;
static std::string Sessions;   // the display and window modes of each session started
void startSession(int32_t display, int32_t window) { Sessions += std::to_string(display) + std::to_string(window) + " "; }
bool openConnectDialog() { return ++DialogOpens; }

class Menu : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(createHeadlessContext(1280, 800));   // room for the standard window
        setUpGraphics(1280, 544);
    }
    void SetUp() override
    {
        MenuOption[OPTION_DISPLAY_MODE] = MenuOption[OPTION_WINDOW_MODE] = DialogOpens = 0;
        Sessions.clear();
        resetRecordedPlatform();
    }
};

TEST_F(Menu, FlipPanelsTurnOneDegreePerFrameAndBackWithoutAJump)
{
    // From the opening angles; the display option clicked twice while its panel turns, the window option once.
    ViewFlipAngle = 0.0f;
    ShapeFlipAngle = 180.0f;
    for (int frame = 1; frame <= 400; ++frame) {
        const float view = ViewFlipAngle, shape = ShapeFlipAngle;
        PickedItem = frame == 60 || frame == 100 ? ITEM_DISPLAY_MODE : frame == 200 ? ITEM_WINDOW_MODE : ITEM_NONE;
        handleMenuAction();
        drawMenu();
        // The window panel's opening turn takes 180 frames.
        ASSERT_TRUE(std::fabs(ViewFlipAngle - view) <= 1 && std::fabs(ShapeFlipAngle - shape) <= 1 &&
                    (frame != 180 || ShapeFlipAngle == 0)) << frame << ": " << ViewFlipAngle << ", " << ShapeFlipAngle;
    }
    EXPECT_TRUE(ViewFlipAngle == 180 && ShapeFlipAngle == 180) << ViewFlipAngle << ", " << ShapeFlipAngle;
}

TEST_F(Menu, EachPickIsActedOnOnceAndConnectTakesSixCharacters)
{
    // Options, dialogs opened, sessions started, quits and message box after three frames.
    using Outcome = std::tuple<int, int, int, std::string, int, std::string>;
    const struct { int item; const char* host; int display, window; Outcome outcome; } cases[] = {
        {ITEM_DISPLAY_MODE, "", 0, 1, {1, 1, 0, "", 0, ""}},
        {ITEM_WINDOW_MODE, "", 1, 1, {1, 0, 0, "", 0, ""}},
        {ITEM_HOST_ADDRESS, "", 0, 0, {0, 0, 1, "", 0, ""}},
        {ITEM_QUIT, "", 0, 0, {0, 0, 0, "", 1, ""}},
        {ITEM_CONNECT, "hosts", 1, 1, {1, 1, 1, "", 0, "Please select a valid host to connect to."}},
        {ITEM_CONNECT, "127.0.0.1", 1, 0, {1, 0, 0, "10 ", 0, ""}},
        {ITEM_CONNECT, "host.a", 0, 1, {0, 1, 0, "01 ", 0, ""}},
    };
    for (const auto& c : cases) {
        SetUp();
        std::strcpy(HostName, c.host);
        MenuOption[OPTION_DISPLAY_MODE] = c.display;
        MenuOption[OPTION_WINDOW_MODE] = c.window;
        PickedItem = c.item;
        for (int frame = 0; frame < 3; ++frame) {
            drawMenu();
            handleMenuAction();
        }
        EXPECT_EQ(Outcome(MenuOption[OPTION_DISPLAY_MODE], MenuOption[OPTION_WINDOW_MODE], DialogOpens, Sessions,
                          RecordedQuits, RecordedBoxes.empty() ? "" : RecordedBoxes[0].text), c.outcome) << c.item << " " << c.host;
        EXPECT_EQ(PickedItem, ITEM_NONE);
    }
}

TEST_F(Menu, PicksEachPanelInsideItsEdgesAndNothingJustOutside)
{
    // Centre and half extents of each clickable panel, and the banner.
    const struct { int item; float x, y, z, halfWidth, halfHeight; } panels[] = {
        {ITEM_DISPLAY_MODE, -4, 1.5f, -4, 1, 0.5f}, {ITEM_WINDOW_MODE, -4, 0, -4, 1, 0.5f},
        {ITEM_HOST_ADDRESS, -4, -1.5f, -4, 1, 0.5f}, {ITEM_CONNECT, 3, -0.5f, -4, 0.8f, 0.2f},
        {ITEM_QUIT, 3, -1.5f, -4, 0.8f, 0.2f}, {ITEM_NONE, 3, 1.5f, -4, 1.6f, 0.4f},
    };
    // Client and outer sizes: the widescreen window bare, the standard one with frame and caption.
    for (const auto& w : {std::array<int, 4>{1280, 544, 1280, 544}, std::array<int, 4>{1272, 765, 1280, 800}}) {
        resizeGL(w[0], w[1]);
        for (const auto& p : panels) {
            // Under gluPerspective(60, w / h) a point at depth -z is sqrt(3) / -z half-heights off the centre.
            const double scale = std::sqrt(3.0) / -p.z * w[1] / 2, cx = w[0] / 2.0 + p.x * scale, cy = w[1] / 2.0 + p.y * scale;
            const double halfWidth = p.halfWidth * scale, halfHeight = p.halfHeight * scale;
            // The pick region is 5 x 5 pixels around the click: up to 2.5 pixels outside an edge it
            // still hits (1.8 here, 2.3 at most once rounded to a pixel), 3.5 pixels outside it misses.
            for (const double off : {1.8, 3.5}) {
                const double x[] = {cx - halfWidth - off, cx + halfWidth + off, cx, cx};
                const double y[] = {cy, cy, cy - halfHeight - off, cy + halfHeight + off};
                for (int k = 0; k < 4; ++k)
                    EXPECT_EQ(pickMenuItem(int(std::lround(x[k])), int(std::lround(w[1] - y[k])), w[2], w[3]),
                              off < 3 ? p.item : ITEM_NONE) << p.item << " in " << w[0] << " x " << w[1] << " at " << x[k] << ", " << y[k];
            }
        }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

