// Frames of both views drawn on a headless context and read back. What is
// expected where comes from projecting the scene's own geometry with the
// transformations the views apply, not from stored images.
#include "app/app_state.h"
#include "render/gl_setup.h"
#include "render/perspective.h"
#include "render/rain.h"
#include "render/random.h"
#include "terminal/screen.h"
#include "tests/render/egl_context.h"
#include "tests/views/frame_probe.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

const int WIDTH = 1280;
const int HEIGHT = 544;

bool ContextReady = false;

class HeadlessGL : public ::testing::Environment {
public:
    void SetUp() override
    {
        ContextReady = createHeadlessContext(WIDTH, HEIGHT);
        if (!ContextReady)
            return;
        initGL(WIDTH, HEIGHT);
        resizeGL(WIDTH, HEIGHT);
        buildFont();
        clearScreen();
    }
    void TearDown() override
    {
        if (!ContextReady)
            return;
        deleteFontLists();
        deleteGlyphTextures();
        deletePanelTextures();
        destroyHeadlessContext();
    }
};
::testing::Environment* const Environment =
    ::testing::AddGlobalTestEnvironment(new HeadlessGL);

void setRow(int row, const std::string& text)
{
    std::string line = text;
    line.resize(SCREEN_COLUMNS, ' ');
    std::memcpy(&ScreenBuffer[row * SCREEN_COLUMNS], line.data(), SCREEN_COLUMNS);
}

// A terminal page as a user would have it: a shell session, every row full.
void fillSessionPage()
{
    static const char* const lines[] = {
        "drwxr-xr-x  2 quorvish users   4096 Jun 10 09:14 bin        # local tools  ",
        "-rw-r--r--  1 quorvish users  18231 Jun 10 09:15 notes.txt  # meeting notes",
        "-rwxr-x---  1 quorvish users 204800 Jun 11 17:02 backup.tar # weekly backup",
        "quorvish@relay:~$ uptime                                                     ",
        " 17:05:12 up 41 days,  3:17,  2 users,  load average: 0.08, 0.03, 0.01       ",
        "quorvish@relay:~$ df -h /home                                                ",
        "Filesystem      Size  Used Avail Use% Mounted on                             ",
        "/dev/sda3       118G   61G   52G  55% /home                                  ",
        "quorvish@relay:~$ tail -n 12 /var/log/syslog | cut -c1-78                    ",
    };
    const int count = sizeof lines / sizeof lines[0];
    for (int r = 0; r < 26; ++r) {
        std::string line = lines[r % count];
        // Every cell printable: fill the tail of short lines with text too.
        for (size_t k = line.find_last_not_of(' ') + 1; k < 80; ++k)
            line.push_back(static_cast<char>('a' + (r + k) % 26));
        setRow(175 + r, line.substr(0, 80));
    }
}

void resetViews()
{
    resetTerminal();
    initRain();
    FrameCounter = 0;
    for (int k = 0; k < FRAME_HISTORY; ++k) {
        FrameCountHistory[k] = 0;
        FrameTimeHistory[k] = 0.0f;
    }
    ElapsedSeconds = 1.0f;
    StarAngle = 0.0f;
    StarDrift = 0.0f;
    TallScreen = 0;
    GlitchChar = 127;
    // The program never goes from the perspective view to the rain view;
    // the rain view starts from the menu, which leaves no emission behind.
    static const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
}

// All stars behind the viewer, where nothing of them reaches the frame.
void hideStars()
{
    for (auto& star : Starfield) {
        star[0] = 0.0f;
        star[1] = 0.0f;
        star[2] = 138.0f;
    }
}

void saveShot(const Frame& frame, const char* name)
{
    std::string dir = shotsDirectory();
    if (!dir.empty()) {
        EXPECT_TRUE(savePng(frame, dir + "/views_" + name));
    }
}

class ViewsRenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ContextReady) << "no headless GL context";
        resetViews();
    }
};

// ---------------------------------------------------------------------------
// Perspective view

