// The start menu on a headless GL context: the flip animation, the actions
// taken on a pick, the selection pass against what is drawn (also close to
// the panels' edges and with a client area smaller than the window), and
// the host text.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/dialog.h"
#include "app/menu.h"
#include "app/platform.h"
#include "net/connection.h"
#include "render/gl_setup.h"
#include "render/rain.h"
#include "tests/render/egl_context.h"
#include "tests/support/recording_platform.h"

// The connection's state and its one call the menu makes, recorded.
char HostName[HOST_NAME_SIZE];
uint32_t PortNumber = DEFAULT_PORT;
static int ConnectCalls = 0;
void connectToHost() { ++ConnectCalls; }

// The connect dialog, recorded; opening can be made to fail.
static int DialogOpens = 0;
static bool DialogOpenSucceeds = true;
bool openConnectDialog()
{
    ++DialogOpens;
    return DialogOpenSucceeds;
}
void pumpDialogs() {}

namespace {

enum { SURFACE_WIDTH = 1280, SURFACE_HEIGHT = 800 };

bool ContextReady = false;

class MenuEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        ContextReady = createHeadlessContext(SURFACE_WIDTH, SURFACE_HEIGHT);
        ASSERT_TRUE(ContextReady);
        initGL(1280, 544);
        resizeGL(1280, 544);
    }
    void TearDown() override { destroyHeadlessContext(); }
};

void resetMenuState()
{
    PickedItem = ITEM_NONE;
    MenuOption[0] = MenuOption[1] = 0;
    ViewFlipAngle = 0.0f;
    ShapeFlipAngle = 180.0f;
    ViewMode = VIEW_MENU;
    SessionRunning = 0;
    ResizePending = 0;
    WindowAspect = 2.35f;
    TallScreen = 0;
    std::memset(HostName, 0, sizeof HostName);
    PortNumber = DEFAULT_PORT;
    ConnectCalls = 0;
    DialogOpens = 0;
    DialogOpenSucceeds = true;
    resetRecordedPlatform();
}

class Menu : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ContextReady);
        resetMenuState();
        resizeGL(1280, 544);
        while (glGetError() != GL_NO_ERROR) {
        }
    }
};

// ---------------------------------------------------------------- flip step

TEST_F(Menu, BothPanelsMakeTheirOpeningTurnIn180Frames)
{
    EXPECT_EQ(0.0f, ViewFlipAngle);
    EXPECT_EQ(180.0f, ShapeFlipAngle);
    drawMenu();
    EXPECT_EQ(1.0f, ViewFlipAngle);
    EXPECT_EQ(179.0f, ShapeFlipAngle);
    for (int frame = 2; frame <= 179; ++frame)
        drawMenu();
    EXPECT_EQ(179.0f, ViewFlipAngle);
    EXPECT_EQ(1.0f, ShapeFlipAngle);
    drawMenu();
    EXPECT_EQ(180.0f, ViewFlipAngle);
    EXPECT_EQ(0.0f, ShapeFlipAngle);
    // At rest from then on.
    for (int frame = 0; frame < 20; ++frame)
        drawMenu();
    EXPECT_EQ(180.0f, ViewFlipAngle);
    EXPECT_EQ(0.0f, ShapeFlipAngle);
}

TEST_F(Menu, ClickingTwiceTurnsBackWithoutAJump)
{
    struct Case {
        int item;
        float* angle;
        int firstClickFrame, secondClickFrame;
    };
    const Case cases[] = {
        {ITEM_DISPLAY_MODE, &ViewFlipAngle, 60, 100},
        {ITEM_WINDOW_MODE, &ShapeFlipAngle, 200, 260},
        {ITEM_DISPLAY_MODE, &ViewFlipAngle, 200, 201},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        resetMenuState();
        float previous = *c.angle;
        int reversals = 0;
        int lastDirection = 0;
        for (int frame = 1; frame <= 600; ++frame) {
            if (frame == c.firstClickFrame || frame == c.secondClickFrame)
                PickedItem = c.item;
            drawMenu();
            float step = *c.angle - previous;
            ASSERT_LE(std::fabs(step), 1.0f) << "frame " << frame;
            ASSERT_GE(*c.angle, 0.0f);
            ASSERT_LE(*c.angle, 180.0f);
            ASSERT_EQ(std::floor(*c.angle), *c.angle);
            int direction = step > 0 ? 1 : step < 0 ? -1 : 0;
            if (direction != 0 && lastDirection != 0 && direction != lastDirection)
                ++reversals;
            if (direction != 0)
                lastDirection = direction;
            previous = *c.angle;
            EXPECT_EQ(ITEM_NONE, PickedItem);
        }
        // Toggled twice: back at the option's original value and resting.
        EXPECT_EQ(0, MenuOption[c.item]);
        EXPECT_EQ(c.item == ITEM_DISPLAY_MODE ? 180.0f : 0.0f, *c.angle);
        EXPECT_GE(reversals, 1);
    }
}

