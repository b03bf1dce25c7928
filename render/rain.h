// The digital rain view: glyph grids revealed by falling drops. The update
// (grids and drops) is kept apart from the GL drawing so that it can be
// tested without GL.
#pragma once
#include <cstdint>

enum { RAIN_ROWS = 40, RAIN_STRIDE = 81, RAIN_COLUMNS = 80, RAIN_BANNER_LENGTH = 24 };

struct RainDrop {
    int32_t headRow;       // -1: the column is idle
    int32_t trailLength;   // 5..64
    float fallPosition;
};

extern unsigned char RainText[RAIN_ROWS][RAIN_STRIDE];
extern float RainColour[RAIN_ROWS * RAIN_STRIDE][3];
extern RainDrop RainDrops[RAIN_COLUMNS];
extern int32_t GlitchChar;
extern const char RainBanner[RAIN_BANNER_LENGTH + 1];

void initRain();
void pickGlitchChar();
void drawRainView();
void drawGlyphString(const char* text, float advance, int colourRow);

// The per-frame update of drawRainView without its drawing: picks a new
// glitch character during every fifth second, re-terminates the rows,
// starts at most one drop and runs updateRain.
void advanceRainFrame();
// The drawing step of drawRainView: the rows of the layout TallScreen
// selects, as they stand, without updating anything.
void drawRainRows();

// Glyph quads are gathered first and drawn afterwards all at once from the
// glyph atlas (gl_setup.h): one bind and one glDrawArrays instead of a bind
// and a glBegin/glEnd per character.
enum {
    GLYPH_BATCH_CAPACITY = RAIN_ROWS * RAIN_COLUMNS,
    GLYPH_FALLBACK_CODE = '?',   // drawn for codes that have no glyph (0..31, 128..255)
};

struct GlyphQuad {
    float x, y;           // centre of the quad, in the coordinates of the batch
    int32_t colourCell;   // linear RainColour cell; -1 outside the grid (black)
    int32_t glyph;        // GlyphTextures entry, 0..95
};

extern GlyphQuad GlyphBatch[GLYPH_BATCH_CAPACITY];
extern int32_t GlyphBatchCount;

// The GlyphTextures entry that draws character `code` (low 8 bits): code - 32
// for 32..127, the fallback glyph for everything else.
int glyphIndex(int code);

// Appends the characters of `text` from index `from` on as quads centred at
// (*x, y), adding `advance` to *x after each character, spaces included.
// Characters equal to GlitchChar become a random glyph; spaces add no quad.
// Colours come from RainColour linear cell colourRow * 81 + i. Stops at the
// terminating zero or, when the batch is full, at the first character not
// yet handled; returns the index it stopped at.
int gatherGlyphString(const unsigned char* text, int from, float* x, float y,
                      float advance, int colourRow);