// Row a of the page: em units of the font (u along the baseline, v up) to eye
// space, through the transformations renderFrame and drawTextRows apply.
Matrix pageRowMatrix(int a, double lift)
{
    Matrix m = translation(0, 0, -16);
    m = multiply(m, rotation(-40, 1, 0, 0));
    m = multiply(m, translation(0, 18.5 + lift, 0));
    m = multiply(m, translation(-15, 0, 0));
    m = multiply(m, translation(0, -0.75 * a - 9.4, 0));
    return multiply(m, scaling(0.75, 0.75, 1));
}

double fogFactor(double eyeZ)
{
    return std::clamp((22.0 - std::fabs(eyeZ)) / (22.0 - 17.0), 0.0, 1.0);
}

struct Strip {
    int bottom, top;   // window rows, inclusive
    Pixel max;
    int lit;
};

// The window rows between heights v0 and v1 (em) of text row a, and what is
// drawn there. A row of the page is a horizontal line on screen.
Strip rowStrip(int a, double lift, double v0, double v1)
{
    Matrix m = pageRowMatrix(a, lift);
    double x, y0, y1;
    projectEyePoint(transformPoint(m, {0, v0, 0}), &x, &y0);
    projectEyePoint(transformPoint(m, {0, v1, 0}), &x, &y1);
    return {static_cast<int>(std::ceil(y0)), static_cast<int>(std::floor(y1)), {0, 0, 0}, 0};
}

void scanStrip(const Frame& frame, Strip* strip)
{
    for (int y = std::max(strip->bottom, 0); y <= std::min(strip->top, frame.height - 1); ++y)
        for (int x = 0; x < frame.width; ++x) {
            Pixel p = frame.at(x, y);
            strip->max.r = std::max(strip->max.r, p.r);
            strip->max.g = std::max(strip->max.g, p.g);
            strip->max.b = std::max(strip->max.b, p.b);
            strip->lit += p.lit();
        }
}

TEST_F(ViewsRenderTest, PerspectivePageIsYellowAtTheBottomAndFadesUpwards)
{
    ViewMode = VIEW_PERSPECTIVE;
    hideStars();
    const int blankRows[] = {3, 12, 18};
    for (int a = 0; a < 26; ++a)
        setRow(175 + a, std::string(80, 'M'));
    for (int a : blankRows)
        setRow(175 + a, "");
    renderFrame();
    Frame frame = readFrame(WIDTH, HEIGHT);
    saveShot(frame, "test_perspective_rows.png");

    // The glyph body of a capital M lies well inside 0.15 .. 0.5 em.
    const double v0 = 0.15, v1 = 0.5;
    int rowsSeen = 0, clearRows = 0, fadedRows = 0;
    int previousMax = -1;
    for (int a = 0; a < 26; ++a) {
        Strip strip = rowStrip(a, scrollOffset, v0, v1);
        if (strip.bottom < 0 || strip.top >= HEIGHT)
            continue;   // below the frame (the last rows at rest) or above
        scanStrip(frame, &strip);
        bool blank = std::find(std::begin(blankRows), std::end(blankRows), a) != std::end(blankRows);
        if (blank) {
            EXPECT_EQ(strip.lit, 0) << "blank row " << a << " has something drawn";
            continue;
        }
        ++rowsSeen;
        Matrix m = pageRowMatrix(a, scrollOffset);
        double nearFog = fogFactor(transformPoint(m, {0, v0, 0}).z);
        double farFog = fogFactor(transformPoint(m, {0, v1, 0}).z);
        EXPECT_GE(strip.max.r, 255.0 * farFog - 12) << "row " << a;
        EXPECT_LE(strip.max.r, 255.0 * nearFog + 12) << "row " << a;
        EXPECT_EQ(strip.max.b, 0) << "row " << a;
        EXPECT_NEAR(strip.max.g, strip.max.r, 2) << "row " << a;
        if (farFog == 1.0) {
            ++clearRows;
            EXPECT_GE(strip.max.r, 250) << "row " << a << " is short of full yellow";
        }
        if (nearFog < 0.9 && nearFog > 0.05)
            ++fadedRows;
        // Upwards (lower a) never brighter than the row below it.
        if (previousMax >= 0) {
            EXPECT_GE(strip.max.r + 3, previousMax) << "row " << a;
        }
        previousMax = strip.max.r;
    }
    EXPECT_GE(rowsSeen, 18);
    EXPECT_GE(clearRows, 8);
    EXPECT_GE(fadedRows, 5);

    // Every pixel drawn is a shade of yellow: equal red and green, no blue.
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            Pixel p = frame.at(x, y);
            ASSERT_EQ(p.b, 0) << x << "," << y;
            ASSERT_LE(std::abs(p.r - p.g), 2) << x << "," << y;
        }

    // Above the top of the page there is only black.
    Strip top = rowStrip(0, scrollOffset, 1.0, 1.0);
    for (int y = std::max(top.bottom, 0); y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x)
            ASSERT_FALSE(frame.at(x, y).lit()) << x << "," << y;
}