TEST_F(Menu, ToggledOptionsRestOnTheirOtherFaces)
{
    PickedItem = ITEM_DISPLAY_MODE;
    drawMenu();
    PickedItem = ITEM_WINDOW_MODE;
    drawMenu();
    EXPECT_EQ(1, MenuOption[0]);
    EXPECT_EQ(1, MenuOption[1]);
    for (int frame = 0; frame < 400; ++frame)
        drawMenu();
    EXPECT_EQ(0.0f, ViewFlipAngle);
    EXPECT_EQ(180.0f, ShapeFlipAngle);
}

// ---------------------------------------------------------- menu actions

struct HostCase {
    const char* host;
    bool accepted;
};

TEST_F(Menu, ConnectNeedsSixCharacters)
{
    const HostCase cases[] = {
        {"", false}, {"abc", false}, {"host", false}, {"hosts", false},
        {"host.a", true}, {"127.0.0.1", true},
    };
    for (const HostCase& c : cases) {
        SCOPED_TRACE(c.host);
        resetMenuState();
        std::strcpy(HostName, c.host);
        PickedItem = ITEM_CONNECT;
        handleMenuAction();
        if (c.accepted) {
            EXPECT_EQ(1, ConnectCalls);
            EXPECT_TRUE(RecordedBoxes.empty());
            EXPECT_EQ(ITEM_NONE, PickedItem);
            EXPECT_NE(VIEW_MENU, ViewMode);
            continue;
        }
        EXPECT_EQ(0, ConnectCalls);
        ASSERT_EQ(1u, RecordedBoxes.size());
        EXPECT_EQ("Please select a valid host to connect to.", RecordedBoxes[0].text);
        EXPECT_EQ("Invalid Host Address", RecordedBoxes[0].caption);
        EXPECT_EQ(MESSAGE_INFORMATION, RecordedBoxes[0].icon);
        EXPECT_EQ(ITEM_HOST_ADDRESS, PickedItem);
        EXPECT_EQ(VIEW_MENU, ViewMode);
        EXPECT_EQ(0, SessionRunning);
        EXPECT_EQ(0, RecordedQuits);
        // One frame later a connect dialog opens.
        handleMenuAction();
        EXPECT_EQ(1, DialogOpens);
        EXPECT_EQ(ITEM_NONE, PickedItem);
    }
}

TEST_F(Menu, ConnectSwitchesToTheChosenView)
{
    struct Case {
        int displayMode, windowMode;
        int viewMode, tallScreen;
        float aspect;
    };
    const Case cases[] = {
        {0, 0, VIEW_PERSPECTIVE, 0, 2.35f},
        {1, 0, VIEW_RAIN, 0, 2.35f},
        {0, 1, VIEW_PERSPECTIVE, 1, 1.6f},
        {1, 1, VIEW_RAIN, 1, 1.6f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.displayMode * 2 + c.windowMode);
        resetMenuState();
        WindowAspect = 9.0f;
        std::strcpy(HostName, "localhost");
        MenuOption[0] = c.displayMode;
        MenuOption[1] = c.windowMode;
        PickedItem = ITEM_CONNECT;
        handleMenuAction();
        EXPECT_EQ(1, ConnectCalls);
        EXPECT_EQ(c.viewMode, ViewMode);
        EXPECT_EQ(c.tallScreen, TallScreen);
        EXPECT_EQ(c.aspect, WindowAspect);
        EXPECT_EQ(1, ResizePending);
        EXPECT_EQ(1, SessionRunning);
        EXPECT_EQ(ITEM_NONE, PickedItem);
    }
}

