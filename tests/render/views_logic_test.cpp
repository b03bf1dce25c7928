// The views' logic without GL: frame rate, starfield, the rain's grids and
// how glyph strings are gathered for drawing.
#include "render/frame.h"
#include "render/perspective.h"
#include "render/rain.h"
#include "render/random.h"
#include "terminal/screen.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

namespace {

TEST(FrameRate, FirstFiftyFramesCountFromTheStartThenTheLastFifty)
{
    const struct {
        int frames;
        float start, step;   // frame n is at start + step * n
        float expected;
    } cases[] = {
        {1, 20.0f, 0.0f, 1.0f / 20.0f},         // twenty seconds in the menu
        {30, 20.0f, 0.04f, 30.0f / 21.2f},
        {50, 20.0f, 0.04f, 50.0f / 22.0f},
        {51, 20.0f, 0.04f, 25.0f},
        {200, 20.0f, 0.04f, 25.0f},
        {1, 0.0f, 0.0f, INFINITY},              // no time has passed
        {60, 7.0f, 0.0f, INFINITY},             // the clock stands still
    };
    for (const auto& c : cases) {
        FrameCounter = 0;
        for (int k = 0; k < FRAME_HISTORY; ++k) {
            FrameCountHistory[k] = 0;
            FrameTimeHistory[k] = 0.0f;
        }
        for (int n = 1; n <= c.frames; ++n) {
            ElapsedSeconds = c.start + c.step * n;
            ++FrameCounter;
            measureFrameRate();
        }
        if (std::isinf(c.expected))
            EXPECT_EQ(FrameRate, c.expected) << c.frames << " frames";
        else
            EXPECT_NEAR(FrameRate, c.expected, 0.01f) << c.frames << " frames";
    }
}

TEST(Starfield, StarsLieOnTheSphereFromTheSeededAnglesAndDrift)
{
    const float rotations[][6] = {   // angles x y z, then (1, 2, 3) turned
        {90, 0, 0, 1, -3, 2}, {0, 0, 90, -2, 1, 3}, {90, 90, 0, 2, -3, -1}, {0, 90, 90, -2, 3, -1},
    };
    for (const auto& r : rotations) {
        float v[3] = {1, 2, 3};
        rotateVector(v, r[0], r[1], r[2]);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(v[i], r[3 + i], 1e-5) << r[0] << " " << r[1] << " " << r[2];
    }

    seedRandom(99);
    float az = nextRandom() % 360, ay = nextRandom() % 360, ax = nextRandom() % 360;
    float first[3] = {80.0f, 80.0f, 80.0f};
    rotateVector(first, ax, ay, az);
    for (int n = 3; n < 3 * STAR_COUNT; ++n)
        nextRandom();
    float drift = static_cast<float>((static_cast<int>(nextRandom() % 100) - 50) / 3000.0);

    seedRandom(99);
    seedStarfield();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Starfield[0][i], first[i]);
    EXPECT_EQ(StarDrift, drift);
    for (int s = 0; s < STAR_COUNT; ++s) {
        double x = Starfield[s][0], y = Starfield[s][1], z = Starfield[s][2];
        ASSERT_NEAR(std::sqrt(x * x + y * y + z * z), 80.0 * std::sqrt(3.0), 1e-3) << s;
    }
}

// The glyph the next random draw will give, without drawing it.
int peekRandomGlyph()
{
    uint32_t saved = RandomState;
    int glyph = nextRandom() % 96 + 32;
    RandomState = saved;
    return glyph;
}

void expectColour(int row, int column, float r, float g, float b)
{
    const float* c = RainColour[row * RAIN_STRIDE + column];
    EXPECT_FLOAT_EQ(c[0], r) << "row " << row << " column " << column;
    EXPECT_FLOAT_EQ(c[1], g) << "row " << row << " column " << column;
    EXPECT_FLOAT_EQ(c[2], b) << "row " << row << " column " << column;
}

class Rain : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetTerminal();
        initRain();
        seedRandom(20240601);
        GlitchChar = '~';
        ElapsedSeconds = 1.0f;
        TallScreen = 0;
        cursorRow = 100;   // off the grid
        cursorColumn = 0;
    }
    static void startDrop(int column, int head, int trail)
    {
        RainDrops[column] = {};
        RainDrops[column].headRow = head;
        RainDrops[column].trailLength = trail;
        RainDrops[column].fallPosition = static_cast<float>(head);
    }
};