// The page lifts by scrollOffset: one row step later, row a + 1 stands where
// row a stood.
TEST_F(ViewsRenderTest, ScrollOffsetLiftsThePageByWholeRows)
{
    ViewMode = VIEW_PERSPECTIVE;
    hideStars();
    setRow(175 + 20, std::string(80, 'M'));
    scrollOffset = 1.0f;
    renderFrame();
    Frame before = readFrame(WIDTH, HEIGHT);
    setRow(175 + 20, "");
    setRow(175 + 21, std::string(80, 'M'));
    scrollOffset = 1.75f;
    renderFrame();
    Frame after = readFrame(WIDTH, HEIGHT);
    int differing = 0, lit = 0;
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            Pixel a = before.at(x, y), b = after.at(x, y);
            lit += a.lit();
            differing += std::abs(a.r - b.r) > 40;
        }
    EXPECT_GT(lit, 1000);
    EXPECT_LT(differing, lit / 50) << "the row moved";
}

TEST_F(ViewsRenderTest, StarsAreWhitePointsWhereTheyProject)
{
    ViewMode = VIEW_PERSPECTIVE;
    seedRandom(1718000000u);
    seedStarfield();
    StarAngle = 10.0f;
    StarDrift = 0.5f;
    renderFrame();   // blank page: nothing but stars
    EXPECT_EQ(StarAngle, 10.5f);
    Frame frame = readFrame(WIDTH, HEIGHT);
    saveShot(frame, "test_perspective_stars.png");

    struct Spot {
        double x, y;
        int star;
    };
    std::vector<Spot> spots;
    Matrix turn = rotation(StarAngle, 1, 0, 0);
    for (int s = 0; s < STAR_COUNT; ++s) {
        Point3 eye = transformPoint(turn, {Starfield[s][0], Starfield[s][1], Starfield[s][2]});
        double wx, wy;
        if (eye.z < -1.0 && projectEyePoint(eye, &wx, &wy) && wx > 4 && wy > 4 &&
            wx < WIDTH - 5 && wy < HEIGHT - 5)
            spots.push_back({wx, wy, s});
    }
    ASSERT_GE(spots.size(), 10u) << "a field of 400 puts some stars in view";

    int bigStarsSeen = 0;
    for (const Spot& spot : spots) {
        int brightest = 0, lit = 0;
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                Pixel p = frame.at(static_cast<int>(spot.x) + dx, static_cast<int>(spot.y) + dy);
                if (p.lit()) {
                    ++lit;
                    EXPECT_EQ(p.r, p.g);
                    EXPECT_EQ(p.g, p.b);
                    brightest = std::max(brightest, p.r);
                }
            }
        // Points of 2 and 3 pixels always cover a pixel centre; unfogged,
        // with an emission of 0.5 they are at least light grey.
        if (spot.star >= 132) {
            EXPECT_GE(brightest, 150) << "star " << spot.star;
            ++bigStarsSeen;
        }
        if (spot.star >= 264) {
            EXPECT_GE(lit, 4) << "star " << spot.star;
        }
    }
    EXPECT_GT(bigStarsSeen, 0);

    // Nothing lit away from the stars.
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            if (!frame.at(x, y).lit())
                continue;
            bool nearStar = false;
            for (const Spot& spot : spots)
                nearStar |= std::fabs(spot.x - x) < 4 && std::fabs(spot.y - y) < 4;
            // Stars just outside the margin may show at the border.
            bool border = x < 5 || y < 5 || x >= WIDTH - 5 || y >= HEIGHT - 5;
            ASSERT_TRUE(nearStar || border) << "stray pixel at " << x << "," << y;
        }
}

