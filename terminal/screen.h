// The terminal grid: 201 rows of 80 one-byte cells, the cursor, the first
// row on view (topLine) and the smooth-scroll state that carries the view
// back down after the grid has moved up. Plain logic, no platform calls.
#pragma once
#include <cstdint>

enum {
    SCREEN_ROWS = 201,
    SCREEN_COLUMNS = 80,
    SCREEN_CELLS = SCREEN_ROWS * SCREEN_COLUMNS,  // 16,080 bytes
    TOP_LINE_REST = 175,                           // first row on view at rest
    HOST_FIRST_ROW = 180,                          // host's row 1
    HOST_LAST_ROW = 199,                           // host's row 20
};

// Scroll speed limits in rows per second (Home slows, End speeds up).
constexpr float SCROLL_ROWS_PER_SECOND_START = 3.0f;
constexpr float SCROLL_ROWS_PER_SECOND_MIN = 1.0f;
constexpr float SCROLL_ROWS_PER_SECOND_MAX = 40.0f;

extern unsigned char ScreenBuffer[SCREEN_CELLS];  // cell (r, k) is byte r * 80 + k
extern int32_t cursorColumn;                      // 0..79
extern int32_t cursorRow;                         // 0..200
extern int32_t topLine;                           // 0..175
extern bool wrapPending;     // a character stood in column 79; the next one wraps first

extern float scrollOffset;   // progress of the smooth scroll's row step, 1 to 1.75 units
extern float scrollStep;     // added to scrollOffset per frame
extern bool scrollActive;    // topLine is below its rest value
extern float scrollRowsPerSecond;  // pace of the smooth scroll (3 at start)

void clearScreen();          // every cell a space; cursor and scroll state untouched
void putChar(unsigned char b);
void checkScroll();
void advanceScroll(float frameRate);  // one frame of the scroll at that frame rate

// Puts the whole terminal core back to its start state (grid, cursor,
// topLine, scroll state, escape collector). For tools and tests.
void resetTerminal();
