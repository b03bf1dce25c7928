// Both views on a headless context, checked where the scene's geometry projects to.
#include "render/frame.h"
#include "render/gl_setup.h"
#include "render/perspective.h"
#include "render/rain.h"
#include "render/random.h"
#include "terminal/screen.h"
#include "render/offscreen_gl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

const int WIDTH = 1280, HEIGHT = 544;
using Rect = std::array<int, 4>;   // x0, y0, x1, y1 in the window, corners included; y = 0 at the bottom
std::vector<unsigned char> Pixels(size_t(WIDTH) * HEIGHT * 4);   // RGBA of the last frame drawn

// The pixels of `rect` in the last frame: how many are lit, the brightest channel,
// and how many channels are off `colour` (each 0 or 1) as lighting and fog scale it.
struct Scan { int lit = 0, brightest = 0, offColour = 0; };
Scan scan(Rect rect = {0, 0, WIDTH - 1, HEIGHT - 1}, std::array<int, 3> colour = {1, 1, 1})
{
    Scan s;
    for (int y = std::max(rect[1], 0); y <= std::min(rect[3], HEIGHT - 1); ++y)
        for (int x = std::max(rect[0], 0); x <= std::min(rect[2], WIDTH - 1); ++x) {
            const unsigned char* p = &Pixels[(size_t(y) * WIDTH + x) * 4];
            const int top = std::max({p[0], p[1], p[2]});
            s.lit += top > 0;
            s.brightest = std::max(s.brightest, top);
            for (int i = 0; i < 3; ++i)
                s.offColour += std::abs(p[i] - top * colour[i]) > 2;
        }
    return s;
}

// Window position of an eye-space point through the window's 60-degree perspective.
std::array<double, 2> project(double x, double y, double z)
{
    const double f = std::sqrt(3.0) / -z;
    return {WIDTH / 2.0 * (1 + f * x * HEIGHT / WIDTH), HEIGHT / 2.0 * (1 + f * y)};
}

// Draws a frame of `view`, checks that it leaves the fixed state as found, reads it back.
void drawFrame(int view)
{
    static const GLenum names[] = {
        GL_VIEWPORT, GL_PROJECTION_MATRIX, GL_MATRIX_MODE, GL_MODELVIEW_STACK_DEPTH, GL_PROJECTION_STACK_DEPTH,
        GL_DEPTH_FUNC, GL_DEPTH_TEST, GL_FOG, GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL, GL_CULL_FACE,
        GL_FRONT_FACE, GL_BLEND, GL_POINT_SMOOTH, GL_COLOR_CLEAR_VALUE, GL_SCISSOR_TEST, GL_RENDER_MODE};
    std::vector<std::array<float, 16>> before(std::size(names)), after(std::size(names));
    for (size_t i = 0; i < std::size(names); ++i)
        glGetFloatv(names[i], before[i].data());
    renderFrame(view);
    for (size_t i = 0; i < std::size(names); ++i) {
        glGetFloatv(names[i], after[i].data());
        EXPECT_EQ(after[i], before[i]) << "state " << names[i] << " after view " << view;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, Pixels.data());
}

class Views : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(createHeadlessContext(WIDTH, HEIGHT)) << "no headless GL context";
        setUpGraphics(WIDTH, HEIGHT);
    }
    static void TearDownTestSuite() { destroyHeadlessContext(); }
    void SetUp() override
    {
        resetTerminal();
        initRain();
        ElapsedSeconds = 1.0f;   // no new glitch character, which stays one no text holds
        GlitchChar = 127;
        static const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
    }
};

// Height v (em) of page row a: its window row, and the fog factor there
// (linear from 17 to 22 units). The page is tilted back 40 degrees, 16 out.
double rowPoint(int a, double v, double* wy)
{
    const double y = 18.5 + scrollOffset - 0.75 * a - 9.4 + 0.75 * v, tilt = 40 * M_PI / 180;
    const double z = -16 - y * std::sin(tilt);
    *wy = project(0, y * std::cos(tilt), z)[1];
    return std::clamp((22 - std::fabs(z)) / 5, 0.0, 1.0);
}