TEST_F(ViewsRenderTest, RainFramesCountButLeaveTheStarsAlone)
{
    ViewMode = VIEW_RAIN;
    StarAngle = 3.0f;
    StarDrift = 0.25f;
    for (int n = 1; n <= 3; ++n) {
        ElapsedSeconds = 1.0f + 0.1f * n;
        renderFrame();
    }
    EXPECT_EQ(StarAngle, 3.0f);
    EXPECT_EQ(FrameCounter, 3);
    EXPECT_EQ(FrameRate, 3.0f / (1.0f + 0.1f * 3));

    ViewMode = VIEW_PERSPECTIVE;
    renderFrame();
    EXPECT_EQ(StarAngle, 3.25f);
}

// A row goes through the font lists byte by byte, in order, 0 and the
// control codes included, with back faces culled. A stand-in font shows it:
// list n names itself n on a front-facing triangle and 256 + n on a
// back-facing one, then advances; selection mode reports what was drawn.
TEST_F(ViewsRenderTest, RowDrawsEachByteThroughItsOwnListWithBackFacesCulled)
{
    const float ADVANCE = 0.6f;
    GLuint base = glGenLists(256);
    ASSERT_NE(base, 0u);
    for (int code = 0; code < 256; ++code) {
        glNewList(base + code, GL_COMPILE);
        glLoadName(code);
        glBegin(GL_TRIANGLES);   // counter-clockwise: front
        glVertex3f(0.1f, 0.0f, 0.0f);
        glVertex3f(0.5f, 0.0f, 0.0f);
        glVertex3f(0.3f, 0.6f, 0.0f);
        glEnd();
        glLoadName(256 + code);
        glBegin(GL_TRIANGLES);   // clockwise: back
        glVertex3f(0.1f, 0.1f, 0.0f);
        glVertex3f(0.3f, 0.7f, 0.0f);
        glVertex3f(0.5f, 0.1f, 0.0f);
        glEnd();
        glTranslatef(ADVANCE, 0.0f, 0.0f);
        glEndList();
    }
    // NUL, every control code, DEL, the C1 range and high bytes.
    unsigned char row[80];
    for (int k = 0; k < 80; ++k)
        row[k] = static_cast<unsigned char>(k < 32 ? k : k == 32 ? 127 : 128 + (k - 33) * 2 + 1);
    row[79] = 255;

    const uint32_t realFont = FontBase;
    FontBase = base;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-0.1, 80 * ADVANCE + 0.1, -1.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);

    GLuint hits[4 * 200] = {};
    glSelectBuffer(sizeof hits / sizeof hits[0], hits);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(~0u);
    drawTextRow(row);
    GLint records = glRenderMode(GL_RENDER);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0) << "the advances stay inside the row";

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    FontBase = realFont;
    glDeleteLists(base, 256);

    // Each record: name count (1), depth range, the name.
    ASSERT_EQ(records, 80);
    for (int k = 0; k < 80; ++k) {
        ASSERT_EQ(hits[4 * k], 1u);
        EXPECT_EQ(hits[4 * k + 3], row[k]) << "column " << k;
    }
}

// ---------------------------------------------------------------------------
// Rain view

struct RainGeometry {
    int firstRow;
    double x, y, z;   // origin
};

RainGeometry rainGeometry()
{
    return TallScreen ? RainGeometry{0, -8, 6.2, -12} : RainGeometry{20, -8, 3.1, -7};
}

struct CellRect {
    int x0, y0, x1, y1;   // window pixels, inclusive
};

// The window rectangle of the quad of cell (row, column).
CellRect cellRect(int row, int column)
{
    RainGeometry g = rainGeometry();
    double cx = g.x + 0.2 * column;
    double cy = g.y - 0.3 * (row - g.firstRow + 1);
    double z = g.z + 1;
    double ax, ay, bx, by;
    projectEyePoint({cx - 0.1, cy - 0.15, z}, &ax, &ay);
    projectEyePoint({cx + 0.1, cy + 0.15, z}, &bx, &by);
    return {static_cast<int>(std::floor(ax)), static_cast<int>(std::floor(ay)),
            static_cast<int>(std::ceil(bx)), static_cast<int>(std::ceil(by))};
}

