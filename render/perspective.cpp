// The perspective view: 26 rows of yellow outline text on a page tilted back by
// 40 degrees into the fog, over a slowly turning field of 400 points.
#include "perspective.h"

#include "gl_setup.h"
#include "rain.h"
#include "random.h"
#include "page_image.h"
#include "text_mesh.h"
#include "terminal/screen.h"

#include <GL/gl.h>

#include <cmath>
#include <initializer_list>

float Starfield[STAR_COUNT][3];
float StarAngle = 0.0f;
float StarDrift = 0.0f;

static void drawTextRows();
static void drawTextRow(const unsigned char* row);

namespace {

const double DEGREES_TO_RADIANS = 0.017453292519943295;

// The three point sizes of the starfield and the first star of each batch.
struct StarBatch {
    float size;
    int first;
    int end;
};
const StarBatch STAR_BATCHES[3] = {
    {1.0f, 0, 132},
    {2.0f, 132, 264},
    {3.0f, 264, STAR_COUNT},
};

const GLfloat TEXT_COLOUR[4] = {1.0f, 1.0f, 0.0f, 1.0f};
const GLfloat TEXT_EMISSION[4] = {1.0f, 1.0f, 0.0f, 1.0f};
const GLfloat STAR_EMISSION[4] = {0.5f, 0.5f, 0.5f, 1.0f};

// A row's glyphs lie within these bounds, in em from the start of its
// baseline: wider and taller than any glyph of the font and than 80 of its
// widest advances.
const float ROW_LEFT = -1.0f, ROW_RIGHT = 100.0f, ROW_BOTTOM = -1.0f, ROW_TOP = 2.0f;
// Fog factors are formed in single precision; a row counts as wholly
// before or beyond the fog only with this much to spare (eye units).
const float FOG_MARGIN = 0.01f;

// The nearest and farthest eye distance of the current row's bounds (the
// fog's distance: how far in front of the eye, along its axis).
void rowDepths(float* nearest, float* farthest)
{
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    *nearest = 1e30f;
    *farthest = 0.0f;
    for (float x : {ROW_LEFT, ROW_RIGHT})
        for (float y : {ROW_BOTTOM, ROW_TOP}) {
            const float depth = std::fabs(m[2] * x + m[6] * y + m[14]);
            *nearest = std::fmin(*nearest, depth);
            *farthest = std::fmax(*farthest, depth);
        }
}
// Turns v about X by ax, then about Y by ay, then about Z by az, in degrees.
void rotateVector(float* v, float ax, float ay, float az)
{
    double rx = ax * DEGREES_TO_RADIANS;
    double ry = ay * DEGREES_TO_RADIANS;
    double rz = az * DEGREES_TO_RADIANS;
    float x = v[0];
    float y = v[1];
    float z = v[2];

    // About X.
    float y1 = static_cast<float>(y * std::cos(rx) - z * std::sin(rx));
    float z1 = static_cast<float>(y * std::sin(rx) + z * std::cos(rx));
    // About Y.
    float x1 = static_cast<float>(x * std::cos(ry) + z1 * std::sin(ry));
    float z2 = static_cast<float>(z1 * std::cos(ry) - x * std::sin(ry));
    // About Z.
    float x2 = static_cast<float>(x1 * std::cos(rz) - y1 * std::sin(rz));
    float y2 = static_cast<float>(x1 * std::sin(rz) + y1 * std::cos(rz));

    v[0] = x2;
    v[1] = y2;
    v[2] = z2;
}

// The page at its scroll position, tilted back into the fog.
void drawPage()
{
    glPushMatrix();
    glColor4fv(TEXT_COLOUR);
    glMaterialfv(GL_FRONT, GL_EMISSION, TEXT_EMISSION);
    glTranslatef(0.0f, 0.0f, -16.0f);
    glRotatef(-40.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 18.5f + scrollOffset, 0.0f);
    glColor4fv(TEXT_COLOUR);
    glTranslatef(-15.0f, 0.0f, 0.0f);
    // Lit, the text is exactly its yellow: the yellow emission alone takes
    // red and green to full, and nothing adds blue (the material has no
    // specular colour, the light no ambient one, and the ambient and
    // diffuse colours have no blue). So it is drawn unlit, which spares the
    // light's work at every vertex. Nor does it need the depth test: the
    // page lies in one plane, in front of every star.
    const GLboolean lit = glIsEnabled(GL_LIGHTING);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    drawTextRows();
    glEnable(GL_DEPTH_TEST);
    if (lit)
        glEnable(GL_LIGHTING);
    glPopMatrix();
}

} // namespace