TEST_F(Menu, ToggleDialogQuitAndStrayValues)
{
    PickedItem = ITEM_NONE;
    handleMenuAction();
    EXPECT_EQ(0, MenuOption[0]);

    PickedItem = ITEM_DISPLAY_MODE;
    handleMenuAction();
    EXPECT_EQ(1, MenuOption[0]);
    EXPECT_EQ(0, MenuOption[1]);
    EXPECT_EQ(ITEM_NONE, PickedItem);
    // Consumed once: the next frame does nothing more.
    handleMenuAction();
    EXPECT_EQ(1, MenuOption[0]);

    PickedItem = ITEM_WINDOW_MODE;
    handleMenuAction();
    EXPECT_EQ(1, MenuOption[1]);
    EXPECT_EQ(ITEM_NONE, PickedItem);

    // Every click on "HOST ADDRESS:" opens one more dialog.
    PickedItem = ITEM_HOST_ADDRESS;
    handleMenuAction();
    PickedItem = ITEM_HOST_ADDRESS;
    handleMenuAction();
    EXPECT_EQ(2, DialogOpens);
    EXPECT_EQ(ITEM_NONE, PickedItem);
    EXPECT_TRUE(RecordedBoxes.empty());

    PickedItem = 7;
    handleMenuAction();
    PickedItem = -5;
    handleMenuAction();
    EXPECT_EQ(ITEM_NONE, PickedItem);
    EXPECT_EQ(0, RecordedQuits);
    EXPECT_TRUE(RecordedBoxes.empty());

    PickedItem = ITEM_QUIT;
    handleMenuAction();
    EXPECT_EQ(1, RecordedQuits);
    EXPECT_EQ(0, RecordedQuitCode);
    EXPECT_EQ(ITEM_NONE, PickedItem);
    EXPECT_EQ(VIEW_MENU, ViewMode);
    EXPECT_EQ(0, ConnectCalls);
}

TEST_F(Menu, DialogThatCannotBeCreatedEndsTheProgram)
{
    DialogOpenSucceeds = false;
    PickedItem = ITEM_HOST_ADDRESS;
    handleMenuAction();
    ASSERT_EQ(1u, RecordedBoxes.size());
    EXPECT_EQ("Cant create dialog!", RecordedBoxes[0].text);
    EXPECT_EQ("Error", RecordedBoxes[0].caption);
    EXPECT_EQ(MESSAGE_ERROR, RecordedBoxes[0].icon);
    EXPECT_EQ(1, RecordedQuits);
    EXPECT_EQ(0, RecordedQuitCode);
    EXPECT_EQ(ITEM_NONE, PickedItem);
}

// ------------------------------------------------------------- picking

struct Rect {
    double left, right, bottom, top;   // window coordinates, origin bottom left
};

struct Panel {
    const char* name;
    int item;   // pick name, or ITEM_NONE for what is not clickable
    float x, y, z, halfWidth, halfHeight;
};

// Where the menu draws each panel (eye coordinates, as drawn).
const Panel Panels[] = {
    {"display label", ITEM_DISPLAY_MODE, -4.0f, 1.5f, -4.0f, 1.0f, 0.5f},
    {"window label", ITEM_WINDOW_MODE, -4.0f, 0.0f, -4.0f, 1.0f, 0.5f},
    {"host label", ITEM_HOST_ADDRESS, -4.0f, -1.5f, -4.0f, 1.0f, 0.5f},
    {"connect", ITEM_CONNECT, 3.0f, -0.5f, -4.0f, 0.8f, 0.2f},
    {"quit", ITEM_QUIT, 3.0f, -1.5f, -3.99f, 0.8f, 0.2f},
};

// Projects a panel's corners with the matrices the menu is drawn with.
Rect project(const Panel& p)
{
    GLdouble model[16], proj[16];
    GLint viewport[4];
    for (int i = 0; i < 16; ++i)
        model[i] = (i % 5 == 0) ? 1.0 : 0.0;
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, viewport);
    Rect r = {1e9, -1e9, 1e9, -1e9};
    for (int corner = 0; corner < 4; ++corner) {
        double wx, wy, wz;
        double x = p.x + (corner & 1 ? p.halfWidth : -p.halfWidth);
        double y = p.y + (corner & 2 ? p.halfHeight : -p.halfHeight);
        gluProject(x, y, p.z, model, proj, viewport, &wx, &wy, &wz);
        r.left = std::fmin(r.left, wx);
        r.right = std::fmax(r.right, wx);
        r.bottom = std::fmin(r.bottom, wy);
        r.top = std::fmax(r.top, wy);
    }
    return r;
}

