#include "terminal/screen.h"
#include "terminal/telnet.h"

#include <cstring>

unsigned char ScreenBuffer[SCREEN_CELLS];
int32_t cursorColumn = 0;
int32_t cursorRow = HOST_LAST_ROW;
int32_t topLine = TOP_LINE_REST;
bool wrapPending = false;

float scrollOffset = 0.0f;
float scrollStep = 0.05f;
bool scrollActive = false;

void clearScreen()
{
    memset(ScreenBuffer, ' ', sizeof ScreenBuffer);
}

static int32_t clampInt(int32_t v, int32_t lo, int32_t hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// Stores one byte at the cursor. The wrap is deferred as on a VT100: a
// character stored in the last column leaves the cursor there with a wrap
// pending, and the next character wraps before it is stored. That way a
// line of exactly 80 characters followed by CR LF leaves no empty row.
void putChar(unsigned char b)
{
    if (wrapPending) {
        wrapPending = false;
        cursorColumn = 0;
        cursorRow += 1;
        checkScroll();
    }
    // The interpreter keeps the cursor inside the grid; the clamp makes
    // sure no store can ever land outside it, whatever the cursor holds.
    cursorRow = clampInt(cursorRow, 0, SCREEN_ROWS - 1);
    cursorColumn = clampInt(cursorColumn, 0, SCREEN_COLUMNS - 1);
    ScreenBuffer[cursorRow * SCREEN_COLUMNS + cursorColumn] = b;
    if (cursorColumn == SCREEN_COLUMNS - 1)
        wrapPending = true;
    else
        cursorColumn += 1;
}

// Moves the grid up one row when the cursor has gone below the last row on
// view. topLine drops with the text, so nothing moves on screen until the
// smooth scroll carries the view back down.
void checkScroll()
{
    if (cursorRow <= topLine + CURSOR_ROWS_FROM_TOP)
        return;
    cursorRow -= 1;
    scrollActive = true;
    if (topLine > 0)
        topLine -= 1;
    // Rows 1..199 move to 0..198; row 199 becomes blank; row 200 stays.
    memmove(ScreenBuffer, ScreenBuffer + SCREEN_COLUMNS, HOST_LAST_ROW * SCREEN_COLUMNS);
    memset(ScreenBuffer + HOST_LAST_ROW * SCREEN_COLUMNS, ' ', SCREEN_COLUMNS);
}

// One frame of the smooth scroll. A row step covers 0.75 view units and
// takes 1 / rowsPerSecond seconds at any frame rate. A frame rate of zero
// or NaN makes the comparison fail, so every such frame completes a row
// step; an infinite one makes the step 0 and the page stands still.
void advanceScroll(float frameRate, float rowsPerSecond)
{
    scrollStep = static_cast<float>(0.75 / static_cast<double>(frameRate) *
                                    static_cast<double>(rowsPerSecond));
    if (!scrollActive)
        return;
    if (static_cast<double>(scrollOffset) < 1.75 - static_cast<double>(scrollStep)) {
        scrollOffset += scrollStep;
        return;
    }
    topLine += 1;
    scrollOffset = 1.0f;
    if (topLine >= TOP_LINE_REST) {
        topLine = TOP_LINE_REST;
        scrollActive = false;
    }
}

void resetTerminal()
{
    clearScreen();
    cursorColumn = 0;
    cursorRow = HOST_LAST_ROW;
    topLine = TOP_LINE_REST;
    wrapPending = false;
    scrollOffset = 0.0f;
    scrollStep = 0.05f;
    scrollActive = false;
    resetInterpreter();
}
