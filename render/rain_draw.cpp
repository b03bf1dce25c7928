// Drawing of the digital rain and of glyph strings: textured 0.2 x 0.3 quads,
// lit, coloured through the colour material, one unit towards the viewer.
//
// The quads of a frame are gathered first and drawn together: one bind of
// the glyph atlas and one glDrawArrays over vertex arrays. The
// atlas's transparent black ring around each glyph filters its edges as the
// clamped single-glyph textures do, and its wrap mode lets a software
// renderer take its fast path for 8-bit textures.
#include "gl_setup.h"
#include "rain.h"

#include "render/frame.h"

#include <GL/gl.h>

namespace {

const float QUAD_HALF_WIDTH = 0.1f;
const float QUAD_HALF_HEIGHT = 0.15f;
const float ROW_STEP = -0.3f;
const float GLYPH_ADVANCE = 0.2f;
const float BLACK[3] = {0.0f, 0.0f, 0.0f};

struct RainLayout {
    int firstRow;
    float originX, originY, originZ;
};
const RainLayout TALL_LAYOUT = {0, -8.0f, 6.2f, -12.0f};
const RainLayout WIDE_LAYOUT = {20, -8.0f, 3.1f, -7.0f};

// The vertex arrays of a batch, interleaved.
struct GlyphVertex {
    float s, t;
    float red, green, blue;
    float x, y, z;
};
GlyphVertex GlyphVertices[GLYPH_BATCH_CAPACITY * 4];

const float* quadColour(const GlyphQuad& quad)
{
    return quad.colourCell >= 0 ? RainColour[quad.colourCell] : BLACK;
}

// The point a fraction of the way from `low` to `high`, landing exactly on
// either end at 0 and 1, so that trimmed quads still meet their
// neighbours where whole ones do.
float between(float low, float high, float fraction)
{
    if (fraction == 0.0f)
        return low;
    if (fraction == 1.0f)
        return high;
    return low + fraction * (high - low);
}

void addVertex(int* count, float s, float t, const float* colour, float x, float y, float z)
{
    GlyphVertex& v = GlyphVertices[(*count)++];
    v.s = s;
    v.t = t;
    v.red = colour[0];
    v.green = colour[1];
    v.blue = colour[2];
    v.x = x;
    v.y = y;
    v.z = z;
}

// Draws the gathered quads at depth z of the batch's coordinates and
// empties the batch. With inkOnly, each quad is cut down to the part of its
// glyph that can show anything but black (GlyphAtlasCell's ink), which is
// the same picture wherever the quads lie over black. Leaves behind the GL
// state that drawing them one by one leaves: texturing on, the last
// character's own texture bound and its colour current, normal (0, 0, 1).
void flushGlyphBatch(float z, bool inkOnly)
{
    int count = GlyphBatchCount;
    if (count == 0)
        return;

    int vertices = 0;
    for (int q = 0; q < count; ++q) {
        const GlyphQuad& quad = GlyphBatch[q];
        const GlyphAtlasCell& cell = GlyphAtlasCells[quad.glyph];
        float left = 0.0f, right = 1.0f, top = 0.0f, bottom = 1.0f;
        if (inkOnly) {
            if (cell.inkRight <= cell.inkLeft)
                continue;
            left = cell.inkLeft;
            right = cell.inkRight;
            top = cell.inkTop;
            bottom = cell.inkBottom;
        }
        float x0 = between(quad.x - QUAD_HALF_WIDTH, quad.x + QUAD_HALF_WIDTH, left);
        float x1 = between(quad.x - QUAD_HALF_WIDTH, quad.x + QUAD_HALF_WIDTH, right);
        float y0 = between(quad.y + QUAD_HALF_HEIGHT, quad.y - QUAD_HALF_HEIGHT, top);
        float y1 = between(quad.y + QUAD_HALF_HEIGHT, quad.y - QUAD_HALF_HEIGHT, bottom);
        float s0 = between(cell.left, cell.right, left);
        float s1 = between(cell.left, cell.right, right);
        float t0 = between(cell.top, cell.bottom, top);
        float t1 = between(cell.top, cell.bottom, bottom);
        const float* colour = quadColour(quad);
        addVertex(&vertices, s0, t0, colour, x0, y0, z);
        addVertex(&vertices, s1, t0, colour, x1, y0, z);
        addVertex(&vertices, s1, t1, colour, x1, y1, z);
        addVertex(&vertices, s0, t1, colour, x0, y1, z);
    }

    glEnable(GL_TEXTURE_2D);
    glNormal3f(0.0f, 0.0f, 1.0f);
    if (vertices > 0) {
        glBindTexture(GL_TEXTURE_2D, GlyphAtlas);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, sizeof(GlyphVertex), &GlyphVertices[0].x);
        glTexCoordPointer(2, GL_FLOAT, sizeof(GlyphVertex), &GlyphVertices[0].s);
        glColorPointer(3, GL_FLOAT, sizeof(GlyphVertex), &GlyphVertices[0].red);
        glDrawArrays(GL_QUADS, 0, vertices);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }

    const GlyphQuad& last = GlyphBatch[count - 1];
    glBindTexture(GL_TEXTURE_2D, GlyphTextures[last.glyph]);
    glColor3fv(quadColour(last));
    GlyphBatchCount = 0;
}

} // namespace

void drawRainView()
{
    advanceRainFrame();
    drawRainRows();
}

void drawRainRows()
{
    // The rows are placed as if each were translated 0.3 below the one
    // before, starting 0.3 below the origin; the positions are accumulated
    // in single precision exactly as those translations would be.
    const RainLayout& layout = TallScreen ? TALL_LAYOUT : WIDE_LAYOUT;
    glColor3f(0.0f, 1.0f, 0.0f);

    // Neither the depth test nor the fog changes a pixel here: the quads of
    // a frame lie side by side in one plane and never cover each other, and
    // the linear fog starts 17 units out, well behind the grid. Leaving both
    // out of the per-pixel work makes the frame about a fifth cheaper on a
    // software renderer.
    GLboolean depthTest = glIsEnabled(GL_DEPTH_TEST);
    GLboolean fog = glIsEnabled(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);

    GlyphBatchCount = 0;
    float y = layout.originY;
    for (int r = layout.firstRow; r < RAIN_ROWS; ++r) {
        y += ROW_STEP;
        float x = layout.originX;
        int i = 0;
        while (RainText[r][i] != 0) {
            i = gatherGlyphString(RainText[r], i, &x, y, GLYPH_ADVANCE, r);
            if (RainText[r][i] != 0)
                flushGlyphBatch(layout.originZ + 1.0f, true);
        }
    }
    flushGlyphBatch(layout.originZ + 1.0f, true);
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
    if (fog)
        glEnable(GL_FOG);
}

void drawGlyphString(const char* text, float advance, int colourRow)
{
    if (text == nullptr || text[0] == 0)
        return;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    glPushMatrix();
    // Positions are relative to the current matrix; anything already in
    // the batch belongs to nobody else and is drawn first.
    flushGlyphBatch(1.0f, false);
    float x = 0.0f;
    int i = 0;
    while (bytes[i] != 0) {
        i = gatherGlyphString(bytes, i, &x, 0.0f, advance, colourRow);
        // Whole quads: a string may stand over other things, which the
        // black of its glyphs covers.
        flushGlyphBatch(1.0f, false);
    }
    glPopMatrix();
}
