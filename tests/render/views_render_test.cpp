// Frames of both views drawn on a headless context and read back. Where
// things should appear comes from projecting the scene's geometry with the
// transformations the views apply, not from stored images.
#include "render/frame.h"
#include "render/gl_setup.h"
#include "render/perspective.h"
#include "render/rain.h"
#include "render/random.h"
#include "terminal/screen.h"
#include "tests/render/egl_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

int View = VIEW_PERSPECTIVE;   // the view each frame draws

namespace {

const int WIDTH = 1280;
const int HEIGHT = 544;

struct Pixel {
    int r, g, b;
    bool lit() const { return r || g || b; }
};

// Row 0 is the bottom of the window.
struct Frame {
    std::vector<unsigned char> rgba;
    Frame() : rgba(static_cast<size_t>(WIDTH) * HEIGHT * 4)
    {
        glFinish();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    }
    Pixel at(int x, int y) const
    {
        const unsigned char* p = &rgba[(static_cast<size_t>(y) * WIDTH + x) * 4];
        return {p[0], p[1], p[2]};
    }
    // The brightest pixel (by its largest channel) in window rows y0..y1 and
    // columns x0..x1, and how many are lit.
    Pixel brightest(int x0, int y0, int x1, int y1, int* lit = nullptr) const
    {
        Pixel best = {0, 0, 0};
        for (int y = std::max(y0, 0); y <= std::min(y1, HEIGHT - 1); ++y)
            for (int x = std::max(x0, 0); x <= std::min(x1, WIDTH - 1); ++x) {
                Pixel p = at(x, y);
                if (lit)
                    *lit += p.lit();
                if (std::max({p.r, p.g, p.b}) > std::max({best.r, best.g, best.b}))
                    best = p;
            }
        return best;
    }
};

// Window position of an eye-space point under the current projection.
void project(const double eye[3], double* wx, double* wy)
{
    GLdouble p[16];
    GLint v[4];
    glGetDoublev(GL_PROJECTION_MATRIX, p);
    glGetIntegerv(GL_VIEWPORT, v);
    double cx = p[0] * eye[0] + p[4] * eye[1] + p[8] * eye[2] + p[12];
    double cy = p[1] * eye[0] + p[5] * eye[1] + p[9] * eye[2] + p[13];
    double cw = p[3] * eye[0] + p[7] * eye[1] + p[11] * eye[2] + p[15];
    *wx = v[0] + (cx / cw + 1.0) * 0.5 * v[2];
    *wy = v[1] + (cy / cw + 1.0) * 0.5 * v[3];
}

void setRow(int row, const std::string& text)
{
    std::string line = text;
    line.resize(SCREEN_COLUMNS, ' ');
    std::memcpy(&ScreenBuffer[row * SCREEN_COLUMNS], line.data(), SCREEN_COLUMNS);
}

class Views : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ContextReady = createHeadlessContext(WIDTH, HEIGHT);
        if (ContextReady) {
            initGL(WIDTH, HEIGHT);
            resizeGL(WIDTH, HEIGHT);
            buildFont();
            clearScreen();
        }
    }
    static void TearDownTestSuite()
    {
        if (ContextReady) {
            deleteFontLists();
            deleteGlyphTextures();
            deletePanelTextures();
            destroyHeadlessContext();
        }
    }
    void SetUp() override
    {
        ASSERT_TRUE(ContextReady) << "no headless GL context";
        resetTerminal();
        initRain();
        FrameCounter = 0;
        ElapsedSeconds = 1.0f;
        StarAngle = StarDrift = 0.0f;
        TallScreen = 0;
        GlitchChar = 127;
        static const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
    }
    static bool ContextReady;
};
bool Views::ContextReady = false;

// Height v (em) of page row a in eye space, through the transformations of
// the page and its rows; returns the fog factor there.
double rowPoint(int a, double v, double* wy)
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslated(0, 0, -16);
    glRotated(-40, 1, 0, 0);
    glTranslated(-15, 18.5 + scrollOffset - 0.75 * a - 9.4, 0);
    glScaled(0.75, 0.75, 1);
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    double eye[3] = {m[4] * v + m[12], m[5] * v + m[13], m[6] * v + m[14]};
    double wx;
    project(eye, &wx, wy);
    return std::clamp((22.0 - std::fabs(eye[2])) / 5.0, 0.0, 1.0);
}