// A click at window point (wx, wy): client pixel x, and y counted from the top.
int clickWindowPoint(double wx, double wy, int viewportHeight, int outerWidth, int outerHeight)
{
    int x = static_cast<int>(std::lround(wx));
    int y = static_cast<int>(std::lround(viewportHeight - wy));
    return pickMenuItem(x, y, outerWidth, outerHeight);
}

struct WindowCase {
    int clientWidth, clientHeight, outerWidth, outerHeight;
};

const WindowCase Windows[] = {
    {1280, 544, 1280, 544},   // no frame at all
    {1280, 520, 1280, 544},   // a caption takes 24 rows of the outer window
    {1272, 765, 1280, 800},   // standard shape with a frame and caption
    {800, 600, 816, 639},
};

TEST_F(Menu, PickFindsEachPanelAtItsCentreAndJustInsideItsEdges)
{
    for (const WindowCase& w : Windows) {
        resizeGL(w.clientWidth, w.clientHeight);
        for (const Panel& p : Panels) {
            SCOPED_TRACE(std::string(p.name) + " in " + std::to_string(w.clientWidth) + "x" +
                         std::to_string(w.clientHeight));
            Rect r = project(p);
            double cx = (r.left + r.right) / 2, cy = (r.bottom + r.top) / 2;
            EXPECT_EQ(p.item, clickWindowPoint(cx, cy, w.clientHeight, w.outerWidth, w.outerHeight));
            for (double inset : {2.0, 3.0}) {
                // Rounded towards the panel's centre, so the point is at
                // least `inset` pixels inside.
                double in = inset + 0.5;
                EXPECT_EQ(p.item, clickWindowPoint(r.left + in, cy, w.clientHeight, w.outerWidth, w.outerHeight));
                EXPECT_EQ(p.item, clickWindowPoint(r.right - in, cy, w.clientHeight, w.outerWidth, w.outerHeight));
                EXPECT_EQ(p.item, clickWindowPoint(cx, r.bottom + in, w.clientHeight, w.outerWidth, w.outerHeight));
                EXPECT_EQ(p.item, clickWindowPoint(cx, r.top - in, w.clientHeight, w.outerWidth, w.outerHeight));
                EXPECT_EQ(p.item, clickWindowPoint(r.left + in, r.top - in, w.clientHeight, w.outerWidth, w.outerHeight));
                EXPECT_EQ(p.item, clickWindowPoint(r.right - in, r.bottom + in, w.clientHeight, w.outerWidth, w.outerHeight));
            }
        }
    }
}

TEST_F(Menu, PickMissesJustOutsideEachEdge)
{
    // The pick region is 5 x 5 pixels around the click, so a click up to
    // 2.5 pixels beside a panel still touches it; from 3 pixels on it misses.
    for (const WindowCase& w : Windows) {
        resizeGL(w.clientWidth, w.clientHeight);
        for (const Panel& p : Panels) {
            SCOPED_TRACE(std::string(p.name) + " in " + std::to_string(w.clientWidth) + "x" +
                         std::to_string(w.clientHeight));
            Rect r = project(p);
            double cx = (r.left + r.right) / 2, cy = (r.bottom + r.top) / 2;
            for (double gap : {3.0, 4.0}) {
                double out = gap + 0.5;
                EXPECT_EQ(ITEM_NONE, clickWindowPoint(r.left - out, cy, w.clientHeight, w.outerWidth, w.outerHeight));
                EXPECT_EQ(ITEM_NONE, clickWindowPoint(r.right + out, cy, w.clientHeight, w.outerWidth, w.outerHeight));
                EXPECT_EQ(ITEM_NONE, clickWindowPoint(cx, r.bottom - out, w.clientHeight, w.outerWidth, w.outerHeight));
                EXPECT_EQ(ITEM_NONE, clickWindowPoint(cx, r.top + out, w.clientHeight, w.outerWidth, w.outerHeight));
            }
        }
    }
}

