// The rain's grids and drops, without GL: what a passing drop leaves in each
// cell, the banner, the cursor mark and the glitch character.
#include "app/app_state.h"
#include "render/rain.h"
#include "render/random.h"
#include "terminal/screen.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

namespace {

struct Rgb {
    float r, g, b;
};

Rgb colourAt(int row, int column)
{
    const float* c = RainColour[row * RAIN_STRIDE + column];
    return {c[0], c[1], c[2]};
}

void setScreen(int row, int column, unsigned char b)
{
    ScreenBuffer[row * SCREEN_COLUMNS + column] = b;
}

// The glyph the next random draw will give, without drawing it.
int peekRandomGlyph()
{
    uint32_t saved = RandomState;
    int glyph = nextRandom() % 96 + 32;
    RandomState = saved;
    return glyph;
}

#define EXPECT_RGB(row, column, R, G, B)                                       \
    do {                                                                       \
        Rgb c_ = colourAt(row, column);                                        \
        EXPECT_FLOAT_EQ(c_.r, R) << "row " << (row) << " column " << (column); \
        EXPECT_FLOAT_EQ(c_.g, G) << "row " << (row) << " column " << (column); \
        EXPECT_FLOAT_EQ(c_.b, B) << "row " << (row) << " column " << (column); \
    } while (0)

class RainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetTerminal();
        initRain();
        seedRandom(20240601);
        GlitchChar = '~';
        ElapsedSeconds = 1.0f;
        TallScreen = 0;
        // The cursor mark is tested on its own; keep it off the grid here.
        cursorRow = 100;
        cursorColumn = 0;
    }

    static void startDrop(int column, int head, int trail)
    {
        RainDrops[column].headRow = head;
        RainDrops[column].trailLength = trail;
        RainDrops[column].fallPosition = static_cast<float>(head);
    }
};

