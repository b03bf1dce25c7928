// Glyph outlines to triangles. Curves are flattened until their midpoint
// lies within the font's deviation of the chord; the contours then go
// through the GLU tessellator (nonzero winding, normal +z), whose fans and
// strips are unrolled into independent triangles.
#include "glyph_outline.h"

#include <GL/gl.h>
#include <GL/glu.h>

float GlyphTriangles[GLYPH_TRIANGLE_VERTICES][2];
int GlyphTriangleVertexCount = 0;

namespace {

// The deviation, in em, the Windows program asks WGL for. In TrueType
// outlines it leaves one chord per curve segment, between the on-curve
// points and the implied midpoints of the outline.
const double FONT_DEVIATION = 0.5;
const int MAX_CURVE_DEPTH = 10;

enum {
    MAX_OUTLINE_POINTS = 8192,
    MAX_CONTOURS = 256,
    MAX_COMBINED = 4096,
};

// The glyph's flattened contours (x, y, z for the tessellator).
GLdouble OutlinePoints[MAX_OUTLINE_POINTS][3];
int OutlinePointCount;
int ContourStart[MAX_CONTOURS + 1];
int ContourCount;
double PenX, PenY;        // the last point given
bool OutlineWhole;        // nothing dropped for lack of room, no tessellator error

// Points the tessellator makes where edges cross.
GLdouble CombinedPoints[MAX_COMBINED][3];
int CombinedCount;

void addPoint(double x, double y)
{
    PenX = x;
    PenY = y;
    if (ContourCount == 0 || OutlinePointCount >= MAX_OUTLINE_POINTS) {
        OutlineWhole = false;
        return;
    }
    const int start = ContourStart[ContourCount - 1];
    if (OutlinePointCount > start) {
        const GLdouble* last = OutlinePoints[OutlinePointCount - 1];
        if (last[0] == x && last[1] == y)
            return;
    }
    OutlinePoints[OutlinePointCount][0] = x;
    OutlinePoints[OutlinePointCount][1] = y;
    OutlinePoints[OutlinePointCount][2] = 0.0;
    ++OutlinePointCount;
    ContourStart[ContourCount] = OutlinePointCount;
}

// Squared distance of point (px, py) from the line through a and b.
double distanceFromChord(double ax, double ay, double bx, double by, double px, double py)
{
    const double dx = bx - ax, dy = by - ay;
    const double length = dx * dx + dy * dy;
    const double vx = px - ax, vy = py - ay;
    if (length <= 0.0)
        return vx * vx + vy * vy;
    const double cross = vx * dy - vy * dx;
    return cross * cross / length;
}

void flattenConic(double x0, double y0, double cx, double cy, double x2, double y2, int depth)
{
    const double mx = (x0 + 2.0 * cx + x2) * 0.25, my = (y0 + 2.0 * cy + y2) * 0.25;
    if (depth >= MAX_CURVE_DEPTH ||
        distanceFromChord(x0, y0, x2, y2, mx, my) <= FONT_DEVIATION * FONT_DEVIATION) {
        addPoint(x2, y2);
        return;
    }
    flattenConic(x0, y0, (x0 + cx) * 0.5, (y0 + cy) * 0.5, mx, my, depth + 1);
    flattenConic(mx, my, (cx + x2) * 0.5, (cy + y2) * 0.5, x2, y2, depth + 1);
}

void flattenCubic(double x0, double y0, double c1x, double c1y, double c2x, double c2y,
                  double x3, double y3, int depth)
{
    // The curve stays within 3/4 of its control points' distance from the chord.
    const double d1 = distanceFromChord(x0, y0, x3, y3, c1x, c1y);
    const double d2 = distanceFromChord(x0, y0, x3, y3, c2x, c2y);
    const double bound = (d1 > d2 ? d1 : d2) * (0.75 * 0.75);
    if (depth >= MAX_CURVE_DEPTH || bound <= FONT_DEVIATION * FONT_DEVIATION) {
        addPoint(x3, y3);
        return;
    }
    const double ax = (x0 + c1x) * 0.5, ay = (y0 + c1y) * 0.5;
    const double bx = (c1x + c2x) * 0.5, by = (c1y + c2y) * 0.5;
    const double cx = (c2x + x3) * 0.5, cy = (c2y + y3) * 0.5;
    const double abx = (ax + bx) * 0.5, aby = (ay + by) * 0.5;
    const double bcx = (bx + cx) * 0.5, bcy = (by + cy) * 0.5;
    const double mx = (abx + bcx) * 0.5, my = (aby + bcy) * 0.5;
    flattenCubic(x0, y0, ax, ay, abx, aby, mx, my, depth + 1);
    flattenCubic(mx, my, bcx, bcy, cx, cy, x3, y3, depth + 1);
}

// The primitive GLU is handing out. With an edge-flag callback it sends
// only GL_TRIANGLES; fans and strips are unrolled all the same.
GLenum PrimitiveMode;
int PrimitiveVertices;
const GLdouble* PrimitiveA;   // fan: the first vertex; strip: the one before the previous
const GLdouble* PrimitiveB;   // the previous vertex

void addTriangleVertex(const GLdouble* p)
{
    if (GlyphTriangleVertexCount >= GLYPH_TRIANGLE_VERTICES) {
        OutlineWhole = false;
        return;
    }
    GlyphTriangles[GlyphTriangleVertexCount][0] = static_cast<float>(p[0]);
    GlyphTriangles[GlyphTriangleVertexCount][1] = static_cast<float>(p[1]);
    ++GlyphTriangleVertexCount;
}

void APIENTRY tessBegin(GLenum mode)
{
    PrimitiveMode = mode;
    PrimitiveVertices = 0;
}

void APIENTRY tessEnd() {}
void APIENTRY tessEdgeFlag(GLboolean) {}

void APIENTRY tessError(GLenum)
{
    OutlineWhole = false;
}

void APIENTRY tessVertex(void* data)
{
    const GLdouble* p = static_cast<const GLdouble*>(data);
    const int n = PrimitiveVertices++;
    if (PrimitiveMode == GL_TRIANGLES) {
        addTriangleVertex(p);
        return;
    }
    if (n >= 2) {
        // Odd triangles of a strip swap their first two vertices to stay
        // counter-clockwise, as GL does.
        const bool swap = PrimitiveMode == GL_TRIANGLE_STRIP && n % 2 == 1;
        addTriangleVertex(swap ? PrimitiveB : PrimitiveA);
        addTriangleVertex(swap ? PrimitiveA : PrimitiveB);
        addTriangleVertex(p);
    }
    if (n == 0)
        PrimitiveA = p;
    else if (PrimitiveMode == GL_TRIANGLE_STRIP)
        PrimitiveA = PrimitiveB;
    PrimitiveB = p;
}

void APIENTRY tessCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out)
{
    // When the pool is full the last slot is reused: the glyph may be
    // damaged, but the tessellator always gets a vertex back.
    int slot = MAX_COMBINED - 1;
    if (CombinedCount < MAX_COMBINED)
        slot = CombinedCount++;
    else
        OutlineWhole = false;
    CombinedPoints[slot][0] = coords[0];
    CombinedPoints[slot][1] = coords[1];
    CombinedPoints[slot][2] = 0.0;
    *out = CombinedPoints[slot];
}

