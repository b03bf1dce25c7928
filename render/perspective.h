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
