// Windows: the outline font from WGL, bold Arial in em units. The lists are
// wglUseFontOutlinesA's. The glyphs' meshes come from the same outlines,
// read with GetGlyphOutline and tessellated as the Linux font is, and each
// is kept only if it draws what its list draws. The lists themselves cannot
// be read back: WGL compiles them as a mix of triangle fans, strips and
// triangles, and Mesa (under Wine) loses triangles of such lists in
// feedback and selection mode, or crashes or hangs there.
#include "font.h"

#include "glyph_outline.h"
#include "text_mesh.h"

#include <windows.h>
#include <GL/gl.h>

#include <cstddef>

namespace {

// The em of the outlines, in pixels of the face they are read from.
const LONG OUTLINE_EM = 1024;

GLYPHMETRICSFLOAT GlyphMetrics[256];
// One glyph's outline as GetGlyphOutline gives it.
DWORD OutlineBuffer[16384];

double valueOf(const FIXED& f)
{
    return f.value + f.fract / 65536.0;
}

// Feeds a TrueType outline (GGO_NATIVE: closed polygons of lines and
// quadratic splines) to the tessellator, in em. False if it is malformed
// or cannot be tessellated whole.
bool tessellateOutline(const unsigned char* data, DWORD size, double scale)
{
    beginGlyphOutline();
    DWORD at = 0;
    while (at < size) {
        const TTPOLYGONHEADER* polygon = reinterpret_cast<const TTPOLYGONHEADER*>(data + at);
        if (size - at < sizeof(TTPOLYGONHEADER) || polygon->dwType != TT_POLYGON_TYPE ||
            polygon->cb < sizeof(TTPOLYGONHEADER) || polygon->cb > size - at)
            return false;
        const DWORD end = at + polygon->cb;
        double x = valueOf(polygon->pfxStart.x) * scale, y = valueOf(polygon->pfxStart.y) * scale;
        moveOutlineTo(x, y);
        DWORD curveAt = at + sizeof(TTPOLYGONHEADER);
        while (curveAt < end) {
            const TTPOLYCURVE* curve = reinterpret_cast<const TTPOLYCURVE*>(data + curveAt);
            const DWORD header = offsetof(TTPOLYCURVE, apfx);
            if (end - curveAt < header || curve->cpfx == 0 ||
                (end - curveAt - header) / sizeof(POINTFX) < curve->cpfx)
                return false;
            const POINTFX* p = curve->apfx;
            const int count = curve->cpfx;
            if (curve->wType == TT_PRIM_LINE) {
                for (int i = 0; i < count; ++i)
                    lineOutlineTo(valueOf(p[i].x) * scale, valueOf(p[i].y) * scale);
            } else if (curve->wType == TT_PRIM_QSPLINE) {
                // Off-curve points, the last one on the curve; between two
                // off-curve points lies the implied one halfway.
                for (int i = 0; i + 1 < count; ++i) {
                    const double cx = valueOf(p[i].x) * scale, cy = valueOf(p[i].y) * scale;
                    double nx = valueOf(p[i + 1].x) * scale, ny = valueOf(p[i + 1].y) * scale;
                    if (i + 2 < count) {
                        nx = (cx + nx) * 0.5;
                        ny = (cy + ny) * 0.5;
                    }
                    conicOutlineTo(cx, cy, nx, ny);
                }
            } else if (curve->wType == TT_PRIM_CSPLINE && count % 3 == 0) {
                for (int i = 0; i < count; i += 3)
                    cubicOutlineTo(valueOf(p[i].x) * scale, valueOf(p[i].y) * scale,
                                   valueOf(p[i + 1].x) * scale, valueOf(p[i + 1].y) * scale,
                                   valueOf(p[i + 2].x) * scale, valueOf(p[i + 2].y) * scale);
            } else {
                return false;
            }
            curveAt += header + count * sizeof(POINTFX);
        }
        at = end;
    }
    return tessellateGlyphOutline();
}

// The meshes of characters 0..254 from the font selected into `dc`, with
// the advances WGL gave their lists. Read as WGL reads them (under Wine at
// least): the face at 1024 pixels per em, hinted.
void takeGlyphMeshes(HDC dc, HFONT font)
{
    LOGFONTA face;
    if (!GetObjectA(font, sizeof face, &face))
        return;
    face.lfHeight = -OUTLINE_EM;
    face.lfOrientation = face.lfEscapement = 0;
    HFONT emFont = CreateFontIndirectA(&face);
    if (!emFont)
        return;
    SelectObject(dc, emFont);
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    for (int code = 0; code < 255; ++code) {
        GLYPHMETRICS glyph;
        const DWORD size = GetGlyphOutlineA(dc, code, GGO_NATIVE, &glyph, sizeof OutlineBuffer,
                                            OutlineBuffer, &identity);
        if (size == GDI_ERROR || !tessellateOutline(reinterpret_cast<const unsigned char*>(OutlineBuffer),
                                                    size, 1.0 / OUTLINE_EM))
            continue;   // left to its list
        storeGlyphMesh(code, GlyphMetrics[code].gmfCellIncX);
    }
    SelectObject(dc, font);
    DeleteObject(emFont);
}

// The check draws the glyphs in cells of CHECK_CELL pixels square, at
// CHECK_SCALE pixels per em, the origin CHECK_ORIGIN pixels in from the
// cell's lower left corner.
enum { CHECK_CELL = 64, CHECK_SCALE = 40, CHECK_ORIGIN = 14, CHECK_MAX_COLUMNS = 32 };
unsigned char CheckPixels[CHECK_MAX_COLUMNS * CHECK_CELL * CHECK_CELL * 4];

void drawMesh(const GlyphMesh& glyph)
{
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < glyph.indexCount; ++i)
        glVertex2fv(GlyphMeshVertices[glyph.firstVertex + GlyphMeshIndices[glyph.firstIndex + i]]);
    glEnd();
}