TEST_F(Menu, FlipPanelsHostTextBannerAndEmptySpaceAreNotClickable)
{
    const Panel others[] = {
        {"display flip panel", ITEM_NONE, -1.25f, 1.5f, -4.0f, 1.6f, 0.4f},
        {"window flip panel", ITEM_NONE, -1.25f, 0.0f, -4.0f, 1.6f, 0.2f},
        {"host text", ITEM_NONE, -1.0f, -1.5f, -4.0f, 1.5f, 0.1f},
        {"banner", ITEM_NONE, 3.0f, 1.5f, -4.0f, 1.6f, 0.4f},
        {"between the buttons", ITEM_NONE, 3.0f, -1.0f, -4.0f, 0.1f, 0.1f},
        {"middle", ITEM_NONE, 0.8f, 0.75f, -4.0f, 0.1f, 0.1f},
        {"bottom left", ITEM_NONE, -4.0f, -2.2f, -4.0f, 0.1f, 0.1f},
    };
    for (const WindowCase& w : Windows) {
        resizeGL(w.clientWidth, w.clientHeight);
        for (const Panel& p : others) {
            SCOPED_TRACE(std::string(p.name) + " in " + std::to_string(w.clientWidth) + "x" +
                         std::to_string(w.clientHeight));
            Rect r = project(p);
            EXPECT_EQ(ITEM_NONE, clickWindowPoint((r.left + r.right) / 2, (r.bottom + r.top) / 2,
                                                  w.clientHeight, w.outerWidth, w.outerHeight));
        }
        // The window's corners.
        EXPECT_EQ(ITEM_NONE, pickMenuItem(0, 0, w.outerWidth, w.outerHeight));
        EXPECT_EQ(ITEM_NONE, pickMenuItem(w.clientWidth - 1, w.clientHeight - 1, w.outerWidth, w.outerHeight));
    }
}

TEST_F(Menu, PickLeavesTheViewStateAsItFoundIt)
{
    resizeGL(1280, 520);
    GLdouble before[16], after[16];
    glGetDoublev(GL_PROJECTION_MATRIX, before);
    Rect r = project(Panels[3]);
    EXPECT_EQ(ITEM_CONNECT, clickWindowPoint((r.left + r.right) / 2, (r.bottom + r.top) / 2, 520, 1280, 544));
    glGetDoublev(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(before[i], after[i]);
    GLint mode = 0, matrixMode = 0;
    glGetIntegerv(GL_RENDER_MODE, &mode);
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(GL_RENDER, mode);
    EXPECT_EQ(GL_MODELVIEW, matrixMode);
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
    EXPECT_TRUE(RecordedBoxes.empty());
}

TEST_F(Menu, PendingGlErrorIsShownAndThePickStillCounts)
{
    glEnable(0x7fff);   // not a capability: leaves GL_INVALID_ENUM pending
    Rect r = project(Panels[4]);
    EXPECT_EQ(ITEM_QUIT, clickWindowPoint((r.left + r.right) / 2, (r.bottom + r.top) / 2, 544, 1280, 544));
    ASSERT_EQ(1u, RecordedBoxes.size());
    EXPECT_EQ(reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM)), RecordedBoxes[0].text);
    EXPECT_EQ("Error", RecordedBoxes[0].caption);
    EXPECT_EQ(MESSAGE_ERROR, RecordedBoxes[0].icon);
    EXPECT_EQ(0, RecordedQuits);
}

// ------------------------------------------------------------- drawing

struct Pixels {
    int width, height;
    std::vector<unsigned char> rgba;
    const unsigned char* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

Pixels readFrame()
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    Pixels p{viewport[2], viewport[3], {}};
    p.rgba.resize(static_cast<size_t>(p.width) * p.height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, p.width, p.height, GL_RGBA, GL_UNSIGNED_BYTE, p.rgba.data());
    return p;
}

struct ColourCount {
    int green = 0;    // green well above red and blue
    int yellow = 0;   // red and green alike, blue well below
    int other = 0;    // any other lit pixel (white, grey, red)
};

