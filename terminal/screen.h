// The terminal grid: 201 rows of 80 one-byte cells, the cursor, the first
// row on view (topLine) and the smooth-scroll state that carries the view
// back down after the grid has moved up. Plain logic, no platform calls.
#pragma once
#include <cstdint>

// The grid and the host's screen in it. At rest the view shows the
// VIEW_ROWS rows from TOP_LINE_REST on; the host's screen, HOST_ROWS rows of
// SCREEN_COLUMNS, ends one row above the view's last row (which nothing
// but a cursor sequence reaches).
enum {
    SCREEN_ROWS = 201,
    SCREEN_COLUMNS = 80,
    SCREEN_CELLS = SCREEN_ROWS * SCREEN_COLUMNS,  // 16,080 bytes
    TOP_LINE_REST = 175,                           // first row on view at rest
    VIEW_ROWS = SCREEN_ROWS - TOP_LINE_REST,       // 26: topLine .. topLine + 25
    HOST_ROWS = 20,
    HOST_LAST_ROW = SCREEN_ROWS - 2,               // 199, the host's row 20
    HOST_FIRST_ROW = HOST_LAST_ROW + 1 - HOST_ROWS,  // 180, the host's row 1
    // The lowest row the cursor may stand on, counted from topLine: below
    // it the grid moves up.
    CURSOR_ROWS_FROM_TOP = HOST_LAST_ROW - TOP_LINE_REST,   // 24
};

// The smooth scroll's pace at rest: three rows a second.
constexpr float SCROLL_ROWS_PER_SECOND = 3.0f;

extern unsigned char ScreenBuffer[SCREEN_CELLS];  // cell (r, k) is byte r * 80 + k
extern int32_t cursorColumn;                      // 0..79
extern int32_t cursorRow;                         // 0..200
extern int32_t topLine;                           // 0..175
extern bool wrapPending;     // a character stood in column 79; the next one wraps first

// The smooth scroll: scrollOffset lifts the page from 0 up to the first
// completed row step, then rises from 1 towards 1.75 during each one.
extern float scrollOffset;
extern float scrollStep;     // added to scrollOffset per frame
extern bool scrollActive;    // topLine is below its rest value

void clearScreen();          // every cell a space; cursor and scroll state untouched
void putChar(unsigned char b);
void checkScroll();
// One frame of the scroll at that frame rate, at a pace of rowsPerSecond.
void advanceScroll(float frameRate, float rowsPerSecond);

// Puts the whole terminal core back to its start state (grid, cursor,
// topLine, scroll state, escape collector). For tools and tests.
void resetTerminal();