TEST_F(Views, PerspectivePageIsYellowAtTheBottomAndFadesUpwards)
{
    View = VIEW_PERSPECTIVE;
    for (auto& star : Starfield) {   // all behind the viewer
        star[0] = star[1] = 0.0f;
        star[2] = 138.0f;
    }
    const int blankRows[] = {3, 12, 18};
    for (int a = 0; a < 26; ++a) {
        bool blank = std::count(std::begin(blankRows), std::end(blankRows), a) > 0;
        setRow(175 + a, blank ? "" : std::string(80, 'M'));
    }
    renderFrame(View);
    Frame frame;

    // The body of a capital M lies well inside 0.15 .. 0.5 em.
    int rowsSeen = 0, clearRows = 0, fadedRows = 0, previous = -1;
    for (int a = 0; a < 26; ++a) {
        double y0, y1;
        double nearFog = rowPoint(a, 0.15, &y0), farFog = rowPoint(a, 0.5, &y1);
        if (y0 < 0 || y1 >= HEIGHT)
            continue;
        int lit = 0;
        Pixel max = frame.brightest(0, static_cast<int>(std::ceil(y0)), WIDTH - 1,
                                    static_cast<int>(std::floor(y1)), &lit);
        if (std::count(std::begin(blankRows), std::end(blankRows), a)) {
            EXPECT_EQ(lit, 0) << "blank row " << a << " has something drawn";
            continue;
        }
        ++rowsSeen;
        EXPECT_GE(max.r, 255.0 * farFog - 12) << "row " << a;
        EXPECT_LE(max.r, 255.0 * nearFog + 12) << "row " << a;
        EXPECT_NEAR(max.g, max.r, 2) << "row " << a;
        EXPECT_EQ(max.b, 0) << "row " << a;
        clearRows += farFog == 1.0;
        fadedRows += nearFog < 0.9 && nearFog > 0.05;
        if (previous >= 0) {
            EXPECT_GE(max.r + 3, previous) << "row " << a << " brighter than the row below";
        }
        previous = max.r;
    }
    EXPECT_GE(rowsSeen, 18);
    EXPECT_GE(clearRows, 8);
    EXPECT_GE(fadedRows, 5);
    double top;
    rowPoint(0, 1.0, &top);
    int above = 0;
    frame.brightest(0, static_cast<int>(top), WIDTH - 1, HEIGHT - 1, &above);
    EXPECT_EQ(above, 0) << "something drawn above the page";
}

TEST_F(Views, StarsAreWhiteAndTurnOnlyInPerspectiveFrames)
{
    seedRandom(1718000000u);
    seedStarfield();
    StarAngle = 10.0f;
    StarDrift = 0.5f;
    View = VIEW_PERSPECTIVE;
    renderFrame(View);   // blank page: nothing but stars
    EXPECT_EQ(StarAngle, 10.5f);
    Frame frame;
    View = VIEW_RAIN;
    renderFrame(View);
    EXPECT_EQ(StarAngle, 10.5f);
    int lit = 0;
    Pixel best = frame.brightest(0, 0, WIDTH - 1, HEIGHT - 1, &lit);
    EXPECT_GT(lit, 20);
    EXPECT_GE(best.r, 150);
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            Pixel p = frame.at(x, y);
            ASSERT_TRUE(p.r == p.g && p.g == p.b) << "not grey at " << x << "," << y;
        }
}

// A row goes through the font lists byte by byte, NUL and control codes
// included, with back faces culled. In a stand-in font list n names itself
// n on a front-facing triangle and 256 + n on a back-facing one.
TEST_F(Views, RowDrawsEachByteThroughItsOwnListWithBackFacesCulled)
{
    GLuint base = glGenLists(256);
    ASSERT_NE(base, 0u);
    for (int code = 0; code < 256; ++code) {
        glNewList(base + code, GL_COMPILE);
        for (int back = 0; back < 2; ++back) {
            glLoadName(code + 256 * back);
            glBegin(GL_TRIANGLES);
            glVertex2f(0.1f, 0.0f);
            glVertex2f(back ? 0.3f : 0.5f, back ? 0.6f : 0.0f);
            glVertex2f(back ? 0.5f : 0.3f, back ? 0.0f : 0.6f);
            glEnd();
        }
        glTranslatef(0.6f, 0.0f, 0.0f);
        glEndList();
    }
    unsigned char row[80];
    for (int k = 0; k < 80; ++k)
        row[k] = static_cast<unsigned char>(k < 32 ? k : k == 32 ? 127 : 129 + (k - 33) * 2);
    row[79] = 255;

    const uint32_t realFont = FontBase;
    FontBase = base;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-0.1, 48.1, -1.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    GLuint hits[4 * 200] = {};
    glSelectBuffer(4 * 200, hits);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(~0u);
    drawTextRow(row);
    GLint records = glRenderMode(GL_RENDER);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    FontBase = realFont;
    glDeleteLists(base, 256);

    ASSERT_EQ(records, 80);   // each record: 1 name, depth range, the name
    for (int k = 0; k < 80; ++k)
        EXPECT_EQ(hits[4 * k + 3], row[k]) << "column " << k;
}

