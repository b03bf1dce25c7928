// The digital rain: the glyph and colour grids, the drops that reveal the
// terminal's lowest 40 rows column by column, the glitch character, the
// banner and the cursor mark. Plain logic; the drawing is in rain_draw.cpp.
#include "rain.h"

#include "render/frame.h"
#include "resources/resource.h"
#include "random.h"
#include "terminal/screen.h"

unsigned char RainText[RAIN_ROWS][RAIN_STRIDE];
float RainColour[RAIN_ROWS * RAIN_STRIDE][3];
RainDrop RainDrops[RAIN_COLUMNS];
int32_t GlitchChar = 0;
const char RainBanner[RAIN_BANNER_LENGTH + 1] = "<<QUORVISH-TELNET-v" QUORVISH_VERSION ">>";

GlyphQuad GlyphBatch[GLYPH_BATCH_CAPACITY];
int32_t GlyphBatchCount = 0;

namespace {

enum {
    // RainText row r mirrors ScreenBuffer row 160 + r: the grid's rows end
    // with the host's screen.
    FIRST_RAIN_SCREEN_ROW = HOST_LAST_ROW + 1 - RAIN_ROWS,
    BANNER_COLUMN = RAIN_COLUMNS - RAIN_BANNER_LENGTH,
    GLYPH_FIRST_CODE = 32,
    GLYPH_LAST_CODE = 127,
};

static_assert(sizeof(RainBanner) == RAIN_BANNER_LENGTH + 1, "the banner fills 24 columns");

void setColour(int row, int column, float red, float green, float blue)
{
    float* cell = RainColour[row * RAIN_STRIDE + column];
    cell[0] = red;
    cell[1] = green;
    cell[2] = blue;
}

unsigned char screenCell(int row, int column)
{
    return ScreenBuffer[row * SCREEN_COLUMNS + column];
}

unsigned char randomGlyph()
{
    return static_cast<unsigned char>(nextRandom() % 96 + GLYPH_FIRST_CODE);
}

// Whole seconds of ElapsedSeconds, truncated; false when they cannot be
// represented (the clock never gets there, but the value is not trusted).
bool wholeSeconds(float seconds, int32_t* out)
{
    if (!(seconds > -2147483648.0f && seconds < 2147483648.0f))
        return false;
    *out = static_cast<int32_t>(seconds);
    return true;
}

void updateDrop(int column)
{
    RainDrop& drop = RainDrops[column];
    int h = drop.headRow;
    int trail = drop.trailLength;
    int d = h - trail;

    // Head: a random glyph in cyan.
    if (h < RAIN_ROWS) {
        RainText[h][column] = randomGlyph();
        setColour(h, column, 0.0f, 1.0f, 1.0f);
    }
    // Behind the head: the terminal's own character where it has one.
    if (h >= 1 && h <= RAIN_ROWS) {
        unsigned char s = screenCell(FIRST_RAIN_SCREEN_ROW - 1 + h, column);
        if (s != 0 && s != ' ')
            RainText[h - 1][column] = s;
        setColour(h - 1, column, 0.0f, 1.0f, 0.0f);
    }
    // Tail: four fading greens, then the cell is cleared or turns grey.
    if (d >= 0 && d < RAIN_ROWS) {
        static const float SHADES[4] = {0.2f, 0.4f, 0.6f, 0.8f};
        for (int k = 0; k < 4; ++k) {
            if (d + k < RAIN_ROWS)
                setColour(d + k, column, 0.0f, SHADES[k], 0.0f);
        }
        if (screenCell(FIRST_RAIN_SCREEN_ROW + d, column) == ' ')
            RainText[d][column] = ' ';
        else
            setColour(d, column, 0.8f, 0.8f, 0.8f);
    }
    // Advance one row; the drop ends once its tail has left the grid.
    drop.fallPosition += 1.0f;
    drop.headRow = static_cast<int32_t>(drop.fallPosition);
    if (drop.headRow - trail > RAIN_ROWS - 1)
        drop.headRow = -1;
}

} // namespace

void initRain()
{
    for (int r = 0; r < RAIN_ROWS; ++r) {
        for (int k = 0; k < RAIN_COLUMNS; ++k) {
            RainText[r][k] = ' ';
            setColour(r, k, 0.0f, 1.0f, 0.0f);
        }
    }
    for (RainDrop& drop : RainDrops) {
        drop.headRow = -1;
        drop.trailLength = -1;
        drop.fallPosition = -1.0f;
    }
}

void pickGlitchChar()
{
    do {
        GlitchChar = nextRandom() % 96 + GLYPH_FIRST_CODE;
    } while (GlitchChar == ' ');
}

static void spawnDrop()
{
    RainDrop& drop = RainDrops[nextRandom() % RAIN_COLUMNS];
    if (drop.headRow != -1)
        return;
    drop.headRow = 0;
    drop.fallPosition = 0.0f;
    drop.trailLength = nextRandom() % 60 + 5;
}

static void updateRain()
{
    for (int i = 0; i < RAIN_COLUMNS; ++i) {
        if (RainDrops[i].headRow >= 0)
            updateDrop(i);
    }

    // The banner, over whatever the drops wrote; it keeps their colours.
    for (int k = 0; k < RAIN_BANNER_LENGTH; ++k)
        RainText[RAIN_ROWS - 1][BANNER_COLUMN + k] = static_cast<unsigned char>(RainBanner[k]);

    // The cursor: a fresh random glyph with full red. A cursor outside the
    // 40 x 80 cells the grids mirror leaves no mark.
    int64_t rr = static_cast<int64_t>(cursorRow) - FIRST_RAIN_SCREEN_ROW;
    int64_t cc = cursorColumn;
    if (rr >= 0 && rr < RAIN_ROWS && cc >= 0 && cc < RAIN_COLUMNS) {
        RainText[rr][cc] = randomGlyph();
        RainColour[rr * RAIN_STRIDE + cc][0] = 1.0f;
    }
}

void advanceRainFrame()
{
    int32_t seconds = 0;
    if (wholeSeconds(ElapsedSeconds, &seconds) && seconds % 5 == 0)
        pickGlitchChar();
    for (int r = 0; r < RAIN_ROWS; ++r)
        RainText[r][RAIN_COLUMNS] = 0;
    spawnDrop();
    updateRain();
}

int glyphIndex(int code)
{
    int n = code & 0xFF;
    if (n < GLYPH_FIRST_CODE || n > GLYPH_LAST_CODE)
        n = GLYPH_FALLBACK_CODE;
    return n - GLYPH_FIRST_CODE;
}

int gatherGlyphString(const unsigned char* text, int from, float* x, float y,
                      float advance, int colourRow)
{
    int i = from;
    for (; text[i] != 0; ++i) {
        if (GlyphBatchCount >= GLYPH_BATCH_CAPACITY)
            return i;
        int ch = text[i];
        if (static_cast<signed char>(ch) == GlitchChar)
            ch = randomGlyph();
        if (ch != ' ') {
            // Cells run on through the grid row after row; past its end
            // there is no colour, which reads as black.
            long cell = static_cast<long>(colourRow) * RAIN_STRIDE + i;
            GlyphQuad& quad = GlyphBatch[GlyphBatchCount++];
            quad.x = *x;
            quad.y = y;
            quad.colourCell = (cell >= 0 && cell < RAIN_ROWS * RAIN_STRIDE)
                                  ? static_cast<int32_t>(cell) : -1;
            quad.glyph = glyphIndex(ch);
        }
        *x += advance;
    }
    return i;
}