bool inRect(const CellRect& r, int x, int y)
{
    return x >= r.x0 && x <= r.x1 && y >= r.y0 && y <= r.y1;
}

Pixel brightestIn(const Frame& frame, const CellRect& r)
{
    Pixel best = {0, 0, 0};
    for (int y = r.y0; y <= r.y1; ++y)
        for (int x = r.x0; x <= r.x1; ++x)
            if (frame.inside(x, y) && frame.at(x, y).max() > best.max())
                best = frame.at(x, y);
    return best;
}

// Before any drop has come down, the view shows the banner in green and the
// cursor's glyph in yellow, and nothing else.
void checkFirstRainFrame(const char* shot)
{
    ViewMode = VIEW_RAIN;
    cursorRow = 199;
    cursorColumn = 10;
    seedRandom(4242);
    renderFrame();
    Frame frame = readFrame(WIDTH, HEIGHT);
    saveShot(frame, shot);

    // Cells with a glyph in the drawn rows: the banner, the cursor and, in
    // the tall layout, the head of a drop that started on row 0.
    RainGeometry g = rainGeometry();
    std::vector<CellRect> allowed;
    for (int r = g.firstRow; r < RAIN_ROWS; ++r)
        for (int k = 0; k < RAIN_COLUMNS; ++k)
            if (RainText[r][k] != ' ')
                allowed.push_back(cellRect(r, k));
    EXPECT_LE(allowed.size(), static_cast<size_t>(RAIN_BANNER_LENGTH + (TallScreen ? 2 : 1)));
    for (int k = 0; k < RAIN_BANNER_LENGTH; ++k) {
        CellRect r = cellRect(39, 56 + k);
        ASSERT_EQ(RainText[39][56 + k], static_cast<unsigned char>(RainBanner[k]));
        Pixel p = brightestIn(frame, r);
        EXPECT_GE(p.g, 60) << "banner character " << k;
        EXPECT_EQ(p.r, 0) << "banner character " << k;
        EXPECT_EQ(p.b, 0) << "banner character " << k;
    }
    CellRect cursor = cellRect(39, 10);
    unsigned char mark = RainText[39][10];
    ASSERT_NE(mark, ' ') << "pick another seed: the cursor's glyph is a space";
    ASSERT_NE(mark, GlitchChar);
    Pixel p = brightestIn(frame, cursor);
    EXPECT_GE(p.r, 60);
    EXPECT_NEAR(p.g, p.r, 2) << "yellow: full red over the green cell";
    EXPECT_EQ(p.b, 0);

    // Banner cells stand edge to edge on the last drawn row.
    CellRect first = cellRect(39, 56), last = cellRect(39, 79);
    EXPECT_LT(first.x0, last.x0);
    EXPECT_NEAR(first.y0, last.y0, 1);

    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            if (!frame.at(x, y).lit())
                continue;
            bool ok = false;
            for (const CellRect& r : allowed)
                ok |= inRect(r, x, y);
            ASSERT_TRUE(ok) << "pixel outside the banner and cursor at " << x << "," << y;
        }
}

TEST_F(ViewsRenderTest, FirstRainFrameShowsBannerAndCursorWide)
{
    TallScreen = 0;
    checkFirstRainFrame("test_rain_first_wide.png");
}

TEST_F(ViewsRenderTest, FirstRainFrameShowsBannerAndCursorTall)
{
    TallScreen = 1;
    checkFirstRainFrame("test_rain_first_tall.png");
}

// The rows exactly as the view's drawing rules put them, one quad, one
// texture bind and one translation per character: the yardstick for the
// batched drawing.
void referenceString(const unsigned char* text, float advance, int colourRow)
{
    if (text[0] == 0)
        return;
    glPushMatrix();
    for (int i = 0; text[i] != 0; ++i) {
        int ch = text[i];
        if (static_cast<signed char>(ch) == GlitchChar)
            ch = nextRandom() % 96 + 32;
        if (ch != ' ') {
            glColor3fv(RainColour[colourRow * RAIN_STRIDE + i]);
            drawGlyphQuad(ch);
        }
        glTranslatef(advance, 0.0f, 0.0f);
    }
    glPopMatrix();
}