// The cell past each row is never written: black, whatever happens.
TEST_F(RainTest, CellPastEachRowStaysBlackAndTheBannerIsPrintable)
{
    for (int column = 0; column < 80; column += 7)
        startDrop(column, 0, 5);
    cursorRow = 199;
    cursorColumn = 79;
    for (int frame = 0; frame < 60; ++frame)
        updateRain();
    for (int r = 0; r < RAIN_ROWS; ++r)
        EXPECT_RGB(r, 80, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(std::strlen(RainBanner), static_cast<size_t>(RAIN_BANNER_LENGTH));
    for (int k = 0; k < RAIN_BANNER_LENGTH; ++k) {
        EXPECT_GE(RainBanner[k], 33);
        EXPECT_LE(RainBanner[k], 127);
    }
}

// A drop with trail 5 whose head is on row 12, over a terminal cell that
// holds a character on row 7 (grey) or a space (cleared).
TEST_F(RainTest, DropWithTrailFiveLeavesTheListedColours)
{
    struct Case {
        unsigned char underTail;
        unsigned char textAfter;
        Rgb tailColour;
    };
    const Case cases[] = {
        {'A', 'Q', {0.8f, 0.8f, 0.8f}},   // keeps what the head left, in grey
        {' ', ' ', {0.0f, 0.2f, 0.0f}},   // cleared, dim green remains
        {0, 'Q', {0.8f, 0.8f, 0.8f}},     // a NUL is a character here too
    };
    for (const Case& c : cases) {
        SetUp();
        const int column = 3;
        setScreen(167, column, c.underTail);
        setScreen(171, column, 'x');        // revealed behind the head
        RainText[7][column] = 'Q';
        startDrop(column, 12, 5);
        int head = peekRandomGlyph();

        updateRain();

        EXPECT_EQ(RainText[12][column], head);
        EXPECT_RGB(12, column, 0.0f, 1.0f, 1.0f);
        EXPECT_EQ(RainText[11][column], 'x');
        EXPECT_RGB(11, column, 0.0f, 1.0f, 0.0f);
        EXPECT_RGB(10, column, 0.0f, 0.8f, 0.0f);
        EXPECT_RGB(9, column, 0.0f, 0.6f, 0.0f);
        EXPECT_RGB(8, column, 0.0f, 0.4f, 0.0f);
        EXPECT_EQ(RainText[7][column], c.textAfter);
        EXPECT_RGB(7, column, c.tailColour.r, c.tailColour.g, c.tailColour.b);
        // Nothing else in the column or beside it changed.
        EXPECT_RGB(6, column, 0.0f, 1.0f, 0.0f);
        EXPECT_RGB(13, column, 0.0f, 1.0f, 0.0f);
        for (int r = 0; r < RAIN_ROWS; ++r) {
            EXPECT_EQ(RainText[r][column - 1], ' ');
            EXPECT_EQ(RainText[r][column + 1], ' ');
        }
        EXPECT_EQ(RainDrops[column].headRow, 13);
        EXPECT_EQ(RainDrops[column].fallPosition, 13.0f);
    }
}

// The whole life of one drop, seen from single cells.
TEST_F(RainTest, CellColourSequenceOverAPassingDrop)
{
    const int column = 40;
    const int cell = 10;
    const int trail = 5;
    setScreen(160 + cell, column, 'k');
    startDrop(column, 0, trail);

    std::vector<Rgb> seen;
    for (int frame = 0; frame < RAIN_ROWS + trail; ++frame) {
        updateRain();
        seen.push_back(colourAt(cell, column));
    }
    const Rgb expected[] = {
        {0, 1, 1}, {0, 1, 0}, {0, 0.8f, 0}, {0, 0.6f, 0}, {0, 0.4f, 0}, {0.8f, 0.8f, 0.8f},
    };
    for (int k = 0; k < 6; ++k) {
        EXPECT_FLOAT_EQ(seen[cell + k].r, expected[k].r) << "frame " << cell + k;
        EXPECT_FLOAT_EQ(seen[cell + k].g, expected[k].g) << "frame " << cell + k;
        EXPECT_FLOAT_EQ(seen[cell + k].b, expected[k].b) << "frame " << cell + k;
    }
    EXPECT_EQ(RainText[cell][column], 'k');
    // Processed for 40 + trail frames (head rows 0..44), then idle again.
    EXPECT_EQ(RainDrops[column].headRow, -1);
}

TEST_F(RainTest, DropLifetimeIsFortyPlusTrailFrames)
{
    for (int trail : {5, 17, 64}) {
        SetUp();
        startDrop(0, 0, trail);
        int frames = 0;
        while (RainDrops[0].headRow >= 0 && frames < 1000) {
            updateRain();
            ++frames;
        }
        EXPECT_EQ(frames, RAIN_ROWS + trail) << "trail " << trail;
    }
}

TEST_F(RainTest, NulCellKeepsTheHeadGlyphAndTurnsGrey)
{
    const int column = 5;
    const int cell = 10;
    setScreen(160 + cell, column, 0);
    startDrop(column, 0, 5);
    int written = -1;
    for (int frame = 0; frame < 45; ++frame) {
        if (frame == cell)
            written = peekRandomGlyph();
        updateRain();
        if (frame == cell + 1) {
            EXPECT_EQ(RainText[cell][column], written) << "not revealed behind the head";
            EXPECT_RGB(cell, column, 0.0f, 1.0f, 0.0f);
        }
    }
    EXPECT_EQ(RainText[cell][column], written);
    EXPECT_RGB(cell, column, 0.8f, 0.8f, 0.8f);
}

TEST_F(RainTest, BlankTerminalEndsBlankWhateverTheHeadWrote)
{
    const int column = 79;
    startDrop(column, 0, 9);
    for (int frame = 0; frame < 49; ++frame)
        updateRain();
    for (int r = 0; r < RAIN_ROWS - 1; ++r) {
        EXPECT_EQ(RainText[r][column], ' ') << "row " << r;
        EXPECT_RGB(r, column, 0.0f, 0.2f, 0.0f);
    }
}

// A character that arrives after the head has passed shows only after a
// later drop reveals it; the tail turns the head's glyph grey.
TEST_F(RainTest, CharacterArrivingLateShowsTheHeadGlyphInGrey)
{
    const int column = 20;
    const int cell = 15;
    startDrop(column, 0, 6);
    int written = -1;
    for (int frame = 0; frame < 46; ++frame) {
        if (frame == cell)
            written = peekRandomGlyph();
        if (frame == cell + 2)
            setScreen(160 + cell, column, 'Z');
        updateRain();
    }
    EXPECT_EQ(RainText[cell][column], written);
    EXPECT_RGB(cell, column, 0.8f, 0.8f, 0.8f);

    startDrop(column, 0, 6);
    for (int frame = 0; frame < 46; ++frame)
        updateRain();
    EXPECT_EQ(RainText[cell][column], 'Z');
}

TEST_F(RainTest, BannerOverwritesTheLastRowEveryFrame)
{
    // Drops through the banner columns, with the terminal full of text.
    for (int k = 0; k < SCREEN_COLUMNS; ++k)
        setScreen(199, k, 'm');
    for (int column = 56; column < 80; column += 3)
        startDrop(column, 30, 5);
    for (int frame = 0; frame < 20; ++frame) {
        updateRain();
        for (int k = 0; k < RAIN_BANNER_LENGTH; ++k)
            ASSERT_EQ(RainText[39][56 + k], static_cast<unsigned char>(RainBanner[k]))
                << "frame " << frame << " banner character " << k;
        ASSERT_EQ(RainText[39][80], 0);   // the terminator is left alone
    }
    // The banner wears the colours the drops left: grey where the terminal
    // had text under the tail.
    EXPECT_RGB(39, 56, 0.8f, 0.8f, 0.8f);
    // Columns the drops missed are still plain green.
    EXPECT_RGB(39, 57, 0.0f, 1.0f, 0.0f);
}

TEST_F(RainTest, BannerOverBlankTerminalEndsInDimGreen)
{
    startDrop(60, 0, 5);
    for (int frame = 0; frame < 45; ++frame)
        updateRain();
    EXPECT_EQ(RainText[39][60], static_cast<unsigned char>(RainBanner[4]));
    EXPECT_RGB(39, 60, 0.0f, 0.2f, 0.0f);
}

TEST_F(RainTest, CursorReplacesBannerCharacterFourWithFreshGlyphs)
{
    cursorRow = 199;
    cursorColumn = 60;
    for (int frame = 0; frame < 5; ++frame) {
        int expected = peekRandomGlyph();
        updateRain();
        EXPECT_EQ(RainText[39][60], expected);
        EXPECT_RGB(39, 60, 1.0f, 1.0f, 0.0f);   // yellow on a green cell
        EXPECT_EQ(RainText[39][59], static_cast<unsigned char>(RainBanner[3]));
        EXPECT_EQ(RainText[39][61], static_cast<unsigned char>(RainBanner[5]));
    }
}

TEST_F(RainTest, CursorRedOnTheCellColours)
{
    struct Case {
        Rgb cell;
        Rgb marked;
    };
    const Case cases[] = {
        {{0, 1, 1}, {1, 1, 1}},            // head: white
        {{0, 0.2f, 0}, {1, 0.2f, 0}},      // cleared by a tail: red-orange
        {{0.8f, 0.8f, 0.8f}, {1, 0.8f, 0.8f}},
    };
    cursorRow = 170;
    cursorColumn = 7;
    for (const Case& c : cases) {
        float* cell = RainColour[10 * RAIN_STRIDE + 7];
        cell[0] = c.cell.r;
        cell[1] = c.cell.g;
        cell[2] = c.cell.b;
        updateRain();
        EXPECT_RGB(10, 7, c.marked.r, c.marked.g, c.marked.b);
    }
    // Moving on leaves the last glyph and the red behind.
    unsigned char left = RainText[10][7];
    cursorColumn = 8;
    updateRain();
    EXPECT_EQ(RainText[10][7], left);
    EXPECT_EQ(colourAt(10, 7).r, 1.0f);
}

TEST_F(RainTest, CursorInColumn79WithWrapPendingIsMarkedThere)
{
    cursorRow = 190;
    cursorColumn = 79;
    wrapPending = true;
    int expected = peekRandomGlyph();
    updateRain();
    EXPECT_EQ(RainText[30][79], expected);
    EXPECT_EQ(colourAt(30, 79).r, 1.0f);
}

TEST_F(RainTest, CursorOutsideTheGridLeavesNoMark)
{
    const int positions[][2] = {
        {159, 0}, {200, 0}, {199, -1}, {199, 80}, {199, 81}, {160, -1},
        {0, 0}, {-1, 79}, {1000000, 5}, {-1000000, 5}, {170, INT_MAX}, {170, INT_MIN},
        {INT_MIN, 0}, {INT_MAX, 0},
    };
    updateRain();   // the banner is in place from here on
    static unsigned char text[RAIN_ROWS][RAIN_STRIDE];
    static float colour[RAIN_ROWS * RAIN_STRIDE][3];
    std::memcpy(text, RainText, sizeof text);
    std::memcpy(colour, RainColour, sizeof colour);
    for (const auto& p : positions) {
        cursorRow = p[0];
        cursorColumn = p[1];
        updateRain();
        EXPECT_EQ(std::memcmp(text, RainText, sizeof text), 0)
            << "cursor " << p[0] << "," << p[1];
        EXPECT_EQ(std::memcmp(colour, RainColour, sizeof colour), 0)
            << "cursor " << p[0] << "," << p[1];
    }
}

TEST_F(RainTest, SpawnStartsAtMostOneDropInTheDrawnColumn)
{
    uint32_t saved = RandomState;
    int column = nextRandom() % 80;
    int trail = nextRandom() % 60 + 5;
    RandomState = saved;

    spawnDrop();
    EXPECT_EQ(RainDrops[column].headRow, 0);
    EXPECT_EQ(RainDrops[column].fallPosition, 0.0f);
    EXPECT_EQ(RainDrops[column].trailLength, trail);
    int busy = 0;
    for (const RainDrop& drop : RainDrops)
        busy += drop.headRow >= 0;
    EXPECT_EQ(busy, 1);

    // A busy column: nothing starts, no other column is tried, and only the
    // column was drawn from the generator.
    RandomState = saved;
    RainDrops[column].headRow = 7;
    spawnDrop();
    uint32_t afterBusy = RandomState;
    RandomState = saved;
    nextRandom();
    EXPECT_EQ(afterBusy, RandomState);
    EXPECT_EQ(RainDrops[column].headRow, 7);
}

TEST_F(RainTest, GlitchCharacterIsNeverASpace)
{
    // Find a generator state whose next glyph is a space; the pick must
    // draw again.
    uint32_t seed = 0;
    for (;; ++seed) {
        seedRandom(seed);
        if (nextRandom() % 96 == 0)
            break;
    }
    seedRandom(seed);
    nextRandom();
    int next = peekRandomGlyph();
    seedRandom(seed);
    pickGlitchChar();
    EXPECT_NE(GlitchChar, ' ');
    if (next != ' ') {
        EXPECT_EQ(GlitchChar, next);
    }

    for (int n = 0; n < 5000; ++n) {
        pickGlitchChar();
        ASSERT_GE(GlitchChar, 33);
        ASSERT_LE(GlitchChar, 127);
    }
}

// One second in five the glitch character changes in every frame.
TEST_F(RainTest, GlitchCharacterChangesOnlyInEveryFifthSecond)
{
    struct Case {
        float seconds;
        bool picks;
    };
    const Case cases[] = {
        {0.0f, true}, {0.3f, true}, {4.99f, false}, {5.0f, true}, {5.99f, true},
        {6.0f, false}, {12.5f, false}, {1000.2f, true}, {-0.5f, true}, {-1.5f, false},
        {1e30f, false}, {-1e30f, false},
    };
    for (const Case& c : cases) {
        GlitchChar = 0;
        ElapsedSeconds = c.seconds;
        advanceRainFrame();
        if (c.picks)
            EXPECT_NE(GlitchChar, 0) << c.seconds;
        else
            EXPECT_EQ(GlitchChar, 0) << c.seconds;
    }
}

TEST_F(RainTest, FrameRewritesTheRowTerminators)
{
    for (int r = 0; r < RAIN_ROWS; ++r)
        RainText[r][80] = 'x';
    advanceRainFrame();
    for (int r = 0; r < RAIN_ROWS; ++r)
        EXPECT_EQ(RainText[r][80], 0);
}

// A frame reveals every byte other than 0 and space, even those without a
// glyph of their own (the drawing maps those to the fallback glyph).
TEST_F(RainTest, RevealCopiesBytesWithoutGlyphs)
{
    const unsigned char bytes[] = {1, 27, 31, 127, 128, 200, 255};
    for (unsigned k = 0; k < sizeof bytes; ++k) {
        setScreen(180, k, bytes[k]);
        startDrop(k, 21, 5);
    }
    updateRain();
    for (unsigned k = 0; k < sizeof bytes; ++k)
        EXPECT_EQ(RainText[20][k], bytes[k]);
}

} // namespace