// Before any drop has come down the rain shows the banner in green and the
// cursor's glyph in yellow on the last row, and nothing else.
TEST_F(Views, FirstRainFrameShowsBannerAndCursor)
{
    for (int tall = 0; tall < 2; ++tall) {
        SetUp();
        TallScreen = tall;
        View = VIEW_RAIN;
        cursorRow = 199;
        cursorColumn = 10;
        seedRandom(4242);
        renderFrame(View);
        Frame frame;
        const int firstRow = tall ? 0 : 20;
        const double ox = -8, oy = tall ? 6.2 : 3.1, oz = tall ? -11 : -6;
        auto cell = [&](int r, int k, int* rect) {
            double a[3] = {ox + 0.2 * k - 0.1, oy - 0.3 * (r - firstRow + 1) - 0.15, oz};
            double b[3] = {a[0] + 0.2, a[1] + 0.3, oz};
            double x0, y0, x1, y1;
            project(a, &x0, &y0);
            project(b, &x1, &y1);
            rect[0] = static_cast<int>(std::floor(x0));
            rect[1] = static_cast<int>(std::floor(y0));
            rect[2] = static_cast<int>(std::ceil(x1));
            rect[3] = static_cast<int>(std::ceil(y1));
        };
        int rect[4];
        for (int k = 0; k < RAIN_BANNER_LENGTH; ++k) {
            cell(39, 56 + k, rect);
            Pixel p = frame.brightest(rect[0], rect[1], rect[2], rect[3]);
            EXPECT_GE(p.g, 60) << "banner character " << k;
            EXPECT_EQ(p.r + p.b, 0) << "banner character " << k;
        }
        ASSERT_NE(RainText[39][10], ' ') << "pick another seed: the cursor's glyph is a space";
        cell(39, 10, rect);
        Pixel p = frame.brightest(rect[0], rect[1], rect[2], rect[3]);
        EXPECT_GE(p.r, 60);
        EXPECT_NEAR(p.g, p.r, 2);
        EXPECT_EQ(p.b, 0);

        // Lit pixels only in cells with a glyph (in the tall layout also a
        // drop's head on row 0).
        std::vector<std::vector<int>> allowed;
        for (int r = firstRow; r < RAIN_ROWS; ++r)
            for (int k = 0; k < RAIN_COLUMNS; ++k)
                if (RainText[r][k] != ' ') {
                    cell(r, k, rect);
                    allowed.push_back({rect[0], rect[1], rect[2], rect[3]});
                }
        EXPECT_LE(allowed.size(), static_cast<size_t>(RAIN_BANNER_LENGTH + 1 + tall));
        for (int y = 0; y < HEIGHT; ++y)
            for (int x = 0; x < WIDTH; ++x) {
                if (!frame.at(x, y).lit())
                    continue;
                bool ok = false;
                for (const auto& c : allowed)
                    ok |= x >= c[0] && x <= c[2] && y >= c[1] && y <= c[3];
                ASSERT_TRUE(ok) << "stray pixel at " << x << "," << y << (tall ? " tall" : " wide");
            }
    }
}

TEST_F(Views, FramesLeaveTheFixedStateAsTheyFoundIt)
{
    static const GLenum names[] = {
        GL_VIEWPORT, GL_PROJECTION_MATRIX, GL_COLOR_CLEAR_VALUE, GL_MATRIX_MODE, GL_RENDER_MODE,
        GL_DEPTH_FUNC, GL_FRONT_FACE, GL_CULL_FACE_MODE, GL_MODELVIEW_STACK_DEPTH,
        GL_PROJECTION_STACK_DEPTH, GL_DEPTH_TEST, GL_FOG, GL_LIGHTING, GL_LIGHT0,
        GL_COLOR_MATERIAL, GL_CULL_FACE, GL_BLEND, GL_SCISSOR_TEST, GL_COLOR_LOGIC_OP};
    auto read = [](GLfloat (*f)[16]) {
        for (GLenum name : names)
            glGetFloatv(name, *f++);
    };
    const int count = sizeof names / sizeof names[0];
    GLfloat before[count][16] = {}, after[count][16] = {};
    read(before);
    for (int k = 0; k < 26; ++k)
        setRow(175 + k, std::string(80, static_cast<char>('a' + k)));
    for (int mode : {VIEW_PERSPECTIVE, VIEW_RAIN, VIEW_PERSPECTIVE}) {
        View = mode;
        renderFrame(View);
    }
    read(after);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(std::memcmp(before[i], after[i], sizeof before[i]), 0) << "state " << names[i];
    EXPECT_EQ(after[3][0], GL_MODELVIEW);
    EXPECT_EQ(after[8][0], 1.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