// Trail 5, head on row 12, over a terminal cell on row 7 (screen row 167).
TEST_F(Rain, DropWithTrailFiveLeavesTheListedColours)
{
    const struct {
        unsigned char underTail, textAfter;
        float r, g, b;
    } cases[] = {
        {'A', 'Q', 0.8f, 0.8f, 0.8f},   // keeps what the head left, in grey
        {' ', ' ', 0.0f, 0.2f, 0.0f},   // cleared, dim green remains
        {0, 'Q', 0.8f, 0.8f, 0.8f},     // a NUL is a character here too
    };
    for (const auto& c : cases) {
        SetUp();
        const int column = 3;
        ScreenBuffer[167 * SCREEN_COLUMNS + column] = c.underTail;
        ScreenBuffer[171 * SCREEN_COLUMNS + column] = 'x';   // revealed behind the head
        RainText[7][column] = 'Q';
        startDrop(column, 12, 5);
        int head = peekRandomGlyph();
        updateRain();

        EXPECT_EQ(RainText[12][column], head);
        expectColour(12, column, 0.0f, 1.0f, 1.0f);
        EXPECT_EQ(RainText[11][column], 'x');
        const float greens[] = {1.0f, 0.8f, 0.6f, 0.4f};
        for (int k = 0; k < 4; ++k)
            expectColour(11 - k, column, 0.0f, greens[k], 0.0f);
        EXPECT_EQ(RainText[7][column], c.textAfter);
        expectColour(7, column, c.r, c.g, c.b);
        expectColour(6, column, 0.0f, 1.0f, 0.0f);
        expectColour(13, column, 0.0f, 1.0f, 0.0f);
        EXPECT_EQ(RainDrops[column].headRow, 13);
    }
    // A drop lives for 40 + trail frames.
    for (int trail : {5, 64}) {
        startDrop(0, 0, trail);
        int frames = 0;
        for (; RainDrops[0].headRow >= 0 && frames < 1000; ++frames)
            updateRain();
        EXPECT_EQ(frames, RAIN_ROWS + trail);
    }
}

TEST_F(Rain, BannerAndCursorMark)
{
    for (int k = 0; k < SCREEN_COLUMNS; ++k)
        ScreenBuffer[199 * SCREEN_COLUMNS + k] = 'm';
    for (int column = 56; column < 80; column += 3)
        startDrop(column, 30, 5);
    for (int frame = 0; frame < 20; ++frame) {
        updateRain();
        for (int k = 0; k < RAIN_BANNER_LENGTH; ++k)
            ASSERT_EQ(RainText[39][56 + k], static_cast<unsigned char>(RainBanner[k]))
                << "frame " << frame << " banner character " << k;
        ASSERT_EQ(RainText[39][80], 0);
    }
    expectColour(39, 56, 0.8f, 0.8f, 0.8f);   // the drops' colours show through
    expectColour(39, 57, 0.0f, 1.0f, 0.0f);

    // A cursor at row 199 column 60 replaces banner character 4, afresh in
    // every frame.
    cursorRow = 199;
    cursorColumn = 60;
    for (int frame = 0; frame < 3; ++frame) {
        int mark = peekRandomGlyph();
        RainColour[39 * RAIN_STRIDE + 60][1] = 0.2f * frame;
        updateRain();
        EXPECT_EQ(RainText[39][60], mark);
        expectColour(39, 60, 1.0f, 0.2f * frame, 0.0f);   // full red on the cell's colour
        EXPECT_EQ(RainText[39][61], static_cast<unsigned char>(RainBanner[5]));
    }

    // Outside the grid the cursor writes nothing.
    const int outside[][2] = {
        {159, 0}, {200, 0}, {199, -1}, {199, 80}, {-1, 79}, {170, INT_MAX}, {INT_MIN, 0},
    };
    static unsigned char text[RAIN_ROWS][RAIN_STRIDE];
    static float colour[RAIN_ROWS * RAIN_STRIDE][3];
    initRain();
    cursorRow = 100;
    updateRain();
    std::memcpy(text, RainText, sizeof text);
    std::memcpy(colour, RainColour, sizeof colour);
    for (const auto& p : outside) {
        cursorRow = p[0];
        cursorColumn = p[1];
        updateRain();
        EXPECT_EQ(std::memcmp(text, RainText, sizeof text), 0) << p[0] << "," << p[1];
        EXPECT_EQ(std::memcmp(colour, RainColour, sizeof colour), 0) << p[0] << "," << p[1];
    }
}