// Counts the lit pixels inside an eye-space rectangle at z = -4.
ColourCount countColours(const Pixels& frame, float left, float right, float bottom, float top)
{
    Panel area = {"", ITEM_NONE, (left + right) / 2, (bottom + top) / 2, -4.0f,
                  (right - left) / 2, (top - bottom) / 2};
    Rect r = project(area);
    ColourCount count;
    for (int y = static_cast<int>(std::ceil(r.bottom)); y < static_cast<int>(r.top); ++y)
        for (int x = static_cast<int>(std::ceil(r.left)); x < static_cast<int>(r.right); ++x) {
            const unsigned char* px = frame.at(x, y);
            if (px[0] < 40 && px[1] < 40 && px[2] < 40)
                continue;
            int r = px[0], g = px[1], b = px[2];
            if (2 * g > 3 * r && 2 * g > 3 * b)
                ++count.green;
            else if (5 * r > 3 * g && 5 * g > 3 * r && 2 * b < r)
                ++count.yellow;
            else
                ++count.other;
        }
    return count;
}

// The host row's glyphs: first centred at x = -2.5, each 0.15 further,
// 0.15 wide and 0.225 high, on the line y = -1.5.
ColourCount hostGlyphs(const Pixels& frame, int first, int last)
{
    return countColours(frame, -2.575f + 0.15f * first, -2.575f + 0.15f * (last + 1), -1.6125f, -1.3875f);
}

TEST_F(Menu, HostRowShowsThePromptUntilFourCharacters)
{
    struct Case {
        const char* host;
        int shownLength;   // glyph cells that must hold letters
    };
    const Case cases[] = {
        {"", 23}, {"abc", 23}, {"host", 4}, {"hosts", 5}, {"quorvish.test", 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        std::strcpy(HostName, c.host);
        drawMenu();
        Pixels frame = readFrame();
        // The letters are green (row 0 of the rain colours) and nothing else
        // is drawn on that line.
        ColourCount shown = hostGlyphs(frame, 0, c.shownLength - 1);
        EXPECT_GT(shown.green, 20 * c.shownLength);
        EXPECT_EQ(0, shown.other + shown.yellow);
        // The first glyph and the last one drawn carry letters.
        EXPECT_GT(hostGlyphs(frame, 0, 0).green, 10);
        EXPECT_GT(hostGlyphs(frame, c.shownLength - 1, c.shownLength - 1).green, 10);
        // Past the text the line is dark up to the right half.
        ColourCount beyond = countColours(frame, -2.575f + 0.15f * c.shownLength + 0.03f, 1.3f, -1.6125f, -1.3875f);
        EXPECT_EQ(0, beyond.green + beyond.yellow + beyond.other);
    }
}

TEST_F(Menu, HostNameWithoutTerminatorIsCutAtTheBufferEnd)
{
    std::memset(HostName, 'w', sizeof HostName);
    drawMenu();
    EXPECT_EQ('\0', HostName[HOST_NAME_SIZE - 1]);
    PickedItem = ITEM_CONNECT;
    handleMenuAction();
    EXPECT_EQ(1, ConnectCalls);
}

TEST_F(Menu, DisplayModePanelShowsTheChosenViewsTitle)
{
    // At the start the rain title faces the viewer and is green; after the
    // opening turn the perspective title, yellow, takes its place.
    drawMenu();
    ColourCount rain = countColours(readFrame(), -2.8f, 0.3f, 1.15f, 1.85f);
    for (int frame = 0; frame < 200; ++frame)
        drawMenu();
    Pixels frame = readFrame();
    ColourCount perspective = countColours(frame, -2.8f, 0.3f, 1.15f, 1.85f);
    EXPECT_GT(rain.green, 500);
    EXPECT_LT(rain.yellow, rain.green / 10);
    EXPECT_GT(perspective.yellow, 500);
    EXPECT_LT(perspective.green, perspective.yellow / 10);
    // The labels, buttons and banner are lit where they are drawn.
    for (const Panel& p : Panels) {
        ColourCount lit = countColours(frame, p.x - p.halfWidth, p.x + p.halfWidth,
                                       p.y - p.halfHeight, p.y + p.halfHeight);
        EXPECT_GT(lit.other, 100) << p.name;
    }
    ColourCount banner = countColours(frame, 1.4f, 4.6f, 1.1f, 1.9f);
    EXPECT_GT(banner.other, 500);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new MenuEnvironment);
    return RUN_ALL_TESTS();
}
