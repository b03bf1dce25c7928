// The start menu on a headless GL context, over a recording platform and
// stand-ins for the connection and the connect dialog.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>

#include "app/app_state.h"
#include "app/menu.h"
#include "net/connection.h"
#include "render/gl_setup.h"
#include "tests/render/egl_context.h"
#include "tests/support/recording_platform.h"

char HostName[HOST_NAME_SIZE];
uint32_t PortNumber = DEFAULT_PORT;
static int ConnectCalls = 0, DialogOpens = 0;
static bool DialogOpenSucceeds = true;
void connectToHost() { ++ConnectCalls; }
bool openConnectDialog() { ++DialogOpens; return DialogOpenSucceeds; }

namespace {

enum { WIDTH = 1280, HEIGHT = 544 };   // the widescreen window's client area

void reset()
{
    PickedItem = ITEM_NONE;
    MenuOption[0] = MenuOption[1] = TallScreen = 0;
    ViewFlipAngle = 0.0f;
    ShapeFlipAngle = 180.0f;
    ViewMode = VIEW_MENU;
    SessionRunning = ResizePending = 0;
    WindowAspect = 9.0f;
    std::memset(HostName, 0, sizeof HostName);
    ConnectCalls = DialogOpens = 0;
    DialogOpenSucceeds = true;
    resetRecordedPlatform();
    resizeGL(WIDTH, HEIGHT);
}

// The message boxes shown, one line each.
std::string boxes()
{
    std::string all;
    for (const RecordedBox& b : RecordedBoxes) all += b.text + " / " + b.caption + " / " + std::to_string(b.icon) + "\n";
    return all;
}

class Menu : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(createHeadlessContext(1280, 800));   // room for the standard window
        initGL(WIDTH, HEIGHT);
    }
    static void TearDownTestSuite() { destroyHeadlessContext(); }
    void SetUp() override { reset(); }
};

// A rectangle in eye space as the menu draws it, and what a click on it picks.
struct Panel { const char* name; int item; float x, y, z, halfWidth, halfHeight; };
struct Rect { double left, right, bottom, top; };   // viewport pixels, origin bottom left

// Where a panel lands in the viewport: under gluPerspective(60, width /
// height) a point at depth -z is sqrt(3) / -z half-heights off the centre.
Rect project(const Panel& p)
{
    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    const double scale = std::sqrt(3.0) / -p.z * v[3] / 2;
    return {v[2] / 2.0 + (p.x - p.halfWidth) * scale, v[2] / 2.0 + (p.x + p.halfWidth) * scale,
            v[3] / 2.0 + (p.y - p.halfHeight) * scale, v[3] / 2.0 + (p.y + p.halfHeight) * scale};
}

TEST_F(Menu, FlipPanelsTurnOneDegreePerFrameAndBackWithoutAJump)
{
    // An item clicked at two frames (0: none), and where both panels rest.
    const struct { int item, firstClick, secondClick; float view, shape; } cases[] = {
        {ITEM_NONE, 0, 0, 180, 0},             // the opening turn only
        {ITEM_DISPLAY_MODE, 60, 100, 180, 0},  // turned back while turning
        {ITEM_DISPLAY_MODE, 200, 0, 0, 0},     // toggled: the other face
        {ITEM_WINDOW_MODE, 200, 0, 180, 180},
    };
    for (const auto& c : cases) {
        reset();
        for (int frame = 1; frame <= 450; ++frame) {
            const float view = ViewFlipAngle, shape = ShapeFlipAngle;
            if (frame == c.firstClick || frame == c.secondClick) PickedItem = c.item;
            drawMenu();
            ASSERT_TRUE(std::fabs(ViewFlipAngle - view) <= 1 && std::fabs(ShapeFlipAngle - shape) <= 1 &&
                        std::fmin(ViewFlipAngle, ShapeFlipAngle) >= 0 && std::fmax(ViewFlipAngle, ShapeFlipAngle) <= 180)
                << c.item << " at frame " << frame << ": " << ViewFlipAngle << ", " << ShapeFlipAngle;
            if (frame == 180 && (c.firstClick == 0 || c.firstClick > 180)) {
                EXPECT_TRUE(ViewFlipAngle == 180 && ShapeFlipAngle == 0) << "the opening turn takes 180 frames";
            }
        }
        EXPECT_TRUE(ViewFlipAngle == c.view && ShapeFlipAngle == c.shape) << c.item << " at " << c.firstClick;
    }
}