TEST_F(Views, PerspectivePageIsYellowAtTheBottomAndFadesUpwards)
{
    std::memset(Starfield, 0, sizeof Starfield);   // at the eye: clipped
    for (int a = 0; a < 26; ++a)
        std::memset(&ScreenBuffer[(175 + a) * SCREEN_COLUMNS], 'M', SCREEN_COLUMNS);
    drawFrame(VIEW_PERSPECTIVE);
    // From the bottom row up; the body of a capital M lies well inside 0.15 .. 0.5 em.
    int rowsSeen = 0, below = 255;
    for (int a = 25; a >= 0; --a) {
        double y0, y1;
        const double nearFog = rowPoint(a, 0.15, &y0), farFog = rowPoint(a, 0.5, &y1);
        if (y0 < 0 || y1 >= HEIGHT)
            continue;
        const Scan s = scan({0, int(std::ceil(y0)), WIDTH - 1, int(std::floor(y1))}, {1, 1, 0});
        EXPECT_TRUE(s.offColour == 0 && s.brightest >= 255 * farFog - 12 && s.brightest <= 255 * nearFog + 12 &&
                    s.brightest <= below + 3)
            << "row " << a << ": " << s.brightest << ", fog " << nearFog << " .. " << farFog;
        ++rowsSeen;
        below = s.brightest;
    }
    EXPECT_TRUE(rowsSeen >= 18 && below < 100) << rowsSeen << " rows seen, the highest at " << below;
}

TEST_F(Views, StarsAreWhiteAndTurnOnlyInPerspectiveFrames)
{
    seedStarfield();
    StarAngle = 0.0f;
    drawFrame(VIEW_PERSPECTIVE);   // blank page: nothing but stars
    const Scan s = scan();
    EXPECT_TRUE(s.lit > 20 && s.brightest >= 150 && s.offColour == 0) << s.lit << ", " << s.offColour;
    drawFrame(VIEW_RAIN);
    EXPECT_TRUE(StarAngle == StarDrift && StarDrift != 0.0f) << "one turn by " << StarDrift << ": " << StarAngle;
}

// Before any drop has come down the rain shows the banner in green and the
// cursor's glyph in yellow on the last row, the new drop's head in cyan on
// the first (which only the tall layout shows), and nothing else.
TEST_F(Views, FirstRainFrameShowsBannerCursorAndNewDrop)
{
    for (int tall = 0; tall < 2; ++tall) {
        SetUp();
        TallScreen = tall;
        cursorRow = 199;
        cursorColumn = 10;
        seedRandom(4242);
        drawFrame(VIEW_RAIN);
        // Rain cell r, k: the pixels whose centres it covers.
        const auto cell = [tall](int r, int k) {
            const double y = (tall ? 5.9 : 8.8) - 0.3 * r, z = tall ? -11 : -6;
            const auto a = project(-8.1 + 0.2 * k, y - 0.15, z), b = project(-7.9 + 0.2 * k, y + 0.15, z);
            return Rect{int(std::lround(a[0])), int(std::lround(a[1])), int(std::lround(b[0])) - 1,
                        int(std::lround(b[1])) - 1};
        };
        const int head = int(std::find_if(RainDrops, RainDrops + RAIN_COLUMNS,
                                          [](const RainDrop& d) { return d.headRow == 1; }) - RainDrops);
        ASSERT_TRUE(RainText[39][10] != ' ' && RainText[0][head] != ' ') << "pick another seed";
        std::vector<std::pair<Rect, std::array<int, 3>>> shown = {{cell(39, 10), {1, 1, 0}}};
        for (int k = RAIN_COLUMNS - RAIN_BANNER_LENGTH; k < RAIN_COLUMNS; ++k)
            shown.push_back({cell(39, k), {0, 1, 0}});
        if (tall)
            shown.push_back({cell(0, head), {0, 1, 1}});
        int inCells = 0;
        for (const auto& [rect, colour] : shown) {
            const Scan s = scan(rect, colour);
            EXPECT_TRUE(s.brightest >= 60 && s.offColour == 0)
                << "tall " << tall << ", cell at " << rect[0] << ", " << rect[1] << ": " << s.offColour;
            inCells += s.lit;
        }
        EXPECT_EQ(scan().lit, inCells) << "pixels lit outside those cells, tall " << tall;
    }
}

TEST_F(Views, ViewportAndProjectionFollowTheSizeEvenAtHeightZero)
{
    for (const auto& [width, height, shown] : {std::array{800, 600, 600}, std::array{640, 0, 1}}) {
        resizeGL(width, height);
        GLfloat viewport[4], p[16];
        glGetFloatv(GL_VIEWPORT, viewport);
        glGetFloatv(GL_PROJECTION_MATRIX, p);
        EXPECT_TRUE(viewport[0] == 0 && viewport[1] == 0 && viewport[2] == width && viewport[3] == shown)
            << viewport[2] << " x " << viewport[3] << " for " << width << " x " << height;
        // 60 degrees high, at the aspect of the viewport.
        EXPECT_NEAR(p[5], std::sqrt(3.0f), 1e-5);
        EXPECT_NEAR(p[0] * width, p[5] * shown, 1e-3) << "height " << height;
    }
    resizeGL(WIDTH, HEIGHT);
}

} // namespace
