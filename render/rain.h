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
void spawnDrop();
void updateRain();
void drawRainView();
void drawGlyphString(const char* text, float advance, int colourRow);
void drawGlyphQuad(int code);