TEST_F(Rain, FramesRevealAnyByteAndPickGlitchesInEveryFifthSecond)
{
    const unsigned char bytes[] = {1, 27, 127, 200, 255};
    for (unsigned k = 0; k < sizeof bytes; ++k) {
        ScreenBuffer[180 * SCREEN_COLUMNS + k] = bytes[k];
        startDrop(k, 21, 5);
    }
    for (int r = 0; r < RAIN_ROWS; ++r)
        RainText[r][80] = 'x';
    advanceRainFrame();
    for (unsigned k = 0; k < sizeof bytes; ++k)
        EXPECT_EQ(RainText[20][k], bytes[k]);
    for (int r = 0; r < RAIN_ROWS; ++r) {
        EXPECT_EQ(RainText[r][80], 0);
        expectColour(r, 80, 0.0f, 0.0f, 0.0f);
    }

    const struct {
        float seconds;
        bool picks;
    } cases[] = {{0.3f, true}, {4.99f, false}, {5.0f, true}, {6.0f, false}, {-0.5f, true}, {1e30f, false}};
    for (const auto& c : cases) {
        GlitchChar = 0;
        ElapsedSeconds = c.seconds;
        advanceRainFrame();
        EXPECT_EQ(GlitchChar != 0, c.picks) << c.seconds;
    }
    for (int n = 0; n < 5000; ++n) {
        pickGlitchChar();
        ASSERT_GE(GlitchChar, 33);
        ASSERT_LE(GlitchChar, 127);
    }
}

int gather(const char* s, int colourRow, float* x)
{
    *x = 0.0f;
    return gatherGlyphString(reinterpret_cast<const unsigned char*>(s), 0, x, 0.0f, 0.2f, colourRow);
}

TEST(GlyphBatch, GlyphsPositionsColourCellsAndTheGlitchCharacter)
{
    initRain();
    GlitchChar = '~';
    const int fallback = GLYPH_FALLBACK_CODE - 32;
    const int codes[][2] = {{32, 0}, {'A', 33}, {127, 95}, {0, fallback}, {31, fallback},
                            {128, fallback}, {255, fallback}, {0x141, 'A' - 32}};
    for (const auto& c : codes)
        EXPECT_EQ(glyphIndex(c[0]), c[1]) << c[0];

    float x;
    GlyphBatchCount = 0;
    EXPECT_EQ(gather("A  B", 7, &x), 4);   // spaces advance but add no quad
    ASSERT_EQ(GlyphBatchCount, 2);
    EXPECT_EQ(GlyphBatch[1].glyph, 'B' - 32);
    EXPECT_NEAR(GlyphBatch[1].x, 0.6f, 1e-6);
    EXPECT_EQ(GlyphBatch[1].colourCell, 7 * RAIN_STRIDE + 3);
    EXPECT_NEAR(x, 0.8f, 1e-6);

    // Past 80 characters: character 80 takes the black cell 80, 81 and on
    // the next row's cells; past the grid no cell at all.
    const struct {
        int row, index, cell;
    } cells[] = {{2, 79, 2 * 81 + 79}, {2, 80, 2 * 81 + 80}, {2, 81, 3 * 81}, {2, 99, 3 * 81 + 18},
                 {39, 80, 39 * 81 + 80}, {39, 81, -1}, {-1, 0, -1}, {1 << 30, 1, -1}};
    const std::string longText(100, 'A');
    for (const auto& c : cells) {
        GlyphBatchCount = 0;
        gather(longText.c_str(), c.row, &x);
        ASSERT_EQ(GlyphBatchCount, 100);
        EXPECT_EQ(GlyphBatch[c.index].colourCell, c.cell) << c.row << " " << c.index;
    }
    expectColour(2, 80, 0.0f, 0.0f, 0.0f);

    // A full batch stops before the next character, the rest follows.
    GlyphBatchCount = GLYPH_BATCH_CAPACITY - 1;
    int end = gather("ABC", 0, &x);
    EXPECT_EQ(end, 1);
    GlyphBatchCount = 0;
    EXPECT_EQ(gatherGlyphString(reinterpret_cast<const unsigned char*>("ABC"), end, &x, 0.0f, 0.2f, 0), 3);
    EXPECT_EQ(GlyphBatch[GlyphBatchCount - 1].colourCell, 2);

    // The glitch character draws a fresh random glyph each time.
    seedRandom(777);
    GlitchChar = 'B';
    for (int pass = 0; pass < 50; ++pass) {
        int replacement = peekRandomGlyph();
        GlyphBatchCount = 0;
        gather("ABC", 0, &x);
        ASSERT_EQ(GlyphBatchCount, replacement == ' ' ? 2 : 3);
        if (replacement != ' ') {
            EXPECT_EQ(GlyphBatch[1].glyph, replacement - 32);
        }
    }
    // Bytes above 127 never match it.
    GlitchChar = 127;
    uint32_t saved = RandomState;
    GlyphBatchCount = 0;
    gather("\xFF\x80", 0, &x);
    EXPECT_EQ(RandomState, saved);
    GlyphBatchCount = 0;
}

} // namespace