void drawPerspectiveView()
{
    // An idle page is shown from its image (page_image.h), which is made,
    // when it is due, with the frame to itself, before the stars.
    const bool inGrid = topLine >= 0 && topLine + VIEW_ROWS <= SCREEN_ROWS;
    const bool fromImage = inGrid && usePageImage(drawPage, &ScreenBuffer[topLine * SCREEN_COLUMNS],
                                                  VIEW_ROWS * SCREEN_COLUMNS, scrollOffset);
    drawStarfield();
    if (fromImage)
        drawPageImage();
    else
        drawPage();
}

static void drawTextRows()
{
    glDisable(GL_TEXTURE_2D);
    for (int a = 0; a < VIEW_ROWS; ++a) {
        // topLine is 0..175 in every state the terminal reaches; a row that
        // would lie outside the grid is left out rather than read.
        int row = topLine + a;
        if (row < 0 || row >= SCREEN_ROWS)
            continue;
        glPushMatrix();
        glTranslatef(0.0f, static_cast<float>(-0.75 * a - 9.4), 0.0f);
        glScalef(0.75f, 0.75f, 1.0f);
        // The fog changes no pixel of a row wholly nearer than its start,
        // and turns every pixel of a row wholly beyond its end into its
        // colour: such rows are drawn without its work at every pixel.
        float nearest, farthest;
        rowDepths(&nearest, &farthest);
        const bool clear = farthest < FOG_START - FOG_MARGIN, hidden = nearest > FOG_END + FOG_MARGIN;
        if (clear || hidden)
            glDisable(GL_FOG);
        if (hidden)
            glColor4fv(FogColour);
        drawTextRow(&ScreenBuffer[row * SCREEN_COLUMNS]);
        if (hidden)
            glColor4fv(TEXT_COLOUR);
        if (clear || hidden)
            glEnable(GL_FOG);
        glPopMatrix();
    }
}

static void drawTextRow(const unsigned char* row)
{
    glPushMatrix();
    glEnable(GL_CULL_FACE);
    // The row's glyph triangles in one batch; through the font lists, one
    // list per byte, when a glyph has no mesh.
    if (!drawTextRowMesh(row)) {
        glListBase(FontBase);
        glCallLists(SCREEN_COLUMNS, GL_UNSIGNED_BYTE, row);
    }
    glDisable(GL_CULL_FACE);
    glPopMatrix();
}

void seedStarfield()
{
    for (int s = 0; s < STAR_COUNT; ++s) {
        float* star = Starfield[s];
        star[0] = 80.0f;
        star[1] = 80.0f;
        star[2] = 80.0f;
        float az = static_cast<float>(nextRandom() % 360);
        float ay = static_cast<float>(nextRandom() % 360);
        float ax = static_cast<float>(nextRandom() % 360);
        rotateVector(star, ax, ay, az);
    }
    StarDrift = static_cast<float>((nextRandom() % 100 - 50) * (1.0 / 3000.0));
}

void drawStarfield()
{
    glPushMatrix();
    // The stars are all alike: which of two overlapping ones is drawn last
    // shows no difference, so they need no depth test either.
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    StarAngle += StarDrift;
    glRotatef(StarAngle, 1.0f, 0.0f, 0.0f);
    glHint(GL_POINT_SMOOTH_HINT, GL_DONT_CARE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_POINT_SMOOTH);
    glEnable(GL_BLEND);
    for (const StarBatch& batch : STAR_BATCHES) {
        glPointSize(batch.size);
        glBegin(GL_POINTS);
        glMaterialfv(GL_FRONT, GL_EMISSION, STAR_EMISSION);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        for (int s = batch.first; s < batch.end; ++s)
            glVertex3f(Starfield[s][0], Starfield[s][1], Starfield[s][2]);
        glEnd();
    }
    glDisable(GL_BLEND);
    glDisable(GL_POINT_SMOOTH);
    glEnable(GL_FOG);
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
}