TEST_F(Menu, ConnectTakesSixCharactersAndSwitchesToTheChosenView)
{
    const struct { const char* host; int display, window, view, tall; float aspect; } cases[] = {
        {"host", 0, 0, VIEW_MENU, 0, 9}, {"hosts", 1, 1, VIEW_MENU, 0, 9},
        {"host.a", 0, 0, VIEW_PERSPECTIVE, 0, 2.35f}, {"127.0.0.1", 1, 0, VIEW_RAIN, 0, 2.35f},
        {"localhost", 0, 1, VIEW_PERSPECTIVE, 1, 1.6f},
        {nullptr, 1, 1, VIEW_RAIN, 1, 1.6f},   // no terminator: cut at the end of the buffer
    };
    for (const auto& c : cases) {
        reset();
        std::memset(HostName, 'w', sizeof HostName);
        if (c.host) std::strcpy(HostName, c.host);
        MenuOption[0] = c.display;
        MenuOption[1] = c.window;
        PickedItem = ITEM_CONNECT;
        drawMenu();
        EXPECT_EQ(DialogOpens, 0);
        drawMenu();   // after a refusal, the frame that opens a connect dialog
        const int on = c.view != VIEW_MENU;
        EXPECT_EQ(std::make_tuple(ConnectCalls, ViewMode, TallScreen, WindowAspect, SessionRunning + ResizePending,
                                  DialogOpens, PickedItem, boxes()),
                  std::make_tuple(on, c.view, c.tall, c.aspect, 2 * on, 1 - on, ITEM_NONE,
                                  on ? "" : "Please select a valid host to connect to. / Invalid Host Address / 1\n"))
            << (c.host ? c.host : "unterminated");
    }
}

TEST_F(Menu, EveryOtherPickIsActedOnOnce)
{
    const struct { int item; bool dialogOpens; int display, window, dialogs, quits; const char* box; } cases[] = {
        {ITEM_DISPLAY_MODE, true, 1, 0, 0, 0, ""}, {ITEM_WINDOW_MODE, true, 0, 1, 0, 0, ""},
        {ITEM_HOST_ADDRESS, true, 0, 0, 1, 0, ""}, {ITEM_HOST_ADDRESS, false, 0, 0, 1, 1, "Cant create dialog! / Error / 0\n"},
        {ITEM_QUIT, true, 0, 0, 0, 1, ""}, {7, true, 0, 0, 0, 0, ""},
    };
    for (const auto& c : cases) {
        reset();
        DialogOpenSucceeds = c.dialogOpens;
        PickedItem = c.item;
        handleMenuAction();
        handleMenuAction();   // the next frame: nothing left to do
        EXPECT_EQ(std::make_tuple(MenuOption[0], MenuOption[1], DialogOpens, RecordedQuits, PickedItem, ViewMode, boxes()),
                  std::make_tuple(c.display, c.window, c.dialogs, c.quits, ITEM_NONE, VIEW_MENU, c.box)) << c.item;
    }
}