void referenceRows()
{
    RainGeometry g = rainGeometry();
    glPushMatrix();
    glTranslatef(static_cast<float>(g.x), static_cast<float>(g.y), static_cast<float>(g.z));
    glColor3f(0.0f, 1.0f, 0.0f);
    for (int r = g.firstRow; r < RAIN_ROWS; ++r) {
        glTranslatef(0.0f, -0.3f, 0.0f);
        referenceString(RainText[r], 0.2f, r);
    }
    glPopMatrix();
}

Frame drawOnce(void (*draw)())
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glPushMatrix();
    draw();
    glPopMatrix();
    return readFrame(WIDTH, HEIGHT);
}

void compareWithReference(const char* shot)
{
    ViewMode = VIEW_RAIN;
    fillSessionPage();
    // Bytes without a glyph of their own, and the glitch character.
    ScreenBuffer[190 * 80 + 3] = 7;
    ScreenBuffer[190 * 80 + 4] = 200;
    GlitchChar = 'e';
    cursorRow = 199;
    cursorColumn = 2;
    seedRandom(99);
    for (int n = 0; n < 150; ++n) {
        ElapsedSeconds = 1.0f + n * 0.01f;
        advanceRainFrame();
    }
    uint32_t state = RandomState;
    Frame batched = drawOnce(drawRainRows);
    uint32_t afterBatched = RandomState;
    RandomState = state;
    Frame reference = drawOnce(referenceRows);
    EXPECT_EQ(RandomState, afterBatched) << "same random draws, in the same order";
    saveShot(batched, shot);

    long lit = 0, differing = 0, grey = 0;
    int largest = 0;
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            Pixel a = batched.at(x, y), b = reference.at(x, y);
            lit += b.lit();
            grey += b.r > 40 && b.r == b.g && b.g == b.b;
            int d = std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
            differing += d != 0;
            largest = std::max(largest, d);
        }
    EXPECT_GT(lit, 20000) << "the revealed page is on view";
    EXPECT_GT(grey, 5000) << "text the tails have passed is grey";
    // Positions are accumulated exactly as the translations would; what is
    // left is rounding inside the pipeline: a step of one in a few shades,
    // never a pixel covered by one and not by the other.
    EXPECT_LE(largest, 1);
    EXPECT_LE(differing, lit / 200) << differing << " of " << lit << " lit pixels differ";
    ::testing::Test::RecordProperty("differing_pixels", static_cast<int>(differing));
}

TEST_F(ViewsRenderTest, BatchedRainDrawsWhatOneQuadPerCharacterDraws)
{
    TallScreen = 0;
    compareWithReference("test_rain_wide.png");
}

TEST_F(ViewsRenderTest, BatchedRainDrawsWhatOneQuadPerCharacterDrawsTall)
{
    TallScreen = 1;
    compareWithReference("test_rain_tall.png");
}

// Text in glyph letters, as the start menu writes it: positions relative
// to the current matrix, colours from RainColour row 0.
TEST_F(ViewsRenderTest, GlyphStringFollowsTheCurrentMatrix)
{
    const char* text = "HOST";
    float* c = RainColour[2];
    c[0] = 1.0f;
    c[1] = 0.0f;
    c[2] = 0.0f;   // the 'S' in red
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(-0.3f, 0.0f, -6.0f);
    drawGlyphString(text, 0.2f, 0);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    drawGlyphString("", 0.2f, 0);
    Frame frame = readFrame(WIDTH, HEIGHT);

    for (int i = 0; i < 4; ++i) {
        double ax, ay, bx, by;
        projectEyePoint({-0.3 + 0.2 * i - 0.1, -0.15, -5}, &ax, &ay);
        projectEyePoint({-0.3 + 0.2 * i + 0.1, 0.15, -5}, &bx, &by);
        CellRect r = {static_cast<int>(ax) + 1, static_cast<int>(ay) + 1,
                      static_cast<int>(bx) - 1, static_cast<int>(by) - 1};
        Pixel p = brightestIn(frame, r);
        if (i == 2) {
            EXPECT_GE(p.r, 60) << "character " << i;
            EXPECT_EQ(p.g, 0) << "character " << i;
        } else {
            EXPECT_GE(p.g, 60) << "character " << i;
            EXPECT_EQ(p.r, 0) << "character " << i;
        }
    }
}

