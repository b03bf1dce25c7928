// Drawing of the digital rain and of glyph strings: textured 0.2 x 0.3 quads,
// lit, coloured through the colour material, one unit towards the viewer.
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

// Scratch of the grouping pass: quads per glyph and their order by glyph.
int32_t GlyphFirst[GLYPH_COUNT + 1];
int16_t GlyphOrder[GLYPH_BATCH_CAPACITY];

const float* quadColour(const GlyphQuad& quad)
{
    return quad.colourCell >= 0 ? RainColour[quad.colourCell] : BLACK;
}

// Draws the gathered quads, grouped by glyph, at depth z of the batch's
// coordinates, and empties the batch. Leaves behind the GL state that
// drawing them one by one in gathering order leaves: texturing on, the last
// character's texture bound and its colour current, normal (0, 0, 1).
void flushGlyphBatch(float z)
{
    int count = GlyphBatchCount;
    if (count == 0)
        return;

    // Counting sort by glyph; within a glyph the gathering order is kept.
    for (int g = 0; g <= GLYPH_COUNT; ++g)
        GlyphFirst[g] = 0;
    for (int q = 0; q < count; ++q)
        ++GlyphFirst[GlyphBatch[q].glyph + 1];
    for (int g = 0; g < GLYPH_COUNT; ++g)
        GlyphFirst[g + 1] += GlyphFirst[g];
    for (int q = 0; q < count; ++q)
        GlyphOrder[GlyphFirst[GlyphBatch[q].glyph]++] = static_cast<int16_t>(q);
    // GlyphFirst[g] now marks the end of glyph g's run.

    glEnable(GL_TEXTURE_2D);
    glNormal3f(0.0f, 0.0f, 1.0f);
    int begin = 0;
    int bound = -1;
    for (int g = 0; g < GLYPH_COUNT; ++g) {
        int end = GlyphFirst[g];
        if (end == begin)
            continue;
        glBindTexture(GL_TEXTURE_2D, GlyphTextures[g]);
        bound = g;
        glBegin(GL_QUADS);
        for (int k = begin; k < end; ++k) {
            const GlyphQuad& quad = GlyphBatch[GlyphOrder[k]];
            float left = quad.x - QUAD_HALF_WIDTH;
            float right = quad.x + QUAD_HALF_WIDTH;
            float top = quad.y + QUAD_HALF_HEIGHT;
            float bottom = quad.y - QUAD_HALF_HEIGHT;
            glColor3fv(quadColour(quad));
            glTexCoord2f(0.0f, 0.0f);
            glVertex3f(left, top, z);
            glTexCoord2f(1.0f, 0.0f);
            glVertex3f(right, top, z);
            glTexCoord2f(1.0f, 1.0f);
            glVertex3f(right, bottom, z);
            glTexCoord2f(0.0f, 1.0f);
            glVertex3f(left, bottom, z);
        }
        glEnd();
        begin = end;
    }

    const GlyphQuad& last = GlyphBatch[count - 1];
    if (last.glyph != bound)
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
                flushGlyphBatch(layout.originZ + 1.0f);
        }
    }
    flushGlyphBatch(layout.originZ + 1.0f);
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
    flushGlyphBatch(1.0f);
    float x = 0.0f;
    int i = 0;
    while (bytes[i] != 0) {
        i = gatherGlyphString(bytes, i, &x, 0.0f, advance, colourRow);
        flushGlyphBatch(1.0f);
    }
    glPopMatrix();
}

void drawGlyphQuad(int code)
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, GlyphTextures[glyphIndex(code)]);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-0.1f, 0.15f, 1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(0.1f, 0.15f, 1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(0.1f, -0.15f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-0.1f, -0.15f, 1.0f);
    glEnd();
}
