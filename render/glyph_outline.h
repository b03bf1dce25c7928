// A glyph's outline, given as contours of straight and curved segments in em
// units, turned into the triangles that fill it: curves flattened to the
// deviation the font asks for (0.5 em), the contours tessellated by GLU with
// the nonzero winding rule. Both platforms' font code feed their outlines
// through here.
#pragma once

enum { GLYPH_TRIANGLE_VERTICES = 3 * 8192 };

// The triangles of the glyph tessellated last, three vertices each (x, y in
// em), counter-clockwise seen from +z.
extern float GlyphTriangles[GLYPH_TRIANGLE_VERTICES][2];
extern int GlyphTriangleVertexCount;

void beginGlyphOutline();
void moveOutlineTo(double x, double y);   // starts a contour
void lineOutlineTo(double x, double y);
void conicOutlineTo(double cx, double cy, double x, double y);
void cubicOutlineTo(double c1x, double c1y, double c2x, double c2y, double x, double y);
// Fills GlyphTriangles from the contours given since beginGlyphOutline
// (none: no triangles). False when GLU could not tessellate them whole.
bool tessellateGlyphOutline();
