// The perspective view: the tilted, fogged page of outline text over the
// turning starfield.
#pragma once
#include <cstdint>

enum { STAR_COUNT = 400 };

extern float Starfield[STAR_COUNT][3];
extern float StarAngle;
extern float StarDrift;

// The starfield, then the page at its scroll position.
void drawPerspectiveView();
void seedStarfield();
void drawStarfield();