// Keeps a glyph's mesh only where it covers the pixels its list covers: each
// glyph is drawn by its list in yellow and then from its mesh in red with
// XOR, so red marks the pixels where the two differ and green those the list
// covers. A few may differ where an edge passes within rounding of a pixel
// centre; a misshapen or missing glyph differs in many. Uses the colour
// buffer, which the first frame clears; leaves all state as it was. Without
// room for a cell, no mesh is kept.
void checkGlyphMeshes(unsigned int base)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    int columns = viewport[2] / CHECK_CELL;
    const int rows = viewport[3] / CHECK_CELL;
    if (columns > CHECK_MAX_COLUMNS)
        columns = CHECK_MAX_COLUMNS;
    if (columns < 1 || rows < 1) {
        clearGlyphMeshes();
        return;
    }
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, viewport[2], 0.0, viewport[3], -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_DITHER);
    glEnable(GL_CULL_FACE);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);

    const int perPass = columns * rows;
    for (int first = 0; first < 255; first += perPass) {
        const int end = first + perPass < 255 ? first + perPass : 255;
        glDisable(GL_COLOR_LOGIC_OP);
        glClear(GL_COLOR_BUFFER_BIT);
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1) {
                glEnable(GL_COLOR_LOGIC_OP);
                glLogicOp(GL_XOR);
            }
            glColor3f(1.0f, pass ? 0.0f : 1.0f, 0.0f);
            for (int code = first; code < end; ++code) {
                glLoadIdentity();
                glTranslatef(static_cast<float>((code - first) % columns * CHECK_CELL + CHECK_ORIGIN),
                             static_cast<float>((code - first) / columns * CHECK_CELL + CHECK_ORIGIN), 0.0f);
                glScalef(static_cast<float>(CHECK_SCALE), static_cast<float>(CHECK_SCALE), 1.0f);
                if (pass == 0)
                    glCallList(base + code);
                else if (GlyphMeshes[code].usable)
                    drawMesh(GlyphMeshes[code]);
            }
        }
        for (int row = 0; row * columns < end - first; ++row) {
            glReadPixels(viewport[0], viewport[1] + row * CHECK_CELL, columns * CHECK_CELL, CHECK_CELL, GL_RGBA,
                         GL_UNSIGNED_BYTE, CheckPixels);
            for (int column = 0; column < columns && first + row * columns + column < end; ++column) {
                int covered = 0, differing = 0;
                for (int y = 0; y < CHECK_CELL; ++y)
                    for (int x = 0; x < CHECK_CELL; ++x) {
                        const unsigned char* p = &CheckPixels[((y * columns + column) * CHECK_CELL + x) * 4];
                        covered += p[1] != 0;
                        differing += p[0] != 0;
                    }
                // Nothing at all where the mesh has triangles: the pixels
                // could not be read (a window not on the screen may own none).
                GlyphMesh& glyph = GlyphMeshes[first + row * columns + column];
                if (differing > covered / 64 + 2 || (covered == 0 && differing == 0 && glyph.indexCount > 0))
                    glyph.usable = 0;
            }
        }
    }

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

} // namespace

void buildFontOutlines(unsigned int base)
{
    HDC dc = wglGetCurrentDC();
    // Selected for good: the font object lives as long as the program.
    HFONT font = CreateFontA(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, "Arial");
    SelectObject(dc, font);
    clearGlyphMeshes();
    if (wglUseFontOutlinesA(dc, 0, 255, base, 0.5f, 0.0f, WGL_FONT_POLYGONS, GlyphMetrics)) {
        takeGlyphMeshes(dc, font);
        checkGlyphMeshes(base);
    }
}
