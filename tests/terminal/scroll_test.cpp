// What the byte-stream cases cannot show: the smooth scroll frame by frame,
// and a cursor put outside the grid by anyone but the interpreter.
#include "terminal/screen.h"
#include "terminal/telnet.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

void lineFeeds(int n)
{
    resetTerminal();
    for (int i = 0; i < n; ++i) interpretBlock(reinterpret_cast<const unsigned char*>("\n"), 1);
}

// Frames of the scroll at `rate` until it rests (at most `limit`).
int framesUntilRest(float rate, int limit)
{
    int frames = 0;
    for (; scrollActive && frames < limit; ++frames) advanceScroll(rate, SCROLL_ROWS_PER_SECOND);
    return frames;
}

TEST(SmoothScroll, ThreeRowsASecondAtAnyFrameRateAndRestsAtOne)
{
    lineFeeds(10);
    const int frames = framesUntilRest(60.0f, 100000);
    EXPECT_EQ(topLine, 175);
    EXPECT_FLOAT_EQ(scrollOffset, 1.0f);
    EXPECT_GT(frames, 190) << "about 3.3 s at 60 fps, plus the longer first glide";
    EXPECT_LT(frames, 260);

    // Rows caught up in one second at 50 fps, by the chosen pace.
    struct Case { float rowsPerSecond; int atLeast, atMost; };
    for (Case c : {Case{1.0f, 1, 1}, Case{3.0f, 3, 3}, Case{40.0f, 20, 40}}) {
        lineFeeds(100);
        framesUntilRest(50.0f, 60);
        const int before = topLine;
        for (int i = 0; i < 50; ++i) advanceScroll(50.0f, c.rowsPerSecond);
        EXPECT_GE(topLine - before, c.atLeast) << c.rowsPerSecond;
        EXPECT_LE(topLine - before, c.atMost) << c.rowsPerSecond;
    }
}

TEST(SmoothScroll, UnmeasuredFrameRatesStillEndIt)
{
    for (float rate : {0.0f, std::numeric_limits<float>::quiet_NaN()}) {
        lineFeeds(3);
        EXPECT_EQ(framesUntilRest(rate, 10), 3) << "every such frame completes a row step";
    }
    lineFeeds(1);
    advanceScroll(std::numeric_limits<float>::infinity(), SCROLL_ROWS_PER_SECOND);
    EXPECT_EQ(scrollOffset, 0.0f) << "the page stands still";
    EXPECT_EQ(topLine, 174);
}

TEST(Grid, PutCharNeverWritesOutsideIt)
{
    const int positions[][2] = {{-5, -5}, {500, 500}, {200, 80}, {-1, 79}, {0, 1000}};
    for (const auto& p : positions) {
        resetTerminal();
        cursorRow = p[0];
        cursorColumn = p[1];
        putChar('Z');
        EXPECT_TRUE(cursorRow >= 0 && cursorRow <= 200 && cursorColumn >= 0 && cursorColumn <= 79)
            << p[0] << "," << p[1] << " -> " << cursorRow << "," << cursorColumn;
    }
}

}  // namespace
