// Linux: the outline font from FreeType. The bold sans-serif face is found
// through fontconfig; each glyph's outline is flattened, tessellated by GLU
// (nonzero winding) and compiled into its display list as one batch of
// triangles in the z = 0 plane, in em units, origin at the left end of the
// baseline, followed by the advance.
#include "font.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

namespace {

// Curves are flattened until their midpoint lies within this distance (in
// em) of the chord, the deviation the Windows program asks WGL for. In
// TrueType outlines that leaves one chord per curve segment, between the
// on-curve points and the implied midpoints of the outline.
const double FONT_DEVIATION = 0.5;
const int MAX_CURVE_DEPTH = 10;
const char* const FONT_PATTERN = "Liberation Sans:bold";

enum {
    MAX_OUTLINE_POINTS = 8192,
    MAX_CONTOURS = 256,
    MAX_COMBINED = 4096,
    MAX_TRIANGLE_VERTICES = 3 * 8192,
};

// Characters 128..159 of Windows-1252 (0: not assigned); 160..255 are
// the Latin-1 code points themselves.
const unsigned short Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// One glyph's flattened contours (x, y, z for the tessellator).
GLdouble OutlinePoints[MAX_OUTLINE_POINTS][3];
int OutlinePointCount;
int ContourStart[MAX_CONTOURS + 1];
int ContourCount;
double OutlineScale;      // em per font unit
double PenX, PenY;        // last point, em

// What the tessellator hands back: vertices of independent triangles.
GLdouble CombinedPoints[MAX_COMBINED][3];
int CombinedCount;
GLfloat TriangleVertices[MAX_TRIANGLE_VERTICES][2];
int TriangleVertexCount;

void addPoint(double x, double y)
{
    PenX = x;
    PenY = y;
    if (ContourCount == 0 || OutlinePointCount >= MAX_OUTLINE_POINTS)
        return;
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

int outlineMoveTo(const FT_Vector* to, void*)
{
    if (ContourCount < MAX_CONTOURS) {
        ContourStart[ContourCount] = OutlinePointCount;
        ++ContourCount;
        ContourStart[ContourCount] = OutlinePointCount;
    }
    PenX = to->x * OutlineScale;
    PenY = to->y * OutlineScale;
    addPoint(PenX, PenY);
    return 0;
}

int outlineLineTo(const FT_Vector* to, void*)
{
    addPoint(to->x * OutlineScale, to->y * OutlineScale);
    return 0;
}

int outlineConicTo(const FT_Vector* control, const FT_Vector* to, void*)
{
    flattenConic(PenX, PenY, control->x * OutlineScale, control->y * OutlineScale,
                 to->x * OutlineScale, to->y * OutlineScale, 0);
    return 0;
}

int outlineCubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to,
                   void*)
{
    flattenCubic(PenX, PenY, control1->x * OutlineScale, control1->y * OutlineScale,
                 control2->x * OutlineScale, control2->y * OutlineScale,
                 to->x * OutlineScale, to->y * OutlineScale, 0);
    return 0;
}

// The primitive GLU is handing out. With an edge-flag callback it sends
// only GL_TRIANGLES; fans and strips are unrolled all the same.
GLenum PrimitiveMode;
int PrimitiveVertices;
const GLdouble* PrimitiveA;   // fan: the first vertex; strip: the one before the previous
const GLdouble* PrimitiveB;   // the previous vertex

void addTriangleVertex(const GLdouble* p)
{
    if (TriangleVertexCount >= MAX_TRIANGLE_VERTICES)
        return;
    TriangleVertices[TriangleVertexCount][0] = static_cast<GLfloat>(p[0]);
    TriangleVertices[TriangleVertexCount][1] = static_cast<GLfloat>(p[1]);
    ++TriangleVertexCount;
}

void APIENTRY tessBegin(GLenum mode)
{
    PrimitiveMode = mode;
    PrimitiveVertices = 0;
}

void APIENTRY tessEnd() {}
void APIENTRY tessEdgeFlag(GLboolean) {}
void APIENTRY tessError(GLenum) {}

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
    const int slot = CombinedCount < MAX_COMBINED ? CombinedCount++ : MAX_COMBINED - 1;
    CombinedPoints[slot][0] = coords[0];
    CombinedPoints[slot][1] = coords[1];
    CombinedPoints[slot][2] = 0.0;
    *out = CombinedPoints[slot];
}

