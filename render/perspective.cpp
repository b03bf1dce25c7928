// The perspective view: 26 rows of yellow outline text on a page tilted back by
// 40 degrees into the fog, over a slowly turning field of 400 points.
#include "perspective.h"

#include "gl_setup.h"
#include "rain.h"
#include "random.h"
#include "text_mesh.h"
#include "terminal/screen.h"

#include <GL/gl.h>

#include <cmath>

float Starfield[STAR_COUNT][3];
float StarAngle = 0.0f;
float StarDrift = 0.0f;

namespace {

enum { TEXT_ROWS = 26 };

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

const GLfloat TEXT_EMISSION[4] = {1.0f, 1.0f, 0.0f, 1.0f};
const GLfloat STAR_EMISSION[4] = {0.5f, 0.5f, 0.5f, 1.0f};

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

} // namespace

void drawPerspectiveView()
{
    drawStarfield();
    glPushMatrix();
    glColor4f(1.0f, 1.0f, 0.0f, 1.0f);
    glMaterialfv(GL_FRONT, GL_EMISSION, TEXT_EMISSION);
    glTranslatef(0.0f, 0.0f, -16.0f);
    glRotatef(-40.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 18.5f + scrollOffset, 0.0f);
    glColor4f(1.0f, 1.0f, 0.0f, 1.0f);
    glTranslatef(-15.0f, 0.0f, 0.0f);
    // Lit, the text is exactly its yellow: the yellow emission alone takes
    // red and green to full, and nothing adds blue (the material has no
    // specular colour, the light no ambient one, and the ambient and
    // diffuse colours have no blue). So it is drawn unlit, which spares the
    // light's work at every vertex.
    const GLboolean lit = glIsEnabled(GL_LIGHTING);
    glDisable(GL_LIGHTING);
    drawTextRows();
    if (lit)
        glEnable(GL_LIGHTING);
    glPopMatrix();
}

void drawTextRows()
{
    glDisable(GL_TEXTURE_2D);
    for (int a = 0; a < TEXT_ROWS; ++a) {
        // topLine is 0..175 in every state the terminal reaches; a row that
        // would lie outside the grid is left out rather than read.
        int row = topLine + a;
        if (row < 0 || row >= SCREEN_ROWS)
            continue;
        glPushMatrix();
        glTranslatef(0.0f, static_cast<float>(-0.75 * a - 9.4), 0.0f);
        glScalef(0.75f, 0.75f, 1.0f);
        drawTextRow(&ScreenBuffer[row * SCREEN_COLUMNS]);
        glPopMatrix();
    }
}

void drawTextRow(const unsigned char* row)
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
    glDisable(GL_FOG);
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
    glPopMatrix();
}
