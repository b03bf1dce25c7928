// The frame entry of the connected views, the frame-rate measurement and
// the perspective view: the tilted, fogged page of outline text over the
// turning starfield.
#pragma once
#include <cstdint>

enum { STAR_COUNT = 400, FRAME_HISTORY = 50 };

extern int32_t FrameCounter;
extern int32_t FrameCountHistory[FRAME_HISTORY];
extern float FrameTimeHistory[FRAME_HISTORY];
extern float Starfield[STAR_COUNT][3];
extern float StarAngle;
extern float StarDrift;

void renderFrame();
void measureFrameRate();
void drawTextRows();
void drawTextRow(const unsigned char* row);
void seedStarfield();
void rotateVector(float* v, float ax, float ay, float az);
void drawStarfield();

// Rows of text drawn as one display list each (perspective_rows.cpp): the
// same triangles the font lists draw, read back from them once, at the
// places their advances give. On unless switched off (tests compare both).
extern bool TextRowBatching;
// Rows compiled so far; a row already in the cache is not compiled again.
extern int32_t TextRowCompiles;
// Font lists the batching can stand in for, of 256, after the last check.
extern int32_t TextGlyphsReproduced;
// Reads the font's glyphs back and checks them when that has not been done
// for the current FontBase. Draws into the colour buffer: renderFrame calls
// it before clearing a frame of this view.
void prepareTextRowBatches();
// Draws the 80 bytes with the current matrix as the font lists would, from
// a cache of compiled rows; false when the row must go through the font
// lists instead (batching off or not possible for one of its glyphs).
bool drawTextRowBatched(const unsigned char* row);
// Drops the compiled rows and the read-back glyphs (when the font lists
// are deleted or rebuilt).
void forgetTextRowBatches();