TEST_F(Menu, PicksEachPanelInsideItsEdgesAndNothingJustOutside)
{
    const Panel panels[] = {
        {"display label", ITEM_DISPLAY_MODE, -4, 1.5f, -4, 1, 0.5f}, {"window label", ITEM_WINDOW_MODE, -4, 0, -4, 1, 0.5f},
        {"host label", ITEM_HOST_ADDRESS, -4, -1.5f, -4, 1, 0.5f},   {"connect", ITEM_CONNECT, 3, -0.5f, -4, 0.8f, 0.2f},
        {"quit", ITEM_QUIT, 3, -1.5f, -3.99f, 0.8f, 0.2f},           {"banner", ITEM_NONE, 3, 1.5f, -4, 1.6f, 0.4f},
        {"display flip panel", ITEM_NONE, -1.25f, 1.5f, -4, 1.6f, 0.4f},
    };
    // Client and outer sizes: the widescreen window bare, the standard one with frame and caption.
    for (const auto& w : {std::array<int, 4>{1280, 544, 1280, 544}, std::array<int, 4>{1272, 765, 1280, 800}}) {
        resizeGL(w[0], w[1]);
        std::array<GLdouble, 16> before, after;
        glGetDoublev(GL_PROJECTION_MATRIX, before.data());
        for (const Panel& p : panels) {
            const Rect r = project(p);
            const double cx = (r.left + r.right) / 2, cy = (r.bottom + r.top) / 2;
            // The pick region is 5 x 5 pixels around the click: up to 2.5
            // pixels outside an edge it still hits the panel (1.8 here, 2.3
            // at most once rounded to a pixel), 3.5 pixels outside it misses.
            for (const double off : {0.0, 1.8, 3.5}) {
                for (const auto& at : {std::array<double, 2>{r.left - off, cy}, {r.right + off, cy},
                                       {cx, r.bottom - off}, {cx, r.top + off}}) {
                    const int picked = pickMenuItem(int(std::lround(at[0])), int(std::lround(w[1] - at[1])), w[2], w[3]);
                    EXPECT_EQ(picked, off < 3 ? p.item : ITEM_NONE)
                        << p.name << " in " << w[0] << " x " << w[1] << " at " << at[0] << ", " << at[1];
                }
            }
        }
        glGetDoublev(GL_PROJECTION_MATRIX, after.data());
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_TRUE(before == after && mode == GL_MODELVIEW) << "the pick leaves the view state changed";
    }
    EXPECT_EQ(boxes(), "");
}

TEST_F(Menu, HostRowShowsTheNameInGreenFromFourCharacters)
{
    // Glyph cells 0.15 wide and 0.225 high on y = -1.5 from x = -2.575 (eye
    // space at z = -4); shorter names show "Please enter an address".
    const struct { const char* host; int cells; } cases[] = {{"abc", 23}, {"host", 4}, {"quorvish.test", 13}};
    static unsigned char frame[WIDTH * HEIGHT * 4];
    for (const auto& c : cases) {
        std::strcpy(HostName, c.host);
        drawMenu();
        glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, frame);
        // Lit pixels over cells first to last: green ones, others.
        const auto lit = [](float first, float last) {
            const Rect r = project({"", ITEM_NONE, -2.575f + 0.075f * (first + last), -1.5f, -4, 0.075f * (last - first), 0.1125f});
            std::array<int, 2> count = {0, 0};
            for (int y = int(std::ceil(r.bottom)); y < int(r.top); ++y)
                for (int x = int(std::ceil(r.left)); x < int(r.right); ++x) {
                    const unsigned char* p = &frame[(size_t(y) * WIDTH + x) * 4];
                    if (p[0] >= 40 || p[1] >= 40 || p[2] >= 40) ++count[2 * p[1] > 3 * p[0] && 2 * p[1] > 3 * p[2] ? 0 : 1];
                }
            return count;
        };
        EXPECT_TRUE(lit(0, c.cells)[0] > 20 * c.cells && lit(0, c.cells)[1] == 0) << c.host << ": only green";
        EXPECT_TRUE(lit(0, 1)[0] > 10 && lit(c.cells - 1, c.cells)[0] > 10) << c.host << ": first and last cell drawn";
        EXPECT_EQ(lit(c.cells + 0.2f, 25.8f), (std::array<int, 2>{0, 0})) << c.host << ": dark after the text";
    }
}

}  // namespace