typedef void (APIENTRY* TessCallback)();

unsigned long unicodeOf(int code)
{
    if (code >= 128 && code < 160)
        return Cp1252High[code - 128];
    return static_cast<unsigned long>(code);
}

// Triangles of one glyph into TriangleVertices; its advance in em.
double tessellateGlyph(FT_Face face, GLUtesselator* tess, int code)
{
    TriangleVertexCount = 0;
    // Control characters have no glyph: they show the font's empty box.
    const unsigned long unicode = unicodeOf(code);
    const FT_UInt glyph = (code < 32 || code == 127 || unicode == 0)
                              ? 0 : FT_Get_Char_Index(face, unicode);
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP))
        return 0.0;
    const double advance = face->glyph->advance.x * OutlineScale;
    if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return advance;

    static const FT_Outline_Funcs funcs = {outlineMoveTo, outlineLineTo, outlineConicTo,
                                           outlineCubicTo, 0, 0};
    OutlinePointCount = 0;
    ContourCount = 0;
    CombinedCount = 0;
    if (FT_Outline_Decompose(&face->glyph->outline, &funcs, nullptr) != 0)
        return advance;

    gluTessBeginPolygon(tess, nullptr);
    for (int c = 0; c < ContourCount; ++c) {
        int first = ContourStart[c];
        int end = c + 1 < ContourCount ? ContourStart[c + 1] : OutlinePointCount;
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
    TriangleVertexCount -= TriangleVertexCount % 3;
    return advance;
}

// The font file fontconfig picks for the pattern, or false.
bool findFontFile(char* path, int pathSize, int* index)
{
    bool found = false;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(FONT_PATTERN));
    if (!pattern)
        return false;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* file = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        int i = 0;
        for (; file[i] && i < pathSize - 1; ++i)
            path[i] = static_cast<char>(file[i]);
        path[i] = 0;
        found = file[i] == 0;
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch)
            *index = 0;
    }
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return found;
}

} // namespace

void buildFontOutlines(unsigned int base)
{
    static char path[4096];
    int faceIndex = 0;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (!findFontFile(path, sizeof path, &faceIndex) || FT_Init_FreeType(&library) != 0)
        return;
    if (FT_New_Face(library, path, faceIndex, &face) != 0 || face->units_per_EM == 0) {
        FT_Done_FreeType(library);
        return;
    }
    OutlineScale = 1.0 / face->units_per_EM;

    GLUtesselator* tess = gluNewTess();
    if (tess) {
        gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
        gluTessNormal(tess, 0.0, 0.0, 1.0);
        gluTessCallback(tess, GLU_TESS_BEGIN, reinterpret_cast<TessCallback>(tessBegin));
        gluTessCallback(tess, GLU_TESS_END, reinterpret_cast<TessCallback>(tessEnd));
        gluTessCallback(tess, GLU_TESS_EDGE_FLAG, reinterpret_cast<TessCallback>(tessEdgeFlag));
        gluTessCallback(tess, GLU_TESS_VERTEX, reinterpret_cast<TessCallback>(tessVertex));
        gluTessCallback(tess, GLU_TESS_COMBINE, reinterpret_cast<TessCallback>(tessCombine));
        gluTessCallback(tess, GLU_TESS_ERROR, reinterpret_cast<TessCallback>(tessError));

        for (int code = 0; code < 255; ++code) {
            const double advance = tessellateGlyph(face, tess, code);
            glNewList(base + code, GL_COMPILE);
            if (TriangleVertexCount > 0) {
                glNormal3f(0.0f, 0.0f, 1.0f);
                glBegin(GL_TRIANGLES);
                for (int i = 0; i < TriangleVertexCount; ++i)
                    glVertex3f(TriangleVertices[i][0], TriangleVertices[i][1], 0.0f);
                glEnd();
            }
            glTranslatef(static_cast<GLfloat>(advance), 0.0f, 0.0f);
            glEndList();
        }
        gluDeleteTess(tess);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}