// What the frames leave of the fixed state: the rows' culling and the
// rain's shortcuts put everything back.
struct FixedState {
    GLint viewport[4];
    GLint matrixMode;
    GLint renderMode;
    GLfloat projection[16];
    GLfloat clearColour[4];
    GLboolean enabled[9];
    GLint depthFunc;
    GLint frontFace;
    GLint cullMode;
};

FixedState readFixedState()
{
    static const GLenum caps[9] = {GL_DEPTH_TEST, GL_FOG, GL_LIGHTING, GL_LIGHT0,
                                   GL_COLOR_MATERIAL, GL_CULL_FACE, GL_BLEND, GL_SCISSOR_TEST,
                                   GL_COLOR_LOGIC_OP};
    FixedState s = {};
    glGetIntegerv(GL_VIEWPORT, s.viewport);
    glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
    glGetIntegerv(GL_RENDER_MODE, &s.renderMode);
    glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clearColour);
    for (int i = 0; i < 9; ++i)
        s.enabled[i] = glIsEnabled(caps[i]);
    glGetIntegerv(GL_DEPTH_FUNC, &s.depthFunc);
    glGetIntegerv(GL_FRONT_FACE, &s.frontFace);
    glGetIntegerv(GL_CULL_FACE_MODE, &s.cullMode);
    return s;
}

TEST_F(ViewsRenderTest, FramesLeaveTheFixedStateAsTheyFoundIt)
{
    FixedState before = readFixedState();
    fillSessionPage();
    ViewMode = VIEW_PERSPECTIVE;
    renderFrame();
    ViewMode = VIEW_RAIN;
    renderFrame();
    ViewMode = VIEW_PERSPECTIVE;
    renderFrame();
    FixedState after = readFixedState();
    EXPECT_EQ(std::memcmp(before.viewport, after.viewport, sizeof before.viewport), 0);
    EXPECT_EQ(after.matrixMode, GL_MODELVIEW);
    EXPECT_EQ(after.renderMode, GL_RENDER);
    EXPECT_EQ(std::memcmp(before.projection, after.projection, sizeof before.projection), 0);
    EXPECT_EQ(std::memcmp(before.clearColour, after.clearColour, sizeof before.clearColour), 0);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(before.enabled[i], after.enabled[i]) << "capability " << i;
    EXPECT_EQ(after.depthFunc, GL_LEQUAL);
    EXPECT_EQ(after.frontFace, GL_CCW);
    EXPECT_EQ(after.cullMode, GL_BACK);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// ---------------------------------------------------------------------------
// Pictures for people: the views as a user sees them.

TEST_F(ViewsRenderTest, ShotsOfBothViews)
{
    if (shotsDirectory().empty())
        GTEST_SKIP() << "set QUORVISH_SHOTS_DIR to save the pictures";
    fillSessionPage();
    seedRandom(1718000000u);
    seedStarfield();
    StarDrift = 0.01f;
    ViewMode = VIEW_PERSPECTIVE;
    scrollOffset = 1.0f;
    for (int n = 0; n < 5; ++n)
        renderFrame();
    saveShot(readFrame(WIDTH, HEIGHT), "perspective_view.png");

    resetViews();
    fillSessionPage();
    ViewMode = VIEW_RAIN;
    cursorRow = 199;
    cursorColumn = 17;
    for (int tall = 0; tall < 2; ++tall) {
        TallScreen = tall;
        initRain();
        for (int n = 0; n < 120; ++n) {
            ElapsedSeconds = 1.0f + n * 0.016f;
            renderFrame();
        }
        saveShot(readFrame(WIDTH, HEIGHT), tall ? "rain_view_tall.png" : "rain_view_wide.png");
    }
}

} // namespace