typedef void (APIENTRY* TessCallback)();

} // namespace

void beginGlyphOutline()
{
    OutlinePointCount = 0;
    ContourCount = 0;
    CombinedCount = 0;
    GlyphTriangleVertexCount = 0;
    OutlineWhole = true;
}

void moveOutlineTo(double x, double y)
{
    if (ContourCount < MAX_CONTOURS) {
        ContourStart[ContourCount] = OutlinePointCount;
        ++ContourCount;
        ContourStart[ContourCount] = OutlinePointCount;
    } else {
        OutlineWhole = false;
    }
    addPoint(x, y);
}

void lineOutlineTo(double x, double y)
{
    addPoint(x, y);
}

void conicOutlineTo(double cx, double cy, double x, double y)
{
    flattenConic(PenX, PenY, cx, cy, x, y, 0);
}

void cubicOutlineTo(double c1x, double c1y, double c2x, double c2y, double x, double y)
{
    flattenCubic(PenX, PenY, c1x, c1y, c2x, c2y, x, y, 0);
}

bool tessellateGlyphOutline()
{
    GlyphTriangleVertexCount = 0;
    if (ContourCount == 0)
        return OutlineWhole;
    GLUtesselator* tess = gluNewTess();
    if (!tess)
        return false;
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0.0, 0.0, 1.0);
    gluTessCallback(tess, GLU_TESS_BEGIN, reinterpret_cast<TessCallback>(tessBegin));
    gluTessCallback(tess, GLU_TESS_END, reinterpret_cast<TessCallback>(tessEnd));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG, reinterpret_cast<TessCallback>(tessEdgeFlag));
    gluTessCallback(tess, GLU_TESS_VERTEX, reinterpret_cast<TessCallback>(tessVertex));
    gluTessCallback(tess, GLU_TESS_COMBINE, reinterpret_cast<TessCallback>(tessCombine));
    gluTessCallback(tess, GLU_TESS_ERROR, reinterpret_cast<TessCallback>(tessError));

    gluTessBeginPolygon(tess, nullptr);
    for (int c = 0; c < ContourCount; ++c) {
        const int first = ContourStart[c];
        int end = ContourStart[c + 1];
        // The closing point repeats the first.
        if (end - first > 1 && OutlinePoints[end - 1][0] == OutlinePoints[first][0] &&
            OutlinePoints[end - 1][1] == OutlinePoints[first][1])
            --end;
        if (end - first < 3)
            continue;
        gluTessBeginContour(tess);
        for (int i = first; i < end; ++i)
            gluTessVertex(tess, OutlinePoints[i], OutlinePoints[i]);
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    GlyphTriangleVertexCount -= GlyphTriangleVertexCount % 3;
    return OutlineWhole;
}
