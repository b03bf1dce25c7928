// The grid, the deferred wrap, the shift and the smooth scroll.
#include "tests/terminal/terminal_fixture.h"

#include <cmath>
#include <limits>

using ScreenTest = TerminalTest;

TEST_F(ScreenTest, EightyCharactersWaitInTheLastColumnAndWrapOnTheNext)
{
    feed(std::string(80, 'a'));
    EXPECT_EQ(cursorColumn, 79);
    EXPECT_EQ(cursorRow, 199);
    EXPECT_TRUE(wrapPending);
    EXPECT_EQ(topLine, 175) << "no shift before the next character";

    feed("b");
    EXPECT_EQ(topLine, 174);
    EXPECT_EQ(cursorRow, 199);
    EXPECT_EQ(cursorColumn, 1);
    EXPECT_EQ(text(198), std::string(80, 'a'));
    EXPECT_EQ(text(199), "b");
}

TEST_F(ScreenTest, FullLinesFollowedByCrLfLeaveNoEmptyRow)
{
    const std::string line1(80, '1'), line2(80, '2');
    feed(line1 + "\r\n" + line2 + "\r\n" + "end");
    EXPECT_EQ(text(197), line1);
    EXPECT_EQ(text(198), line2);
    EXPECT_EQ(text(199), "end");
}

TEST_F(ScreenTest, WrapPendingIsCancelledByCursorControls)
{
    struct Case { const char* name; std::string bytes; int row; int column; };
    const Case cases[] = {
        {"CR", "\r", 199, 0},
        {"BS", "\b", 199, 78},
        {"TAB", "\t", 199, 79},
        {"cursor move", "\x1b[20;80H", 199, 79},
        {"erase line", "\x1b[K", 199, 79},
    };
    for (const Case& c : cases) {
        SetUp();
        feed(std::string(80, 'x') + c.bytes);
        EXPECT_FALSE(wrapPending) << c.name;
        EXPECT_EQ(cursorRow, c.row) << c.name;
        EXPECT_EQ(cursorColumn, c.column) << c.name;
        feed("y");
        EXPECT_EQ(topLine, 175) << c.name << ": the next character must not wrap";
    }
}

TEST_F(ScreenTest, LineFeedAtTheBottomShiftsOnceAndKeepsTheView)
{
    feed("top line");
    feed("\n");
    EXPECT_EQ(cursorRow, 199);
    EXPECT_EQ(cursorColumn, 8);
    EXPECT_EQ(topLine, 174);
    EXPECT_TRUE(scrollActive);
    EXPECT_EQ(text(198), "top line") << "the text moved up with topLine";
    EXPECT_EQ(text(199), "");
}

TEST_F(ScreenTest, TenLineFeedsShiftTenTimes)
{
    feed(std::string(10, '\n'));
    EXPECT_EQ(topLine, 165);
    EXPECT_EQ(cursorRow, 199);
}

TEST_F(ScreenTest, TopLineStopsAtZeroAndTheOldestRowsAreLost)
{
    feed("oldest\r\n");
    for (int i = 0; i < 199; ++i)
        feed("line\r\n");
    EXPECT_EQ(topLine, 0);
    EXPECT_EQ(cursorRow, 199);
    for (int r = 0; r < SCREEN_ROWS; ++r)
        ASSERT_NE(text(r), "oldest");
}

TEST_F(ScreenTest, DuringAScrollTheThresholdIsHigher)
{
    feed(std::string(5, '\n'));
    ASSERT_EQ(topLine, 170);
    feed("\x1b[15;1H");  // row 194
    ASSERT_EQ(cursorRow, 194);
    feed("\n");
    EXPECT_EQ(cursorRow, 194);
    EXPECT_EQ(topLine, 169);
}

TEST_F(ScreenTest, ShiftNeverTouchesRow200)
{
    feed("\x1b[21;1Hbottom");  // host row 21 is grid row 200
    ASSERT_EQ(text(200), "bottom");
    feed("\x1b[20;1H\n\n\n");
    EXPECT_EQ(text(200), "bottom");
}

TEST_F(ScreenTest, PutCharNeverWritesOutsideTheGrid)
{
    const int positions[][2] = {{-5, -5}, {500, 500}, {200, 80}, {-1, 79}, {0, 1000}};
    for (const auto& p : positions) {
        cursorRow = p[0];
        cursorColumn = p[1];
        wrapPending = false;
        putChar('Z');
        EXPECT_GE(cursorRow, 0);
        EXPECT_LE(cursorRow, 200);
        EXPECT_GE(cursorColumn, 0);
        EXPECT_LE(cursorColumn, 79);
    }
}

// Runs advanceScroll until the scroll is over; returns the frames taken.
static int framesUntilRest(int limit)
{
    int frames = 0;
    while (scrollActive && frames < limit) {
        advanceScroll();
        ++frames;
    }
    return frames;
}

TEST_F(ScreenTest, SmoothScrollMovesThreeRowsPerSecond)
{
    feed(std::string(10, '\n'));
    FrameRate = 60.0f;
    // The first row step glides from 0.0; later steps from 1.0 in 20 frames.
    int frames = framesUntilRest(100000);
    EXPECT_EQ(topLine, 175);
    EXPECT_FALSE(scrollActive);
    EXPECT_FLOAT_EQ(scrollOffset, 1.0f) << "rests at exactly 1.0 after the last step";
    // About 3.3 s at 60 fps, plus the longer first glide.
    EXPECT_GT(frames, 190);
    EXPECT_LT(frames, 260);
}

TEST_F(ScreenTest, RowStepsFollowTheChosenSpeed)
{
    // Rows caught up in one second at 50 frames per second, by speed.
    struct Case { float rowsPerSecond; int atLeast; int atMost; };
    for (Case c : {Case{1.0f, 1, 1}, Case{3.0f, 3, 3}, Case{40.0f, 20, 40}}) {
        SetUp();
        feed(std::string(100, '\n'));
        FrameRate = 50.0f;
        framesUntilRest(60);          // past the first, longer glide
        scrollRowsPerSecond = c.rowsPerSecond;
        const int before = topLine;
        for (int i = 0; i < 50; ++i)
            advanceScroll();
        EXPECT_GE(topLine - before, c.atLeast) << c.rowsPerSecond << " rows per second";
        EXPECT_LE(topLine - before, c.atMost) << c.rowsPerSecond << " rows per second";
    }
}

TEST_F(ScreenTest, OddFrameRatesStillEndTheScroll)
{
    const float zero = 0.0f;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float rate : {zero, nan}) {
        SetUp();
        feed(std::string(3, '\n'));
        FrameRate = rate;
        EXPECT_EQ(framesUntilRest(10), 3) << "every frame completes a row step";
    }
    SetUp();
    feed("\n");
    FrameRate = std::numeric_limits<float>::infinity();
    advanceScroll();
    EXPECT_EQ(scrollStep, 0.0f);
    EXPECT_EQ(scrollOffset, 0.0f) << "the page stands still";
    EXPECT_EQ(topLine, 174);
}
